// Display lists built once at start-up: the map's symbols, own aircraft and heading
// arrows, and the unit quad, box and triangle that the other displays' boxes, highlights
// and page graphics are drawn from; and the compass rose, drawn afresh each frame.
#pragma once

// Names from glGenLists; 0 until BuildDisplayLists has run. They live as long as the
// rendering context.
struct MapListsState {
    unsigned VorSymbol = 0, VorDmeSymbol = 0, NdbSymbol = 0;  // green, scale 0.6
    unsigned AirportSymbol = 0;                               // cyan ring
    unsigned WaypointSymbol = 0;                              // four-pointed star, caller's colour
    unsigned AircraftSymbol = 0;                              // white, nose up
    unsigned MarkerArrowLeft = 0, MarkerArrowRight = 0;       // selected heading off the arc
    unsigned UnitQuadList = 0;       // filled quad (0,0)-(1,1)
    unsigned UnitBoxList = 0;        // outline of the unit square, one line strip
    unsigned UnitTriangleList = 0;   // filled triangle (0,0), (1,0), (0.5,1)
};
extern MapListsState MapLists;

// Needs a current rendering context and the shared quadric.
void BuildDisplayLists();

// One text-trace line per rose label the arc shows, where DrawRoseFigure puts it when called
// under the current model-view (centre, scale and the heading's turn). Only with a trace
// open; draws nothing.
void TraceRoseLabels();

// The compass rose under the current model-view (centre, scale and the heading's turn):
// a tick every 5 degrees, a label every 30 and the black masks that leave only the arc.
// It is drawn afresh each frame rather than from a list, so that what the masks hide whole
// can be left out: the same pixels, for about half the rose's cost.
void DrawRoseFigure();
