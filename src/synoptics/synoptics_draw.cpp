// Drawing helpers of the synoptic pages: text, lines, outlines, the unit shapes and the
// pump rings, each from a fresh identity transform at depth 30, and the two pieces every
// page shares (the divider and the soft-key frame).
// Owns: nothing. Reads: MapLists (unit quad, box, triangle), Window.SharedQuadric, Shell.ShowingMfd.
#include "synoptics/synoptics_draw.h"

#include "map/display_lists.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdarg>
#include <cstdio>

void SynAt(float x, float y)
{
    glLoadIdentity();
    glTranslatef(x, y, -30.0f);
}

static void PrintFormatted(int align, const DisplayColour& c, const char* format, va_list args)
{
    char text[64];
    std::vsnprintf(text, sizeof text, format, args);
    SetColour(c);
    PrintText(2, align, "%s", text);
}

void SynText(float x, float y, float scale, int align, const DisplayColour& c, const char* format, ...)
{
    SynAt(x, y);
    glScalef(scale, scale, 0.0f);
    va_list args;
    va_start(args, format);
    PrintFormatted(align, c, format, args);
    va_end(args);
}

void SynTextNarrowed(float x, float y, float scale, float narrow, int align, const DisplayColour& c, const char* text)
{
    SynAt(x, y);
    glScalef(scale * narrow, scale, 0.0f);
    SetColour(c);
    PrintText(2, align, "%s", text);
    // The pen as the full-width text leaves it: the end of the last advance, from the anchor.
    float last = 0;
    const float width = TextWidth(text, &last);
    SynAt(x, y);
    glScalef(scale, scale, 0.0f);
    glTranslatef(align == 0 ? width / 2 : (align == 2 ? last : width), 0.0f, 0.0f);
}

void SynTextAfter(float dx, float dy, int align, const DisplayColour& c, const char* format, ...)
{
    glTranslatef(dx, dy, 0.0f);
    va_list args;
    va_start(args, format);
    PrintFormatted(align, c, format, args);
    va_end(args);
}

void SynLine(float x0, float y0, float x1, float y1, const DisplayColour& c)
{
    glLoadIdentity();
    glLineWidth(2.0f);
    SetColour(c);
    TextBatchFlush();
    glBegin(GL_LINES);
    glVertex3f(x0, y0, -30.0f);
    glVertex3f(x1, y1, -30.0f);
    glEnd();
}

void SynRect(float x0, float y0, float x1, float y1, const DisplayColour& c)
{
    glLoadIdentity();
    glLineWidth(2.0f);
    SetColour(c);
    TextBatchFlush();
    glBegin(GL_LINE_LOOP);
    glVertex3f(x0, y0, -30.0f);
    glVertex3f(x1, y0, -30.0f);
    glVertex3f(x1, y1, -30.0f);
    glVertex3f(x0, y1, -30.0f);
    glEnd();
}

void SynBox(float x, float y, float sx, float sy, const DisplayColour& c)
{
    SynAt(x, y);
    glScalef(sx, sy, 1.0f);
    glLineWidth(2.0f);
    SetColour(c);
    TextBatchFlush();
    glCallList(MapLists.UnitBoxList);
}

void SynBar(float x, float y, float w, float h, const DisplayColour& c)
{
    SynAt(x, y);
    glScalef(w, h, 1.0f);
    SetColour(c);
    TextBatchFlush();
    glCallList(MapLists.UnitQuadList);
}

void SynTriangle(float x, float y, float rotationDeg, float sx, float sy, const DisplayColour& c)
{
    SynAt(x, y);
    glRotatef(rotationDeg, 0, 0, 1);
    glScalef(sx, sy, 1.0f);
    SetColour(c);
    TextBatchFlush();
    glCallList(MapLists.UnitTriangleList);
}

void SynDisk(float x, float y, const DisplayColour& c)
{
    SynAt(x, y);
    SetColour(c);
    TextBatchFlush();
    gluDisk(Window.SharedQuadric, 0.24, 0.3, 32, 1);
}

void SynDivider()
{
    // The frame and the divider are drawn in white: the colour the previous drawing left
    // current would change with whatever the map or the EICAS drew last.
    SynLine(6.769f, -1.34f, -6.769f, -1.34f, ColourWhite);
}

void SynSoftKeyFrame(float x0, float x1)
{
    SynRect(x0, -7.518f, x1, -6.829f, ColourWhite);
}

void SynReturnLabel(float x, float scale)
{
    if (Shell.ShowingMfd)
        SynText(x, -6.757f, scale, 0, ColourWhite, "RTN");
}
