// The active flight plan with its start-of-run values until plan loading is built.
// Owns: FlightPlan.
#include "plan/plan.h"

FlightPlanState FlightPlan;

void FlightPlanReset()
{
    FlightPlan = FlightPlanState{};
}
