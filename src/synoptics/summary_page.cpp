// The systems summary: electrical, hydraulic and cabin, and flight-control values on one
// page, with red boxes around a trim or the flaps set wrong for take-off. The EICAS shows
// it under the engine display unless another systems page is selected.
// Owns: nothing between frames. Reads: Aircraft, Eicas.HighPower, Shell (LinkConnected,
// ShowingMfd), AircraftConfig.MAX_SPOILERS, Font (the amps' widths); writes
// Aircraft.SpoilerAngleLeft/Right.
#include "synoptics/synoptics.h"
#include "synoptics/synoptics_draw.h"

#include "menu/aircraft_config.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "shell/saturate.h"
#include "shell/text.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double RadToDeg = 57.29;

void DrawColumnHeads()
{
    SynDivider();
    SynText(-4.139f, -1.84f, 0.6f, 0, ColourCyan, "ELEC");
    SynTextAfter(6.836f, 0, 0, ColourCyan, "HYD/ECS");
    SynTextAfter(5.214f, 0, 0, ColourCyan, "FLT");
    SynLine(-6.387f, -1.96f, -1.549f, -1.96f, ColourWhite);
    SynLine(-1.087f, -1.96f, 2.81f, -1.96f, ColourWhite);
    SynLine(3.24f, -1.96f, 6.51f, -1.96f, ColourWhite);
}

void DrawRowLabels()
{
    const float rows[4] = {-2.69f, -3.52f, -4.35f, -5.18f};
    const char* const left[4] = {"VOLTS", "EMER-V", "AMPS", "TEMP C"};
    const char* const middle[4] = {"MAIN", "B-ACUM", "CAB ALT", "OXY PSI"};
    const char* const right[4] = {"SPLR", "PIT", "AIL", "RUD"};
    for (int i = 0; i < 4; ++i) {
        SynText(-6.34f, rows[i], 0.6f, 1, ColourCyan, "%s", left[i]);
        SynText(-1.12f, rows[i], 0.6f, 1, ColourCyan, "%s", middle[i]);
        SynText(3.19f, rows[i], 0.6f, 1, ColourCyan, "%s", right[i]);
    }
}

// "L" or "R" and the size of a trim in degrees; exactly 0 counts as right.
void DrawSideTrim(float y, double radians)
{
    if (radians < 0)
        SynText(6.2f, y, 0.6f, 2, ColourWhite, "L%2.1f", -radians * RadToDeg);
    else
        SynText(6.2f, y, 0.6f, 2, ColourWhite, "R%2.1f", radians * RadToDeg);
}

// One number for both panels when both are out; a side letter when only one is.
void DrawSpoilerValue()
{
    int left = SaturateToInt(Aircraft.SpoilerAngleLeft), right = SaturateToInt(Aircraft.SpoilerAngleRight);
    bool leftOut = Aircraft.SpoilerAngleLeft > 0, rightOut = Aircraft.SpoilerAngleRight > 0;
    if (leftOut && rightOut)
        SynText(6.2f, -2.69f, 0.6f, 2, ColourWhite, "%d", left);
    else if (leftOut)
        SynText(6.2f, -2.69f, 0.6f, 2, ColourWhite, "L%d", left);
    else if (rightOut)
        SynText(6.2f, -2.69f, 0.6f, 2, ColourWhite, "R%d", right);
    else
        SynText(6.2f, -2.69f, 0.6f, 2, ColourWhite, "0");
}

// The two generators' loads, right-aligned in columns laid out for loads under 100 A. From
// 100 A on (a generator recharging the battery after an engine start) the right-hand load
// would run into the left-hand one ("112.2112.2"), so the left one moves left just far
// enough to keep 0.3 em between them; at the usual loads nothing moves. The amps label has
// room to spare for that.
void DrawGeneratorAmps(float y)
{
    constexpr float Scale = 0.6f, LeftX = -3.17f, RightX = -1.82f, Gap = 0.3f;
    char left[64], right[64];
    std::snprintf(left, sizeof left, "%2.1f", Aircraft.GenAmpsLeft);
    std::snprintf(right, sizeof right, "%2.1f", Aircraft.GenAmpsRight);
    float leftLast = 0, rightLast = 0;
    TextWidth(left, &leftLast);
    const float rightWidth = TextWidth(right, &rightLast);
    // Right-aligned at x, a text starts its last character there: it ends one last advance on.
    const float rightStart = RightX + (rightLast - rightWidth) * Scale;
    const float x = std::fmin(LeftX, rightStart - (leftLast + Gap) * Scale);
    SynText(x, y, Scale, 2, ColourWhite, "%s", left);
    SynText(RightX, y, Scale, 2, ColourWhite, "%s", right);
}

// The emergency bus reads 0.0: the cockpit has no emergency-bus switch that would put the
// bus's own voltage here, so the readout stays as the unit has always shown it.
void DrawValues()
{
    const AircraftState& a = Aircraft;
    SynText(-3.17f, -2.69f, 0.6f, 2, ColourWhite, "%2.1f", a.GenLeft);
    SynText(-1.82f, -2.69f, 0.6f, 2, ColourWhite, "%2.1f", a.GenRight);
    SynText(-1.82f, -3.52f, 0.6f, 2, ColourWhite, "0.0");
    DrawGeneratorAmps(-4.39f);
    // No battery temperature sensors are wired to the unit: the page shows the fixed figures.
    SynText(-3.17f, -5.18f, 0.6f, 2, ColourWhite, "35");
    SynText(-1.82f, -5.18f, 0.6f, 2, ColourWhite, "34");
    SynText(2.5f, -2.69f, 0.6f, 2, ColourWhite, "%d", a.HydPressLeft);
    SynText(2.5f, -3.52f, 0.6f, 2, ColourWhite, "%d", a.HydPressRight);
    SynText(2.5f, -4.39f, 0.6f, 2, ColourWhite, "%d", CabinAltitudeFeet(a.Altitude));
    SynText(2.5f, -5.18f, 0.6f, 2, ColourWhite, "1390");
    DrawSpoilerValue();
    SynText(6.2f, -3.52f, 0.6f, 2, ColourWhite, "%2.1f", a.PitchTrim * 0.6667 * RadToDeg);
    DrawSideTrim(-4.35f, a.AileronTrim);
    DrawSideTrim(-5.18f, a.RudderTrim);
}

// On the ground at take-off power: a red box around each trim outside its take-off range
// (pitch below 1.5 on the readout, aileron or rudder more than 1 degree off centre) and
// around the flap readout of the engine display when the flaps are short of 8 degrees.
void DrawTakeoffConfigBoxes()
{
    const AircraftState& a = Aircraft;
    if (!AircraftOnGround() || !Eicas.HighPower)
        return;
    if (a.PitchTrim * 0.6667 * RadToDeg < 1.5)
        SynBox(5.01f, -3.05f, 1.56f, -0.56f, ColourRed);
    if (std::fabs(a.AileronTrim * RadToDeg) > 1.0)
        SynBox(5.01f, -3.85f, 1.56f, -0.56f, ColourRed);
    if (std::fabs(a.RudderTrim * RadToDeg) > 1.0)
        SynBox(5.01f, -4.69f, 1.56f, -0.56f, ColourRed);
    if (a.FlapAngle < 8)
        SynBox(5.15f, -0.67f, 1.5f, -0.54f, ColourRed);
}

} // namespace

void DrawSummaryPage()
{
    if (Shell.LinkConnected) {
        Aircraft.SpoilerAngleLeft = SurfaceAngle(Aircraft.Raw.SpoilerPosLeft, AircraftConfig.MAX_SPOILERS);
        Aircraft.SpoilerAngleRight = SurfaceAngle(Aircraft.Raw.SpoilerPosRight, AircraftConfig.MAX_SPOILERS);
    }
    DrawColumnHeads();
    DrawRowLabels();
    DrawValues();
    DrawTakeoffConfigBoxes();
    SynReturnLabel(-5.299f, 0.55f);
    SynRect(-6.317f, -7.518f, -4.343f, -6.829f, ColourWhite);
}
