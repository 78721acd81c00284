// The plan list and the active flight plan, with their start-of-run values until the plan
// readers are built: the list is empty, the selection page shows no names and a confirmed
// selection loads nothing.
// Owns: PlanList, FlightPlan.
#include "plan/plan.h"

PlanListState PlanList;
FlightPlanState FlightPlan;

void PlanListReset()
{
    PlanList = PlanListState{};
}

void FlightPlanReset()
{
    FlightPlan = FlightPlanState{};
}

void BuildPlanList()
{
    PlanList.count = 0;
}

void DrawPlanListPage() {}

void LoadFlightPlan(int index)
{
    // No reader yet: an index inside an (always empty) list never arrives.
    (void)index;
}
