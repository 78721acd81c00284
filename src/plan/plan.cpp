// The plan list of the plan folder and its selection page, and the one active flight plan:
// loading a chosen file through the matching reader, marking the plan's airports in the
// navigation database, and publishing a line-based plan to the cockpit through "accfg.ini".
// Owns: PlanList, FlightPlan. Reads: DisplayConfig.PlanPath, MapLists. Writes:
// NavDatabase.AirportTable[].InPlan, Shell.ShowRoute, Cockpit.PanelNotifyPending,
// "planlist.txt" in the plan folder, "error.log", "accfg.ini" (through WriteAircraftConfig).
#include "plan/plan.h"

#include "map/display_lists.h"
#include "menu/aircraft_config.h"
#include "navdb/navdb.h"
#include "platform/platform.h"
#include "shell/colours.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "simlink/aircraft.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

PlanListState PlanList;
FlightPlanState FlightPlan;

void PlanListReset()
{
    PlanList = PlanListState{};
}

void FlightPlanReset()
{
    FlightPlan = FlightPlanState{};
}

namespace {

std::string PlanFolder()
{
    return PlatformPath(DisplayConfig.PlanPath);
}

std::string InPlanFolder(const char* name)
{
    std::string folder = PlanFolder();
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder + name;
}

// Case-blind order, as a pilot scanning the page expects ("b.pln" between "A.PLN" and
// "C.PLN"); names that differ only in case keep their byte order so the order is stable.
bool PlanNameBefore(const std::string& a, const std::string& b)
{
    auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
    std::string la(a.size(), 0), lb(b.size(), 0);
    std::transform(a.begin(), a.end(), la.begin(), lower);
    std::transform(b.begin(), b.end(), lb.begin(), lower);
    return la != lb ? la < lb : a < b;
}

// The listing the menu reads back: every plain file of the plan folder, one bare name a
// line, in case-blind name order. A name holding a line end cannot be written one a line
// and is left out. The listing is made here, natively; no shell is ever started.
std::string MakePlanListing()
{
    std::vector<std::string> names = PlatformListDirectory(DisplayConfig.PlanPath);
    std::stable_sort(names.begin(), names.end(), PlanNameBefore);
    std::string listing;
    for (const std::string& name : names) {
        if (name.find_first_of("\r\n") != std::string::npos)
            continue;
        listing += name;
        listing += '\n';
    }
    return listing;
}

void AppendErrorLog(const char* line)
{
    if (FILE* log = std::fopen("error.log", "a")) {
        std::fputs(line, log);
        std::fclose(log);
    }
}

}  // namespace

bool IsPlanFileName(const char* text)
{
    for (const char* ext : {".PLN", ".pln", ".Pln", ".FMC", ".fmc", ".Fmc"})
        if (std::strstr(text, ext))
            return true;
    return false;
}

// The table holds 50 names: with more plan files in the folder, the first 50 in listing
// order are offered and the rest are left out (the listing file still names them all).
void BuildPlanList()
{
    std::string listing = MakePlanListing();
    std::memset(PlanList.rawNames, 0, sizeof PlanList.rawNames);
    std::memset(PlanList.names, 0, sizeof PlanList.names);
    PlanList.count = 0;

    // The listing is left in the folder as "planlist.txt" and read back from there. A
    // folder the unit may read but not write (plans on a read-only share) still gets its
    // list, read from the listing in memory; a missing folder gives an empty list.
    std::string text;
    if (PlatformWriteFileAtomic(InPlanFolder("planlist.txt").c_str(), listing)) {
        if (!PlatformReadWholeFile(InPlanFolder("planlist.txt").c_str(), 16u << 20, &text))
            return;
    } else {
        text = listing;
    }
    // Lines are read 99 characters at a time: a longer name arrives in pieces and each
    // piece is judged on its own.
    size_t at = 0;
    while (PlanList.count < PlanListMax && at < text.size()) {
        char line[PlanNameMax] = {};
        size_t length = 0;
        while (length < PlanNameMax - 1 && at < text.size()) {
            line[length++] = text[at];
            if (text[at++] == '\n')
                break;
        }
        if (IsPlanFileName(line))
            std::memcpy(PlanList.rawNames[PlanList.count++], line, sizeof line);
    }

    for (int i = 0; i < PlanList.count; ++i) {
        const char* raw = PlanList.rawNames[i];
        for (int k = 0; k < PlanNameMax - 1 && raw[k] != '\n' && raw[k] != '\r' && raw[k] != '\0'; ++k)
            PlanList.names[i][k] = static_cast<char>(std::toupper(static_cast<unsigned char>(raw[k])));
    }
}

void DrawPlanListPage()
{
    SetColour(ColourWhite);
    glLoadIdentity();
    glTranslatef(-0.52f, -0.95f, -5.0f);
    glScalef(1.07f, 0.75f, 0.0f);
    TextBatchFlush();
    glCallList(MapLists.UnitBoxList);

    const int totalPages = (PlanList.count + 5) / 6;
    const int currentPage = PlanList.selected / 6;
    glLoadIdentity();
    glTranslatef(-0.6f, -0.92f, -5.0f);
    glScalef(0.1f, 0.1f, 0.0f);
    PrintText(2, 2, "PAGE %d/%d", currentPage + 1, totalPages);

    int w = 0, h = 0;
    PlatformGetClientSize(&w, &h);
    glLoadIdentity();
    glTranslatef(3.06f, -6.0899f, -30.0f);
    glScalef(0.6f, 0.6f, 0.0f);
    for (int r = currentPage * 6; r < currentPage * 6 + 6; ++r) {
        glTranslatef(-0.57f, 1.15f, 0.0f);
        if (r == PlanList.selected) {
            glPushMatrix();
            glTranslatef(-9.44f, -0.27f, 0.0f);
            glScalef(10.13f, 1.15f, 0.0f);
            TextBatchFlush();
            glCallList(MapLists.UnitQuadList);
            glPopMatrix();
            SetColour(ColourBlack);
        } else {
            SetColour(ColourWhite);
        }
        glEnable(GL_SCISSOR_TEST);
        glScissor(static_cast<int>(0.329 * w), static_cast<int>(-0.06 * h), static_cast<int>(0.6 * w),
                  static_cast<int>(0.5 * h));
        // A row past the end of the list (or of the table) prints nothing.
        const char* name = r >= 0 && r < PlanListMax ? PlanList.names[r] : "";
        PrintText(2, 2, "%s", name);
        glDisable(GL_SCISSOR_TEST);
        SetColour(ColourWhite);
    }
}

// The page shows names upper-cased, as a case-blind file system would accept them. Linux
// file systems are not case-blind, so the file is opened by the name it has on disk: the
// listing line it came from, which upper-cases to the name shown.
static std::string PlanFilePath(int index)
{
    char onDisk[PlanNameMax] = {};
    std::strncpy(onDisk, PlanList.rawNames[index], PlanNameMax - 1);
    onDisk[std::strcspn(onDisk, "\r\n")] = '\0';
    return InPlanFolder(onDisk[0] ? onDisk : PlanList.names[index]);
}

void MarkPlanAirports()
{
    for (NavRecord& airport : NavDatabase.AirportTable)
        airport.InPlan = false;
    for (int i = 0; i < FlightPlan.legCount; ++i) {
        const PlanLeg& leg = FlightPlan.legs[i];
        if (leg.type != 'A')
            continue;
        for (NavRecord& airport : NavDatabase.AirportTable)
            if (std::strcmp(airport.Ident, leg.ident) == 0)
                airport.InPlan = true;
    }
}

// The record holds 50 legs. A longer plan shows its first 50 and says so in "error.log",
// so a pilot who misses the end of the route on the map finds out why.
static void ReportDroppedLegs()
{
    if (FlightPlan.droppedLegs <= 0)
        return;
    char line[700];
    std::snprintf(line, sizeof line, "WARNING - Flight Plan %s has %d waypoints more than the %d shown\n",
                  FlightPlan.path, FlightPlan.droppedLegs, PlanLegMax);
    AppendErrorLog(line);
}

// Loading starts from an empty plan: whatever happens next, the previous route is gone.
// An index outside the list (an empty list, or a selection left past the end by a
// rebuild) loads nothing and changes nothing.
void LoadFlightPlan(int index)
{
    if (index < 0 || index >= PlanList.count)
        return;
    FlightPlan.legCount = 0;
    FlightPlan.droppedLegs = 0;
    const std::string path = PlanFilePath(index);
    std::snprintf(FlightPlan.path, sizeof FlightPlan.path, "%s", path.c_str());

    // The reader goes by the name: a name with FMC anywhere in it is an FMC file (the
    // names are upper-cased, so KFMC01.PLN is one too).
    if (std::strstr(PlanList.names[index], "FMC")) {
        ReadFmcPlan(FlightPlan.path);
    } else {
        const PlnKind kind = ReadPlnPlan(FlightPlan.path);
        if (kind == PlnKind::Missing) {
            char line[800];
            std::snprintf(line, sizeof line,
                          "ERROR - Could not open Flight Plan, none found in %s. Check path in MFD.ini\n",
                          DisplayConfig.PlanPath);
            AppendErrorLog(line);
            return;
        }
        if (kind == PlnKind::LineBased) {
            // A line-based plan is published to the cockpit: it goes into "accfg.ini"
            // here and in the other unit's folder, and the panel is told once.
            FlightPlan.loaded = true;
            WriteAircraftConfig();
            Cockpit.PanelNotifyPending = true;
            Shell.ShowRoute = true;
            MarkPlanAirports();
            ReportDroppedLegs();
            return;
        }
    }
    Shell.ShowRoute = true;
    FlightPlan.loaded = true;
    MarkPlanAirports();
    ReportDroppedLegs();
}
