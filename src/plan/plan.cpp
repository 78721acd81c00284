// The plan list of the plan folder and its selection page, and the one active flight plan:
// loading a chosen file through the matching reader, marking the plan's airports in the
// navigation database, and publishing a line-based plan to the cockpit through "accfg.ini".
// Owns: PlanList, FlightPlan. Reads: DisplayConfig.PlanPath, MapLists. Writes:
// NavDatabase.AirportTable[].InPlan, Shell.ShowRoute, Cockpit.PanelNotifyPending,
// "planlist.txt" in the plan folder, "error.log", "accfg.ini" (through WriteAircraftConfig).
#include "plan/plan.h"
#include "plan/plan_text.h"

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
#include <GL/glu.h>

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
// and is left out, and so are hidden files (a leading dot): the folder view of the
// planning computers hides them, and the "._route.pln" another system leaves beside each
// copied plan is no plan. The listing is made here, natively; no shell is ever started.
std::string MakePlanListing()
{
    std::vector<std::string> names = PlatformListDirectory(DisplayConfig.PlanPath);
    std::stable_sort(names.begin(), names.end(), PlanNameBefore);
    std::string listing;
    for (const std::string& name : names) {
        if (name.empty() || name[0] == '.' || name.find_first_of("\r\n") != std::string::npos)
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
// order are offered, the page says how many there are, and "error.log" names the count
// (once for each new count, not at every opening of the page).
void BuildPlanList()
{
    std::memset(PlanList.rawNames, 0, sizeof PlanList.rawNames);
    std::memset(PlanList.names, 0, sizeof PlanList.names);
    PlanList.count = 0;
    PlanList.found = 0;
    // No plan path, no plan folder: an empty path must not list (and leave the listing
    // in) the unit's own folder.
    if (PlanFolder().find_first_not_of(" \t") == std::string::npos)
        return;
    std::string listing = MakePlanListing();

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
    while (at < text.size()) {
        char line[PlanNameMax] = {};
        size_t length = 0;
        while (length < PlanNameMax - 1 && at < text.size()) {
            line[length++] = text[at];
            if (text[at++] == '\n')
                break;
        }
        if (IsPlanFileName(line)) {
            if (PlanList.count < PlanListMax)
                std::memcpy(PlanList.rawNames[PlanList.count++], line, sizeof line);
            ++PlanList.found;
        }
    }

    for (int i = 0; i < PlanList.count; ++i)
        PlanDisplayName(PlanList.rawNames[i], PlanList.names[i]);

    static int reportedFound = 0;
    if (PlanList.found > PlanListMax && PlanList.found != reportedFound) {
        char text[700];
        std::snprintf(text, sizeof text, "WARNING - %d flight plans in %s, only the first %d are listed\n",
                      PlanList.found, DisplayConfig.PlanPath, PlanListMax);
        AppendErrorLog(text);
    }
    reportedFound = PlanList.found;
}

namespace {

// A row's room: from where its right-aligned name's last character starts leftward to the
// left edge of the page's clipping box, less a little margin. The rows step left as they go
// up the page, so each row has its own.
constexpr float PlanRowMarginEm = 0.2f;
// Names a little too long are set narrower, down to this much of their width, so that a
// pilot still reads them whole; longer ones are shortened in the middle as well.
constexpr float PlanRowNarrowest = 0.75f;
// Shortened names keep about this share of their room for their beginning, the rest for
// their end (the extension and what stands before it, where plan names often differ).
constexpr float PlanRowHeadShare = 0.6f;

// The width a right-aligned text takes left of its last character's start.
float RowWidth(const std::string& text)
{
    float lastAdvance = 0;
    const float width = TextWidth(text.c_str(), &lastAdvance);
    return width - lastAdvance;
}

// The name cut in the middle to fit `room` em: its beginning, an ellipsis, its end.
std::string ShortenInTheMiddle(const std::string& name, float room)
{
    const std::string ellipsis = "\x85";   // the code page's horizontal ellipsis
    size_t head = 0, tail = 0;
    for (;;) {
        // Grow the part that is behind its share of the room.
        const float headWidth = RowWidth(name.substr(0, head) + "x");
        const bool growHead = headWidth < room * PlanRowHeadShare;
        size_t nextHead = head + (growHead ? 1 : 0), nextTail = tail + (growHead ? 0 : 1);
        if (nextHead + nextTail >= name.size())
            break;
        const std::string candidate = name.substr(0, nextHead) + ellipsis + name.substr(name.size() - nextTail);
        if (RowWidth(candidate) > room)
            break;
        head = nextHead, tail = nextTail;
    }
    return name.substr(0, head) + ellipsis + name.substr(name.size() - tail);
}

// The room of the row whose matrix is current, in em, left of the pen, up to the window
// pixel column leftEdge.
float PlanRowRoom(int leftEdge)
{
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble x0, y0, z0, x1, y1, z1;
    if (!gluProject(0, 0, 0, model, projection, viewport, &x0, &y0, &z0) ||
        !gluProject(1, 0, 0, model, projection, viewport, &x1, &y1, &z1) || x1 - x0 <= 0.0)
        return 1.0e6f;   // no geometry to measure: print the name as it is
    return static_cast<float>((x0 - leftEdge) / (x1 - x0)) - PlanRowMarginEm;
}

// One name of the list, right-aligned where the row's matrix stands, kept inside the row:
// as it is when it fits, set narrower when it nearly does, shortened in the middle beyond.
// The matrix is left where printing the name unchanged would have left it (on by its last
// character's advance), so the rows above keep their places.
void PrintPlanRow(const char* name, int leftEdge)
{
    const std::string text = name;
    const float width = text.empty() ? 0.0f : RowWidth(text);
    const float room = PlanRowRoom(leftEdge);
    if (width <= room || room <= 1.0f) {
        PrintText(2, 2, "%s", name);
        return;
    }
    float lastAdvance = 0;
    TextWidth(text.c_str(), &lastAdvance);
    const float squeeze = std::max(PlanRowNarrowest, room / width);
    const std::string shown = width * squeeze <= room ? text : ShortenInTheMiddle(text, room / squeeze);
    glPushMatrix();
    glScalef(squeeze, 1.0f, 1.0f);
    PrintText(2, 2, "%s", shown.c_str());
    glPopMatrix();
    glTranslatef(lastAdvance, 0.0f, 0.0f);
}

} // namespace

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
    // More plans in the folder than the table holds: the pilot sees how many are offered.
    if (PlanList.found > PlanList.count) {
        glLoadIdentity();
        glTranslatef(-0.6f, -0.83f, -5.0f);
        glScalef(0.1f, 0.1f, 0.0f);
        PrintText(2, 2, "%d OF %d", PlanList.count, PlanList.found);
    }

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
        // The rows are kept inside the box: left of its right edge and below its top line.
        // The top reaches up to just under that line (0.45 of the height from the bottom),
        // so that the accents over the top row's capitals ("ZÜRICH", "GENÈVE") are drawn.
        glEnable(GL_SCISSOR_TEST);
        glScissor(static_cast<int>(0.329 * w), static_cast<int>(-0.06 * h), static_cast<int>(0.6 * w),
                  static_cast<int>(0.51 * h));
        // A row past the end of the list (or of the table) prints nothing.
        const char* name = r >= 0 && r < PlanListMax ? PlanList.names[r] : "";
        PrintPlanRow(name, static_cast<int>(0.329 * w));
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

// What a load left out goes into "error.log", one line per cause, so a pilot who misses
// part of the route on the map finds out why: legs past the record's 50, waypoints whose
// position lies off the earth, and a plan that gave no waypoint at all.
static void ReportPlanReading()
{
    char line[700];
    if (FlightPlan.droppedLegs > 0) {
        std::snprintf(line, sizeof line, "WARNING - Flight Plan %s has %d waypoints more than the %d shown\n",
                      FlightPlan.path, FlightPlan.droppedLegs, PlanLegMax);
        AppendErrorLog(line);
    }
    if (FlightPlan.refusedLegs > 0) {
        std::snprintf(line, sizeof line,
                      "WARNING - Flight Plan %s has %d waypoints outside latitude 90 or longitude 180, left out\n",
                      FlightPlan.path, FlightPlan.refusedLegs);
        AppendErrorLog(line);
    }
    if (FlightPlan.unplacedLegs > 0) {
        std::snprintf(line, sizeof line, "WARNING - Flight Plan %s has %d waypoints without a position, left out\n",
                      FlightPlan.path, FlightPlan.unplacedLegs);
        AppendErrorLog(line);
    }
    if (FlightPlan.legCount == 0) {
        std::snprintf(line, sizeof line, "WARNING - no waypoints read from %s\n", FlightPlan.path);
        AppendErrorLog(line);
    }
}

// Whether an FMC-named file is really a PLN plan (a planner's XML saved under a name with
// "fmc" in it): the FMC reader finds nothing in it, and the PLN reader would.
static bool LooksLikePlnPlan(const char* path)
{
    std::string content;
    if (!ReadPlanFile(path, &content))
        return false;
    return content.find("AceXML") != std::string::npos || content.find("<SimBase.Document") != std::string::npos;
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
    FlightPlan.refusedLegs = 0;
    FlightPlan.unplacedLegs = 0;
    const std::string path = PlanFilePath(index);
    std::snprintf(FlightPlan.path, sizeof FlightPlan.path, "%s", path.c_str());

    // The reader goes by the name: a name with FMC anywhere in it is an FMC file (the
    // names are upper-cased, so KFMC01.PLN is one too). One that yields no leg but holds an
    // XML plan is read as the XML plan it is.
    bool fmc = std::strstr(PlanList.names[index], "FMC") != nullptr;
    if (fmc) {
        ReadFmcPlan(FlightPlan.path);
        if (FlightPlan.legCount == 0 && FlightPlan.droppedLegs == 0 && FlightPlan.refusedLegs == 0 &&
            LooksLikePlnPlan(FlightPlan.path))
            fmc = false;
    }
    if (!fmc) {
        const PlnKind kind = ReadPlnPlan(FlightPlan.path);
        if (kind == PlnKind::Missing) {
            // The folder was listed a moment ago: when it is still there, the file in it
            // is at fault (its permissions, or a backslash in its name, which the program
            // takes for a folder separator as the planning computers do), not the path.
            char line[800];
            const char* name = PlanList.rawNames[index];
            std::string reason;
            if (std::strchr(name, '\\'))
                reason = "a \\ in a file name is read as a folder separator; rename the file";
            else {
                std::string content;
                PlatformReadFileStart(FlightPlan.path, 1, &content, &reason);
            }
            if (PlatformIsFolder(PlanFolder().c_str()))
                std::snprintf(line, sizeof line, "ERROR - Could not open Flight Plan %s (%s)\n", FlightPlan.path,
                              reason.c_str());
            else
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
            ReportPlanReading();
            return;
        }
    }
    Shell.ShowRoute = true;
    FlightPlan.loaded = true;
    MarkPlanAirports();
    ReportPlanReading();
}
