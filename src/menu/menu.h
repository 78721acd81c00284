// The soft-key menu: which legends and key meanings apply, which page is drawn in the page
// area between the map and the legends, and the map range steps of the cockpit knob. The
// V-speeds page, one of the menu's pages, lives here too.
#pragma once

// Pages the menu can show (MenuPage).
enum MenuPageNumber {
    PageNone = 0,         // only the map (on the MFD) and the legends
    PageSummary = 1,      // SUMRY
    PageElec = 2,
    PageHyd = 3,
    PageEcs = 4,
    PageFlightControls = 5,
    PageFuel = 6,
    PageSpeeds = 7,       // V-speeds
    PageJoystick = 8,     // JSTK: nothing is drawn
    PagePlanList = 9,     // FPLN: plan selection, the knob moves the selection
};

// Menu state; one instance, `Menu`. Everything lives for the whole run; MenuReset()
// restores the start-of-run values (top level, map shown).
struct MenuState {
    int MenuLevel = 0;            // 0 top level, 1 systems menu, 2 MFD menu, 4 V-speeds page
    int MenuPage = 0;             // MenuPageNumber
    int PrevMenuPage = 0;         // MenuPage at the end of the previous frame
    bool PlanListOpen = false;    // the plan list page is shown (FPLN pressed once)
    bool PlanLoadRequest = false; // FPLN pressed again: load the highlighted plan this frame
    int MapFilterStep = 0;        // 0..3 in the NAV/APT cycle
    // V-speeds page: a speed was changed and not yet written to "accfg.ini".
    bool SpeedsChanged = false;
};
extern MenuState Menu;
void MenuReset();

// Once per powered frame, first thing: the fuel and surface derivations, the soft key and
// knob of this frame, the legends and the selected page.
void RunMenu();

// The V-speeds page (page 7): V1, VR and V2 selected with soft keys 2-4, set with the knob.
void DrawSpeedsPage();
