// Flight plans: the plan list of the plan folder, the selection page and the active plan.
// The plan readers fill the active plan in; until they exist the list is empty and a
// confirmed selection loads nothing.
#pragma once

constexpr int PlanListMax = 50;   // names the list holds
constexpr int PlanNameMax = 100;  // bytes of a name slot, terminator included

// The plan files found in the plan folder; one instance, `PlanList`.
struct PlanListState {
    char rawNames[PlanListMax][PlanNameMax] = {};
    char names[PlanListMax][PlanNameMax] = {};
    int count = 0;
    int selected = 0;   // kept when the list is rebuilt; the menu wraps it
};
extern PlanListState PlanList;
void PlanListReset();

void BuildPlanList();
void DrawPlanListPage();

struct FlightPlanState {
    int legCount = 0;
    bool loaded = false;   // a plan is active: the map draws its route
};
extern FlightPlanState FlightPlan;
void FlightPlanReset();

// Loads names[index] of the plan list as the active plan; an index outside the list loads
// nothing.
void LoadFlightPlan(int index);
