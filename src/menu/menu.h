// The soft-key menu state: which legends and key meanings apply and which page is drawn.
#pragma once

// Menu state; one instance, `Menu`. MenuReset() restores the start-of-run values.
struct MenuState {
    int MenuLevel = 0;      // 0 top level, 1 systems menu, 2 MFD menu, 4 V-speeds page
    int MenuPage = 0;       // page drawn above the legends (0 none, 1 SUMRY ... 9 FPLN)
    int PrevMenuPage = 0;   // MenuPage at the end of the previous frame
};
extern MenuState Menu;
void MenuReset();
