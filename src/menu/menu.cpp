// The soft-key menu and page dispatcher. Six keys under the screen carry legends drawn
// just above them; what each key does depends on the menu level, and the page it selects
// is drawn here each frame in the page area above the legends.
// Owns: Menu. Reads: Shell (PendingSoftKey, knob flags, ShowingMfd/ShowingEicas), Aircraft
// (AvionicsMaster), PlanList. Writes: Shell (PendingSoftKey, knob flags, MapRangeIndex,
// ShowVor, ShowAirports, ShowRoute), Traffic.TrafficOn, PlanList.selected,
// Cockpit.PanelNotifyPending, "accfg.ini" (through WriteAircraftConfig).
#include "menu/menu.h"

#include "menu/aircraft_config.h"
#include "plan/plan.h"
#include "shell/colours.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "simlink/aircraft.h"
#include "synoptics/synoptics.h"
#include "traffic/traffic.h"

#include <GL/gl.h>

#include <algorithm>

MenuState Menu;

void MenuReset()
{
    Menu = MenuState{};
}

namespace {

constexpr int NoKey = 6;
constexpr int RangeLast = 8;   // 1000 NM, the last entry of the range table

// A legend row is printed under this scale; offsets between legends are in its units.
constexpr float LegendScale = 0.62f;

void LineWidth2White()
{
    SetColour(ColourWhite);
    glLineWidth(2.0f);
}

// A closed white frame at depth 30 around a legend, x -0.839..0.839 about the origin.
void DrawLegendBox(float originX, float originY, float top)
{
    LineWidth2White();
    glLoadIdentity();
    glTranslatef(originX, originY, -30.0f);
    TextBatchFlush();
    glBegin(GL_LINE_LOOP);
    glVertex2f(-0.839f, -4.109f), glVertex2f(0.839f, -4.109f), glVertex2f(0.839f, top), glVertex2f(-0.839f, top);
    glEnd();
}

void DrawLine(float x1, float y1, float x2, float y2)
{
    TextBatchFlushUnder(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
    glBegin(GL_LINES);
    glVertex2f(x1, y1), glVertex2f(x2, y2);
    glEnd();
}

// Step 2 of the menu: a page's own key takes the crew back to the top level (on the MFD to
// the map as well). Leaving the V-speeds page after a change publishes the speeds.
void HandleReturnKey()
{
    static const int returnKeyOfPage[8] = {NoKey, 0, 1, 2, 3, 4, 5, 0};
    const int page = Menu.MenuPage;
    if (page < PageSummary || page > PageSpeeds || Shell.PendingSoftKey != returnKeyOfPage[page])
        return;
    Menu.MenuLevel = 0;
    if (page == PageSpeeds && Menu.SpeedsChanged) {
        WriteAircraftConfig();
        Cockpit.PanelNotifyPending = true;
        Menu.SpeedsChanged = false;
    }
    if (Shell.ShowingMfd)
        Menu.MenuPage = PageNone;
    Shell.PendingSoftKey = NoKey;
}

// FPLN: the first press shows a fresh list, the second loads the highlighted plan.
void PressPlanKey()
{
    Menu.MenuPage = PagePlanList;
    if (Menu.PlanListOpen) {
        Menu.PlanLoadRequest = true;
        Menu.PlanListOpen = false;
    } else {
        Menu.PlanListOpen = true;
        BuildPlanList();
    }
}

// NAV/APT: none -> NAV -> NAV+APT -> APT -> none. The step keeps its own count, so a filter
// the keyboard changed meanwhile is simply overwritten by the next press.
void StepMapFilter()
{
    Menu.MapFilterStep = Menu.MapFilterStep >= 3 ? 0 : Menu.MapFilterStep + 1;
    static const bool vor[4] = {false, true, true, false};
    static const bool airports[4] = {false, false, true, true};
    Shell.ShowVor = vor[Menu.MapFilterStep];
    Shell.ShowAirports = airports[Menu.MapFilterStep];
}

void HandleKey(int key)
{
    switch (Menu.MenuLevel) {
    case 0:
        if (key == 0)
            Menu.MenuLevel = 1, Menu.MenuPage = PageSummary;
        else if (key == 1)
            Menu.MenuLevel = 2;
        else if (key == 3)
            Traffic.TrafficOn = !Traffic.TrafficOn;
        else if (key == 5)
            Shell.ShowRoute = !Shell.ShowRoute;
        // CKLST (2) and TERR (4): this aircraft has no checklist or terrain database, so the
        // keys stay labelled and inert rather than opening an empty page.
        break;
    case 1:
        if (key >= 0 && key <= 5)
            Menu.MenuPage = PageSummary + key;
        break;
    case 2:
        if (key == 0)
            Menu.MenuPage = PageNone, Menu.MenuLevel = 0;
        else if (key == 1)
            Menu.MenuPage = PageSpeeds, Menu.MenuLevel = 4;
        else if (key == 2)
            Menu.MenuPage = PageJoystick;   // JSTK: an empty page area over the map
        else if (key == 3)
            PressPlanKey();
        else if (key == 4)
            StepMapFilter();
        // DATA (5) has no data page to open: inert, like CKLST and TERR.
        break;
    default:
        // The V-speeds page takes its keys itself; its return key is the page's own key.
        break;
    }
}

// The NAV/APT frame follows the two filters, whoever set them last.
void DrawMapFilterFrame()
{
    if (Shell.ShowVor && Shell.ShowAirports)
        DrawLegendBox(2.47f, -3.397f, -2.86f);
    else if (Shell.ShowVor)
        DrawLegendBox(2.47f, -2.839f, -3.4199f);
    else if (Shell.ShowAirports)
        DrawLegendBox(2.47f, -3.397f, -3.4199f);
}

// Only in the MFD menu: the filter frame, the plan list and a confirmed plan load.
void RunMfdMenuLevel()
{
    if (Menu.MenuLevel != 2)
        return;
    DrawMapFilterFrame();
    if (Menu.PlanListOpen)
        DrawPlanListPage();
    if (Menu.PlanLoadRequest) {
        LoadFlightPlan(PlanList.selected);
        Menu.PlanLoadRequest = false;
        Menu.MenuPage = PageNone;
        Menu.MenuLevel = 2;
    }
}

// One row of legends: the first at the row's start, each further one after translating by
// its offset from where the previous legend left the pen.
struct Legend {
    float dx, dy;
    const char* text;
};

void DrawLegendRow(float x, float y, const Legend* legends, int count)
{
    SetColour(ColourWhite);
    glLoadIdentity();
    glTranslatef(x, y, -30.0f);
    glScalef(LegendScale, LegendScale, 1.0f);
    for (int i = 0; i < count; ++i) {
        glTranslatef(legends[i].dx, legends[i].dy, 0);
        PrintText(2, 0, "%s", legends[i].text);
    }
}

// The bracket over the first two keys that groups SYS and MFD under "MENU".
void DrawMenuBracket()
{
    LineWidth2White();
    glLoadIdentity();
    glTranslatef(0, 0, -30.0f);
    DrawLine(-2.64f, -6.339f, -0.789f, -6.339f);
    DrawLine(-5.849f, -6.339f, -4.279f, -6.339f);
    DrawLine(-5.819f, -6.339f, -5.819f, -6.729f);
    DrawLine(-0.82f, -6.339f, -0.82f, -6.729f);
}

void DrawLegends()
{
    static const Legend top[] = {{0, 0, "SYS"}, {2.589f, 0, "MFD"}, {2.419f, 0, "CKLST"},
                                 {1.65f, 0, "TCAS"}, {1.989f, 0, "TERR"}, {2.268f, 0, "PLAN"}};
    static const Legend topUpper[] = {{0, 0, "MENU"}, {8.15f, -0.45f, "WX"}, {2.867f, 0, "MAP"}};
    static const Legend systems[] = {{0, 0, "SUMRY"}, {2.089f, 0, "ELEC"}, {2.09f, 0, "HYD"},
                                     {2.32f, 0, "ECS"}, {2.62f, 0, "FLT"}, {1.98f, 0, "FUEL"}};
    static const Legend mfd[] = {{0, 0, "RTN"}, {2.17f, 0, "SPDS"}, {2.309f, 0, "JSTK"}, {2.12f, 0, "FPLN"},
                                 {2.2f, 0, "APT"}, {-0.68f, 1.06f, "NAV"}, {2.245f, -1.06f, "DATA"}};
    static const Legend mfdRight[] = {{0, 0, "M/P"}, {-0.615f, -1.06f, "RNG"}, {-9.69f, 1.15f, "LOAD"}};
    static const Legend range[] = {{0, 0, "M/P"}, {-0.615f, -1.06f, "RNG"}};
    static const Legend alerts[] = {{0.364f, -1.06f, "CAS"}};

    if (Menu.MenuLevel == 0) {
        // The bracket goes before its legends: it shares no pixel with "MENU" (its line
        // starts a pixel or two past the word), so the picture is the same, and the
        // legends need not be drawn out of their batch just for it.
        DrawMenuBracket();
        DrawLegendRow(-5.299f, -7.389f, top, 6);
        DrawLegendRow(-3.469f, -6.559f, topUpper, 3);
    } else if (Menu.MenuLevel == 1) {
        DrawLegendRow(-5.299f, -7.389f, systems, 6);
    } else if (Menu.MenuLevel == 2) {
        DrawLegendRow(-5.299f, -7.389f, mfd, 7);
        DrawLegendRow(5.889f, -6.8f, mfdRight, 3);
    }
    // Beside the knob: the map range on the MFD, the alert list on the EICAS.
    if (Menu.MenuLevel == 0 || Menu.MenuLevel == 1) {
        if (Shell.ShowingMfd)
            DrawLegendRow(5.889f, -6.8f, range, 2);
        else
            DrawLegendRow(5.889f, -6.8f, alerts, 1);
    }
}

// On page 9 the knob moves the highlighted plan, wrapping at both ends of the list.
void StepPlanSelection()
{
    if (Shell.KnobDecrement) {
        PlanList.selected = PlanList.selected - 1 < 0 ? PlanList.count - 1 : PlanList.selected - 1;
        Shell.KnobDecrement = false;
    } else if (Shell.KnobIncrement) {
        PlanList.selected = PlanList.selected + 1 >= PlanList.count ? 0 : PlanList.selected + 1;
        Shell.KnobIncrement = false;
    }
}

void DrawSelectedPage()
{
    switch (Menu.MenuPage) {
    case PageSummary: DrawSummaryPage(); break;
    case PageElec: DrawElecPage(); break;
    case PageHyd: DrawHydPage(); break;
    case PageEcs: DrawEcsPage(); break;
    case PageFlightControls: DrawFlightControlsPage(); break;
    case PageFuel: DrawFuelPage(); break;
    case PageSpeeds: DrawSpeedsPage(); break;
    case PagePlanList:
        StepPlanSelection();
        DrawLegendBox(0.489f, -3.44f, -3.4199f);   // around FPLN
        break;
    default:
        break;
    }
}

// The knob steps the map range through the table, wrapping 1000 -> 5 and 5 -> 1000; while
// the plan list is open it belongs to the list instead.
void StepMapRange()
{
    if (Shell.KnobDecrement && !Menu.PlanListOpen) {
        Shell.MapRangeIndex = Shell.MapRangeIndex - 1 < 0 ? RangeLast : Shell.MapRangeIndex - 1;
        Shell.KnobDecrement = false;
    } else if (Shell.KnobIncrement && !Menu.PlanListOpen) {
        Shell.MapRangeIndex = Shell.MapRangeIndex + 1 > RangeLast ? 0 : Shell.MapRangeIndex + 1;
        Shell.KnobIncrement = false;
    }
}

// Without avionics power the menu cannot work: a line across the display, the heading
// failure flag on the MFD and "MENU INOP" where the legends were.
void DrawAvionicsOff()
{
    LineWidth2White();
    glLoadIdentity();
    glTranslatef(0, 0, -30.0f);
    DrawLine(6.769f, -1.619f, -6.769f, -1.619f);
    if (Shell.ShowingMfd) {
        SetColour(ColourRed);
        glLoadIdentity();
        glTranslatef(-0.59f, 6.61f, -30.0f);
        glScalef(0.63f, 0.63f, 1.0f);
        PrintText(2, 1, "HDG");
        glTranslatef(-1.96f, -0.84f, 0);
        PrintText(2, 1, "FAIL");
    }
    SetColour(ColourAmber);
    glLoadIdentity();
    glTranslatef(-1.54f, -3.8f, -30.0f);
    glScalef(0.63f, 0.63f, 1.0f);
    PrintText(2, 1, "MENU INOP");
}

} // namespace

void RunMenu()
{
    DeriveFuelAndSurfaces();
    HandleReturnKey();
    if (Shell.ShowingEicas)
        Menu.MenuLevel = 1;   // on the EICAS the systems menu is always up
    HandleKey(Shell.PendingSoftKey);
    RunMfdMenuLevel();
    if (Aircraft.AvionicsMaster != 0) {
        DrawLegends();
        DrawSelectedPage();
        StepMapRange();
    } else {
        DrawAvionicsOff();
    }
    // The separator between the page area and the legends.
    LineWidth2White();
    glLoadIdentity();
    glTranslatef(0, 0, -30.0f);
    DrawLine(6.769f, -5.819f, -6.769f, -5.819f);

    Menu.PrevMenuPage = Menu.MenuPage;
    // A key is consumed in the frame it arrives, except on the V-speeds page, where the
    // last key pressed stays pending as the page's selection.
    if (Menu.MenuPage != PageSpeeds)
        Shell.PendingSoftKey = NoKey;
}
