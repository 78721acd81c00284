// Soft-key menu and page dispatcher: which legends are up and which page is drawn.
#pragma once

// Menu state; one instance, `Menu`, for the whole run. MenuReset() restores the start:
// top level, no page, the map alone.
struct MenuState {
    int MenuLevel = 0;       // 0 top level, 1 systems menu, 2 MFD menu, 4 V-speeds page
    int MenuPage = 0;        // page drawn above the legends; 0 none
    int PrevMenuPage = 0;    // MenuPage at the end of the previous frame
};
extern MenuState Menu;
void MenuReset();
