// Display lists built once at start-up and shared by the displays: the unit quad, box and
// triangle that boxes, highlights and page graphics are drawn from.
// (The map's own symbol lists join these with the map page.)
#pragma once

// Names from glGenLists; 0 until BuildDisplayLists has run.
struct MapListsState {
    unsigned UnitQuadList = 0;       // filled quad (0,0)-(1,1)
    unsigned UnitBoxList = 0;        // outline of the unit square, one line strip
    unsigned UnitTriangleList = 0;   // filled triangle (0,0), (1,0), (0.5,1)
};
extern MapListsState MapLists;

// Needs a current rendering context.
void BuildDisplayLists();
