// The shared unit shapes as display lists, built once when the scene is set up.
// Owns: MapLists.
#include "map/display_lists.h"

#include <GL/gl.h>

MapListsState MapLists;

void BuildDisplayLists()
{
    // Callers translate and scale these into readout boxes, highlight boxes and bars,
    // in their own colour and line width.
    MapLists.UnitQuadList = glGenLists(1);
    glNewList(MapLists.UnitQuadList, GL_COMPILE);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(1, 0);
    glVertex2f(1, 1);
    glVertex2f(0, 1);
    glEnd();
    glEndList();

    MapLists.UnitBoxList = glGenLists(1);
    glNewList(MapLists.UnitBoxList, GL_COMPILE);
    glBegin(GL_LINE_STRIP);
    glVertex2f(0, 0);
    glVertex2f(1, 0);
    glVertex2f(1, 1);
    glVertex2f(0, 1);
    glVertex2f(0, 0);
    glEnd();
    glEndList();

    MapLists.UnitTriangleList = glGenLists(1);
    glNewList(MapLists.UnitTriangleList, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    glVertex2f(0, 0);
    glVertex2f(1, 0);
    glVertex2f(0.5f, 1);
    glEnd();
    glEndList();
}
