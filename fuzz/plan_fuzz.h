// What a plan reader must leave behind whatever bytes it was given: at most 50 legs, every
// ident terminated inside its slot and free of line ends, finite coordinates on the earth, nothing in
// the slots after the last leg, the route drawer's and the loader's fields untouched, and
// the same plan again when the same bytes are read twice.
#pragma once

#include "plan/plan.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

inline void PlanFuzzPrepare()
{
    FlightPlan.loaded = true;
    std::memcpy(FlightPlan.path, "plans\\FUZZ.PLN", sizeof "plans\\FUZZ.PLN");
    FlightPlan.legCount = 17;
    FlightPlan.droppedLegs = 3;
    FlightPlan.refusedLegs = 4;
    FlightPlan.unplacedLegs = 5;
    for (PlanLeg& leg : FlightPlan.legs)
        std::memcpy(leg.ident, "OLD", 4), leg.type = 'A', leg.latitude = 1.0f;
}

inline void PlanFuzzCheck()
{
    if (FlightPlan.legCount < 0 || FlightPlan.legCount > PlanLegMax || FlightPlan.droppedLegs < 0 ||
        FlightPlan.refusedLegs < 0 || FlightPlan.unplacedLegs < 0)
        std::abort();
    if (FlightPlan.droppedLegs > 0 && FlightPlan.legCount != PlanLegMax)
        std::abort();   // legs are dropped only once the plan is full
    if (!FlightPlan.loaded || std::strcmp(FlightPlan.path, "plans\\FUZZ.PLN") != 0)
        std::abort();
    for (int i = 0; i < PlanLegMax; ++i) {
        const PlanLeg& leg = FlightPlan.legs[i];
        size_t n = strnlen(leg.ident, PlanIdentMax);
        if (n == PlanIdentMax)
            std::abort();
        if (n > 0 && (leg.ident[n - 1] == '\n' || leg.ident[n - 1] == '\r'))
            std::abort();
        if (!std::isfinite(leg.latitude) || !std::isfinite(leg.longitude))
            std::abort();
        if (std::fabs(leg.latitude) > 90.0f || std::fabs(leg.longitude) > 180.0f)
            std::abort();   // a position off the earth is never kept
        if (leg.distanceNm != 0.0f || leg.bearingDeg != 0.0f)
            std::abort();
        if (i >= FlightPlan.legCount && (n > 0 || leg.type != 0 || leg.latitude != 0.0f || leg.longitude != 0.0f))
            std::abort();
    }
}

// Reads the bytes twice with `read` and checks the plan each time and that both agree.
template <typename Read>
void PlanFuzzRun(Read read)
{
    static FlightPlanState first;
    PlanFuzzPrepare();
    read();
    PlanFuzzCheck();
    first = FlightPlan;
    PlanFuzzPrepare();
    read();
    PlanFuzzCheck();
    if (first.legCount != FlightPlan.legCount || first.droppedLegs != FlightPlan.droppedLegs ||
        first.refusedLegs != FlightPlan.refusedLegs || first.unplacedLegs != FlightPlan.unplacedLegs)
        std::abort();
    // Field by field: the padding inside a leg is nobody's business.
    for (int i = 0; i < PlanLegMax; ++i) {
        const PlanLeg& a = first.legs[i];
        const PlanLeg& b = FlightPlan.legs[i];
        if (std::strcmp(a.ident, b.ident) != 0 || a.type != b.type || a.latitude != b.latitude || a.longitude != b.longitude)
            std::abort();
    }
}
