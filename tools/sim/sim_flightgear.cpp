// The FlightGear bridge: FlightGear's generic-protocol packets in, the offset space out.
// Each good packet becomes the values the built-in flight would publish (the same
// SimPublishValues writes them), and the cockpit properties that FlightGear's bindings
// set become the panel bytes. Lines that do not read are counted and skipped; without
// good packets for the stale time-out the displays are switched dark until packets return.
// Owns: FgBridge. Writes: the offset space it is given.
#include "sim_flightgear.h"

#include "map/geodesy.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

FgBridgeState FgBridge;

void FgBridgeReset()
{
    // The share's sender is set up after this (FgBridgeShare), so only the socket stays.
    int socket = FgBridge.Socket;
    PlatformUdpClose(FgBridge.Share.Sender);
    FgBridge = FgBridgeState{};
    FgBridge.Socket = socket;
}

// ---------------------------------------------------------------------------------------
// Packet to values
// ---------------------------------------------------------------------------------------

static double FahrenheitToCelsius(double f)
{
    // FlightGear sends 0 for a property the aircraft does not have (the piston c172p has
    // no turbine temperature): exactly 0.00 degF is taken as "not published" and shown as
    // 0 degC rather than a made-up -17.8.
    return f == 0 ? 0 : (f - 32) * 5 / 9;
}

static void EngineValues(const FgPacket& p, int n, SimEngineValues* e)
{
    const double* v = p.Value;
    const int base = n == 0 ? FgN1_0 : FgN1_1;  // the engine's nine fields, in table order
    e->N1 = v[base + (FgN1_0 - FgN1_0)];
    e->N2 = v[base + (FgN2_0 - FgN1_0)];
    e->IttC = FahrenheitToCelsius(v[base + (FgIttDegF_0 - FgN1_0)]);
    e->OilTempC = FahrenheitToCelsius(v[base + (FgOilTempDegF_0 - FgN1_0)]);
    e->OilPressPsi = v[base + (FgOilPressPsi_0 - FgN1_0)];
    e->FuelFlowPph = std::max(0.0, v[base + (FgFuelFlowPph_0 - FgN1_0)]);
    e->Running = v[base + (FgRunning_0 - FgN1_0)];
    e->Starter = v[base + (FgStarter_0 - FgN1_0)];
    e->ThrottlePercent = v[base + (FgThrottle_0 - FgN1_0)] * 100;
    // Hydraulic and fuel pressures have no generic FlightGear property: 0, as documented.
    e->HydPressPsi = 0;
    e->FuelPressPsi = 0;
}
static_assert(FgN1_1 - FgN1_0 == FgThrottle_0 - FgN1_0 + 1, "engine fields are nine in a row");

// Below this true airspeed an AI or multiplayer aircraft is taken to be on the ground
// (parked at a gate, taxiing, early in its take-off run) and is no traffic target: a
// collision-avoidance display sees aircraft in the air, and an airliner parked at the
// terminal would otherwise sit on the display as a target beside the runway. FlightGear
// does not tell whether an AI aircraft is on the ground; its speed is the honest sign.
constexpr double FgTrafficAirborneKt = 40;

// Traffic: the valid AI and multiplayer aircraft fill the table's slots in order; the
// slot after the last one ends the table. A target's change byte steps when it moved.
static void TrafficValues(const FgPacket& p, SimAircraftValues* values, FgBridgeState* state)
{
    int slot = 0;
    for (int source = 0; source < FgTrafficSources; ++source) {
        const int base = FgValid_aircraft0 + source * (FgValid_aircraft1 - FgValid_aircraft0);
        if (p.Value[base] == 0)
            continue;
        // The first protocol version sends no traffic speeds: every valid target shows.
        if (p.Version >= 2 && p.Value[FgTasKt_aircraft0 + source] < FgTrafficAirborneKt)
            continue;
        double lat = p.Value[base + 1], lon = p.Value[base + 2], alt = p.Value[base + 3];
        double* last = state->TrafficLast[source];
        if (state->TrafficChange[source] == 0 || lat != last[0] || lon != last[1] || alt != last[2]) {
            state->TrafficChange[source] = static_cast<uint8_t>(state->TrafficChange[source] % 255 + 1);
            last[0] = lat, last[1] = lon, last[2] = alt;
        }
        SimTrafficValues& t = values->Traffic[slot++];
        t.Change = state->TrafficChange[source];
        t.Id = static_cast<uint32_t>(source < 4 ? source + 1 : 100 + source - 3);  // AI 1-4, multiplayer 101-104
        t.Lat = lat, t.Lon = lon, t.AltitudeFt = alt;
        t.VsFpm = p.Value[base + 4] * 60;
    }
    for (; slot < SimMaxTraffic; ++slot)
        values->Traffic[slot] = SimTrafficValues{};
}
static_assert(FgVsFps_aircraft0 == FgValid_aircraft0 + 4, "traffic fields are five in a row");

static void FuelAndSurfaces(const double* v, SimAircraftValues* values)
{
    // FlightGear numbers tanks per aircraft; the protocol file says which are the left and
    // right mains and the centre tank (the c172p has none: its chunks name no property).
    const int levels[3] = {FgTankLb_0, FgTankLb_1, FgCentreTankLb};
    const int capacities[3] = {FgTankCapacityGal_0, FgTankCapacityGal_1, FgCentreTankCapacityGal};
    values->PoundsPerGallon = std::max(0.0, v[FgFuelDensityPpg]);
    for (int tank = 0; tank < 3; ++tank) {
        values->TankLb[tank] = std::max(0.0, v[levels[tank]]);
        values->CapacityLb[tank] = std::max(0.0, v[capacities[tank]]) * values->PoundsPerGallon;
    }
    values->FlapFraction = v[FgFlapNorm];
    values->SpoilerFraction = v[FgSpeedbrakeNorm];
    values->SpoilersArmed = v[FgSpoilersArmed];
    values->PitchTrimDeg = v[FgPitchTrimDeg];
    values->AileronTrimDeg = v[FgAileronTrimDeg];
    values->RudderTrimDeg = v[FgRudderTrimDeg];
    values->GearDown = v[FgGearDown] > 0.5 ? 1 : 0;  // the nose gear's position, 1 = down and locked
    values->ParkingBrake = v[FgParkingBrake] > 0.5 ? 1 : 0;
}

static void AirData(const double* v, SimAircraftValues* values)
{
    values->Lat = v[FgLatDeg], values->Lon = v[FgLonDeg];
    values->HeadingTrue = v[FgHeadingTrueDeg];
    values->MagVar = v[FgMagVarDeg];
    // The heading bug is set on the heading indicator's card, a gyro that FlightGear shows
    // as true heading plus the indicator's offset (minus the variation when aligned with
    // the compass, plus the drift since). The autopilot turns until the bug is under the
    // lubber line, so the magnetic heading it will hold, shown here, is the bug less the
    // offset and the variation: the bug itself when the card is aligned. An aircraft
    // without the instrument sends offset 0: its bug is taken as magnetic. Until the pilot
    // turns the knob the c172p's bug is 0: north, as on its own indicator.
    double offset = v[FgHeadingIndicatorOffsetDeg];
    double bug = offset != 0 ? v[FgHeadingBugDeg] - offset - v[FgMagVarDeg] : v[FgHeadingBugDeg];
    values->ApHeading = std::fmod(std::fmod(bug, 360) + 360, 360);
    values->AltitudeFt = v[FgAltitudeFt];
    values->VsFpm = v[FgVsFps] * 60;
    values->GroundSpeedKt = v[FgGroundSpeedKt];
    values->IasKt = std::max(0.0, v[FgIasKt]);
    values->TasKt = std::max(0.0, v[FgTasKt]);
    values->SatC = v[FgSatDegC];
    // The outside air probe reads total temperature: static plus the ram rise v^2 / 2cp
    // (true airspeed in m/s, cp of air 1005 J/kg K).
    double tas = values->TasKt * MetresPerNm / 3600;
    values->OatC = values->SatC + tas * tas / (2 * 1005.0);
    values->WindFromDeg = v[FgWindFromDeg];
    values->WindKt = std::max(0.0, v[FgWindKt]);
    values->OnGround = v[FgOnGround];
}

void FgPacketValues(const FgPacket& p, SimAircraftValues* values, FgBridgeState* state)
{
    const double* v = p.Value;
    EngineValues(p, 0, &values->Engine[0]);
    EngineValues(p, 1, &values->Engine[1]);
    // FlightGear's generic electrical system has one bus: its volts and amperes are the
    // left generator's, and the emergency bus reads the same bus. The right side stays 0.
    values->Engine[0].GenVolts = v[FgBusVolts];
    values->Engine[0].GenAmps = v[FgBusAmps];
    values->Engine[1].GenVolts = values->Engine[1].GenAmps = 0;
    values->EmergencyBusVolts = v[FgBusVolts];
    FuelAndSurfaces(v, values);
    AirData(v, values);
    values->Battery = v[FgBatterySwitch];
    values->Avionics = v[FgAvionicsSwitch];
    values->PitotHeat = v[FgPitotHeat];
    values->Fire = values->Doors = values->EngineSync = 0;
    // The GPS block shows while a route is active, with the route manager's next waypoint.
    values->NavGps = v[FgRouteActive];
    values->LocalSeconds = static_cast<long>(std::clamp(v[FgLocalDaySeconds], 0.0, 86399.0));
    values->HasWaypoint = v[FgRouteActive] != 0 && p.Ident[0] != 0;
    std::memcpy(values->WaypointIdent, p.Ident, sizeof values->WaypointIdent);
    values->WaypointDistNm = std::max(0.0, v[FgWaypointDistNm]);
    // The route manager's time to the waypoint; none (0) while it has no estimate.
    double ete = v[FgWaypointEteSeconds];
    values->WaypointEtaSeconds = ete > 0 && ete < 86400 ? values->LocalSeconds + ete : 0;
    TrafficValues(p, values, state);
}

// ---------------------------------------------------------------------------------------
// Cockpit inputs
// ---------------------------------------------------------------------------------------

static uint8_t Byte(const SimOffsetSpace& s, uint32_t offset)
{
    return s.Bytes[offset];
}

static uint8_t KeyMask(const double* v, int firstKey)
{
    uint8_t mask = 0;
    for (int k = 0; k < 6; ++k)
        if (v[firstKey + k] != 0)
            mask = static_cast<uint8_t>(mask | (1 << k));
    return mask;
}

static uint8_t DimByte(double value)
{
    return value >= 255 ? 255 : value > 0 ? static_cast<uint8_t>(std::lround(value)) : 0;
}

// One unit's keys, knob and dimming. The knob property counts steps (any integer, up or
// down); its difference from the last packet moves the unit's wrapping counter.
static void ApplyUnit(const double* now, const double* before, bool first, int keys, int knob, int dim,
                      uint32_t keyAt, uint32_t knobAt, uint32_t dimAt, SimOffsetSpace& s)
{
    uint8_t mask = KeyMask(now, keys);
    if (first ? mask != 0 : mask != KeyMask(before, keys))
        s.Bytes[keyAt] = mask;
    if (!first) {
        double steps = now[knob] - before[knob];
        long delta = steps > 1e6 ? 1000000 : steps < -1e6 ? -1000000 : steps == steps ? std::lround(steps) : 0;
        if (delta != 0)
            s.Bytes[knobAt] = static_cast<uint8_t>((Byte(s, knobAt) + delta) & 0xFF);
    }
    if (first ? now[dim] != 0 : DimByte(now[dim]) != DimByte(before[dim]))
        s.Bytes[dimAt] = DimByte(now[dim]);
}

void FgApplyCockpit(const FgPacket& p, SimOffsetSpace& s)
{
    const double* now = p.Value;
    const double* before = FgBridge.Cockpit;
    bool first = !FgBridge.HaveCockpit;
    ApplyUnit(now, before, first, FgKey0_du2, FgKnob_du2, FgDim_du2, 0x73F8, 0x73FC, 0x73D8, s);
    ApplyUnit(now, before, first, FgKey0_du3, FgKnob_du3, FgDim_du3, 0x73F9, 0x73FD, 0x73D9, s);
    bool reverted = now[FgReversion] != 0;
    if (first ? reverted : reverted != (before[FgReversion] != 0))
        s.Bytes[0x73FB] = static_cast<uint8_t>((Byte(s, 0x73FB) & ~1) | (reverted ? 1 : 0));
    // Acknowledge is a request: its rising edge sets bit 5 of the shared flag byte, which
    // the unit showing the EICAS clears once it has acknowledged.
    if (now[FgAcknowledge] != 0 && (first || before[FgAcknowledge] == 0))
        s.Bytes[0x73D5] = static_cast<uint8_t>(Byte(s, 0x73D5) | 0x20);
    std::memcpy(FgBridge.Cockpit, now, sizeof FgBridge.Cockpit);
    FgBridge.HaveCockpit = true;
}

// ---------------------------------------------------------------------------------------
// Datagrams, staleness
// ---------------------------------------------------------------------------------------

// The displays dark: the values as last published, with the battery and avionics
// masters off. Nothing else is invented; when packets return they are replaced whole.
static void PublishStale(SimOffsetSpace& space)
{
    SimAircraftValues dark = FgBridge.Values;
    dark.Battery = dark.Avionics = 0;
    SimPublishValues(space, dark);
}

void FgBridgePublishStart(SimOffsetSpace& space)
{
    // Before the first packet the position is the displays' own start-up position.
    FgBridge.Values.Lat = 32.7335556, FgBridge.Values.Lon = -117.1896667;
    PublishStale(space);
}

static void NoteRejected(FgLineResult result, size_t length)
{
    ++FgBridge.Counters.Rejected[result];
    if (result == FgLineNoScenery || FgBridge.Messages >= 5)
        return;
    if (++FgBridge.Messages == 5)
        std::fprintf(stderr, "orvex-sim: flightgear: skipped a line of %zu bytes: %s (further skips are only counted)\n",
                     length, FgLineResultName(result));
    else
        std::fprintf(stderr, "orvex-sim: flightgear: skipped a line of %zu bytes: %s\n", length, FgLineResultName(result));
}

// The displays show anything only while the aircraft's battery master is on: a packet
// alone does not make them live (the c172p starts FlightGear with its battery off and
// switches it on 10-14 s later), so "live" is said when they are.
static void NotePower()
{
    bool powered = FgBridge.Values.Battery != 0;
    if (powered == FgBridge.Powered)
        return;
    FgBridge.Powered = powered;
    if (powered)
        std::fprintf(stderr, "orvex-sim: flightgear: the battery master is on, the displays are live\n");
    else
        std::fprintf(stderr, "orvex-sim: flightgear: the battery master is off, the displays are dark\n");
}

// FlightGear sends at most once per frame of its own: a machine too busy to give it its
// frames shows as packets coming slowly. Said once, after the first stretch of a stream.
static void CheckPacketRate(double nowMs)
{
    if (FgBridge.RateAdvised || nowMs - FgBridge.LiveSinceMs < FgRateWindowMs)
        return;
    FgBridge.RateAdvised = true;
    double rate = (FgBridge.Counters.Packets - FgBridge.LiveSincePackets) * 1000.0 / (nowMs - FgBridge.LiveSinceMs);
    if (rate < FgSlowPacketsPerSecond)
        std::fprintf(stderr,
                     "orvex-sim: flightgear: only %.1f packets a second arrive: FlightGear is short of processor "
                     "time; run the display units with --fps 10 and FlightGear with --max-fps=20 (docs/FLIGHTGEAR.md)\n",
                     rate);
}

static void HandleLine(const char* line, size_t length, double nowMs, SimOffsetSpace& space)
{
    ++FgBridge.Counters.Lines;
    static FgPacket packet;
    FgLineResult result = FgParseLine(line, length, &packet);
    if (result != FgLineOk) {
        NoteRejected(result, length);
        return;
    }
    ++FgBridge.Counters.Packets;
    FgBridge.Counters.NonFinite += packet.NonFinite;
    // Every silence FlightGear came back from within FgStaleMaxMs was a stall, also one
    // that outlasted the time-out then: the time-out grows to ride out the next like it.
    double silence = nowMs - FgBridge.LastPacketMs;
    if (FgBridge.Counters.Packets > 1 && silence < FgStaleMaxMs)
        FgBridge.LongestStallMs = std::max(FgBridge.LongestStallMs, silence);
    // The units' own changes to the shared byte are counted before the bridge writes it.
    FgShareNoteLocal(FgBridge.Share, space);
    FgPacketValues(packet, &FgBridge.Values, &FgBridge);
    SimPublishValues(space, FgBridge.Values);
    FgApplyCockpit(packet, space);
    FgShareOffer(FgBridge.Share, packet, nowMs, space);
    if (!FgBridge.Live) {
        const char* power = FgBridge.Values.Battery != 0
                                ? "the displays are live"
                                : "the aircraft's battery master is off, the displays stay dark until it is on";
        if (FgBridge.Counters.Packets == 1)
            std::fprintf(stderr, "orvex-sim: flightgear: first packet, %s\n", power);
        else
            std::fprintf(stderr, "orvex-sim: flightgear: packets again after %.1f s, %s\n",
                         (nowMs - FgBridge.LastPacketMs) / 1000, power);
        FgBridge.Live = true;
        FgBridge.Powered = FgBridge.Values.Battery != 0;
        FgBridge.LiveSinceMs = nowMs;
        FgBridge.LiveSincePackets = FgBridge.Counters.Packets - 1;
    }
    NotePower();
    CheckPacketRate(nowMs);
    FgBridge.LastPacketMs = nowMs;
}

void FgHandleDatagram(const char* data, size_t length, double nowMs, SimOffsetSpace& space)
{
    ++FgBridge.Counters.Datagrams;
    size_t at = 0;
    while (at < length) {
        const void* newline = std::memchr(data + at, '\n', length - at);
        size_t end = newline ? static_cast<const char*>(newline) - data : length;
        if (end > at)
            HandleLine(data + at, end - at, nowMs, space);
        at = end + 1;
    }
}

double FgStaleTimeoutMs()
{
    return std::clamp(2 * FgBridge.LongestStallMs, FgStaleMinMs, FgStaleMaxMs);
}

void FgCheckStale(double nowMs, SimOffsetSpace& space)
{
    if (!FgBridge.Live || nowMs - FgBridge.LastPacketMs < FgStaleTimeoutMs())
        return;
    FgBridge.Live = false;
    FgBridge.Powered = false;
    // A FlightGear that comes back may be a new one whose knob properties start again at
    // 0: its first packet sets the baseline again instead of turning the knobs.
    FgBridge.HaveCockpit = false;
    ++FgBridge.Counters.Stalls;
    std::fprintf(stderr, "orvex-sim: flightgear: no packet for %.0f s, the displays are dark until packets return\n",
                 FgStaleTimeoutMs() / 1000);
    PublishStale(space);
}

bool FgBridgeOpen(const std::string& where, std::string* why)
{
    std::string host, port = where;
    size_t colon = where.rfind(':');
    if (colon != std::string::npos)
        host = where.substr(0, colon), port = where.substr(colon + 1);
    char* end = nullptr;
    long number = port.empty() ? -1 : std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != 0 || number < 1 || number > 65535) {
        *why = "--flightgear wants [HOST:]PORT with PORT 1-65535, not '" + where + "'";
        return false;
    }
    FgBridgeReset();
    FgBridge.Socket = PlatformUdpListen(host, static_cast<int>(number), why);
    if (FgBridge.Socket < 0)
        return false;
    FgBridge.Listening = (host.empty() ? "*" : host) + ":" + std::to_string(number);
    return true;
}

void FgBridgeAnnounce()
{
    std::fprintf(stderr, "orvex-sim: flightgear: listening on UDP %s; the displays are dark until the first packet\n",
                 FgBridge.Listening.c_str());
    if (FgBridge.Share.Slot != 0)
        std::fprintf(stderr, "orvex-sim: flightgear: sharing the flag byte 0x73D5 as slot %d through FlightGear's input %s\n",
                     FgBridge.Share.Slot, FgBridge.Share.Target.c_str());
}

void FgBridgePoll(double nowMs, SimOffsetSpace& space)
{
    // One datagram buffer of the largest UDP payload: anything bigger than FgMaxLine is
    // refused anyway, but reading whole datagrams keeps the lines of one packet together.
    static char buffer[65536];
    for (int i = 0; i < 1000 && FgBridge.Socket >= 0; ++i) {
        long got = PlatformUdpReceive(FgBridge.Socket, buffer, sizeof buffer);
        if (got < 0)
            break;
        if (static_cast<size_t>(got) > sizeof buffer) {
            ++FgBridge.Counters.Datagrams;
            ++FgBridge.Counters.Lines;
            NoteRejected(FgLineTooLong, static_cast<size_t>(got));
            continue;
        }
        FgHandleDatagram(buffer, static_cast<size_t>(got), nowMs, space);
    }
    FgCheckStale(nowMs, space);
    FgShareState& share = FgBridge.Share;
    if (share.Sender < 0)
        return;
    FgShareNoteLocal(share, space);
    FgShareTakePending(share, nowMs, space);
    if (share.Dirty || nowMs - share.LastSentMs >= FgShareResendMs) {
        char line[128];
        size_t length = FgShareLine(share, line, sizeof line);
        // A FlightGear not (yet) listening refuses the datagram: the copy goes out again
        // with the next change or resend.
        PlatformUdpSend(share.Sender, line, length);
        share.Dirty = false;
        share.LastSentMs = nowMs;
        ++share.Sent;
    }
}

void FgBridgeClose()
{
    const FgBridgeCounters& c = FgBridge.Counters;
    long rejected = 0;
    for (int r = FgLineNoScenery + 1; r < FgLineResultCount; ++r)
        rejected += c.Rejected[r];
    std::fprintf(stderr,
                 "orvex-sim: flightgear: %ld packets used, %ld before the scenery loaded, %ld lines skipped "
                 "(%ld not ours, %ld wrong field count, %ld bad field, %ld too long), %ld stalls\n",
                 c.Packets, c.Rejected[FgLineNoScenery], rejected, c.Rejected[FgLineBadTag], c.Rejected[FgLineFieldCount],
                 c.Rejected[FgLineBadField], c.Rejected[FgLineTooLong], c.Stalls);
    if (FgBridge.Share.Slot != 0)
        std::fprintf(stderr, "orvex-sim: flightgear: shared flag byte: %ld copies sent as slot %d, %ld bits taken from the other\n",
                     FgBridge.Share.Sent, FgBridge.Share.Slot, FgBridge.Share.Taken);
    PlatformUdpClose(FgBridge.Socket);
    FgBridge.Socket = -1;
    PlatformUdpClose(FgBridge.Share.Sender);
    FgBridge.Share.Sender = -1;
}

// ---------------------------------------------------------------------------------------
// The shared flag byte
// ---------------------------------------------------------------------------------------

void FgShareNoteLocal(FgShareState& share, const SimOffsetSpace& space)
{
    uint8_t now = space.Bytes[FgSharedFlagsOffset];
    if (!share.HaveLeft) {
        // What is set when the bridge first looks counts as one change, so another
        // computer takes it (a count of 0 would read as no bridge there).
        for (int b = 0; b < FgShareBits; ++b)
            share.Changes[b] = (now >> b) & 1;
        share.Left = now;
        share.HaveLeft = true;
        share.Dirty = true;
        return;
    }
    uint8_t changed = static_cast<uint8_t>((now ^ share.Left) & FgShareMask);
    for (int b = 0; b < FgShareBits; ++b)
        if (changed & (1 << b))
            share.Changes[b] = share.Changes[b] >= FgShareCountWrap ? 1 : share.Changes[b] + 1;
    if (changed)
        share.Dirty = true;
    share.Left = now;
}

void FgShareTake(FgShareState& share, const FgPacket& packet, SimOffsetSpace& space)
{
    if (share.Slot == 0)
        return;
    uint8_t byte = space.Bytes[FgSharedFlagsOffset];
    for (int slot = 1; slot <= FgShareSlots; ++slot) {
        if (slot == share.Slot)
            continue;  // our own copy, echoed
        const int base = FgShareFlags_1 + (slot - 1) * (FgShareFlags_2 - FgShareFlags_1);
        long counts[FgShareBits];
        bool any = false;
        for (int b = 0; b < FgShareBits; ++b) {
            double count = packet.Value[base + 1 + b];
            counts[b] = count > 0 && count <= FgShareCountWrap ? static_cast<long>(count) : 0;
            any = any || counts[b] != 0;
        }
        if (!any)
            continue;
        double flags = packet.Value[base];
        uint8_t theirs = flags > 0 && flags < 256 ? static_cast<uint8_t>(flags) : 0;
        long* seen = share.Seen[slot - 1];
        for (int b = 0; b < FgShareBits; ++b) {
            if (counts[b] == seen[b])
                continue;
            seen[b] = counts[b];
            uint8_t bit = static_cast<uint8_t>(1 << b);
            byte = static_cast<uint8_t>((byte & ~bit) | (theirs & bit));
            ++share.Taken;
        }
    }
    space.Bytes[FgSharedFlagsOffset] = byte;
    share.Left = byte;
    share.HaveLeft = true;
}
static_assert(FgShareChanges5_1 == FgShareFlags_1 + FgShareBits, "a slot is its flags and one count per bit");

void FgShareOffer(FgShareState& share, const FgPacket& packet, double nowMs, SimOffsetSpace& space)
{
    if (share.Slot == 0)
        return;
    if (!space.SharedFlagsReadOpen) {
        share.TakePending = false;
        FgShareTake(share, packet, space);
        return;
    }
    // The newest packet carries every count so far: it replaces one still waiting.
    if (!share.TakePending)
        share.PendingSinceMs = nowMs;
    share.TakePending = true;
    share.Pending = packet;
    // What the bridge itself wrote from this packet (FlightGear's acknowledge) is no
    // change of this computer's units.
    share.Left = space.Bytes[FgSharedFlagsOffset];
    share.HaveLeft = true;
}

void FgShareTakePending(FgShareState& share, double nowMs, SimOffsetSpace& space)
{
    if (!share.TakePending || (space.SharedFlagsReadOpen && nowMs - share.PendingSinceMs < FgShareTakeWaitMs))
        return;
    share.TakePending = false;
    FgShareTake(share, share.Pending, space);
}

size_t FgShareLine(const FgShareState& share, char* line, size_t capacity)
{
    const long* c = share.Changes;
    int length = std::snprintf(line, capacity, "%u,%ld,%ld,%ld,%ld,%ld,%ld\n", share.Left & FgShareMask, c[0], c[1],
                               c[2], c[3], c[4], c[5]);
    return length > 0 ? std::min(static_cast<size_t>(length), capacity - 1) : 0;
}

bool FgBridgeShare(const std::string& spec, std::string* why)
{
    // SLOT:HOST:PORT
    size_t first = spec.find(':'), last = spec.rfind(':');
    std::string slot = spec.substr(0, first);
    std::string host = first == last ? "" : spec.substr(first + 1, last - first - 1);
    char* end = nullptr;
    long port = first == last ? -1 : std::strtol(spec.c_str() + last + 1, &end, 10);
    if ((slot != "1" && slot != "2") || host.empty() || port < 1 || port > 65535 || *end != 0) {
        *why = "--flightgear-share wants SLOT:HOST:PORT with SLOT 1 or 2, HOST FlightGear's address and PORT its "
               "input port for that slot, not '" + spec + "'";
        return false;
    }
    int sender = PlatformUdpSender(host, static_cast<int>(port));
    if (sender < 0) {
        *why = "--flightgear-share: cannot send to " + host + ":" + std::to_string(port) + " (HOST must be a numeric IPv4 address)";
        return false;
    }
    FgBridge.Share.Slot = slot[0] - '0';
    FgBridge.Share.Sender = sender;
    FgBridge.Share.Target = host + ":" + std::to_string(port);
    return true;
}
