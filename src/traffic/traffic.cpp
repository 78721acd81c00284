// Traffic (TCAS) on the MFD: polls the module's traffic table one slot a frame, classifies
// each target as no threat, traffic advisory (TA) or resolution advisory (RA), and draws the
// heading-up traffic picture with relative altitudes and trend arrows below the map.
// Owns: Traffic. Reads: Aircraft (position, altitude, heading), Shell.LinkConnected,
// Menu.MenuLevel, MapLists.AircraftSymbol, Window.SharedQuadric.
#include "traffic/traffic.h"

#include "map/display_lists.h"
#include "map/geodesy.h"
#include "menu/menu.h"
#include "platform/platform.h"
#include "shell/colours.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"
#include "shell/saturate.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

TrafficState Traffic;

void TrafficReset()
{
    Traffic = TrafficState{};
}

// The module keeps latitude, longitude and altitude side by side at entry offsets 4, 8 and
// 12, and so does the target record: one 12-byte read brings all three. With the vertical
// speed that is two reads a slot, which keeps the poll at six requests a frame.
static_assert(offsetof(TrafficTarget, longitude) == offsetof(TrafficTarget, latitude) + 4);
static_assert(offsetof(TrafficTarget, altitude) == offsetof(TrafficTarget, latitude) + 8);

// ---------------------------------------------------------------------------------------
// Rules
// ---------------------------------------------------------------------------------------

int TrafficClampRange(int range)
{
    return static_cast<int>(Clamp(static_cast<float>(range), 6, 40));
}

int TrafficThreat(float distance, float separation)
{
    if (distance >= 2.0f && distance < 6.0f && separation < 1200)
        return 1;
    if (distance < 2.0f && separation < 750)
        return 2;
    return 0;
}

int TrafficAltModeFromStatus(uint8_t status, int previous)
{
    const bool bit3 = (status & 0x08) != 0, bit2 = (status & 0x04) != 0;
    if (!bit3 && bit2)
        return 0;
    if (bit3 && bit2)
        return 1;
    if (bit3)
        return 2;
    return previous;   // neither bit: the panel has not said, keep the last band
}

// d is own altitude minus the target's: negative for traffic above. "ABV" looks further up,
// "BLW" further down; the normal band is 2700 ft either way.
bool TrafficInBand(int mode, float d)
{
    switch (mode) {
    case 1: return d >= -7000 && d <= 2700;
    case 2: return d >= -2700 && d <= 7000;
    default: return d >= -2700 && d <= 2700;
    }
}

// Hundreds of feet, target minus own, truncated toward zero, always two digits when not
// level: 500 ft above "05", 900 ft below "-09", 1500 ft below "-15", level "0".
void TrafficFormatLabel(float targetAltitude, int ownAltitude, char* out, int size)
{
    const int v = SaturateToInt(static_cast<double>(SaturateToInt(targetAltitude)) - ownAltitude) / 100;
    const double magnitude = std::abs(v);
    if (v < 0 && v > -10)
        std::snprintf(out, size, "-0%1.0f", magnitude);
    else if (v <= -10)
        std::snprintf(out, size, "-%1.0f", magnitude);
    else if (v > 0 && v < 10)
        std::snprintf(out, size, "0%1.0f", static_cast<double>(v));
    else
        std::snprintf(out, size, "%1.0f", static_cast<double>(v));
}

// ---------------------------------------------------------------------------------------
// Polling and evaluation
// ---------------------------------------------------------------------------------------

void PollTrafficSlot()
{
    SimLinkRead(0x3324, 4, &Aircraft.Altitude);
    // Only the low byte comes from the panel; the clamp keeps the rest zero.
    SimLinkRead(TcasRangeOffset, 1, &Traffic.TcasRange);
    SimLinkRead(TcasStatusOffset, 1, &Traffic.TcasStatusByte);
    Traffic.TcasRange = TrafficClampRange(Traffic.TcasRange);

    const int slot = Traffic.SlotCursor;
    SimLinkRead(TrafficChangeOffset + slot, 1, &Traffic.SlotChange[slot]);
    // The change byte compared is the one the previous visit brought back: the module moves
    // it whenever the slot's aircraft moves, so an unchanged slot costs no data reads.
    if (Traffic.SlotChange[slot] != Traffic.SlotSeen[slot]) {
        TrafficTarget& t = Traffic.Targets[slot];
        const uint32_t entry = TrafficEntryOffset + TrafficEntrySize * slot;
        SimLinkRead(entry + 4, 12, &t.latitude);   // latitude, longitude, altitude
        SimLinkRead(entry + 20, 2, &t.verticalSpeed);
        Traffic.SlotSeen[slot] = Traffic.SlotChange[slot];
    }

    Traffic.SlotCursor = slot >= TrafficSlots - 1 ? 0 : slot + 1;
    Traffic.TcasRange = TrafficClampRange(Traffic.TcasRange);
}

void EvaluateTraffic()
{
    Traffic.TcasAltMode = TrafficAltModeFromStatus(Traffic.TcasStatusByte, Traffic.TcasAltMode);
    Traffic.AnyThreat = false;
    // The module fills its table from the front; the first change byte of 0 ends it.
    for (int slot = 0; slot < TrafficSlots && Traffic.SlotChange[slot] != 0; ++slot) {
        TrafficTarget& t = Traffic.Targets[slot];
        t.distance = static_cast<float>(GreatCircleDistanceNm(Aircraft.Latitude, Aircraft.Longitude, t.latitude, t.longitude));
        t.bearing = static_cast<float>(InitialBearingDeg(Aircraft.Latitude, Aircraft.Longitude, t.latitude, t.longitude, t.distance));
        t.threat = TrafficThreat(t.distance, AbsF(static_cast<float>(Aircraft.Altitude) - t.altitude));
        if (t.threat != 0)
            Traffic.AnyThreat = true;
    }
}

void UpdateTraffic()
{
    Traffic.TcasRange = TrafficClampRange(Traffic.TcasRange);
    Traffic.TrafficShown = (Traffic.TrafficAutoMode == 0 && Traffic.TrafficOn) ||
                           (Traffic.TrafficAutoMode == 1 && Traffic.AnyThreat);
    // The picture belongs to the top level: any menu over the map takes its place.
    if (Menu.MenuLevel != 0)
        Traffic.TrafficShown = false;

    if (Shell.LinkConnected && SimLinkRead(TrafficAutoOffset, 1, &Traffic.AutoModeByte))
        SimLinkProcess();
    Traffic.TrafficAutoMode = Traffic.AutoModeByte & 1;

    if (!Traffic.TrafficShown && Traffic.TrafficAutoMode == 0)
        return;
    // In auto mode the table is watched even while no picture shows, so a threat can
    // bring the picture up by itself.
    if (Shell.LinkConnected) {
        PollTrafficSlot();
        EvaluateTraffic();
    }
    if (Traffic.TrafficAutoMode == 1 && Traffic.AnyThreat) {
        DrawTraffic();
        return;
    }
    if (Traffic.TrafficAutoMode == 0 && Traffic.TrafficOn)
        DrawTraffic();
}

// ---------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------

namespace {

constexpr float PictureCentreY = -4.027f;   // own aircraft in the traffic picture
constexpr float PictureRadius = 4.769f;     // map units for the selected TCAS range

void At(float x, float y)
{
    glLoadIdentity();
    glTranslatef(x, y, -30.0f);
}

void Scale(float s)
{
    glScalef(s, s, 1.0f);
}

void Line(float x1, float y1, float x2, float y2)
{
    glVertex2f(x1, y1);
    glVertex2f(x2, y2);
}

// The black panel under the picture, the two separator stubs and the "TCAS"/"FL" legends.
void DrawTrafficPanel()
{
    At(0, 0);
    SetColour(ColourBlack);
    glRectf(-6.84f, -5.77f, 6.85f, -1.23f);
    SetColour(ColourWhite);
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    Line(-6.85f, -1.6f, -5.11f, -1.6f);
    Line(5.15f, -1.6f, 6.84f, -1.6f);
    glEnd();

    const char* band = Traffic.TcasAltMode == 1 ? "ABV" : Traffic.TcasAltMode == 2 ? "BLW" : nullptr;
    At(-4.89f, 0.829f);
    Scale(0.6f);
    PrintText(2, 1, "TCAS");
    At(-4.89f, -0.22f);
    Scale(0.6f);
    PrintText(2, 1, "FL");
    if (band) {
        At(-4.89f, 0.28f);
        Scale(0.6f);
        PrintText(2, 1, "%s", band);
    }
    TextBatchFlush();   // the picture's frame and targets come after the legends
}

// The picture's clip box: the frame, the range arc and the targets stay inside it.
void ClipToPicture()
{
    int w = 0, h = 0;
    PlatformGetClientSize(&w, &h);
    const double displayWidth = static_cast<int>(h * 0.7165);
    glEnable(GL_SCISSOR_TEST);
    glScissor(static_cast<int>(displayWidth * 0.189), static_cast<int>(h * 0.2689), static_cast<int>(displayWidth * 0.619),
              static_cast<int>(h * 0.29));
}

void DrawFrameAndArc()
{
    At(0, 0);
    SetColour(ColourWhite);
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    Line(5.149f, 1.378f, -5.149f, 1.378f);
    Line(-5.149f, 1.378f, -5.149f, -5.819f);
    Line(5.149f, 1.378f, 5.149f, -5.819f);
    glEnd();
    // The arc at the selected range, 60 degrees either side of the nose.
    At(0, PictureCentreY);
    gluPartialDisk(Window.SharedQuadric, 4.769, 4.869, 32, 1, -60, 120);
}

// Arrow beside the label: up for a climb, down for a descent, at 500 ft/min or more.
void DrawTrendArrow(int verticalSpeed)
{
    if (std::abs(verticalSpeed) < 500)
        return;
    glTranslatef(0.2f, 0.18f, 0);
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    Line(0, 0.409f, 0, 1.39f);
    if (verticalSpeed < 0) {
        Line(0.06f, 0.439f, 0.32f, 0.869f);
        Line(-0.06f, 0.439f, -0.32f, 0.869f);
    } else {
        Line(0.06f, 1.33f, 0.32f, 0.901f);
        Line(-0.06f, 1.33f, -0.32f, 0.901f);
    }
    glEnd();
}

// Cyan diamond for other traffic, yellow disk for a TA, red square for an RA.
void DrawTargetSymbol(int threat)
{
    if (threat == 2) {
        SetColour(ColourRed);
        glRectf(-0.9f, -0.9f, 0.9f, 0.9f);
    } else if (threat == 1) {
        SetColour(ColourYellow);
        gluDisk(Window.SharedQuadric, 0, 0.93, 32, 1);
    } else {
        SetColour(ColourCyan);
        glBegin(GL_QUADS);
        glVertex2f(0, 1), glVertex2f(1, 0), glVertex2f(0, -1), glVertex2f(-1, 0);
        glEnd();
    }
}

// The bearing goes in as the geodesy gives it, true and counter-clockwise: the picture is
// turned by the magnetic variation against the map, as the cockpit's own TCAS display is.
void DrawTarget(const TrafficTarget& t, int range)
{
    const float r = t.distance / range * PictureRadius;
    const float d = static_cast<float>(Aircraft.Altitude) - t.altitude;
    if (!(t.distance <= range) || t.latitude == 0 || !TrafficInBand(Traffic.TcasAltMode, d))
        return;
    const float b = t.bearing * 0.01745327f;
    At(0, PictureCentreY);
    glRotatef(Aircraft.MagHeading + 90.0f, 0, 0, 1);
    glTranslatef(r * std::cos(b), r * std::sin(b), 0);
    Scale(0.2f);
    glRotatef(-90.0f - Aircraft.MagHeading, 0, 0, 1);   // symbols and labels stay upright
    DrawTargetSymbol(t.threat);

    char label[16];
    TrafficFormatLabel(t.altitude, Aircraft.Altitude, label, sizeof label);
    SetColour(ColourWhite);
    glTranslatef(0, -2.53f, 0);
    Scale(2.199f);
    PrintText(2, 0, "%s", label);
    DrawTrendArrow(t.verticalSpeed);   // from where the label left the pen
}

void DrawOwnAircraftAndRing(int range)
{
    At(0, PictureCentreY);
    Scale(0.29f);
    glLineWidth(1.0f);
    glCallList(MapLists.AircraftSymbol);
    // Twelve marks at 2 NM; at 20 NM and more they would crowd the own-aircraft symbol.
    if (range >= 20)
        return;
    SetColour(ColourWhite);
    const float ring = 2.0f / range;
    // Each mark is a small ring (radii 0.24 and 0.359 of its scale, 32 slices, as the
    // quadric's disk lays it out), turned 30 degrees on from the last and out at the 2 NM
    // radius. The twelve go as one batch of quads, placed here: drawn as twelve disks
    // under a matrix each they cost a software rasteriser a draw apiece.
    At(0, PictureCentreY);
    constexpr double Pi = 3.14159265358979323846;
    constexpr float Inner = 0.24f, Outer = 0.359f;
    constexpr int Slices = 32;
    glBegin(GL_QUADS);
    for (int k = 0; k < 12; ++k) {
        const double turn = 30.0 * k * Pi / 180.0;
        const float c = static_cast<float>(std::cos(turn)), s = static_cast<float>(std::sin(turn));
        // A point of the mark, (x, y) in its own scale, on the picture.
        auto vertex = [&](float x, float y) {
            const float px = ring * x, py = ring * y + ring * PictureRadius;
            glVertex2f(px * c - py * s, px * s + py * c);
        };
        for (int i = 0; i < Slices; ++i) {
            const float a0 = static_cast<float>(2 * Pi * i / Slices), a1 = static_cast<float>(2 * Pi * (i + 1) / Slices);
            const float s0 = std::sin(a0), c0 = std::cos(a0), s1 = std::sin(a1), c1 = std::cos(a1);
            vertex(Outer * s0, Outer * c0);
            vertex(Inner * s0, Inner * c0);
            vertex(Inner * s1, Inner * c1);
            vertex(Outer * s1, Outer * c1);
        }
    }
    glEnd();
}

} // namespace

void DrawTraffic()
{
    DrawTrafficPanel();
    ClipToPicture();
    DrawFrameAndArc();
    const int range = TrafficClampRange(Traffic.TcasRange);
    for (int slot = 0; slot < TrafficSlots && Traffic.SlotChange[slot] != 0; ++slot)
        DrawTarget(Traffic.Targets[slot], range);
    DrawOwnAircraftAndRing(range);

    SetColour(ColourWhite);
    At(4.39f, -2.199f);
    Scale(0.499f);
    PrintText(2, 0, "%d", range);
    TextBatchFlush();   // the targets' labels, over every target
    glDisable(GL_SCISSOR_TEST);

    // The frame round the TCAS soft-key legend says the picture is on.
    glLineWidth(2.0f);
    At(0.419f, -3.409f);
    glBegin(GL_LINE_STRIP);
    glVertex2f(-0.839f, -4.109f), glVertex2f(0.839f, -4.109f), glVertex2f(0.839f, -3.4199f);
    glVertex2f(-0.839f, -3.4199f), glVertex2f(-0.839f, -4.109f);
    glEnd();
}
