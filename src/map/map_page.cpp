// The MFD map page frame, drawn every frame in MFD mode: compass arc, range arcs and
// labels, own aircraft, air-data fields, alert prompt, heading readout and marker, wind,
// soft-key legend frame and the GPS block; the navaid and airport layers inside it.
// Owns: Map (frame counter, GPS values, the two immediate reads). Reads: Aircraft, Shell
// (range, filters, link), Menu.MenuLevel, Traffic.TrafficShown, FlightPlan.loaded.
#include "map/geodesy.h"
#include "map/map.h"
#include "menu/menu.h"
#include "plan/plan.h"
#include "platform/platform.h"
#include "shell/colours.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"
#include "traffic/traffic.h"
#include "shell/saturate.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

namespace {

// Identity, then a translation: every element starts from its own fresh transform.
void At(float x, float y, float z)
{
    glLoadIdentity();
    glTranslatef(x, y, z);
}

void Scale(float s)
{
    glScalef(s, s, 1.0f);
}

// One of the page's two immediate exchanges: queue the read and process the link at once.
// Only while the link is up; otherwise the destination keeps the last value read.
void ReadImmediate(uint32_t offset, uint32_t size, void* destination)
{
    if (Shell.LinkConnected && SimLinkRead(offset, size, destination))
        SimLinkProcess();
}

// The texts printed so far wait on unless the drawing that follows, inside this box of the
// display plane, comes near one of them (see TextBatchFlushUnder).
void TextsWaitUnless(float x0, float y0, float x1, float y1)
{
    At(0, 0, -30.0f);
    TextBatchFlushUnder(x0, y0, x1, y1);
}

void ReadNavGpsState()
{
    ReadImmediate(0x132C, 4, &Map.NavGpsSwitch);
    Map.FmsMode = Map.NavGpsSwitch != 0;
    std::memcpy(Map.GpsNextId, Aircraft.Raw.GpsNextIdent, 6);
    Map.GpsNextId[6] = '\0';
}

// The map is clipped to the window above the soft-key legends; with traffic shown the
// lower edge moves up to leave room for the traffic picture below it.
void SetMapScissor()
{
    int w = 0, h = 0;
    PlatformGetClientSize(&w, &h);
    glEnable(GL_SCISSOR_TEST);
    if (Traffic.TrafficShown)
        glScissor(static_cast<int>(0.1529 * w), static_cast<int>(0.556 * h), static_cast<int>(0.6959 * w),
                  static_cast<int>(0.3249 * h));
    else
        glScissor(static_cast<int>(0.1529 * w), static_cast<int>(0.456 * h), static_cast<int>(0.6959 * w),
                  static_cast<int>(0.409 * h));
}

void DrawRose()
{
    glLineWidth(2.0f);
    SetColour(ColourWhite);
    At(0, 2.28f, -30.0f);
    Scale(0.8f);
    glRotatef(Aircraft.MagHeading, 0, 0, 1);
    if (TextTraceActive())
        TraceRoseLabels();   // before the rose: it ends in the masks' black
    DrawRoseFigure();
}

void DrawLayers()
{
    if (Shell.ShowVor || Shell.ShowNdb) {
        if (Map.MapFrameCounter == 0)
            SelectNearby(NavDatabase.NavaidTable);
        DrawNavaids();
    }
    if (Shell.ShowAirports) {
        if (Map.MapFrameCounter == 3)
            SelectNearby(NavDatabase.AirportTable);
        DrawAirports();
    }
    if (Shell.ShowRoute && FlightPlan.loaded)
        DrawRoute();
}

// Full range on the outer arc, half range on the inner one with its value at both ends.
void DrawRangeArcs()
{
    SetColour(ColourWhite);
    At(0, 2.34f, -30.0f);
    gluPartialDisk(Window.SharedQuadric, 6.61, 6.71, 30, 1, -65, 130);
    gluPartialDisk(Window.SharedQuadric, 3.305, 3.405, 30, 1, -90, 180);
    const double half = MapRangeNm() / 2.0;
    At(6.03f, 3.57f, -55.0f);
    PrintText(2, 0, "%3.1f", half);
    glTranslatef(-12.72f, 0, 0);
    PrintText(2, 0, "%3.1f", half);
}

// Label in cyan, value right-aligned after it in white, or amber dashes without avionics.
// The value ends `dx` em from the label's end as laid out for the short labels; a wide
// label ("GSPD") would then run into the value, so the value's right edge is also kept at
// least AirDataGap em left of the label's first character, whatever either one's width.
constexpr float AirDataGap = 0.3f;

void DrawAirDataField(const char* label, float y, float dx, int value)
{
    At(6.259f, y, -30.0f);
    Scale(0.6f);
    SetColour(ColourCyan);
    PrintText(2, 2, "%s", label);
    char text[16];
    bool valid = Aircraft.AvionicsMaster != 0;
    std::snprintf(text, sizeof text, valid ? "%d" : "----", value);
    // After the label the pen stands at its end; a right-aligned text ends one last
    // advance to the right of where it is placed.
    float labelAdvance = 0, valueAdvance = 0;
    const float labelWidth = TextWidth(label, &labelAdvance);
    TextWidth(text, &valueAdvance);
    const float touching = -labelWidth - AirDataGap - valueAdvance;
    glTranslatef(dx < touching ? dx : touching, 0, 0);
    SetColour(valid ? ColourWhite : ColourAmber);
    PrintText(2, 2, "%s", text);
}

void DrawAirData()
{
    DrawAirDataField("TAS", 9.489f, -2.6f, Aircraft.TrueAirspeed);
    DrawAirDataField("SAT", 8.89f, -2.6f, SaturateToInt(Aircraft.StaticAirTemp));
    DrawAirDataField("GSPD", 8.3f, -2.54f, SaturateToInt(Aircraft.GroundSpeed));
}

// The other display unit raises master caution or warning in the shared flag byte; this
// unit prompts the crew to look at it.
void DrawCheckEicas()
{
    ReadImmediate(PanelFlagsOffset, 1, &Map.AlertFlags);
    if ((Map.AlertFlags & (PanelFlagMasterCaution | PanelFlagMasterWarning)) == 0)
        return;
    SetColour(ColourYellow);
    At(-0.679f, 1.59f, -5.0f);
    Scale(0.11f);
    // The prompt starts on the heading readout's baseline, left of it, and the bold words
    // at full width would run into the readout's box and figures in any face: it is set at
    // 88 % of its width, which ends it a quarter em short of the box.
    glScalef(0.88f, 1.0f, 1.0f);
    PrintText(3, 1, "CHECK EICAS");
}

// Magnetic heading in whole degrees, three digits, 360 shown as 000.
void DrawHeadingReadout()
{
    At(0, 9.549f, -30.0f);
    Scale(0.75f);
    if (Aircraft.AvionicsMaster == 0) {
        SetColour(ColourAmber);
        PrintText(2, 0, "---");
    } else {
        int h = RoundToInt(Aircraft.MagHeading);
        if (h == 360)
            h = 0;
        SetColour(ColourWhite);
        if (h < 10)
            PrintText(2, 0, "00%d", h);
        else if (h < 100)
            PrintText(2, 0, "0%d", h);
        else
            PrintText(2, 0, "%d", h);
    }
    // An open-topped box round the readout, its lower edge pointing at the rose.
    SetColour(ColourWhite);
    glLineWidth(2.0f);
    At(0, 0, -30.0f);
    glBegin(GL_LINE_STRIP);
    glVertex2f(-0.689f, 10.12f), glVertex2f(-0.689f, 9.439f), glVertex2f(-0.369f, 9.439f), glVertex2f(0, 9.0f);
    glVertex2f(0.369f, 9.439f), glVertex2f(0.689f, 9.439f), glVertex2f(0.689f, 10.12f);
    glEnd();
}

// The arrow points where the wind blows to, relative to the heading-up map.
void DrawWind()
{
    SetColour(ColourWhite);
    glLineWidth(2.0f);
    At(-5.42f, 3.32f, -30.0f);
    glRotatef(Aircraft.MagHeading - Aircraft.WindDirection, 0, 0, 1);
    glScalef(-0.8f, -0.8f, 1.0f);
    TextBatchFlushUnder(-0.18f, -0.4f, 0.18f, 0.4f);
    glBegin(GL_LINES);
    glVertex2f(0, -0.4f), glVertex2f(0, 0.4f);
    glVertex2f(0, 0.4f), glVertex2f(0.18f, 0.25f);
    glVertex2f(0, 0.4f), glVertex2f(-0.18f, 0.25f);
    glEnd();

    At(-6.02f, 3.2f, -30.0f);
    Scale(0.499f);
    if (Aircraft.AvionicsMaster != 0 && Aircraft.BatteryMaster != 0) {
        PrintText(2, 2, "%d", Aircraft.WindSpeed);
    } else if (Aircraft.AvionicsMaster == 0 && Aircraft.BatteryMaster != 0) {
        SetColour(ColourAmber);
        PrintText(2, 2, "- - -");
    }
}

// At the top level of the menu a frame marks one soft-key legend position.
void DrawLegendFrame()
{
    if (Menu.MenuLevel != 0 || Aircraft.AvionicsMaster == 0)
        return;
    SetColour(ColourWhite);
    glLineWidth(2.0f);
    At(0, 0, -30.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(3.32f, -6.948f), glVertex2f(4.998f, -6.948f), glVertex2f(4.998f, -6.2589f), glVertex2f(3.32f, -6.2589f);
    glEnd();
}

// Minutes to the GPS's next waypoint from its arrival time (seconds of the day) and the
// local time; an arrival after midnight reads as 0, anything beyond 1000 as 1000.
int GpsMinutesToGo()
{
    const int now = Aircraft.LocalHour * 3600 + Aircraft.LocalMinute * 60 + Aircraft.LocalSecond;
    const float t = Clamp(static_cast<float>(Aircraft.GpsNextEta - now) / 60.0f, 0.0f, 1000.0f);
    return SaturateToInt(t);
}

void DrawGpsBlock()
{
    if (!Map.FmsMode)
        return;
    struct Line { float y; const DisplayColour& colour; };
    const Line lines[4] = {{9.18f, ColourYellow}, {8.74f, ColourMagenta}, {8.31f, ColourYellow}, {7.85f, ColourYellow}};
    for (int i = 0; i < 4; ++i) {
        SetColour(lines[i].colour);
        At(-6.6f, lines[i].y, -30.0f);
        Scale(0.55f);
        if (i == 0)
            PrintText(3, 1, "FMS");
        else if (i == 1)
            PrintText(3, 1, "%s", Map.GpsNextId);
        else if (i == 2)
            PrintText(3, 1, "%3.1f NM", Aircraft.GpsDistNext * 0.000539956803);
        else
            PrintText(3, 1, "%d MIN", GpsMinutesToGo());
    }
}

} // namespace

void DrawOwnAircraft()
{
    At(0, 2.32f, -30.0f);
    glLineWidth(1.0f);
    Scale(0.75f);
    glCallList(MapLists.AircraftSymbol);
}

int HeadingMarkerSide(int apHeadingRaw, float magHeading, int* selected)
{
    *selected = RoundToInt(apHeadingRaw * 360.0 / 65536.0);
    const float rel = FoldTo180(static_cast<float>(*selected) - magHeading);
    return rel > 65 ? 1 : rel < -65 ? -1 : 0;
}

// The selected autopilot heading: a notched marker just outside the rose, or an arrow at
// the end of the arc when it lies more than 65 degrees off the nose.
void DrawHeadingMarker()
{
    int m = 0;
    const int side = HeadingMarkerSide(Aircraft.ApHeading, Aircraft.MagHeading, &m);
    if (side != 0) {
        TextBatchFlush();
        glCallList(side > 0 ? MapLists.MarkerArrowRight : MapLists.MarkerArrowLeft);
        return;
    }
    if (Aircraft.AvionicsMaster == 0)
        return;
    SetColour(ColourMagenta);
    glLineWidth(2.0f);
    At(0, 2.28f, -30.0f);
    glRotatef(Aircraft.MagHeading - static_cast<float>(m) + 90.0f, 0, 0, 1);
    glScalef(0.909f, 1.09f, 1.0f);
    glTranslatef(7.389f, -0.529f, 0);
    // Over the heading readout's figures when the selected heading is the one flown.
    TextBatchFlushUnder(0, 0, 0.484f, 1.0f);
    glBegin(GL_LINE_STRIP);
    glVertex2f(0, 0), glVertex2f(0.484f, 0), glVertex2f(0.484f, 0.182f), glVertex2f(0, 0.5f);
    glVertex2f(0.484f, 0.818f), glVertex2f(0.484f, 1), glVertex2f(0, 1), glVertex2f(0, 0);
    glEnd();
}

void DrawMapPage()
{
    ReadNavGpsState();
    SetMapScissor();
    if (Aircraft.AvionicsMaster == 0)
        Aircraft.MagHeading = 0;  // the rose stops at north
    // Texts wait in the spine's batch until what is drawn next could cover them.
    DrawRose();
    if (Aircraft.AvionicsMaster != 0 && Aircraft.BatteryMaster != 0)
        DrawLayers();
    TextBatchFlush();
    Map.MapFrameCounter = (Map.MapFrameCounter + 1) % 4;
    DrawRangeArcs();
    TextsWaitUnless(-2.5f, 0.0f, 2.5f, 4.6f);   // the own aircraft, round (0, 2.32)
    DrawOwnAircraft();
    glDisable(GL_SCISSOR_TEST);
    DrawAirData();
    DrawCheckEicas();
    TextsWaitUnless(-1.2f, 8.6f, 1.2f, 10.6f);   // the heading readout's box
    DrawHeadingReadout();
    DrawHeadingMarker();
    DrawWind();
    TextsWaitUnless(2.9f, -7.4f, 5.4f, -5.8f);   // the legend frame (the GPS block is text)
    DrawLegendFrame();
    DrawGpsBlock();
}
