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

// The traffic sources in order: four AI aircraft, then four multiplayer aircraft.
#define ORVEX_FG_EACH_TRAFFIC_SOURCE(FIELDS, X)                                               \
    FIELDS(X, aircraft, 0) FIELDS(X, aircraft, 1) FIELDS(X, aircraft, 2) FIELDS(X, aircraft, 3) \
    FIELDS(X, multiplayer, 0) FIELDS(X, multiplayer, 1) FIELDS(X, multiplayer, 2) FIELDS(X, multiplayer, 3)

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
    ORVEX_FG_EACH_TRAFFIC_SOURCE(ORVEX_FG_TRAFFIC_FIELDS, X)                                  \
    ORVEX_FG_UNIT_FIELDS(X, du2)                                                              \
    ORVEX_FG_UNIT_FIELDS(X, du3)                                                              \
    X(Reversion, "/orvex/reversion", Flag)                                                    \
    X(Acknowledge, "/orvex/acknowledge", Flag)                                                \
    ORVEX_FG_FIELDS_ADDED_IN_2(X)

// Fields added with the protocol's second version, after every field of the first, so a
// line of the first version (an older protocol file still in FlightGear's data folder)
// still reads: its missing fields read 0 and FgPacket::Version says which it was.
#define ORVEX_FG_TRAFFIC_SPEED_FIELD(X, kind, n)                                              \
    X(TasKt_##kind##n, "/ai/models/" #kind "[" #n "]/velocities/true-airspeed-kt", Number)
// One display computer's copy of the shared flag byte 0x73D5 as its bridge last sent it
// to FlightGear, and per shared bit the number of times that computer's own units or
// panel changed the bit (see FgShareState).
#define ORVEX_FG_SHARE_FIELDS(X, n)                                                           \
    X(ShareFlags_##n, "/orvex/share" #n "/flags", Number)                                     \
    X(ShareChanges0_##n, "/orvex/share" #n "/changes[0]", Number)                             \
    X(ShareChanges1_##n, "/orvex/share" #n "/changes[1]", Number)                             \
    X(ShareChanges2_##n, "/orvex/share" #n "/changes[2]", Number)                             \
    X(ShareChanges3_##n, "/orvex/share" #n "/changes[3]", Number)                             \
    X(ShareChanges4_##n, "/orvex/share" #n "/changes[4]", Number)                             \
    X(ShareChanges5_##n, "/orvex/share" #n "/changes[5]", Number)
#define ORVEX_FG_FIELDS_ADDED_IN_2(X)                                                         \
    X(HeadingIndicatorOffsetDeg, "/instrumentation/heading-indicator/offset-deg", Number)       \
    ORVEX_FG_EACH_TRAFFIC_SOURCE(ORVEX_FG_TRAFFIC_SPEED_FIELD, X)                             \
    ORVEX_FG_SHARE_FIELDS(X, 1)                                                               \
    ORVEX_FG_SHARE_FIELDS(X, 2)

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
// from another protocol, or from another version of ours, is told apart at once. The
// first version's lines ("ORVEX1", the fields up to FgAcknowledge) are still taken.
constexpr const char* FgProtocolTag = "ORVEX2";
constexpr const char* FgProtocolTagVersion1 = "ORVEX1";
constexpr int FgFieldCountVersion1 = FgHeadingIndicatorOffsetDeg;
constexpr int FgTrafficSources = 8;   // four AI aircraft, then four multiplayer aircraft
constexpr size_t FgMaxLine = 4096;    // longer lines are refused whole

struct FgPacket {
    double Value[FgFieldCount];       // Text fields read 0 here
    char Ident[7];                    // the waypoint identifier, up to 6 characters
    int NonFinite;                    // "nan"/"inf" fields, read as 0
    int Version;                      // 1 or 2: the protocol version the line came in
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

// Without a good packet for the stale time-out the data is stale: the bridge switches the
// displays' power off (battery and avionics masters 0), so both units go dark instead of
// showing frozen values as if they were live. FlightGear does not send at the rate asked
// for but once per frame of its own when that is slower, and its output stalls while it
// loads scenery: on a loaded two-core machine 3-9 packets a second came with stalls of
// 3-6 s, on a machine loaded to 18 runnable processes under one packet a second with
// stalls up to 14 s. A fixed time-out short enough to see a killed FlightGear soon takes
// the displays dark and through their 3.3 s power-on fade at every such stall, so the
// time-out follows the stream: twice the longest silence FlightGear came back from in
// this run, never below FgStaleMinMs and never above FgStaleMaxMs. A silence longer than
// FgStaleMaxMs is a FlightGear that went away (a restart takes minutes), not a stall.
constexpr double FgStaleMinMs = 10000;
constexpr double FgStaleMaxMs = 60000;

// When FlightGear's packets come this slowly, averaged over the first FgRateWindowMs of
// a live stream, the machine is short of processor time: the bridge says so once, with
// the advice to run the units at a lower frame rate.
constexpr double FgSlowPacketsPerSecond = 8;
constexpr double FgRateWindowMs = 20000;

// ---------------------------------------------------------------------------------------
// The shared flag byte across display computers
// ---------------------------------------------------------------------------------------
// On one module the panel and both units read and write one byte, 0x73D5. With two display
// computers each has its own bridge and its own copy of the byte, so FlightGear carries it
// between them: each bridge sends its copy into FlightGear's property tree under its own
// slot (/orvex/share1 or /orvex/share2, through an input protocol of its own) and FlightGear
// sends every slot back to every bridge in its output packets.
//
// The merge works bit by bit on changes, not on values. Each bridge counts, per bit, how
// often its own units and panel changed the bit; a bridge that sees another slot's count
// for a bit move takes that slot's value of the bit. So whoever changed a bit last wins,
// as on one module, and an edge is never lost to sampling: an acknowledge bit set and
// cleared again between two of FlightGear's frames still moves the count, and the other
// computer takes the cleared bit. A bit the bridge itself took from another slot is not
// counted as its own change, so nothing echoes back and forth. A slot whose counts are all
// 0 has no bridge behind it (or FlightGear has just restarted and not heard from it yet)
// and is ignored.
constexpr int FgShareSlots = 2;
constexpr int FgShareBits = 6;   // bits 0-5: configuration notice, N1 manual, masters, acknowledge
constexpr uint8_t FgShareMask = (1 << FgShareBits) - 1;
constexpr uint32_t FgSharedFlagsOffset = 0x73D5;
// Counts wrap here, well inside the int FlightGear's property holds; only a change of a
// count matters.
constexpr long FgShareCountWrap = 1000000000;
// A change goes out at once; without one the copy is sent again this often, so a lost
// datagram or a restarted FlightGear is made good.
constexpr double FgShareResendMs = 500;
// A unit that read the byte and has not yet written it back would write a bit taken
// meanwhile back as it was, and an acknowledge from the other computer would be lost: the
// bridge takes bits only while no such change is under way, or once one has been open
// this long (a client that only reads the byte, as the MFD's crew-alert prompt does).
constexpr double FgShareTakeWaitMs = 100;

struct FgShareState {
    int Slot = 0;                      // 1 or 2; 0 when not sharing
    int Sender = -1;                   // UDP socket to FlightGear's input port
    std::string Target;                // that port as "HOST:PORT"
    uint8_t Left = 0;                  // 0x73D5 as the bridge last left it
    bool HaveLeft = false;
    long Changes[FgShareBits] = {};    // this computer's own changes per bit
    long Seen[FgShareSlots][FgShareBits] = {};  // other slots' counts as last taken
    bool Dirty = true;
    double LastSentMs = -1e18;
    long Sent = 0;
    long Taken = 0;                    // bits taken from other slots
    // The newest packet's slots, waiting to be taken while a unit's change of the byte is
    // under way, and since when it waits.
    bool TakePending = false;
    FgPacket Pending;
    double PendingSinceMs = 0;
};

// Counts the changes this computer's units and panel made to the shared byte since the
// bridge last looked at it.
void FgShareNoteLocal(FgShareState& share, const SimOffsetSpace& space);
// Takes the bits whose count moved in another slot of this packet into the space.
void FgShareTake(FgShareState& share, const FgPacket& packet, SimOffsetSpace& space);
// Takes the newest packet's slots now, or keeps them for later while a unit is changing
// the byte (see FgShareTakeWaitMs).
void FgShareOffer(FgShareState& share, const FgPacket& packet, double nowMs, SimOffsetSpace& space);
void FgShareTakePending(FgShareState& share, double nowMs, SimOffsetSpace& space);
// The line this bridge sends to FlightGear: "FLAGS,COUNT0,...,COUNT5\n". Returns its length.
size_t FgShareLine(const FgShareState& share, char* line, size_t capacity);

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
    std::string Listening;             // "HOST:PORT" the socket listens on, for the start-up line
    FgBridgeCounters Counters;
    bool Live = false;                 // a good packet within the stale time-out
    double LongestStallMs = 0;         // the longest silence FlightGear came back from
    bool Powered = false;              // live, and the aircraft's battery master on
    double LastPacketMs = 0;
    double LiveSinceMs = 0;            // the first packet of this live stream
    long LiveSincePackets = 0;         // Counters.Packets then
    bool RateAdvised = false;          // the slow-packets advice printed (once per run)
    FgShareState Share;
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
// The stale time-out as the stream so far sets it.
double FgStaleTimeoutMs();
// Marks the data stale when no good packet came for the stale time-out.
void FgCheckStale(double nowMs, SimOffsetSpace& space);

// Opens the UDP socket for "[HOST:]PORT" (HOST the local address to listen on, all
// interfaces without it). False with a message on a bad spelling or a busy port.
bool FgBridgeOpen(const std::string& where, std::string* why);
// Says on standard error where the bridge listens and, with a share, through which slot: called
// once the socket and the share are both set up, so that a bad option never follows a line
// saying the bridge is ready.
void FgBridgeAnnounce();
// Shares the flag byte through FlightGear: "SLOT:HOST:PORT", this bridge's slot (1 or 2)
// and FlightGear's input port for it. False with a message on a bad spelling.
bool FgBridgeShare(const std::string& spec, std::string* why);
// Reads every datagram waiting on the socket, then checks for staleness.
void FgBridgePoll(double nowMs, SimOffsetSpace& space);
void FgBridgeClose();
// The start state: nothing received yet, so the displays are dark until data comes.
void FgBridgePublishStart(SimOffsetSpace& space);
