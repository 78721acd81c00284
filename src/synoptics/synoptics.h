// The systems synoptic pages drawn in the page area of either display: summary, electrical,
// hydraulics, environmental, flight controls and fuel. The menu calls one of them each
// powered frame while its page is selected and the avionics are on.
#pragma once

void DrawSummaryPage();
void DrawElecPage();
void DrawHydPage();
void DrawEcsPage();
void DrawFlightControlsPage();
void DrawFuelPage();
