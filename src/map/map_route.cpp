// The active flight plan on the map: white lines joining its points in order, a star and
// the name at each point within range, the GPS's next waypoint in magenta. The map does
// not sequence the legs itself; which point is next comes from the simulator's GPS.
// Owns: FlightPlan.legs[].distanceNm/bearingDeg (recomputed each frame before use).
// Reads: FlightPlan, Map.GpsNextId, Aircraft (Latitude, Longitude, MagVar, MagHeading).
#include "map/geodesy.h"
#include "map/map.h"
#include "plan/plan.h"
#include "shell/colours.h"
#include "shell/text.h"
#include "simlink/aircraft.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

void DrawRouteWaypoints()
{
    const float range = static_cast<float>(MapRangeNm());
    for (int i = 0; i < FlightPlan.legCount; ++i) {
        const PlanLeg& leg = FlightPlan.legs[i];
        if (!(leg.distanceNm < range))
            continue;
        MapPlace(leg.distanceNm, leg.bearingDeg);
        glRotatef(-90.0f - Aircraft.MagHeading, 0, 0, 1);
        if (std::strcmp(leg.ident, Map.GpsNextId) == 0)
            SetColour(ColourMagenta);
        else
            SetColour(ColourWhite);
        glCallList(MapLists.WaypointSymbol);
        // The name starts at the star's upper right, in the star's colour.
        glTranslatef(0.38f, 0.4f, 0);
        glScalef(0.67f, 0.67f, 1.0f);
        // Names from today's plans are UTF-8; the font draws its own code page.
        char label[PlanIdentMax];
        PlanIdentLabel(leg.ident, label);
        PrintText(3, 1, "%s", label);
    }
}

// The lines are not clipped: an end beyond the range is pulled in along its own bearing
// onto the full-range circle, so a leg with both ends outside becomes a chord of it.
void DrawRoute()
{
    for (int i = 0; i < FlightPlan.legCount; ++i) {
        PlanLeg& leg = FlightPlan.legs[i];
        leg.distanceNm = static_cast<float>(
            GreatCircleDistanceNm(Aircraft.Latitude, Aircraft.Longitude, leg.latitude, leg.longitude));
        leg.bearingDeg = static_cast<float>(InitialBearingDeg(Aircraft.Latitude, Aircraft.Longitude, leg.latitude,
                                                              leg.longitude, leg.distanceNm) +
                                            Aircraft.MagVar);
    }
    DrawRouteWaypoints();

    const float range = static_cast<float>(MapRangeNm());
    SetColour(ColourWhite);
    glLineWidth(1.5f);
    for (int i = 0; i + 1 < FlightPlan.legCount; ++i) {
        glLoadIdentity();
        glTranslatef(0, 2.32f, -30.0f);
        glRotatef(Aircraft.MagHeading + 90.0f, 0, 0, 1);
        float x[2], y[2];
        for (int k = 0; k < 2; ++k) {
            const PlanLeg& end = FlightPlan.legs[i + k];
            const float r = std::fmin(end.distanceNm / range * MapFullRangeUnits, MapFullRangeUnits);
            x[k] = r * std::cos(end.bearingDeg * 0.01745327f);
            y[k] = r * std::sin(end.bearingDeg * 0.01745327f);
        }
        glBegin(GL_LINES);
        glVertex2f(x[0], y[0]);
        glVertex2f(x[1], y[1]);
        glEnd();
    }
}
