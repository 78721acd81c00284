// Traffic (TCAS): what the map needs of it so far. The traffic display fills this record in.
#pragma once

struct TrafficState {
    // The traffic picture is on: the map's clip box moves up to leave it room. The traffic
    // display sets it every MFD frame; until that display is drawn there is no picture, so
    // the map keeps its whole clip box.
    bool TrafficShown = false;
    // The menu's traffic switch (TCAS key at the top level); on at start.
    bool TrafficOn = true;
};
extern TrafficState Traffic;
void TrafficReset();
