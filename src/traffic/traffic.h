// Traffic (TCAS): what the map needs of it so far. The traffic display fills this record in.
#pragma once

struct TrafficState {
    bool TrafficShown = false;   // the traffic picture is on: the map's clip box moves up
};
extern TrafficState Traffic;
void TrafficReset();
