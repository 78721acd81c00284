// Drawing helpers shared by the synoptic pages (private to src/synoptics). Every helper
// starts from the identity model-view matrix at the displays' depth of 30, so no element
// depends on what was drawn before it; the text helpers leave the matrix where PrintText
// left it, for the few legends placed relative to the previous one.
#pragma once

#include "eicas/eicas.h"

// Colours come from the display's table (shell/colours.h, through eicas.h).
// Identity, then a translation to (x, y) on the display plane.
void SynAt(float x, float y);
// Text at (x, y) in font 2 at `scale`; the matrix stays where the text ended.
void SynText(float x, float y, float scale, int align, const DisplayColour& c, const char* format, ...)
    __attribute__((format(printf, 6, 7)));
// A label whose place in the layout is narrower than the face sets it, at `narrow` (under 1)
// of its width; the matrix is left where the full-width label would leave it, so what is
// placed after it stands where it always did.
void SynTextNarrowed(float x, float y, float scale, float narrow, int align, const DisplayColour& c, const char* text);
// Text placed from where the previous text left the pen: a translation of (dx, dy) in the
// current (scaled) text units, then the text.
void SynTextAfter(float dx, float dy, int align, const DisplayColour& c, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
// A line of width 2.
void SynLine(float x0, float y0, float x1, float y1, const DisplayColour& c);
// A rectangle outline of width 2 between two corners.
void SynRect(float x0, float y0, float x1, float y1, const DisplayColour& c);
// The unit box outline (UnitBoxList), line width 2, translated to (x, y) and scaled.
void SynBox(float x, float y, float sx, float sy, const DisplayColour& c);
// The unit quad (UnitQuadList) filled from the corner (x, y) with size (w, h).
void SynBar(float x, float y, float w, float h, const DisplayColour& c);
// The unit triangle (UnitTriangleList) translated, rotated about z and scaled.
void SynTriangle(float x, float y, float rotationDeg, float sx, float sy, const DisplayColour& c);
// A ring (inner radius 0.24, outer 0.3): the pump, generator and APU symbols.
void SynDisk(float x, float y, const DisplayColour& c);
// The full-width divider above the page at y = -1.34.
void SynDivider();
// The frame around the soft key that selected the page; on the MFD the key reads "RTN"
// (on the EICAS the page's own key keeps the page, so no label).
void SynSoftKeyFrame(float x0, float x1);
void SynReturnLabel(float x, float scale);
