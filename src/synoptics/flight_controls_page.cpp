// The flight controls page: pitch trim on a vertical scale, aileron trim on an arc, rudder
// trim on a horizontal scale, each with its readout; the spoiler handle and both spoiler
// panels; the flaps on two pointers.
// Owns: nothing between frames. Reads: Aircraft (trims, SpoilerLever, SpoilerAngleLeft/Right,
// FlapAngle), Shell.ShowingMfd.
#include "synoptics/synoptics.h"
#include "synoptics/synoptics_draw.h"

#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "shell/saturate.h"
#include "shell/text.h"

#include <GL/gl.h>

#include <initializer_list>

namespace {

constexpr float TextScale = 0.55f;
constexpr float SmallScale = 0.45f;
constexpr double RadToDeg = 57.29;

// A trim readout from where the title left the pen: centred "0.0" when the trim is exactly
// centred, otherwise the side and the size, right-aligned.
void DrawTrimReadout(float dx, float dy, double deg)
{
    if (deg == 0)
        SynTextAfter(dx, dy, 0, ColourWhite, "0.0");
    else if (deg < 0)
        SynTextAfter(dx, dy, 2, ColourWhite, "L%2.1f", -deg);
    else
        SynTextAfter(dx, dy, 2, ColourWhite, "R%2.1f", deg);
}

void DrawPitchTrim()
{
    double pitchDeg = Aircraft.PitchTrim * RadToDeg;
    SynText(-4.779f, -1.85f, TextScale, 2, ColourCyan, "PITCH");
    SynText(-4.779f, -2.32f, TextScale, 2, ColourWhite, "%2.1f", pitchDeg * 0.6667);
    SynLine(-4.99f, -5.4f, -4.99f, -2.989f, ColourCyan);
    for (float y : {-5.4f, -3.0f, -4.2f})
        SynLine(-4.99f, y, -4.619f, y, ColourCyan);
    SynText(-4.45f, -3.09f, TextScale, 1, ColourCyan, "0");
    SynText(-4.449f, -5.51f, TextScale, 1, ColourCyan, "10");
    SynText(-6.52f, -3.09f, TextScale, 1, ColourCyan, "NDN");
    SynText(-6.52f, -5.51f, TextScale, 1, ColourCyan, "NUP");
    SynBar(-4.96f, -5.15f, 0.16f, 0.789f, ColourWhite);   // the take-off band
    float y = Clamp(static_cast<float>(pitchDeg), -10, 10) * -0.1191f - 4.3695f;
    SynTriangle(-5.34f, y, 90.0f, 0.35f, -0.32f, ColourWhite);
    // TRIMS written downwards, each letter placed from where the one before ended.
    SynText(-3.12f, -2.63f, TextScale, 0, ColourCyan, "T");
    SynTextAfter(-0.22f, -1.16f, 0, ColourCyan, "R");
    SynTextAfter(-0.31f, -1.16f, 0, ColourCyan, "I");
    SynTextAfter(-0.23f, -1.16f, 0, ColourCyan, "M");
    SynTextAfter(-0.189f, -1.16f, 0, ColourCyan, "S");
}

// The aileron pointer turns 4.5 degrees per degree of trim about the arc's centre, up to
// the arc's ends at 10 degrees either way; positive trim (right wing down) turns it clockwise.
void DrawAileronPointer(double ailDeg)
{
    SynAt(-0.52f, -4.71f);
    glRotatef(-4.5f * Clamp(static_cast<float>(ailDeg), -10, 10), 0, 0, 1);
    glTranslatef(0, 1.37f, 0);
    glScalef(0.32f, 0.35f, 1.0f);
    SetColour(ColourWhite);
    TextBatchFlush();
    glBegin(GL_TRIANGLES);
    glVertex2f(-0.5f, 0);
    glVertex2f(0, 1);
    glVertex2f(0.5f, 0);
    glEnd();
}

void DrawEndTick(float x, float y, float rotationDeg)
{
    SynAt(x, y);
    glRotatef(rotationDeg, 0, 0, 1);
    glLineWidth(2.0f);
    SetColour(ColourCyan);
    TextBatchFlush();
    glBegin(GL_LINES);
    glVertex2f(-0.38f, -1.22f);
    glVertex2f(-0.38f, -1.54f);
    glEnd();
}

void DrawAileronTrim()
{
    double ailDeg = Aircraft.AileronTrim * RadToDeg;
    SynText(-0.53f, -1.85f, TextScale, 0, ColourCyan, "AILERON");
    DrawTrimReadout(-1.509f, -0.86f, ailDeg);
    SynText(0.73f, -3.06f, TextScale, 0, ColourCyan, "10");
    SynTextAfter(-5.34f, 0, 0, ColourCyan, "10");
    // The negative radius puts the arc above its centre, 45 degrees either side of 12 o'clock.
    SynAt(-0.52f, -4.71f);
    glRotatef(-90.0f, 0, 0, 1);
    glLineWidth(2.0f);
    SetColour(ColourCyan);
    DrawArc(-1.75f, -45, 45);
    DrawAileronPointer(ailDeg);
    SynLine(-0.52f, -2.7f, -0.52f, -2.96f, ColourCyan);
    DrawEndTick(2.06f, -2.64f, -45.0f);
    DrawEndTick(-2.56f, -2.13f, 45.0f);
}

void DrawRudderTrim()
{
    double rudDeg = Aircraft.RudderTrim * RadToDeg;
    SynText(0.73f, -4.98f, TextScale, 0, ColourCyan, "10");
    SynTextAfter(-5.34f, 0, 0, ColourCyan, "10");
    SynText(0.73f, -4.2f, TextScale, 0, ColourCyan, "R");
    SynTextAfter(-5.34f, 0, 0, ColourCyan, "L");
    SynText(-0.609f, -4.2f, TextScale, 0, ColourCyan, "RUDDER");
    DrawTrimReadout(-1.09f, -1.38f, rudDeg);
    SynLine(0.969f, -5.35f, -2.0f, -5.35f, ColourCyan);
    for (float x : {-0.52f, 0.94f, -1.97f})
        SynLine(x, -5.09f, x, -5.35f, ColourCyan);
    SynTriangle(Clamp(static_cast<float>(rudDeg), -10, 10) * 0.145f - 0.33f, -5.69f, 180.0f, 0.35f, -0.32f, ColourWhite);
}

// The handle in degrees over the panels' own positions, which move on their own on the
// ground (ground spoilers) and so may differ from the handle.
void DrawSpoilers()
{
    SynText(2.87f, -1.85f, TextScale, 0, ColourCyan, "SPLRS");
    SynText(2.07f, -2.84f, SmallScale, 0, ColourCyan, "EXT");
    SynText(2.07f, -5.65f, SmallScale, 0, ColourCyan, "RET");
    SynText(2.96f, -2.32f, TextScale, 0, ColourWhite, "%d", SaturateToInt(SpoilerHandleDegrees(Aircraft.SpoilerLever)));
    SynLine(2.96f, -2.65f, 2.96f, -5.39f, ColourCyan);
    for (float y : {-2.65f, -3.335f, -4.02f, -4.705f, -5.39f})
        SynLine(2.68f, y, 3.24f, y, ColourCyan);
    SynTriangle(2.5f, Clamp(Aircraft.SpoilerAngleLeft, 0, 60) * 0.0455f - 5.56f, 90.0f, 0.35f, -0.32f, ColourWhite);
    SynTriangle(3.45f, Clamp(Aircraft.SpoilerAngleRight, 0, 60) * 0.0455f - 5.56f, 90.0f, 0.35f, 0.32f, ColourWhite);
}

void DrawFlaps()
{
    SynText(5.45f, -1.85f, TextScale, 0, ColourCyan, "FLAPS");
    SynText(6.27f, -2.81f, SmallScale, 0, ColourCyan, "UP");
    SynText(6.27f, -3.49f, SmallScale, 0, ColourCyan, "8");
    SynText(6.27f, -4.19f, SmallScale, 0, ColourCyan, "20");
    SynText(6.27f, -5.65f, SmallScale, 0, ColourCyan, "DN");
    SynLine(5.34f, -2.65f, 5.34f, -5.39f, ColourCyan);
    for (float y : {-2.65f, -3.195f, -4.005f, -5.375f})
        SynLine(5.06f, y, 5.62f, y, ColourCyan);
    float y = Clamp(Aircraft.FlapAngle, 0, 40) * -0.0683f - 2.82f;
    SynTriangle(4.89f, y, 90.0f, 0.35f, -0.32f, ColourWhite);
    SynTriangle(5.83f, y, 90.0f, 0.35f, 0.32f, ColourWhite);
}

} // namespace

void DrawFlightControlsPage()
{
    SynSoftKeyFrame(1.571f, 3.249f);
    SynReturnLabel(2.36f, 0.55f);
    SynDivider();
    DrawPitchTrim();
    DrawAileronTrim();
    DrawRudderTrim();
    SynLine(1.51f, -5.82f, 1.51f, -1.32f, ColourWhite);
    DrawSpoilers();
    DrawFlaps();
}
