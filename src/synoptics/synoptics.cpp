// The systems synoptic pages. Until they are drawn the menu's SYS keys select a page area
// that stays empty; the legends and the page keys already work.
#include "synoptics/synoptics.h"

void DrawSummaryPage() {}
void DrawElecPage() {}
void DrawHydPage() {}
void DrawEcsPage() {}
void DrawFlightControlsPage() {}
void DrawFuelPage() {}
