// The systems synoptic pages drawn in the page area of either display: summary, electrical,
// hydraulics, environmental, flight controls and fuel. The menu calls one of them each
// powered frame while its page is selected and the avionics are on. The pages keep no state
// between frames: each one draws from the aircraft state as it stands, every element from a
// fresh identity transform, so the menu may call them in any model-view state.
#pragma once

#include <cstdint>

void DrawSummaryPage();
void DrawElecPage();
void DrawHydPage();
void DrawEcsPage();
void DrawFlightControlsPage();
void DrawFuelPage();

// Values the pages work out from the aircraft state, shared by more than one page.
// Cabin altitude in whole feet: the pressurisation schedule is taken as a fixed fraction of
// the aircraft's altitude. The factor is a single-precision 0.196 multiplied in double, so
// 41000 ft gives 8035, not 8036.
int CabinAltitudeFeet(int altitudeFt);
// Cabin rate of climb in feet per minute from the vertical speed (m/s x 256); 0 while the
// simulator link is down, so a stale climb rate never shows.
float CabinRateFpm(int verticalSpeed, bool linkConnected);
// Spoiler handle in degrees of panel travel, 0..40, from the lever value (16383 = full).
// The lever's first part is the arm detent, so anything up to 5021 reads 0.
float SpoilerHandleDegrees(uint32_t lever);
