// The engine indication of the EICAS: N1 and ITT dials, the N1 take-off reference, the
// lower block of N2, oil, fuel flow and fuel readouts, SAT, pitch trim and flaps.
// Owns: Eicas.EngineFaces (the dials' faces as pixels). Reads: Aircraft, Eicas (last
// frame's derived engine state), SimLink.SimVersion, 0x73D5 (N1 manual mode),
// MapLists.UnitBoxList.
//
// Sections: [colour rules] [drawing helpers] [dials] [N1 reference] [lower block] [entry]
#include "eicas/eicas.h"

#include "map/display_lists.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/textures.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"
#include "shell/saturate.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>

// The simulator's FS2004 generation publishes oil pressure on another scale, so the red
// low-pressure band would be lit all the time there; it is not shown for that version.
constexpr uint32_t SimVersionFs2004 = 7;

// ---------------------------------------------------------------------------------------
// [colour rules]
// ---------------------------------------------------------------------------------------

bool N1OverSpeed(float n1)
{
    // Above 110 % the value is taken as a transient sensor spike and shown white again.
    return InRange(n1, 100.1f, 110);
}

ReadoutLook N2Look(float n2)
{
    if (InRange(n2, 0, 100))
        return {&ColourWhite, false, 0, 0};
    if (InRange(n2, 100.1f, 102.5f))
        return {&ColourAmber, false, 0, 0};
    return {&ColourRed, false, 0, 0};
}

ReadoutLook OilTempLook(int tempC, bool left)
{
    float t = static_cast<float>(tempC);
    float x = left ? -5.6f : -1.16f;
    if (InRange(t, -53, 29))   // cold oil: amber until warmed up
        return {&ColourAmber, true, x, 1.8f};
    if (InRange(t, -60, -53) || InRange(t, 128, 175))
        return {&ColourRed, true, x, 1.8f};
    return {&ColourWhite, false, 0, 0};
}

ReadoutLook OilPressLook(double psi, bool left, uint32_t simVersion)
{
    float p = static_cast<float>(psi);
    ReadoutLook look{&ColourWhite, false, 0, 0};
    if (InRange(p, 50, 64.99f) || InRange(p, 81, 120.99f))
        look = {&ColourAmber, true, left ? -5.59f : -1.16f, left ? 2.45f : 2.46f};
    if (simVersion != SimVersionFs2004) {
        // The two sides differ at the top of the red low band (49 left, 49.99 right), as
        // the two transmitters were calibrated; keep them apart.
        float lowTop = left ? 49.0f : 49.99f;
        if (InRange(p, 0, lowTop) || InRange(p, 121, 150))
            look = {&ColourRed, true, left ? -5.6f : -1.16f, left ? 2.45f : 2.46f};
    }
    return look;
}

bool FlapBoxShown(float flapAngle, bool highPower)
{
    // Between detents the value is boxed, except at high power where the crew is busy
    // with a take-off or go-around and the flaps are travelling anyway.
    bool atDetent = flapAngle == 0 || flapAngle == 8 || flapAngle == 20 || flapAngle == 40;
    return !atDetent && !highPower;
}

// ---------------------------------------------------------------------------------------
// [drawing helpers]
// ---------------------------------------------------------------------------------------

// Model-view at (x, y) on the display plane at depth 30.
static void At(float x, float y)
{
    glLoadIdentity();
    glTranslatef(x, y, -30.0f);
}

// Text at (x, y) in font 2; the matrix is left where PrintText leaves it.
static void Text(float x, float y, float scale, int align, const DisplayColour& c, const char* format, ...)
    __attribute__((format(printf, 6, 7)));
static void Text(float x, float y, float scale, int align, const DisplayColour& c, const char* format, ...)
{
    char text[64];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    At(x, y);
    glScalef(scale, scale, 0.0f);
    SetColour(c);
    PrintText(2, align, "%s", text);
}

static void Line(float x0, float y0, float x1, float y1, float width, const DisplayColour& c)
{
    glLoadIdentity();
    glLineWidth(width);
    SetColour(c);
    glTranslatef(0, 0, -30.0f);
    TextBatchFlushUnder(std::fmin(x0, x1), std::fmin(y0, y1), std::fmax(x0, x1), std::fmax(y0, y1));
    glLoadIdentity();
    glBegin(GL_LINES);
    glVertex3f(x0, y0, -30.0f);
    glVertex3f(x1, y1, -30.0f);
    glEnd();
}

static void Box(float x, float y, float sx, float sy, const DisplayColour& c)
{
    At(x, y);
    glScalef(sx, sy, 0.0f);
    SetColour(c);
    TextBatchFlushUnder(0, 0, 1, 1);
    glCallList(MapLists.UnitBoxList);
}

// Highlight box behind a readout, with its own pushed matrix.
static void HighlightBox(const ReadoutLook& look)
{
    if (!look.boxed)
        return;
    glPushMatrix();
    glLineWidth(2.0f);
    Box(look.boxX, look.boxY, 1.12f, 0.58f, *look.colour);
    glPopMatrix();
}

void DrawArc(float radius, float startDeg, float endDeg)
{
    // From the end angle down towards the start in 0.01 rad steps; the start angle
    // itself is reached only if a step lands on it.
    TextBatchFlush();
    glBegin(GL_LINE_STRIP);
    float a = endDeg * 0.01745327f;
    float s = startDeg * 0.01745327f;
    while (s < a) {
        glVertex2f(radius * std::cos(a), radius * std::sin(a));
        a -= 0.01f;
    }
    glEnd();
}

// ---------------------------------------------------------------------------------------
// [dials]
// ---------------------------------------------------------------------------------------

struct DialPlace {
    float cx, cy;          // dial centre
    float boxX, boxY;      // readout box, upper-left corner
    float digitX, digitY;  // readout, right-aligned
};
static const DialPlace N1Dials[2] = {{-5.08f, 8.06f, -6.19f, 9.34f, -4.61f, 8.71f},
                                     {-0.67f, 8.06f, -1.74f, 9.34f, -0.15f, 8.71f}};
static const DialPlace IttDials[2] = {{-5.08f, 5.21f, -6.19f, 6.49f, -4.61f, 5.9f},
                                      {-0.67f, 5.21f, -1.74f, 6.49f, -0.15f, 5.9f}};

// The dial's scale: 9 o'clock counter-clockwise through 6 o'clock to 23 degrees above 3.
static void DialArc(const DialPlace& d, const DisplayColour& c)
{
    At(d.cx, d.cy);
    glLineWidth(2.0f);
    SetColour(c);
    glRotatef(180.0f, 0, 0, 1);
    DrawArc(1.389f, 0, 203);
}

// Needles are not limited: an over-limit value turns the needle on past the red tick.
static void DialNeedle(const DialPlace& d, float angleDeg, const DisplayColour& c)
{
    At(d.cx, d.cy);
    glLineWidth(2.0f);
    SetColour(c);
    glRotatef(angleDeg, 0, 0, 1);
    TextBatchFlushUnder(0, 0, 0, 1.389f);
    glBegin(GL_LINES);
    glVertex2f(0, 0);
    glVertex2f(0, 1.389f);
    glEnd();
}

static void DrawFixedTicks()
{
    // Red marks at 100 % N1 and at the ITT limit, amber just below the ITT limit.
    for (float x : {-6.18f, -1.75f}) {
        Line(x, 8.09f, x - 0.349f, 8.09f, 3.0f, ColourRed);
        Line(x, 5.24f, x - 0.349f, 5.24f, 3.0f, ColourRed);
    }
    for (float x : {-6.22f, -1.79f})
        Line(x, 5.16f, x - 0.3f, 5.16f, 3.0f, ColourAmber);
}

static void DrawN1Dials()
{
    const float n1[2] = {Aircraft.N1Left, Aircraft.N1Right};
    const int starter[2] = {Aircraft.StarterLeft, Aircraft.StarterRight};
    const float ignX[2] = {-5.11f, -0.67f}, ignY[2] = {7.02f, 6.95f};
    for (int side = 0; side < 2; ++side) {
        const DialPlace& d = N1Dials[side];
        bool over = N1OverSpeed(n1[side]);
        const DisplayColour& c = over ? ColourRed : ColourWhite;
        if (starter[side] == 1)
            Text(ignX[side], ignY[side], 0.61f, 0, ColourGreen, "IGN");
        glLineWidth(2.0f);
        Box(d.boxX, d.boxY, 2.089f, -0.75f, over ? ColourRed : ColourCyan);
        DialNeedle(d, n1[side] * -2.02f - 68.0f, c);
        Text(d.digitX, d.digitY, 0.78f, 2, c, "%3.1f", n1[side]);
    }
    Text(-2.78f, 8.77f, 0.73f, 2, ColourCyan, "N1");
}

static void DrawIttDials()
{
    const float itt[2] = {Aircraft.IttLeft, Aircraft.IttRight};
    for (int side = 0; side < 2; ++side) {
        const DialPlace& d = IttDials[side];
        glLineWidth(2.0f);
        Box(d.boxX, d.boxY, 2.089f, -0.75f, ColourCyan);
        DialNeedle(d, itt[side] * -0.1992f - 68.0f, ColourWhite);
        Text(d.digitX, d.digitY, 0.78f, 2, ColourWhite, "%d", SaturateToInt(itt[side]));
    }
    Text(-2.78f, 5.91f, 0.73f, 2, ColourCyan, "ITT");
}

// The dials' faces: the fixed ticks and the four scales, drawn before anything else of the
// engine display. Only an N1 scale changes, turning red with its over-speed; nothing else
// drawn in the frame lies under them, so drawing them first (rather than each scale just
// before its own dial, as the dials are laid out) gives the same pixels.
static void DrawDialFaces(const DisplayColour& leftN1, const DisplayColour& rightN1)
{
    DrawFixedTicks();
    DialArc(N1Dials[0], leftN1);
    DialArc(N1Dials[1], rightN1);
    DialArc(IttDials[0], ColourWhite);
    DialArc(IttDials[1], ColourWhite);
}

static void DrawWhiteDialFaces()
{
    DrawDialFaces(ColourWhite, ColourWhite);
}

void PrepareEngineDisplay()
{
    PrepareStillPixels(Eicas.EngineFaces, DrawWhiteDialFaces);
}

static void DrawSync()
{
    if (Aircraft.SyncFlags & 16)
        Text(-2.51f, 8.2f, 0.73f, 2, Aircraft.GearLever == 0 ? ColourGreen : ColourAmber, "SYNC");
}

// ---------------------------------------------------------------------------------------
// [N1 reference]
// ---------------------------------------------------------------------------------------

// The take-off N1 target in magenta: a readout under each dial and a triangle just
// outside the arc pointing at the target.
static void DrawN1Reference()
{
    float v = N1Reference(static_cast<float>(Aircraft.OutsideAirTemp), static_cast<float>(Aircraft.Altitude));
    Text(-4.15f, 7.95f, 0.73f, 2, ColourMagenta, "%3.1f", v);
    Text(0.24f, 7.95f, 0.73f, 2, ColourMagenta, "%3.1f", v);
    for (float cx : {-5.08f, -0.69f}) {
        At(cx, 8.06f);
        glLineWidth(2.0f);
        SetColour(ColourMagenta);
        glRotatef(v * -1.996f + 109.9f, 0, 0, 1);
        glTranslatef(0, -1.629f, 0);
        glScalef(0.479f, 0.779f, 1.0f);
        TextBatchFlush();
        glBegin(GL_LINE_STRIP);
        glVertex2f(-0.5f, -0.25f);
        glVertex2f(0.5f, -0.25f);
        glVertex2f(0.0f, 0.25f);
        glVertex2f(-0.5f, -0.25f);
        glEnd();
    }
}

// The reference is wanted for take-off: on the ground, or with either engine running
// and its thrust lever beyond 80 %. Flaps out (approach, go-around) show it as well.
// A height limit (below 1500 ft) was meant to go with the thrust test, but no height
// above the ground is acquired and the altitude above sea level would be wrong at any
// high airfield, so the thrust test stands alone.
static bool N1ReferenceWanted(bool manual)
{
    bool wanted = (Eicas.EngineRunningRight && Eicas.ThrottleRight > 80) ||
                  (Eicas.EngineRunningLeft && Eicas.ThrottleLeft > 80) || AircraftOnGround();
    return (wanted || Aircraft.FlapAngle > 0) && !manual;
}

// ---------------------------------------------------------------------------------------
// [lower block]
// ---------------------------------------------------------------------------------------

static void DrawLabelsAndDividers()
{
    Text(-2.9f, 3.24f, 0.62f, 0, ColourCyan, "N2");
    Text(-2.9f, 2.57f, 0.62f, 0, ColourCyan, "OIL PSI");
    Text(-2.81f, 1.9f, 0.62f, 0, ColourCyan, "OIL  C");
    Text(-2.81f, 1.23f, 0.62f, 0, ColourCyan, "FF PPH");
    Text(-4.92f, 0.02f, 0.62f, 0, ColourCyan, "FUEL");
    Text(-0.12f, 0.02f, 0.62f, 0, ColourCyan, "LBS");
    Text(-6.13f, -0.879f, 0.62f, 0, ColourCyan, "L");
    Text(-3.44f, -0.879f, 0.62f, 0, ColourCyan, "F");
    Text(-0.75f, -0.879f, 0.62f, 0, ColourCyan, "R");
    Text(4.66f, 0.28f, 0.55f, 2, ColourCyan, "SAT  C");
    Text(4.66f, -0.43f, 0.55f, 2, ColourCyan, "PITCH TRIM");
    Text(4.66f, -1.139f, 0.55f, 2, ColourCyan, "FLAPS");
    Line(-6.15f, 0.8f, 0.73f, 0.8f, 2.0f, ColourWhite);
    Line(1.0f, 0.87f, 1.0f, 9.81f, 2.0f, ColourWhite);
    Line(1.0f, 0.91f, 6.73f, 0.91f, 2.0f, ColourWhite);
}

static void DrawFuelBlock()
{
    const AircraftState& a = Aircraft;
    Text(-2.35f, 0.0f, 0.6f, 0, ColourWhite, "%d", a.FuelTotal);
    Text(-4.85f, -0.89f, 0.6f, 0, ColourWhite, "%d", SaturateToInt(a.TankCapacityLeft * static_cast<double>(a.TankLevelLeft)));
    Text(-2.04f, -0.89f, 0.6f, 0, ColourWhite, "%d", SaturateToInt(a.TankCapacityCentre * static_cast<double>(a.TankLevelCentre)));
    Text(0.49f, -0.89f, 0.6f, 0, ColourWhite, "%d", SaturateToInt(a.TankCapacityRight * static_cast<double>(a.TankLevelRight)));
}

// N2, oil pressure, oil temperature and fuel flow of both engines, each with its colour
// rule and highlight box. A shut-down engine still shows its values: nothing is blanked.
static void DrawEngineReadouts()
{
    const AircraftState& a = Aircraft;
    const float x[2] = {-4.88f, -0.45f};
    const float n2[2] = {a.N2Left, a.N2Right};
    const double oilPress[2] = {a.OilPressLeft, a.OilPressRight};
    const int oilTemp[2] = {a.OilTempLeft, a.OilTempRight};
    const double flow[2] = {a.FuelFlowLeft, a.FuelFlowRight};
    for (int side = 0; side < 2; ++side) {
        bool left = side == 0;
        Text(x[side], 3.19f, 0.6f, 2, *N2Look(n2[side]).colour, "%3.2f", n2[side]);

        ReadoutLook press = OilPressLook(oilPress[side], left, SimLink.SimVersion);
        HighlightBox(press);
        Text(x[side], 2.57f, 0.6f, 2, *press.colour, "%d", SaturateToInt(oilPress[side]));

        ReadoutLook temp = OilTempLook(oilTemp[side], left);
        HighlightBox(temp);
        Text(x[side], 1.9f, 0.6f, 2, *temp.colour, "%d", oilTemp[side]);

        Text(x[side], 1.23f, 0.6f, 2, ColourWhite, "%d", SaturateToInt(flow[side]));
    }
}

static void DrawAirTrimAndFlaps()
{
    const AircraftState& a = Aircraft;
    Text(6.29f, 0.28f, 0.6f, 2, ColourWhite, "%d", SaturateToInt(a.StaticAirTemp));
    Text(6.29f, -0.43f, 0.6f, 2, ColourWhite, "%2.1f", a.PitchTrim * 0.6667 * 57.29);
    Text(6.29f, -1.13f, 0.6f, 2, ColourWhite, "%d", SaturateToInt(Clamp(a.FlapAngle, 0, 40)));
    if (FlapBoxShown(a.FlapAngle, Eicas.HighPower)) {
        // From where the digits ended, back over them: the box follows the text's width.
        glTranslatef(-1.52f, -0.339f, 0.0f);
        glScalef(1.72f, 1.25f, 1.0f);
        SetColour(ColourWhite);
        TextBatchFlush();
        glCallList(MapLists.UnitBoxList);
    }
}

// ---------------------------------------------------------------------------------------
// [entry]
// ---------------------------------------------------------------------------------------

void DrawEngineDisplay()
{
    // The panel's N1 manual mode must be this frame's, so the byte is fetched on its own.
    if (SimLinkRead(PanelFlagsOffset, 1, &Cockpit.PanelFlags))
        SimLinkProcess();
    bool manual = (Cockpit.PanelFlags & PanelFlagN1Manual) != 0;

    // The four scales are some 1,400 smoothed line segments, a third of the EICAS's
    // processor time on a software rasteriser; white (as they nearly always are) they are
    // copied from their own pixels, kept from the first frame of this display size.
    const bool leftOver = N1OverSpeed(Aircraft.N1Left), rightOver = N1OverSpeed(Aircraft.N1Right);
    TextBatchFlush();
    if (!leftOver && !rightOver && StillPixelsCurrent(Eicas.EngineFaces))
        DrawStillPixels(Eicas.EngineFaces);
    else
        DrawDialFaces(leftOver ? ColourRed : ColourWhite, rightOver ? ColourRed : ColourWhite);
    DrawN1Dials();
    if (manual) {
        Text(-4.83f, 7.15f, 0.73f, 2, ColourWhite, "MAN");
        Text(-0.45f, 7.15f, 0.73f, 2, ColourWhite, "MAN");
    }
    if (N1ReferenceWanted(manual))
        DrawN1Reference();
    DrawIttDials();
    DrawSync();
    DrawLabelsAndDividers();
    DrawFuelBlock();
    DrawEngineReadouts();
    DrawAirTrimAndFlaps();
}

void DrawEicasDisplay()
{
    DrawEngineDisplay();
    DrawAlertList();
}
