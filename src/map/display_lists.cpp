// Builds every display list of the displays once at start-up: the compass rose with its
// labels and arc masks, the navaid, airport, waypoint and aircraft symbols, the heading
// marker arrows and the unit quad, box and triangle.
// Owns: MapLists. Reads: Font (rose labels), Window.SharedQuadric.
#include "map/display_lists.h"

#include "shell/colours.h"
#include "shell/text.h"
#include "shell/window.h"

#include <GL/gl.h>
#include <GL/glu.h>

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

// The rose's labels are recorded into the list, so they are laid out as PrintText lays
// out centred text but without the text trace: a recorded label has no one place on the
// screen (the rose turns with the heading).
void RecordCentredLabel(const char* text)
{
    glTranslatef(-TextWidth(text, nullptr) / 2, 0, 0);
    glPushAttrib(GL_LIST_BIT);
    glListBase(Font.ListBase[2]);
    for (const char* p = text; *p; ++p)
        glCallList(Font.ListBase[2] + static_cast<unsigned char>(*p));
    glPopAttrib();
}

void BuildRose()
{
    MapLists.RoseList = BeginList();
    for (int a = 0; a < 360; a += 5) {
        glPushMatrix();
        glRotatef(static_cast<float>(-a), 0, 0, 1);  // clockwise by a
        glBegin(GL_LINES);
        glVertex2f(0, a % 10 == 0 ? 7.29f : 7.67f);
        glVertex2f(0, 8.39f);
        glEnd();
        if (a % 30 == 0) {
            char label[8];
            const char* cardinal = a == 0 ? "N" : a == 90 ? "E" : a == 180 ? "S" : a == 270 ? "W" : nullptr;
            std::snprintf(label, sizeof label, "%d", a / 10);
            glPushMatrix();
            glTranslatef(0, 6.4f, 0);
            RecordCentredLabel(cardinal ? cardinal : label);
            glPopMatrix();
        }
        glPopMatrix();
    }
    // Black masks either side leave about 63.7 degrees of rose each side of the lubber
    // line visible: the arc.
    glLoadIdentity();
    SetColour(ColourBlack);
    glTranslatef(0, 2.28f, -30.0f);
    // Opaque black needs no blending; without it the two large masks cost the software
    // rasteriser far less. The blending state is put back as it was.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_BLEND);
    const Point right[] = {{0, 0}, {9.23f, 4.56f}, {9.23f, -14.669f}, {0, -10}, {0, 0}};
    const Point left[] = {{0, 0}, {-9.23f, 4.56f}, {-9.23f, -14.669f}, {0, -10}, {0, 0}};
    Strip(GL_POLYGON, right, 5);
    Strip(GL_POLYGON, left, 5);
    glPopAttrib();
    glEndList();
}

} // namespace

void BuildDisplayLists()
{
    BuildNavaidSymbols();
    BuildAircraftSymbol();
    MapLists.MarkerArrowLeft = BuildMarkerArrow(-5.85f, -32.0f);
    MapLists.MarkerArrowRight = BuildMarkerArrow(5.85f, 32.0f);
    BuildRose();
    BuildUnitShapes();
}
