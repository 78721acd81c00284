// The environmental page: cabin temperature with the cabin and cockpit pointers, cabin rate
// of climb with its direction arrow, pressure differential, cabin altitude, manual rate,
// landing altitude and oxygen quantity.
// Owns: nothing between frames. Reads: Aircraft (VerticalSpeed, Altitude), Shell
// (LinkConnected, ShowingMfd).
#include "synoptics/synoptics.h"
#include "synoptics/synoptics_draw.h"

#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "shell/saturate.h"

#include <GL/gl.h>

#include <initializer_list>

#include <cmath>

namespace {

constexpr float TextScale = 0.5f;

void Label(float x, float y, const char* text)
{
    SynText(x, y, TextScale, 1, ColourCyan, "%s", text);
}

// The cabin temperature, the differential, the manual rate and the oxygen quantity have
// no sensors wired to the unit: they are the fixed figures of a normal cruise, and the
// two temperature pointers stand still. No landing field elevation is set: dashes.
void DrawTexts(float rate)
{
    Label(-6.61f, -2.01f, "CAB TEMP");
    SynText(-2.13f, -1.99f, TextScale, 1, ColourWhite, "78");
    // "F" with a small "0" before its top as the degree mark.
    SynText(-2.76f, -2.0f, TextScale, 1, ColourCyan, "F");
    glTranslatef(-0.95f, 0.34f, 0.0f);
    glScalef(0.75f, 0.75f, 1.0f);
    SynTextAfter(0, 0, 1, ColourCyan, "0");
    Label(1.05f, -2.0f, "CABIN RATE");
    SynText(6.18f, -2.0f, TextScale, 2, ColourWhite, "%4d", SaturateToInt(std::fabs(rate * 0.1f)));
    Label(1.05f, -2.8f, "DELTA P");
    SynText(6.18f, -2.8f, TextScale, 2, ColourWhite, "9.0");
    Label(1.05f, -3.6f, "CABIN ALT");
    SynText(6.18f, -3.6f, TextScale, 2, ColourWhite, "%d", CabinAltitudeFeet(Aircraft.Altitude));
    Label(1.05f, -4.42f, "MANUAL RATE");
    SynText(6.18f, -4.42f, TextScale, 2, ColourWhite, "2200");
    Label(1.05f, -5.22f, "LDG ALT");
    SynText(6.18f, -5.22f, TextScale, 2, ColourWhite, "---");
    Label(-2.76f, -3.6f, "OXY QTY");
    SynText(-2.76f, -4.44f, TextScale, 1, ColourWhite, "754");
    Label(-1.61f, -4.42f, "LTRS");
    Label(-6.61f, -4.42f, "CAB       CKPT");
}

// Up or down with the cabin; nothing while the cabin holds its altitude.
void DrawRateArrow(float rate)
{
    if (rate < 0)
        SynTriangle(4.73f, -2.11f, 180.0f, 0.2f, 0.2f, ColourWhite);
    else if (rate > 0)
        SynTriangle(4.52f, -1.74f, 0, 0.2f, 0.2f, ColourWhite);
    else
        return;
    SynLine(4.62f, -2.14f, 4.62f, -1.67f, ColourWhite);
}

void DrawTemperatureScale()
{
    SynLine(-5.27f, -5.45f, -5.27f, -3.07f, ColourWhite);
    for (float y : {-3.07f, -3.66f, -4.25f, -4.84f, -5.44f})
        SynLine(-5.51f, y, -5.03f, y, ColourWhite);
    SynText(-4.77f, -3.21f, TextScale, 1, ColourWhite, "H");
    SynText(-4.77f, -5.57f, TextScale, 1, ColourWhite, "C");
    SynTriangle(-4.93f, -4.46f, 90.0f, 0.28f, 0.35f, ColourWhite);    // cabin
    SynTriangle(-5.64f, -4.67f, -90.0f, 0.28f, 0.35f, ColourWhite);   // cockpit
}

} // namespace

void DrawEcsPage()
{
    float rate = CabinRateFpm(Aircraft.VerticalSpeed, Shell.LinkConnected);
    SynSoftKeyFrame(-0.479f, 1.199f);
    SynReturnLabel(0.32f, 0.55f);
    SynDivider();
    DrawRateArrow(rate);
    DrawTexts(rate);
    SynLine(1.05f, -3.84f, 6.72f, -3.84f, ColourWhite);
    DrawTemperatureScale();
}
