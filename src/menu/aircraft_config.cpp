// Placeholder owner of AircraftConfig until the "accfg.ini" reader and writer land:
// holds the start-of-run values (all 0) so the airport loader can read the minimum
// runway length.
#include "menu/aircraft_config.h"

AircraftConfigState AircraftConfig;

void AircraftConfigReset()
{
    AircraftConfig = AircraftConfigState{};
}
