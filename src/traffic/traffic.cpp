// Traffic state with its start-of-run values until the traffic display is built.
// Owns: Traffic.
#include "traffic/traffic.h"

TrafficState Traffic;

void TrafficReset()
{
    Traffic = TrafficState{};
}
