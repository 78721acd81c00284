// Arbitrary module values through the display's whole chain: the received bytes of every
// field (and a hostile accfg.ini's surface and fuel limits) through the unit conversions,
// the engine-state derivation, the alert conditions and edges, and the drawing of the
// engine display, the alert list and the map page with their readout formatting. Drawing
// runs against no-op GL stubs (readouts_stubs.cpp), so only the arithmetic and the text
// formatting are exercised; the sanitizers (float-cast-overflow included) watch them.
#include "eicas/eicas.h"
#include "map/map.h"
#include "menu/aircraft_config.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "traffic/traffic.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AircraftReset();
    EicasReset();
    Shell.LinkConnected = true;
    size_t used = 0;
    auto take = [&](void* to, size_t n) {
        size_t k = size - used < n ? size - used : n;
        std::memcpy(to, data + used, k);
        used += k;
    };
    take(&Aircraft.Raw, sizeof Aircraft.Raw);
    take(&AircraftConfig.MAX_FLAPS, sizeof AircraftConfig.MAX_FLAPS);
    take(&AircraftConfig.MAX_SPOILERS, sizeof AircraftConfig.MAX_SPOILERS);
    take(&AircraftConfig.MAX_FUEL, sizeof AircraftConfig.MAX_FUEL);
    uint8_t panelFlags = 0;
    take(&panelFlags, 1);
    float trafficAltitude = 0;
    take(&trafficAltitude, sizeof trafficAltitude);

    ConvertAircraftState();
    DeriveFuelAndSurfaces();
    UpdateDerivedEngineState();
    EvaluateAlertConditions();
    int chimes = 0;
    ApplyAlertEdges(panelFlags, &chimes);
    DrawEngineDisplay();
    DrawAlertList();
    DrawMapPage();
    char label[16];
    TrafficFormatLabel(trafficAltitude, Aircraft.Altitude, label, sizeof label);
    return 0;
}
