// Publishes the flight into the offset space in the simulator's own units and encodings
// (64-bit latitude units, 65536 = 360 degrees, psi x 4, lb/ft^2, Rankine, ...), so that
// every conversion of the display units is exercised as against a real simulator.
// Owns: nothing. Reads: SimFlight. Writes: the offset space it is given.
#include "sim.h"

#include <algorithm>
#include <cmath>
#include <cstring>

static constexpr double DegToRad = 3.14159265358979323846 / 180.0;
static constexpr double PoundsPerGallon = 6.7;

static double Value(int channel)
{
    return SimChannelValue(SimFlight.Timeline, channel, SimFlight.Time);
}

// A timeline may ask for absurd values (an airspeed of 1e300 knots); they are published
// as the nearest value the field can hold instead of an undefined conversion.
static int64_t SaturatedInt64(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2e18)
        return INT64_MAX;
    if (value <= -9.2e18)
        return INT64_MIN;
    return static_cast<int64_t>(value);
}

// The same for an unsigned field of at most `max`.
static uint64_t SaturatedUnsigned(double value, double max)
{
    if (!(value > 0))
        return 0;  // also NaN
    return value >= max ? static_cast<uint64_t>(max) : static_cast<uint64_t>(value);
}

static void PutScaled(SimOffsetSpace& s, uint32_t offset, double value, int size)
{
    SimPut(s, offset, static_cast<uint64_t>(SaturatedInt64(std::round(value))), size);
}

// An angle as the simulator stores it: a fraction of the full circle in `bits` bits.
static void PutAngle(SimOffsetSpace& s, uint32_t offset, double degrees, int bits)
{
    double turns = std::isfinite(degrees) ? std::fmod(degrees / 360.0 + 1.0, 1.0) : 0.0;
    if (turns < 0)
        turns += 1.0;
    SimPut(s, offset, static_cast<uint64_t>(turns * std::ldexp(1.0, bits)) & ((uint64_t{1} << bits) - 1), bits / 8);
}

static bool EngineRunning(int side)
{
    double n2 = Value(side == 0 ? ChanN2Left : ChanN2Right);
    return n2 >= 45 && Value(side == 0 ? ChanFuelLeverLeft : ChanFuelLeverRight) != 0;
}

// One engine's values; `o` holds its offsets, left or right.
struct EngineOffsets {
    uint32_t n1, n2, itt, oilTemp, oilPress, fuelFlow, hydPress, fuelPress, state, starter, throttle, gen, amps;
};
static const EngineOffsets EngineAt[2] = {
    {0x0898, 0x0896, 0x2038, 0x08B8, 0x3B60, 0x2060, 0x08D8, 0x08F8, 0x3AF0, 0x0892, 0x088C, 0x2880, 0x2888},
    {0x0930, 0x092E, 0x2138, 0x0950, 0x3AA0, 0x2160, 0x0970, 0x0990, 0x3A30, 0x092A, 0x0924, 0x2890, 0x2898},
};

static void PublishEngine(SimOffsetSpace& s, int side)
{
    const EngineOffsets& o = EngineAt[side];
    double n1 = Value(side ? ChanN1Right : ChanN1Left), n2 = Value(side ? ChanN2Right : ChanN2Left);
    double itt = Value(side ? ChanIttRight : ChanIttLeft);
    bool running = EngineRunning(side);
    bool battery = Value(ChanBattery) != 0;
    PutScaled(s, o.n1, n1 * 16384 / 100, 2);
    PutScaled(s, o.n2, n2 * 16384 / 100, 2);
    SimPutDouble(s, o.itt, itt * 9 / 5 + 491.67);
    double oilTemp = side ? SimFlight.OilTempRight : SimFlight.OilTempLeft;
    PutScaled(s, o.oilTemp, std::max(0.0, oilTemp) * 16384 / 140, 2);
    // Oil pressure follows the gearbox and stays in the normal band (65 to 81 psi) from
    // idle to take-off power; a windmilling engine makes a little.
    double oilPsi = running ? 55 + 25 * n2 / 100 : n2 * 0.8;
    SimPutDouble(s, o.oilPress, oilPsi * 144);
    SimPutDouble(s, o.fuelFlow, SimFuelFlow(n1, n2, Value(side ? ChanFuelLeverRight : ChanFuelLeverLeft)));
    // The engine-driven hydraulic pump reaches 3000 psi from about 45 % N2.
    PutScaled(s, o.hydPress, 3000 * std::min(1.0, n2 / 45) * 4, 4);
    // Fuel pressure: the engine pump when running, the electric boost pump on battery.
    PutScaled(s, o.fuelPress, running ? 28 : battery ? 8 : 0, 4);
    SimPutDouble(s, o.state, running ? 1.0 : 0.0);
    PutScaled(s, o.starter, Value(side ? ChanStarterRight : ChanStarterLeft), 2);
    PutScaled(s, o.throttle, Value(side ? ChanThrottleRight : ChanThrottleLeft) * 163.84, 2);
    // The generator comes on line above 50 % N2 and shares the bus load with the other one;
    // its voltage droops a little under load.
    bool online = SimGeneratorOnline(side);
    double amps = SimGeneratorAmps(side);
    SimPutDouble(s, o.gen, online ? 28.6 - amps * 0.004 : 0.0);
    SimPutDouble(s, o.amps, amps);
    // The emergency bus: from the generators when one is on line, else the battery, whose
    // voltage sags with the load and with its charge.
    if (side == 0) {
        bool anyOnline = SimGeneratorOnline(0) || SimGeneratorOnline(1);
        double onBattery = 23.0 + 2.0 * SimFlight.BatteryCharge - SimBusLoadAmps() * 0.006;
        SimPutDouble(s, 0x2870, anyOnline ? 27.9 : battery ? onBattery : 0.0);
    }
}

static void PublishFuelAndSurfaces(SimOffsetSpace& s)
{
    const SimTimeline& t = SimFlight.Timeline;
    const double capacity[3] = {t.CapacityLeft, t.CapacityRight, t.CapacityCentre};
    const double fuel[3] = {SimFlight.FuelLeft, SimFlight.FuelRight, SimFlight.FuelCentre};
    const uint32_t capacityAt[3] = {0x0B80, 0x0B98, 0x0B78}, levelAt[3] = {0x0B7C, 0x0B94, 0x0B74};
    // The level is the fraction of the capacity as the displays work it out (whole gallons
    // times the published weight per gallon, cut to whole pounds), rounded up by a step,
    // so a display multiplying them back shows the pounds in the tank rather than one less.
    const double publishedPerGallon = std::round(PoundsPerGallon * 256) / 256;
    for (int tank = 0; tank < 3; ++tank) {
        double gallons = std::round(capacity[tank] / PoundsPerGallon);
        double shownCapacity = std::floor(gallons * publishedPerGallon);
        double level = shownCapacity > 0 ? std::min(1.0, fuel[tank] / shownCapacity) : 0;
        SimPut(s, capacityAt[tank], SaturatedUnsigned(gallons, 4294967295.0), 4);
        SimPut(s, levelAt[tank], SaturatedUnsigned(std::ceil(level * 8388608 + 1), 8388608.0), 4);
    }
    PutScaled(s, 0x0AF4, PoundsPerGallon * 256, 2);
    // Surface positions are truncated: the displays take the ceiling of position x
    // full angle / 16383, so a rounded-up 8 degrees of flap would read 9.
    double spoilers = std::floor(std::clamp(Value(ChanSpoilers) / 60, 0.0, 1.0) * 16383);  // 60 degrees full
    PutScaled(s, 0x0BD4, spoilers, 4);
    PutScaled(s, 0x0BD8, spoilers, 4);
    PutScaled(s, 0x0BD0, Value(ChanSpoilersArmed) != 0 && spoilers == 0 ? 4800 : spoilers, 4);
    PutScaled(s, 0x0BCC, Value(ChanSpoilersArmed), 4);
    PutScaled(s, 0x0BE4, std::floor(std::clamp(Value(ChanFlaps) / 40, 0.0, 1.0) * 16383), 4);  // 40 degrees full
    SimPutDouble(s, 0x2EA0, Value(ChanPitchTrim) * DegToRad);
    SimPutDouble(s, 0x2EB0, Value(ChanAileronTrim) * DegToRad);
    SimPutDouble(s, 0x2EC0, Value(ChanRudderTrim) * DegToRad);
    PutScaled(s, 0x0BE8, Value(ChanGear) != 0 ? 16383 : 0, 4);
    PutScaled(s, 0x0BC8, Value(ChanParkingBrake) != 0 ? 32767 : 0, 2);
}

static void PublishAirData(SimOffsetSpace& s)
{
    const SimTimeline& t = SimFlight.Timeline;
    SimPut(s, 0x0560, static_cast<uint64_t>(SaturatedInt64(SimFlight.Lat / 2.0951091487837895e-15)), 8);
    SimPut(s, 0x0568, static_cast<uint64_t>(SaturatedInt64(SimFlight.Lon / 1.951563910473908e-17)), 8);
    PutAngle(s, 0x0580, SimFlight.HeadingTrue, 32);
    PutAngle(s, 0x02A0, t.MagVar, 16);
    PutAngle(s, 0x07CC, Value(ChanApHeading), 16);
    PutScaled(s, 0x3324, Value(ChanAltitude), 4);
    PutScaled(s, 0x02C8, SimFlight.VerticalSpeed * 0.3048 / 60 * 256, 4);
    PutScaled(s, 0x02B4, SimFlight.GroundSpeed * 1852.0 / 3600 * 65536, 4);
    PutScaled(s, 0x02BC, Value(ChanIas) * 128, 4);
    PutScaled(s, 0x02B8, SimFlight.TrueAirspeed * 128, 4);
    double sat = Value(ChanSat);
    SimPutDouble(s, 0x28D0, sat * 9 / 5 + 32);
    // The outside air probe reads total temperature: static plus the ram rise.
    double ram = (SimFlight.TrueAirspeed / 100) * (SimFlight.TrueAirspeed / 100);
    PutScaled(s, 0x0E8C, (sat + ram) * 256, 2);
    PutAngle(s, 0x0E92, Value(ChanWindDirection), 16);
    PutScaled(s, 0x0E90, Value(ChanWindSpeed), 2);
}

static void PublishSwitches(SimOffsetSpace& s)
{
    PutScaled(s, 0x281C, Value(ChanBattery), 4);
    PutScaled(s, 0x2E80, Value(ChanAvionics), 4);
    PutScaled(s, 0x0366, Value(ChanOnGround), 2);
    PutScaled(s, 0x3366, Value(ChanFire), 1);
    PutScaled(s, 0x3367, Value(ChanDoors), 1);
    PutScaled(s, 0x029C, Value(ChanPitotHeat), 1);
    PutScaled(s, 0x330C, Value(ChanEngineSync) != 0 ? 16 : 0, 2);
    PutScaled(s, 0x132C, Value(ChanNavGps), 4);
}

// The GPS: local time, next waypoint, its distance and the arrival time there.
static void PublishGps(SimOffsetSpace& s)
{
    const SimTimeline& t = SimFlight.Timeline;
    long now = (t.ClockStart + static_cast<long>(std::fmod(SimFlight.Time, 86400))) % 86400;
    SimPut(s, 0x0238, now / 3600, 1);
    SimPut(s, 0x0239, now / 60 % 60, 1);
    SimPut(s, 0x023A, now % 60, 1);
    if (t.WaypointCount == 0)
        return;
    const SimWaypoint& w = t.Waypoints[SimFlight.NextWaypoint];
    std::memcpy(s.Bytes + 0x60A4, w.ident, 6);
    double p1 = SimFlight.Lat * DegToRad, p2 = w.lat * DegToRad, dl = (w.lon - SimFlight.Lon) * DegToRad;
    double h = std::sin((p2 - p1) / 2) * std::sin((p2 - p1) / 2) +
               std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    double nm = 2 * std::asin(std::sqrt(std::min(1.0, h))) * 3440.065;
    SimPutDouble(s, 0x6048, nm * 1852);
    double eta = SimFlight.GroundSpeed > 1 ? now + nm / SimFlight.GroundSpeed * 3600 : 0;
    double etaOfDay = std::fmod(eta, 86400);
    SimPut(s, 0x60E8, SaturatedUnsigned(etaOfDay < 0 ? etaOfDay + 86400 : etaOfDay, 86399.0), 4);
}

// Traffic: slot n holds target n + 1 of the timeline; a target whose range is not
// positive now is an empty entry (latitude 0); after the last target, change bytes are 0.
static void PublishTraffic(SimOffsetSpace& s)
{
    double altitude = Value(ChanAltitude);
    for (int n = 0; n < SimMaxTraffic; ++n) {
        const auto& track = SimFlight.Timeline.Traffic[n];
        uint32_t entry = 0xF080 + 40 * n;
        if (track[TrafficRange].empty()) {
            SimPut(s, 0xF008 + n, 0, 1);
            std::memset(s.Bytes + entry, 0, 40);
            continue;
        }
        auto at = [&](int field) { return SimKeyValue(track[field], false, SimFlight.Time); };
        double range = at(TrafficRange), bearing = at(TrafficBearing) * DegToRad;
        double lat = 0, lon = 0;
        if (range > 0) {
            lat = SimFlight.Lat + range * std::cos(bearing) / 60;
            lon = SimFlight.Lon + range * std::sin(bearing) / 60 / std::cos(SimFlight.Lat * DegToRad);
        }
        SimPut(s, 0xF008 + n, SimFlight.TrafficChange[n] ? SimFlight.TrafficChange[n] : 1, 1);
        SimPut(s, entry, n + 1, 4);
        SimPutFloat(s, entry + 4, static_cast<float>(lat));
        SimPutFloat(s, entry + 8, static_cast<float>(lon));
        SimPutFloat(s, entry + 12, static_cast<float>(altitude + at(TrafficRelAlt)));
        SimPut(s, entry + 20, static_cast<uint16_t>(static_cast<int16_t>(std::clamp(at(TrafficVs), -32768.0, 32767.0))), 2);
    }
}

void SimFlightPublish(SimOffsetSpace& space)
{
    PublishEngine(space, 0);
    PublishEngine(space, 1);
    PublishFuelAndSurfaces(space);
    PublishAirData(space);
    PublishSwitches(space);
    PublishGps(space);
    PublishTraffic(space);
}

void SimPublishCockpitDefaults(SimOffsetSpace& space)
{
    // What the cockpit panel shows before anyone touches it: traffic range 10 NM and the
    // normal altitude band. The soft keys, knobs, dimming and flags start at 0.
    SimPut(space, 0x73FA, 10, 1);
    SimPut(space, 0x7842, 0x04, 1);
}
