// A display unit opened inside the test process (offscreen window, fonts, display lists),
// so a test can set AircraftState and the map's inputs directly and read back what one
// frame printed through the text trace.
#pragma once

#include "support/support.h"

#include <string>
#include <vector>

// Lays out a scratch installation folder named `name`, enters it and opens the unit's
// offscreen window there (fonts, display lists, start-up loads) at width x height; returns
// the folder. A gtest failure is recorded when the window does not open.
std::string DisplayUnitOpenWindow(const std::string& name, int width = 433, int height = 605);

// Opens the unit once per process in a scratch installation folder and enters it;
// later calls only reset the map, navigation and aircraft state to their start values.
void MapUnitOpen();

// Writes the three data files into the unit's data folder and loads them.
void MapUnitLoad(const std::string& navaids, const std::string& airports, int minRunway = 5000);

// Draws `frames` frames with RenderFrame and returns the texts of the last one.
std::vector<TraceText> MapUnitFrames(int frames = 1);

// Texts drawn in a colour (to within 0.01 per channel).
std::vector<TraceText> WithColour(const std::vector<TraceText>& texts, float r, float g, float b);

// Pairs of texts of one frame that touch: side by side closer than `gapEm` of the smaller em
// (by the shipped font's advances) while their ink shares a pixel row or comes within one
// row, that is on one line or on lines stacked too close. "LEFT | RIGHT" for each such pair,
// one a line; empty when every text keeps clear of its neighbours.
std::string TextsTouching(const std::vector<TraceText>& texts, float gapEm);

// The unit's folder (the process's working folder once opened).
const std::string& MapUnitDir();

// Brightness (max of R, G, B) of the pixel at window pixel (x, y), origin top left, in the
// frame just drawn.
int MapUnitPixel(int x, int y);
// Window pixel of a point of the depth-30 layout the displays are drawn in (x right, y up).
int LayoutToPixelX(float x);
int LayoutToPixelY(float y);

// A navaids.txt line at a position given in degrees.
std::string NavaidLine(const std::string& ident, int vor, int dme, double lat, double lon);
