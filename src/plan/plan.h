// The active flight plan: what the map needs of it so far. The flight plan loader fills
// this record in.
#pragma once

struct FlightPlanState {
    int legCount = 0;
    bool loaded = false;   // a plan is active: the map draws its route
};
extern FlightPlanState FlightPlan;
void FlightPlanReset();
