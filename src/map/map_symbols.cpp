// Places navaids and airports on the heading-up map and draws their symbols, labels and
// layer legends. Owns: Map.DrawnNavaids/DrawnAirports (rebuilt each frame).
// Reads: Map.NearNavaids/NearAirports, NavDatabase, Aircraft.MagHeading, MapLists.
#include "map/geodesy.h"
#include "map/map.h"
#include "shell/colours.h"
#include "shell/text.h"
#include "simlink/aircraft.h"

#include <GL/gl.h>

#include <cmath>

// Puts the model-view frame on the item: from the map centre, turned so that straight up
// is the magnetic heading, out along the item's counter-clockwise magnetic course.
void MapPlace(float distanceNm, float angle)
{
    const float r = distanceNm / static_cast<float>(MapRangeNm()) * MapFullRangeUnits;
    glLoadIdentity();
    glTranslatef(0, 2.32f, -30.0f);
    glRotatef(Aircraft.MagHeading + 90.0f, 0, 0, 1);
    glTranslatef(r * std::cos(angle * 0.01745327f), r * std::sin(angle * 0.01745327f), 0);
}

void DrawNavaids()
{
    MapBuildDrawnList(Map.NearNavaids, NavDatabase.NavaidTable, MapMaxDrawnNavaids, Map.DrawnNavaids);
    unsigned symbols[MapMaxDrawnNavaids];
    MapPickNavaidSymbols(Map.DrawnNavaids, symbols);
    for (size_t i = 0; i < Map.DrawnNavaids.size(); ++i) {
        const NavRecord& entry = Map.DrawnNavaids[i];
        if (entry.InPlan)
            continue;
        MapPlace(entry.DistanceNm, entry.Angle);
        if (symbols[i] == Ils)
            continue;
        glCallList(symbols[i] == VorDme ? MapLists.VorDmeSymbol
                   : symbols[i] == Ndb  ? MapLists.NdbSymbol
                                        : MapLists.VorSymbol);
        // The symbol turns with the map; its identifier stands upright beside it, in the
        // symbol's green and under the symbol's own scale.
        glRotatef(-90.0f - Aircraft.MagHeading, 0, 0, 1);
        glTranslatef(1.14f, 0.14f, 0);
        glScalef(0.8f, 0.8f, 1.0f);
        PrintText(3, 0, "%s", entry.Ident);
    }
    SetColour(ColourGreen);
    glLoadIdentity();
    glTranslatef(0.96f, 0.25f, -5.0f);
    glScalef(0.1f, 0.1f, 1.0f);
    PrintText(3, 2, "%s", "NAV");
}

// The cut to the nearest 8 comes before the runway and flight plan tests, so fewer than 8
// may show while more airports lie in range.
void DrawAirports()
{
    MapBuildDrawnList(Map.NearAirports, NavDatabase.AirportTable, MapMaxDrawnAirports, Map.DrawnAirports);
    for (const NavRecord& entry : Map.DrawnAirports) {
        if (!entry.LongRunway || entry.InPlan)
            continue;
        MapPlace(entry.DistanceNm, entry.Angle);
        glCallList(MapLists.AirportSymbol);
        glRotatef(-90.0f - Aircraft.MagHeading, 0, 0, 1);
        glTranslatef(-0.62f, -0.409f, 0);
        glScalef(0.479f, 0.479f, 1.0f);
        PrintText(3, 2, "%s", entry.Ident);
    }
    SetColour(ColourCyan);
    glLoadIdentity();
    glTranslatef(0.96f, 0.36f, -5.0f);
    glScalef(0.1f, 0.1f, 1.0f);
    PrintText(3, 2, "%s", "APT");
}
