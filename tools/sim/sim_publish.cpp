// Publishes what the simulator shows into the offset space in the simulator's own units
// and encodings (64-bit latitude units, 65536 = 360 degrees, psi x 4, lb/ft^2, Rankine,
// ...), so that every conversion of the display units is exercised as against a real
// simulator. The built-in flight and the FlightGear bridge both publish through here.
// Owns: nothing. Reads: SimFlight (SimFlightValues only). Writes: the offset space it is given.
#include "sim_values.h"

#include "map/geodesy.h"

#include <algorithm>
#include <cmath>
#include <cstring>

static constexpr double FlightPoundsPerGallon = 6.7;

// ---------------------------------------------------------------------------------------
// Engineering units to offsets
// ---------------------------------------------------------------------------------------

// Values from outside (a bridged simulator's packets) and absurd timelines (an airspeed of
// 1e300 knots) can be anything: a value beyond what the field holds is pinned at the limit,
// one that is not a number reads 0, never an undefined conversion.
static double Pinned(double value, double low, double high)
{
    return value >= low ? (value <= high ? value : high) : value < low ? low : 0;
}

static void PutScaled(SimOffsetSpace& s, uint32_t offset, double value, int size)
{
    SimPut(s, offset, static_cast<uint64_t>(static_cast<int64_t>(std::llround(Pinned(value, -9.2e18, 9.2e18)))), size);
}

// An angle as the simulator stores it: a fraction of the full circle in `bits` bits.
static void PutAngle(SimOffsetSpace& s, uint32_t offset, double degrees, int bits)
{
    double turns = std::fmod(degrees / 360.0 + 1.0, 1.0);
    if (!(turns >= 0 && turns < 1))
        turns = degrees / 360.0 - std::floor(degrees / 360.0);  // more than a turn below north
    if (!(turns >= 0 && turns < 1))
        turns = 0;  // not a number, or too large to place on the circle: north
    SimPut(s, offset, static_cast<uint64_t>(turns * std::ldexp(1.0, bits)) & ((uint64_t{1} << bits) - 1), bits / 8);
}

// One engine's values; `o` holds its offsets, left or right.
struct EngineOffsets {
    uint32_t n1, n2, itt, oilTemp, oilPress, fuelFlow, hydPress, fuelPress, state, starter, throttle, gen, amps;
};
static const EngineOffsets EngineAt[2] = {
    {0x0898, 0x0896, 0x2038, 0x08B8, 0x3B60, 0x2060, 0x08D8, 0x08F8, 0x3AF0, 0x0892, 0x088C, 0x2880, 0x2888},
    {0x0930, 0x092E, 0x2138, 0x0950, 0x3AA0, 0x2160, 0x0970, 0x0990, 0x3A30, 0x092A, 0x0924, 0x2890, 0x2898},
};

static void PublishEngine(SimOffsetSpace& s, const SimEngineValues& e, const EngineOffsets& o)
{
    PutScaled(s, o.n1, e.N1 * 16384 / 100, 2);
    PutScaled(s, o.n2, e.N2 * 16384 / 100, 2);
    SimPutDouble(s, o.itt, e.IttC * 9 / 5 + 491.67);
    PutScaled(s, o.oilTemp, std::max(0.0, e.OilTempC) * 16384 / 140, 2);
    SimPutDouble(s, o.oilPress, e.OilPressPsi * 144);
    SimPutDouble(s, o.fuelFlow, e.FuelFlowPph);
    PutScaled(s, o.hydPress, e.HydPressPsi * 4, 4);
    PutScaled(s, o.fuelPress, e.FuelPressPsi, 4);
    SimPutDouble(s, o.state, e.Running);
    PutScaled(s, o.starter, e.Starter, 2);
    PutScaled(s, o.throttle, e.ThrottlePercent * 163.84, 2);
    SimPutDouble(s, o.gen, e.GenVolts);
    SimPutDouble(s, o.amps, e.GenAmps);
}

static void PublishFuelAndSurfaces(SimOffsetSpace& s, const SimAircraftValues& v)
{
    const uint32_t capacityAt[3] = {0x0B80, 0x0B98, 0x0B78}, levelAt[3] = {0x0B7C, 0x0B94, 0x0B74};
    // The level is the fraction of the capacity as the displays work it out (whole gallons
    // times the published weight per gallon, cut to whole pounds), rounded up by a step,
    // so a display multiplying them back shows the pounds in the tank rather than one less.
    const double publishedPerGallon = std::round(v.PoundsPerGallon * 256) / 256;
    for (int tank = 0; tank < 3; ++tank) {
        double gallons = v.PoundsPerGallon > 0 ? std::round(v.CapacityLb[tank] / v.PoundsPerGallon) : 0;
        double shownCapacity = std::floor(gallons * publishedPerGallon);
        double level = shownCapacity > 0 ? Pinned(v.TankLb[tank] / shownCapacity, 0.0, 1.0) : 0;
        SimPut(s, capacityAt[tank], static_cast<uint64_t>(Pinned(gallons, 0, 4294967295.0)), 4);
        SimPut(s, levelAt[tank], static_cast<uint64_t>(std::min(8388608.0, std::ceil(level * 8388608 + 1))), 4);
    }
    PutScaled(s, 0x0AF4, v.PoundsPerGallon * 256, 2);
    // Surface positions are truncated: the displays take the ceiling of position x
    // full angle / 16383, so a rounded-up 8 degrees of flap would read 9.
    double spoilers = std::floor(std::clamp(v.SpoilerFraction, 0.0, 1.0) * 16383);
    PutScaled(s, 0x0BD4, spoilers, 4);
    PutScaled(s, 0x0BD8, spoilers, 4);
    PutScaled(s, 0x0BD0, v.SpoilersArmed != 0 && spoilers == 0 ? 4800 : spoilers, 4);
    PutScaled(s, 0x0BCC, v.SpoilersArmed, 4);
    PutScaled(s, 0x0BE4, std::floor(std::clamp(v.FlapFraction, 0.0, 1.0) * 16383), 4);
    SimPutDouble(s, 0x2EA0, v.PitchTrimDeg * SimDegToRad);
    SimPutDouble(s, 0x2EB0, v.AileronTrimDeg * SimDegToRad);
    SimPutDouble(s, 0x2EC0, v.RudderTrimDeg * SimDegToRad);
    PutScaled(s, 0x0BE8, v.GearDown != 0 ? 16383 : 0, 4);
    PutScaled(s, 0x0BC8, v.ParkingBrake != 0 ? 32767 : 0, 2);
}

static void PublishAirData(SimOffsetSpace& s, const SimAircraftValues& v)
{
    SimPut(s, 0x0560, static_cast<uint64_t>(static_cast<int64_t>(Pinned(v.Lat, -90, 90) / 2.0951091487837895e-15)), 8);
    // 2^64 units are the full circle: 180 east itself does not fit and is 180 west.
    double lon = Pinned(v.Lon, -1e6, 1e6);
    if (!(lon >= -180 && lon < 180)) {
        lon = std::fmod(lon + 180, 360);
        lon = (lon < 0 ? lon + 360 : lon) - 180;
    }
    SimPut(s, 0x0568, static_cast<uint64_t>(static_cast<int64_t>(lon / 1.951563910473908e-17)), 8);
    PutAngle(s, 0x0580, v.HeadingTrue, 32);
    PutAngle(s, 0x02A0, v.MagVar, 16);
    PutAngle(s, 0x07CC, v.ApHeading, 16);
    PutScaled(s, 0x3324, v.AltitudeFt, 4);
    PutScaled(s, 0x02C8, v.VsFpm * 0.3048 / 60 * 256, 4);
    PutScaled(s, 0x02B4, v.GroundSpeedKt * MetresPerNm / 3600 * 65536, 4);
    PutScaled(s, 0x02BC, v.IasKt * 128, 4);
    PutScaled(s, 0x02B8, v.TasKt * 128, 4);
    SimPutDouble(s, 0x28D0, v.SatC * 9 / 5 + 32);
    PutScaled(s, 0x0E8C, v.OatC * 256, 2);
    PutAngle(s, 0x0E92, v.WindFromDeg, 16);
    PutScaled(s, 0x0E90, v.WindKt, 2);
}

static void PublishSwitches(SimOffsetSpace& s, const SimAircraftValues& v)
{
    PutScaled(s, 0x281C, v.Battery, 4);
    PutScaled(s, 0x2E80, v.Avionics, 4);
    PutScaled(s, 0x0366, v.OnGround, 2);
    PutScaled(s, 0x3366, v.Fire, 1);
    PutScaled(s, 0x3367, v.Doors, 1);
    PutScaled(s, 0x029C, v.PitotHeat, 1);
    PutScaled(s, 0x330C, v.EngineSync != 0 ? 16 : 0, 2);
    PutScaled(s, 0x132C, v.NavGps, 4);
}

// The GPS: local time, next waypoint, its distance and the arrival time there.
static void PublishGps(SimOffsetSpace& s, const SimAircraftValues& v)
{
    long now = ((v.LocalSeconds % 86400) + 86400) % 86400;
    SimPut(s, 0x0238, now / 3600, 1);
    SimPut(s, 0x0239, now / 60 % 60, 1);
    SimPut(s, 0x023A, now % 60, 1);
    if (!v.HasWaypoint)
        return;
    std::memcpy(s.Bytes + 0x60A4, v.WaypointIdent, 6);
    SimPutDouble(s, 0x6048, v.WaypointDistNm * MetresPerNm);
    double eta = std::fmod(Pinned(v.WaypointEtaSeconds, 0, 1e9), 86400);
    SimPut(s, 0x60E8, eta > 0 ? static_cast<uint32_t>(eta) : 0, 4);
}

// Traffic: the change byte of each slot, then its entry; a slot whose change byte is 0
// is cleared, and the displays stop reading the table there.
static void PublishTraffic(SimOffsetSpace& s, const SimAircraftValues& v)
{
    for (int n = 0; n < SimMaxTraffic; ++n) {
        const SimTrafficValues& t = v.Traffic[n];
        uint32_t entry = 0xF080 + 40 * n;
        SimPut(s, 0xF008 + n, t.Change, 1);
        if (t.Change == 0) {
            std::memset(s.Bytes + entry, 0, 40);
            continue;
        }
        SimPut(s, entry, t.Id, 4);
        SimPutFloat(s, entry + 4, static_cast<float>(Pinned(t.Lat, -90, 90)));
        SimPutFloat(s, entry + 8, static_cast<float>(Pinned(t.Lon, -180, 180)));
        SimPutFloat(s, entry + 12, static_cast<float>(Pinned(t.AltitudeFt, -1e9, 1e9)));
        SimPut(s, entry + 20, static_cast<uint16_t>(static_cast<int16_t>(Pinned(t.VsFpm, -32768.0, 32767.0))), 2);
    }
}

void SimPublishValues(SimOffsetSpace& space, const SimAircraftValues& values)
{
    PublishEngine(space, values.Engine[0], EngineAt[0]);
    PublishEngine(space, values.Engine[1], EngineAt[1]);
    // The emergency bus sits with the left engine's electrics.
    SimPutDouble(space, 0x2870, values.EmergencyBusVolts);
    PublishFuelAndSurfaces(space, values);
    PublishAirData(space, values);
    PublishSwitches(space, values);
    PublishGps(space, values);
    PublishTraffic(space, values);
}

// ---------------------------------------------------------------------------------------
// The built-in flight in engineering units
// ---------------------------------------------------------------------------------------

static double Value(int channel)
{
    return SimChannelValue(SimFlight.Timeline, channel, SimFlight.Time);
}

static bool EngineRunning(int side)
{
    double n2 = Value(side == 0 ? ChanN2Left : ChanN2Right);
    return n2 >= 45 && Value(side == 0 ? ChanFuelLeverLeft : ChanFuelLeverRight) != 0;
}

static void FlightEngine(int side, SimEngineValues* e)
{
    e->N1 = Value(side ? ChanN1Right : ChanN1Left);
    e->N2 = Value(side ? ChanN2Right : ChanN2Left);
    e->IttC = Value(side ? ChanIttRight : ChanIttLeft);
    bool running = EngineRunning(side);
    bool battery = Value(ChanBattery) != 0;
    e->OilTempC = side ? SimFlight.OilTempRight : SimFlight.OilTempLeft;
    // Oil pressure follows the gearbox and stays in the normal band (65 to 81 psi) from
    // idle to take-off power; a windmilling engine makes a little.
    e->OilPressPsi = running ? 55 + 25 * e->N2 / 100 : e->N2 * 0.8;
    e->FuelFlowPph = SimFuelFlow(e->N1, e->N2, Value(side ? ChanFuelLeverRight : ChanFuelLeverLeft));
    // The engine-driven hydraulic pump reaches 3000 psi from about 45 % N2.
    e->HydPressPsi = 3000 * std::min(1.0, e->N2 / 45);
    // Fuel pressure: the engine pump when running, the electric boost pump on battery.
    e->FuelPressPsi = running ? 28 : battery ? 8 : 0;
    e->Running = running ? 1.0 : 0.0;
    e->Starter = Value(side ? ChanStarterRight : ChanStarterLeft);
    e->ThrottlePercent = Value(side ? ChanThrottleRight : ChanThrottleLeft);
    // The generator comes on line above 50 % N2 and shares the bus load with the other one;
    // its voltage droops a little under load.
    e->GenAmps = SimGeneratorAmps(side);
    e->GenVolts = SimGeneratorOnline(side) ? 28.6 - e->GenAmps * 0.004 : 0.0;
}

static void FlightGps(SimAircraftValues* v)
{
    const SimTimeline& t = SimFlight.Timeline;
    long now = (t.ClockStart + static_cast<long>(std::fmod(SimFlight.Time, 86400))) % 86400;
    v->LocalSeconds = now;
    v->HasWaypoint = t.WaypointCount > 0;
    if (!v->HasWaypoint)
        return;
    const SimWaypoint& w = t.Waypoints[SimFlight.NextWaypoint];
    std::memcpy(v->WaypointIdent, w.ident, 6);
    v->WaypointDistNm = HaversineDistanceNm(SimFlight.Lat, SimFlight.Lon, w.lat, w.lon);
    v->WaypointEtaSeconds = SimFlight.GroundSpeed > 1 ? now + v->WaypointDistNm / SimFlight.GroundSpeed * 3600 : 0;
}

// Traffic: slot n holds target n + 1 of the timeline; a target whose range is not
// positive now is an empty entry (latitude 0); after the last target, change bytes are 0.
static void FlightTraffic(SimAircraftValues* v)
{
    double altitude = Value(ChanAltitude);
    for (int n = 0; n < SimMaxTraffic; ++n) {
        const auto& track = SimFlight.Timeline.Traffic[n];
        SimTrafficValues& t = v->Traffic[n];
        t = SimTrafficValues{};
        if (track[TrafficRange].empty())
            continue;
        auto at = [&](int field) { return SimKeyValue(track[field], false, SimFlight.Time); };
        double range = at(TrafficRange), bearing = at(TrafficBearing) * SimDegToRad;
        if (range > 0) {
            t.Lat = SimFlight.Lat + range * std::cos(bearing) / 60;
            t.Lon = SimFlight.Lon + range * std::sin(bearing) / 60 / std::cos(SimFlight.Lat * SimDegToRad);
        }
        t.Change = SimFlight.TrafficChange[n] ? SimFlight.TrafficChange[n] : 1;
        t.Id = static_cast<uint32_t>(n + 1);
        t.AltitudeFt = altitude + at(TrafficRelAlt);
        t.VsFpm = at(TrafficVs);
    }
}

void SimFlightValues(SimAircraftValues* v)
{
    const SimTimeline& t = SimFlight.Timeline;
    FlightEngine(0, &v->Engine[0]);
    FlightEngine(1, &v->Engine[1]);
    // The emergency bus: from the generators when one is on line, else the battery, whose
    // voltage sags with the load and with its charge.
    bool anyOnline = SimGeneratorOnline(0) || SimGeneratorOnline(1);
    double onBattery = 23.0 + 2.0 * SimFlight.BatteryCharge - SimBusLoadAmps() * 0.006;
    v->EmergencyBusVolts = anyOnline ? 27.9 : Value(ChanBattery) != 0 ? onBattery : 0.0;

    const double capacity[3] = {t.CapacityLeft, t.CapacityRight, t.CapacityCentre};
    const double fuel[3] = {SimFlight.FuelLeft, SimFlight.FuelRight, SimFlight.FuelCentre};
    for (int tank = 0; tank < 3; ++tank)
        v->TankLb[tank] = fuel[tank], v->CapacityLb[tank] = capacity[tank];
    v->PoundsPerGallon = FlightPoundsPerGallon;
    v->SpoilerFraction = Value(ChanSpoilers) / 60;  // 60 degrees full
    v->FlapFraction = Value(ChanFlaps) / 40;        // 40 degrees full
    v->SpoilersArmed = Value(ChanSpoilersArmed);
    v->PitchTrimDeg = Value(ChanPitchTrim);
    v->AileronTrimDeg = Value(ChanAileronTrim);
    v->RudderTrimDeg = Value(ChanRudderTrim);
    v->GearDown = Value(ChanGear);
    v->ParkingBrake = Value(ChanParkingBrake);

    v->Lat = SimFlight.Lat, v->Lon = SimFlight.Lon;
    v->HeadingTrue = SimFlight.HeadingTrue;
    v->MagVar = t.MagVar;
    v->ApHeading = Value(ChanApHeading);
    v->AltitudeFt = Value(ChanAltitude);
    v->VsFpm = SimFlight.VerticalSpeed;
    v->GroundSpeedKt = SimFlight.GroundSpeed;
    v->IasKt = Value(ChanIas);
    v->TasKt = SimFlight.TrueAirspeed;
    v->SatC = Value(ChanSat);
    // The outside air probe reads total temperature: static plus the ram rise.
    double ram = (SimFlight.TrueAirspeed / 100) * (SimFlight.TrueAirspeed / 100);
    v->OatC = v->SatC + ram;
    v->WindFromDeg = Value(ChanWindDirection);
    v->WindKt = Value(ChanWindSpeed);

    v->Battery = Value(ChanBattery);
    v->Avionics = Value(ChanAvionics);
    v->OnGround = Value(ChanOnGround);
    v->Fire = Value(ChanFire);
    v->Doors = Value(ChanDoors);
    v->PitotHeat = Value(ChanPitotHeat);
    v->EngineSync = Value(ChanEngineSync);
    v->NavGps = Value(ChanNavGps);
    FlightGps(v);
    FlightTraffic(v);
}

void SimFlightPublish(SimOffsetSpace& space)
{
    static SimAircraftValues values;
    SimFlightValues(&values);
    SimPublishValues(space, values);
}

void SimPublishCockpitDefaults(SimOffsetSpace& space)
{
    // What the cockpit panel shows before anyone touches it: traffic range 10 NM and the
    // normal altitude band. The soft keys, knobs, dimming and flags start at 0.
    SimPut(space, 0x73FA, 10, 1);
    SimPut(space, 0x7842, 0x04, 1);
}
