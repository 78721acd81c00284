// Builds every display list of the displays once at start-up: the navaid, airport,
// waypoint and aircraft symbols, the heading marker arrows and the unit quad, box and
// triangle; and draws the compass rose with its labels and arc masks each frame.
// Owns: MapLists. Reads: Font (rose labels), Window.SharedQuadric.
#include "map/display_lists.h"

#include "shell/colours.h"
#include "shell/text.h"
#include "shell/window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>

MapListsState MapLists;

namespace {

struct Point {
    float x, y;
};

unsigned BeginList()
{
    unsigned list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    return list;
}

void Strip(GLenum mode, const Point* points, int count)
{
    glBegin(mode);
    for (int i = 0; i < count; ++i)
        glVertex2f(points[i].x, points[i].y);
    glEnd();
}

// A list's own scale stays in force after the list, so labels drawn next are scaled too.
void ListScale(float s)
{
    glScalef(s, s, 0.0f);
}

void Ring(float inner, float outer)
{
    gluDisk(Window.SharedQuadric, inner, outer, 20, 1);
}

void BuildUnitShapes()
{
    const Point quad[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const Point box[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
    const Point triangle[] = {{0, 0}, {1, 0}, {0.5f, 1}};
    MapLists.UnitQuadList = BeginList();
    Strip(GL_QUADS, quad, 4);
    glEndList();
    MapLists.UnitBoxList = BeginList();
    Strip(GL_LINE_STRIP, box, 5);
    glEndList();
    MapLists.UnitTriangleList = BeginList();
    Strip(GL_TRIANGLES, triangle, 3);
    glEndList();
}

void BuildNavaidSymbols()
{
    // A hexagon standing on its lowest corner: the placement point is that corner.
    const Point hexagon[] = {{0, 0}, {-0.362f, 0.209f}, {-0.362f, 0.627f}, {0, 0.837f},
                             {0.362f, 0.627f}, {0.362f, 0.209f}, {0, 0}};
    MapLists.VorSymbol = BeginList();
    SetColour(ColourGreen);
    glLineWidth(1.5f);
    ListScale(0.6f);
    Strip(GL_LINE_STRIP, hexagon, 7);
    glEndList();

    // Three lobes around a hexagonal centre.
    const Point left[] = {{-0.34f, -0.34f}, {-0.083f, -0.2f}, {-0.25f, 0.089f}, {-0.5f, -0.055f}, {-0.34f, -0.34f}};
    const Point right[] = {{0.34f, -0.34f}, {0.083f, -0.2f}, {0.25f, 0.089f}, {0.5f, -0.055f}, {0.34f, -0.34f}};
    const Point top[] = {{-0.17f, 0.2f}, {0.17f, 0.2f}, {0.17f, 0.49f}, {-0.17f, 0.49f}, {-0.17f, 0.2f}};
    const Point centre[] = {{-0.083f, -0.2f}, {0.083f, -0.2f}, {0.25f, 0.089f}, {0.17f, 0.2f}, {-0.17f, 0.2f}, {-0.25f, 0.089f}};
    MapLists.VorDmeSymbol = BeginList();
    SetColour(ColourGreen);
    glLineWidth(1.0f);
    ListScale(0.6f);
    Strip(GL_LINE_STRIP, left, 5);
    Strip(GL_LINE_STRIP, right, 5);
    Strip(GL_LINE_STRIP, top, 5);
    Strip(GL_LINE_STRIP, centre, 6);
    glEndList();

    MapLists.NdbSymbol = BeginList();
    SetColour(ColourGreen);
    ListScale(0.6f);
    Ring(0.25f, 0.30f);
    Ring(0.35f, 0.40f);
    glEndList();

    MapLists.AirportSymbol = BeginList();
    SetColour(ColourCyan);
    Ring(0.3f, 0.35f);
    glEndList();

    const Point star[] = {{0, 0.5f}, {0.148f, 0.153f}, {0.487f, 0}, {0.148f, -0.153f}, {0, -0.5f},
                          {-0.148f, -0.153f}, {-0.487f, 0}, {-0.148f, 0.153f}, {0, 0.5f}};
    MapLists.WaypointSymbol = BeginList();
    ListScale(0.769f);
    glLineWidth(1.5f);
    Strip(GL_LINE_STRIP, star, 9);
    glEndList();
}

// An aeroplane seen from above, nose up: the left half and its mirror back to the tail.
void BuildAircraftSymbol()
{
    const Point half[] = {{0, -0.962f}, {-0.382f, -1.04f}, {-0.382f, -0.901f}, {-0.0892f, -0.668f}, {-0.201f, -0.0402f},
                          {-0.843f, -0.18f}, {-0.843f, 0.0715f}, {-0.182f, 0.36f}, {-0.178f, 0.723f}, {0, 1}};
    const int n = sizeof half / sizeof half[0];
    MapLists.AircraftSymbol = BeginList();
    SetColour(ColourWhite);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < n; ++i)
        glVertex2f(half[i].x, half[i].y);
    for (int i = n - 1; i >= 0; --i)
        glVertex2f(-half[i].x, half[i].y);
    glEnd();
    glEndList();
}

// An arrow at the upper corner of the arc, pointing round towards a selected heading
// that lies more than 65 degrees off the nose.
unsigned BuildMarkerArrow(float x, float rotation)
{
    unsigned list = BeginList();
    glLoadIdentity();
    SetColour(ColourMagenta);
    glLineWidth(2.0f);
    glTranslatef(x, 6.439f, -30.0f);
    glRotatef(rotation, 0, 0, 1);
    ListScale(-0.8f);
    glBegin(GL_LINES);
    glVertex2f(0, -0.4f), glVertex2f(0, 0.4f);
    glVertex2f(0, 0.4f), glVertex2f(0.18f, 0.25f);
    glVertex2f(0, 0.4f), glVertex2f(-0.18f, 0.25f);
    glEnd();
    glEndList();
    return list;
}

// The rose: a tick every 5 degrees (the ten-degree ones longer), a label every 30 at
// RoseLabelRadius, and black masks whose upper edges run from the centre through
// (+-RoseMaskX, RoseMaskY), leaving about 63.7 degrees of rose visible each side of the
// lubber line: the arc.
constexpr float RoseLabelRadius = 6.4f;
constexpr float RoseMaskX = 9.23f, RoseMaskY = 4.56f;

// The label `a` degrees clockwise from north: the cardinal letters, tens of degrees between.
const char* RoseLabel(int a, char (&buffer)[8])
{
    if (a % 90 == 0)
        return a == 0 ? "N" : a == 90 ? "E" : a == 180 ? "S" : "W";
    std::snprintf(buffer, sizeof buffer, "%d", a / 10);
    return buffer;
}

// Puts the pen where the label `a` starts: turned clockwise by a, out to the label radius,
// back by half the text so it is centred on its bearing as PrintText centres text. The list
// and the text trace both place labels with it, so the trace cannot drift from the pixels.
void PlaceRoseLabel(int a, const char* text)
{
    glRotatef(static_cast<float>(-a), 0, 0, 1);
    glTranslatef(0, RoseLabelRadius, 0);
    glTranslatef(-TextWidth(text, nullptr) / 2, 0, 0);
}

// A recorded label has no one place on the screen (the rose turns with the heading), so it
// is not traced here; TraceRoseLabels traces it each frame where it is drawn.
void RecordLabel(const char* text)
{
    glPushAttrib(GL_LIST_BIT);
    glListBase(Font.ListBase[2]);
    for (const char* p = text; *p; ++p)
        glCallList(Font.ListBase[2] + static_cast<unsigned char>(*p));
    glPopAttrib();
}

} // namespace

// Ticks and labels that the masks hide whole are left out: the masks are opaque and come
// after them, so those pixels end black whichever way. A tick's smoothed edge reaches a
// pixel or two beyond its line and a label reaches about half its width either side of
// its bearing, so each must lie this far (degrees on the screen) inside a mask's edge.
constexpr float TickHiddenMargin = 4.0f, LabelHiddenMargin = 20.0f;

void DrawRoseFigure()
{
    // The masks stand upright on the rose's centre whatever the rose's turn, so a bearing is
    // hidden when its direction on the screen lies below a mask's upper edge.
    GLfloat rose[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, rose);
    const float arcHalf = std::atan2(RoseMaskX, RoseMaskY) * 57.29578f;
    auto hidden = [&](int a, float margin) {
        const float s = std::sin(static_cast<float>(a) * 0.01745329f), c = std::cos(static_cast<float>(a) * 0.01745329f);
        const float x = rose[0] * s + rose[4] * c, y = rose[1] * s + rose[5] * c;
        return std::fabs(std::atan2(x, y)) * 57.29578f > arcHalf + margin;
    };
    // The ticks go in one batch of lines, turned here rather than each under its own matrix:
    // a software rasteriser pays for every draw and for every switch between smoothed lines
    // and filled glyphs, and drawn tick, label, tick... the rose cost a tenth of the MFD's
    // processor time. Ticks and labels never share a pixel (the labels end inside the long
    // ticks' inner end), so drawing all ticks first changes nothing on the screen.
    glBegin(GL_LINES);
    for (int a = 0; a < 360; a += 5) {
        if (hidden(a, TickHiddenMargin))
            continue;
        // Clockwise by a: (0, r) turns to (r sin a, r cos a).
        const double turn = a * 3.14159265358979323846 / 180.0;
        const float s = static_cast<float>(std::sin(turn)), c = static_cast<float>(std::cos(turn));
        const float inner = a % 10 == 0 ? 7.29f : 7.67f;
        glVertex2f(inner * s, inner * c);
        glVertex2f(8.39f * s, 8.39f * c);
    }
    glEnd();
    // The labels, filled from their glyphs' outlines. Where the font keeps its glyphs'
    // triangles they too go in one batch, each placed here as PlaceRoseLabel and the glyph
    // lists would place it (a draw a glyph cost llvmpipe more than the glyph's triangles);
    // otherwise each glyph's list is called under the label's matrix.
    char buffers[12][8];
    const char* labels[12] = {};
    bool batch = true;
    for (int a = 0; a < 360; a += 30) {
        if (hidden(a, LabelHiddenMargin))
            continue;
        const char* label = labels[a / 30] = RoseLabel(a, buffers[a / 30]);
        for (const char* p = label; *p; ++p)
            batch = batch && GlyphTriangles(2, static_cast<unsigned char>(*p)) != nullptr;
    }
    if (batch)
        glBegin(GL_TRIANGLES);
    for (int a = 0; a < 360; a += 30) {
        const char* label = labels[a / 30];
        if (!label)
            continue;
        if (!batch) {
            glPushMatrix();
            PlaceRoseLabel(a, label);
            RecordLabel(label);
            glPopMatrix();
            continue;
        }
        // Clockwise by a: (x, y) turns to (x cos a + y sin a, y cos a - x sin a).
        const double turn = a * 3.14159265358979323846 / 180.0;
        const float s = static_cast<float>(std::sin(turn)), c = static_cast<float>(std::cos(turn));
        float pen = -TextWidth(label, nullptr) / 2;
        for (const char* p = label; *p; ++p) {
            const unsigned char code = static_cast<unsigned char>(*p);
            const std::vector<float>& triangles = *GlyphTriangles(2, code);
            for (size_t i = 0; i + 1 < triangles.size(); i += 2) {
                const float x = triangles[i] + pen, y = triangles[i + 1] + RoseLabelRadius;
                glVertex2f(x * c + y * s, y * c - x * s);
            }
            pen += Font.SlotMetrics[2][code].cellIncX;
        }
    }
    if (batch)
        glEnd();
    glLoadIdentity();
    SetColour(ColourBlack);
    glTranslatef(0, 2.28f, -30.0f);
    // Opaque black needs no blending; without it the two large masks cost the software
    // rasteriser far less. The blending state is put back as it was.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_BLEND);
    const Point right[] = {{0, 0}, {RoseMaskX, RoseMaskY}, {RoseMaskX, -14.669f}, {0, -10}, {0, 0}};
    const Point left[] = {{0, 0}, {-RoseMaskX, RoseMaskY}, {-RoseMaskX, -14.669f}, {0, -10}, {0, 0}};
    Strip(GL_POLYGON, right, 5);
    Strip(GL_POLYGON, left, 5);
    glPopAttrib();
}


// A label counts as shown when the middle of its baseline lies on the open side of the
// masks; the masks stand upright on the rose's centre whatever the rose's turn, so the
// test is the label's on-screen direction from that centre against the masks' edge.
void TraceRoseLabels()
{
    GLfloat rose[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, rose);
    const float arcHalf = std::atan2(RoseMaskX, RoseMaskY);
    for (int a = 0; a < 360; a += 30) {
        const float s = std::sin(static_cast<float>(a) * 0.01745329f), c = std::cos(static_cast<float>(a) * 0.01745329f);
        const float x = rose[0] * s + rose[4] * c, y = rose[1] * s + rose[5] * c;
        if (std::fabs(std::atan2(x, y)) > arcHalf)
            continue;
        char buffer[8];
        const char* label = RoseLabel(a, buffer);
        glPushMatrix();
        PlaceRoseLabel(a, label);
        TextTraceAt(2, 0, label);
        glPopMatrix();
    }
}

void BuildDisplayLists()
{
    BuildNavaidSymbols();
    BuildAircraftSymbol();
    MapLists.MarkerArrowLeft = BuildMarkerArrow(-5.85f, -32.0f);
    MapLists.MarkerArrowRight = BuildMarkerArrow(5.85f, 32.0f);
    BuildUnitShapes();
}
