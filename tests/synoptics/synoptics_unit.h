// A display unit opened inside the test process for the synoptic pages: an offscreen
// window with the fonts and display lists, the page function called directly, and what it
// drew read back through the text trace and the pixels.
#pragma once

#include "eicas/trace_colours.h"
#include "support/support.h"

#include <string>
#include <vector>

class SynopticsUnit {
public:
    // Opens the window once per process; resets the aircraft, EICAS and shell state to a
    // powered MFD (RTN labels drawn) with no simulator link.
    static void Open();
    // Clears the display, draws `page` once and returns the texts it printed.
    static std::vector<TraceText> Draw(void (*page)());
    // Whether some pixel of a small patch (5 x 5 px) around the display point (x, y) is
    // within 40 per channel of the colour; after Draw.
    static bool ColourNear(float x, float y, int r, int g, int b, int radius = 2);
    // The window pixel of a display point, origin at the top left as in the text trace.
    static float PixelX(float x);
    static float PixelY(float y);
    // Pixels per display unit.
    static float Scale();
};

// Named colours of the pages, as bytes.
struct Rgb {
    int r, g, b;
};
constexpr Rgb WhitePx = {255, 255, 255}, AmberPx = {238, 152, 0}, RedPx = {255, 0, 0}, CyanPx = {0, 255, 255};
inline bool ColourAt(float x, float y, Rgb c, int radius = 2)
{
    return SynopticsUnit::ColourNear(x, y, c.r, c.g, c.b, radius);
}

// The texts with exactly this content.
std::vector<TraceText> AllTexts(const std::vector<TraceText>& texts, const std::string& text);

// Expects `text` printed once at the display point (x, y) with this alignment, scale and
// colour: the trace's start point is where the alignment puts the text's start. `narrow`: a
// label set narrower than its em (its width's share).
void ExpectTextAt(const std::vector<TraceText>& texts, const std::string& text, float x, float y, int align,
                  float scale, Rgb colour, float narrow = 1.0f);
