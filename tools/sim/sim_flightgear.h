// The FlightGear bridge: orvex-sim fed by FlightGear's generic-protocol output over UDP
// instead of the built-in flight. FlightGear sends one text line per packet, the fields
// of data/flightgear/Protocol/orvex.xml in order, separated by commas; the bridge turns
// each good line into the values the built-in flight would publish and writes the
// cockpit bytes that FlightGear's own bindings set.
#pragma once

#include "sim.h"
#include "sim_values.h"

#include <cstddef>
#include <cstdint>
#include <string>

// ---------------------------------------------------------------------------------------
// The packet (fg_parse.cpp)
// ---------------------------------------------------------------------------------------

// Every field of the protocol, in the order FlightGear sends them. The protocol file we
// ship lists the same properties in the same order (a test holds the two together).
// Kinds: Number (any decimal), Flag (0/1, true/false), Text (the waypoint identifier).
#define ORVEX_FG_ENGINE_FIELDS(X, n)                                                          \
    X(N1_##n, "/engines/engine[" #n "]/n1", Number)                                           \
    X(N2_##n, "/engines/engine[" #n "]/n2", Number)                                           \
    X(IttDegF_##n, "/engines/engine[" #n "]/itt-degf", Number)                                \
    X(OilTempDegF_##n, "/engines/engine[" #n "]/oil-temperature-degf", Number)               \
    X(OilPressPsi_##n, "/engines/engine[" #n "]/oil-pressure-psi", Number)                   \
    X(FuelFlowPph_##n, "/engines/engine[" #n "]/fuel-flow_pph", Number)                      \
    X(Running_##n, "/engines/engine[" #n "]/running", Flag)                                   \
    X(Starter_##n, "/controls/engines/engine[" #n "]/starter", Flag)                          \
    X(Throttle_##n, "/controls/engines/engine[" #n "]/throttle", Number)

#define ORVEX_FG_TANK_FIELDS(X, n)                                                            \
    X(TankLb_##n, "/consumables/fuel/tank[" #n "]/level-lbs", Number)                        \
    X(TankCapacityGal_##n, "/consumables/fuel/tank[" #n "]/capacity-gal_us", Number)

#define ORVEX_FG_TRAFFIC_FIELDS(X, kind, n)                                                   \
    X(Valid_##kind##n, "/ai/models/" #kind "[" #n "]/valid", Flag)                            \
    X(Lat_##kind##n, "/ai/models/" #kind "[" #n "]/position/latitude-deg", Number)            \
    X(Lon_##kind##n, "/ai/models/" #kind "[" #n "]/position/longitude-deg", Number)           \
    X(Alt_##kind##n, "/ai/models/" #kind "[" #n "]/position/altitude-ft", Number)             \
    X(VsFps_##kind##n, "/ai/models/" #kind "[" #n "]/velocities/vertical-speed-fps", Number)

#define ORVEX_FG_UNIT_FIELDS(X, du)                                                           \
    X(Key0_##du, "/orvex/" #du "/key[0]", Flag) X(Key1_##du, "/orvex/" #du "/key[1]", Flag)   \
    X(Key2_##du, "/orvex/" #du "/key[2]", Flag) X(Key3_##du, "/orvex/" #du "/key[3]", Flag)   \
    X(Key4_##du, "/orvex/" #du "/key[4]", Flag) X(Key5_##du, "/orvex/" #du "/key[5]", Flag)   \
    X(Knob_##du, "/orvex/" #du "/knob", Number) X(Dim_##du, "/orvex/" #du "/dim", Number)

#define ORVEX_FG_FIELDS(X)                                                                    \
    X(AltitudeFt, "/position/altitude-ft", Number)                                            \
    X(LatDeg, "/position/latitude-deg", Number)                                               \
    X(LonDeg, "/position/longitude-deg", Number)                                              \
    X(HeadingTrueDeg, "/orientation/heading-deg", Number)                                     \
    X(MagVarDeg, "/environment/magnetic-variation-deg", Number)                               \
    X(HeadingBugDeg, "/autopilot/settings/heading-bug-deg", Number)                           \
    X(VsFps, "/velocities/vertical-speed-fps", Number)                                        \
    X(GroundSpeedKt, "/velocities/groundspeed-kt", Number)                                    \
    X(IasKt, "/instrumentation/airspeed-indicator/indicated-speed-kt", Number)                \
    X(TasKt, "/instrumentation/airspeed-indicator/true-speed-kt", Number)                     \
    X(SatDegC, "/environment/temperature-degc", Number)                                       \
    X(WindFromDeg, "/environment/wind-from-heading-deg", Number)                              \
    X(WindKt, "/environment/wind-speed-kt", Number)                                           \
    X(OnGround, "/gear/gear[0]/wow", Flag)                                                    \
    X(LocalDaySeconds, "/sim/time/local-day-seconds", Number)                                 \
    ORVEX_FG_ENGINE_FIELDS(X, 0)                                                              \
    ORVEX_FG_ENGINE_FIELDS(X, 1)                                                              \
    X(BusVolts, "/systems/electrical/volts", Number)                                          \
    X(BusAmps, "/systems/electrical/amps", Number)                                            \
    X(BatterySwitch, "/controls/switches/master-bat", Flag)                                   \
    X(AvionicsSwitch, "/controls/switches/master-avionics", Flag)                             \
    ORVEX_FG_TANK_FIELDS(X, 0)                                                                \
    ORVEX_FG_TANK_FIELDS(X, 1)                                                                \
    X(CentreTankLb, "/orvex/fuel/centre/level-lbs", Number)                                   \
    X(CentreTankCapacityGal, "/orvex/fuel/centre/capacity-gal_us", Number)                    \
    X(FuelDensityPpg, "/consumables/fuel/tank[0]/density-ppg", Number)                       \
    X(FlapNorm, "/surface-positions/flap-pos-norm", Number)                                   \
    X(SpeedbrakeNorm, "/surface-positions/speedbrake-pos-norm", Number)                       \
    X(SpoilersArmed, "/controls/flight/ground-spoilers-armed", Flag)                          \
    X(PitchTrimDeg, "/controls/flight/elevator-trim", Number)                                 \
    X(AileronTrimDeg, "/controls/flight/aileron-trim", Number)                                \
    X(RudderTrimDeg, "/controls/flight/rudder-trim", Number)                                  \
    X(GearDown, "/gear/gear[0]/position-norm", Number)                                        \
    X(ParkingBrake, "/controls/gear/brake-parking", Number)                                   \
    X(PitotHeat, "/controls/anti-ice/pitot-heat", Flag)                                       \
    X(RouteActive, "/autopilot/route-manager/active", Flag)                                   \
    X(WaypointIdent, "/autopilot/route-manager/wp/id", Text)                                  \
    X(WaypointDistNm, "/autopilot/route-manager/wp/dist", Number)                             \
    X(WaypointEteSeconds, "/autopilot/route-manager/wp/eta-seconds", Number)                  \
    ORVEX_FG_TRAFFIC_FIELDS(X, aircraft, 0)                                                   \
    ORVEX_FG_TRAFFIC_FIELDS(X, aircraft, 1)                                                   \
    ORVEX_FG_TRAFFIC_FIELDS(X, aircraft, 2)                                                   \
    ORVEX_FG_TRAFFIC_FIELDS(X, aircraft, 3)                                                   \
    ORVEX_FG_TRAFFIC_FIELDS(X, multiplayer, 0)                                                \
    ORVEX_FG_TRAFFIC_FIELDS(X, multiplayer, 1)                                                \
    ORVEX_FG_TRAFFIC_FIELDS(X, multiplayer, 2)                                                \
    ORVEX_FG_TRAFFIC_FIELDS(X, multiplayer, 3)                                                \
    ORVEX_FG_UNIT_FIELDS(X, du2)                                                              \
    ORVEX_FG_UNIT_FIELDS(X, du3)                                                              \
    X(Reversion, "/orvex/reversion", Flag)                                                    \
    X(Acknowledge, "/orvex/acknowledge", Flag)

enum FgField {
#define ORVEX_FG_ENUM(name, path, kind) Fg##name,
    ORVEX_FG_FIELDS(ORVEX_FG_ENUM)
#undef ORVEX_FG_ENUM
    FgFieldCount
};
enum FgFieldKind { FgNumber, FgFlag, FgText };
const char* FgFieldProperty(int field);
FgFieldKind FgFieldKindOf(int field);

// Every line starts with this tag (a constant chunk of the protocol file), so a packet
// from another protocol, or from an older version of ours, is told apart at once.
constexpr const char* FgProtocolTag = "ORVEX1";
constexpr int FgTrafficSources = 8;   // four AI aircraft, then four multiplayer aircraft
constexpr size_t FgMaxLine = 4096;    // longer lines are refused whole

struct FgPacket {
    double Value[FgFieldCount];       // Text fields read 0 here
    char Ident[7];                    // the waypoint identifier, up to 6 characters
    int NonFinite;                    // "nan"/"inf" fields, read as 0
};

enum FgLineResult {
    FgLineOk,
    FgLineNoScenery,     // a good line from before the scenery loaded: altitude -9999
    FgLineBadTag,        // not our protocol (or another version of it)
    FgLineFieldCount,    // too few or too many fields
    FgLineBadField,      // a field that is not what its kind allows
    FgLineTooLong,
    FgLineResultCount
};
const char* FgLineResultName(FgLineResult result);

// Parses one line (without its line end; a trailing '\r' is allowed). Never reads past
// `length`; on anything but FgLineOk and FgLineNoScenery the packet is unspecified.
FgLineResult FgParseLine(const char* line, size_t length, FgPacket* packet);

// ---------------------------------------------------------------------------------------
// The bridge (sim_flightgear.cpp)
// ---------------------------------------------------------------------------------------

// Without a good packet for this long the data is stale: the bridge switches the
// displays' power off (battery and avionics masters 0), so both units go dark instead
// of showing frozen values as if they were live. FlightGear sends 10 packets a second;
// three seconds is thirty lost in a row. A busy two-core machine was seen to stall
// FlightGear's output for about two seconds in flight, which should not blank the
// displays; a crashed or restarting FlightGear is still seen at once.
constexpr double FgStaleAfterMs = 3000;

struct FgBridgeCounters {
    long Datagrams = 0;
    long Lines = 0;
    long Packets = 0;                  // good lines published
    long Rejected[FgLineResultCount] = {};  // by reason; [FgLineNoScenery] ignored lines
    long NonFinite = 0;
    long Stalls = 0;                   // times the data went stale after being live
};

struct FgBridgeState {
    int Socket = -1;
    FgBridgeCounters Counters;
    bool Live = false;                 // a good packet within FgStaleAfterMs
    double LastPacketMs = 0;
    SimAircraftValues Values;          // as last published from a packet
    // Cockpit inputs as the previous packet had them: bytes are written only when
    // FlightGear's value changes, so orvex-panel can still be used alongside.
    bool HaveCockpit = false;
    double Cockpit[FgFieldCount];
    // Traffic change bytes, stepped when a target moves, per source.
    uint8_t TrafficChange[FgTrafficSources] = {};
    double TrafficLast[FgTrafficSources][3] = {};
    int Messages = 0;                  // rejected-line messages printed so far
};
extern FgBridgeState FgBridge;

void FgBridgeReset();
// The values a packet means, in engineering units. `previous` carries the traffic change
// bytes from packet to packet.
void FgPacketValues(const FgPacket& packet, SimAircraftValues* values, FgBridgeState* previous);
// Writes the cockpit bytes whose FlightGear property changed since the last packet.
void FgApplyCockpit(const FgPacket& packet, SimOffsetSpace& space);
// One datagram as received (it may hold several lines): every good line is published.
void FgHandleDatagram(const char* data, size_t length, double nowMs, SimOffsetSpace& space);
// Marks the data stale when no good packet came for FgStaleAfterMs.
void FgCheckStale(double nowMs, SimOffsetSpace& space);

// Opens the UDP socket for "[HOST:]PORT" (HOST the local address to listen on, all
// interfaces without it). False with a message on a bad spelling or a busy port.
bool FgBridgeOpen(const std::string& where, std::string* why);
// Reads every datagram waiting on the socket, then checks for staleness.
void FgBridgePoll(double nowMs, SimOffsetSpace& space);
void FgBridgeClose();
// The start state: nothing received yet, so the displays are dark until data comes.
void FgBridgePublishStart(SimOffsetSpace& space);
