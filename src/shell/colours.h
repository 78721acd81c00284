// The display's colour table. Every unit draws its legends, symbols and readouts in these
// few colours, so they live in one place: an amber caution on the EICAS and the amber of a
// map prompt are the same amber, and a test that names a colour names one of these.
#pragma once

#include <GL/gl.h>

struct DisplayColour {
    float r, g, b;
};

inline constexpr DisplayColour ColourWhite = {1.0f, 1.0f, 1.0f};
inline constexpr DisplayColour ColourBlack = {0.0f, 0.0f, 0.0f};
inline constexpr DisplayColour ColourRed = {1.0f, 0.0f, 0.0f};
inline constexpr DisplayColour ColourAmber = {0.933f, 0.596f, 0.0f};
inline constexpr DisplayColour ColourGreen = {0.156f, 0.803f, 0.215f};
inline constexpr DisplayColour ColourCyan = {0.0f, 1.0f, 1.0f};
inline constexpr DisplayColour ColourMagenta = {0.882f, 0.0f, 0.482f};
// The TCAS traffic advisory and the APU's generator: a yellow apart from the caution amber.
inline constexpr DisplayColour ColourYellow = {1.0f, 0.945f, 0.0f};

// The colour of what is drawn next (opaque; the alpha stays as it is).
inline void SetColour(const DisplayColour& c)
{
    glColor3f(c.r, c.g, c.b);
}
