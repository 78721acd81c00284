// The shared aircraft configuration "accfg.ini" (performance numbers both display units
// use). Every field is 0 until the file is first read.
#pragma once

struct AircraftConfigState {
    int V1 = 0, VR = 0, V2 = 0;
    int MAX_FLAPS = 0;
    int VMIN = 0;
    int VMAX_FLAPS_8 = 0, VMAX_FLAPS_20 = 0, VMAX_FLAPS_40 = 0;
    float VMO = 0, MMO = 0;
    int MAX_SPOILERS = 0;
    int MIN_RUNWAY_LENGTH = 0;   // feet; airports with a shorter longest runway are not drawn
    int MAX_FUEL = 0;
};
extern AircraftConfigState AircraftConfig;
void AircraftConfigReset();
