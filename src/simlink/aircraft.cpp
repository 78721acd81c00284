// The aircraft state record and the cockpit interface bytes.
// Owns: Aircraft, Cockpit.
#include "simlink/aircraft.h"

static AircraftState InitialAircraftState()
{
    AircraftState a{};
    // Before the first exchange the displays run powered at San Diego. The received values
    // say the same, so a conversion that runs before any answer gives the same picture.
    a.Raw.BatteryMaster = 1;
    a.Raw.AvionicsMaster = 1;
    a.Raw.LatitudeRaw = static_cast<int64_t>(32.7335556 / 2.0951091487837895e-15);
    a.Raw.LongitudeRaw = static_cast<int64_t>(-117.1896667 / 1.951563910473908e-17);
    return a;
}

AircraftState Aircraft = InitialAircraftState();
CockpitState Cockpit;

void AircraftReset()
{
    Aircraft = InitialAircraftState();
}

void CockpitReset()
{
    Cockpit = CockpitState{};
}
