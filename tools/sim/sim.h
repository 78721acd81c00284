// orvex-sim, the stand-in for the simulator's interface module: a 64 KiB offset space
// that answers the offset protocol for any number of clients, and a built-in flight
// that keeps the offsets moving the way a real twin-jet's would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------
// Offset space and request processing (sim_block.cpp)
// ---------------------------------------------------------------------------------------

constexpr uint32_t SimSpaceSize = 65536;
constexpr uint32_t SimBlockSize = 32768;
constexpr uint32_t SimRequestArea = 32512;

// What the module publishes. The version words at 0x3304..0x330B answer every read the
// same way; a client's library-version announcement, written to 0x330A, is kept apart
// in LibraryAnnouncement so the simulator version word keeps reading 0xFADE in its
// upper half.
struct SimOffsetSpace {
    unsigned char Bytes[SimSpaceSize];
    uint16_t LibraryAnnouncement;
    // The shared flag byte 0x73D5 is changed by reading it, changing one's own bits and
    // writing it back, without a lock: true from a read that covered it until the next
    // write that covers it, while such a change may be under way. The FlightGear bridge
    // waits for it before it changes the byte for another computer.
    bool SharedFlagsReadOpen;
};

// The stand-in's own words (no real module has them): how many reads have covered unit 2's
// and unit 3's soft-key byte (0x73F8, 0x73F9), 16 bits each, wrapping. The panel stand-in
// waits on them so that a press and its release are each seen by a frame of the unit.
constexpr uint32_t SimSoftKeyByteDu2 = 0x73F8, SimSoftKeyByteDu3 = 0x73F9;
constexpr uint32_t SimSoftKeySamplesDu2 = 0x73F0, SimSoftKeySamplesDu3 = 0x73F2;

// Performs the requests of one block in order: reads fill their data in place, writes
// change the space. Returns 1 on success; a block with an unknown request type, a
// request running past the request area or the end of the space, or a missing end
// marker gets 0 and changes nothing, neither block nor space.
uint32_t SimProcessBlock(unsigned char* block, size_t blockSize, SimOffsetSpace& space);

// Little-endian stores and loads in the space, for the flight and the tests.
void SimPut(SimOffsetSpace& space, uint32_t offset, uint64_t value, int size);
void SimPutDouble(SimOffsetSpace& space, uint32_t offset, double value);
void SimPutFloat(SimOffsetSpace& space, uint32_t offset, float value);
uint64_t SimGet(const SimOffsetSpace& space, uint32_t offset, int size);
double SimGetDouble(const SimOffsetSpace& space, uint32_t offset);
float SimGetFloat(const SimOffsetSpace& space, uint32_t offset);
void SimPublishVersions(SimOffsetSpace& space, uint32_t moduleVersion, uint16_t simVersion);

// ---------------------------------------------------------------------------------------
// The flight (sim_flight.cpp: timeline file and integration; sim_publish.cpp: offsets)
// ---------------------------------------------------------------------------------------

// Every value the timeline can set. Switches hold their value from keyframe to
// keyframe; the others ramp linearly between keyframes.
#define ORVEX_SIM_CHANNELS(X)                                                              \
    X(Battery, 1) X(Avionics, 1) X(StarterLeft, 1) X(StarterRight, 1) X(FuelLeverLeft, 1) \
    X(FuelLeverRight, 1) X(ParkingBrake, 1) X(Gear, 1) X(SpoilersArmed, 1) X(PitotHeat, 1) \
    X(Doors, 1) X(Fire, 1) X(OnGround, 1) X(EngineSync, 1) X(NavGps, 1) X(Lnav, 1)        \
    X(Heading, 1) X(N1Left, 0) X(N1Right, 0) X(N2Left, 0) X(N2Right, 0) X(IttLeft, 0)     \
    X(IttRight, 0) X(ThrottleLeft, 0) X(ThrottleRight, 0) X(Flaps, 0) X(Spoilers, 0)      \
    X(PitchTrim, 0) X(AileronTrim, 0) X(RudderTrim, 0) X(Altitude, 0) X(Ias, 0)          \
    X(WindDirection, 0) X(WindSpeed, 0) X(Sat, 0) X(ApHeading, 0)                       \
    X(Crossfeed, 1)

enum SimChannel {
#define ORVEX_SIM_ENUM(name, step) Chan##name,
    ORVEX_SIM_CHANNELS(ORVEX_SIM_ENUM)
#undef ORVEX_SIM_ENUM
    SimChannelCount
};
// The channel's name in the timeline file ("N1Left") and whether it holds (1) or ramps (0).
const char* SimChannelName(int channel);
bool SimChannelHolds(int channel);

// Targets of a timeline, table slots 0..15 (the display units poll up to 95).
constexpr int SimMaxTraffic = 16;
constexpr int SimMaxWaypoints = 32;

struct SimKeyframe {
    double time;
    double value;
};

struct SimWaypoint {
    char ident[7];
    double lat, lon;
};

// A target's track relative to the own aircraft, keyframed like the channels.
enum SimTrafficField { TrafficBearing, TrafficRange, TrafficRelAlt, TrafficVs, TrafficFieldCount };

// The loaded timeline: what the file says.
struct SimTimeline {
    double StartLat = 32.7335556, StartLon = -117.1896667;
    double MagVar = 11.5;          // degrees, east positive
    int ClockStart = 12 * 3600;    // local time at second 0, seconds of the day
    double FuelLeft = 2400, FuelRight = 2400, FuelCentre = 0;        // pounds at second 0
    double CapacityLeft = 2450, CapacityRight = 2450, CapacityCentre = 0;  // pounds
    double End = 0;                // last keyframe's second
    std::vector<SimKeyframe> Keys[SimChannelCount];
    std::vector<SimKeyframe> Traffic[SimMaxTraffic][TrafficFieldCount];
    SimWaypoint Waypoints[SimMaxWaypoints];
    int WaypointCount = 0;
};

// The flight as it stands at `Time`; integrated in fixed steps from second 0, so the
// same second always gives the same state.
struct SimFlightState {
    SimTimeline Timeline;
    double Time = 0;
    long Steps = 0;                // Time = Steps x 0.1 s, so times never drift
    double Lat = 0, Lon = 0;       // degrees
    double HeadingTrue = 0;        // degrees, the aircraft's, turning toward the wanted one
    double GroundSpeed = 0;        // knots
    double TrueAirspeed = 0;       // knots
    double VerticalSpeed = 0;      // feet per minute, from the altitude ramp
    double FuelLeft = 0, FuelRight = 0, FuelCentre = 0;  // pounds
    double OilTempLeft = 0, OilTempRight = 0;            // degrees C, lagging the engines
    int NextWaypoint = 0;
    uint8_t TrafficChange[SimMaxTraffic] = {};
    double TrafficLastMoved[SimMaxTraffic] = {};
    double BatteryCharge = 0.9;    // 0..1: drawn down on the battery, recharged by the generators
};
extern SimFlightState SimFlight;

// Parses a timeline; false with a message naming the line on any error.
bool SimParseTimeline(const std::string& text, SimTimeline* timeline, std::string* error);
// Adds a target placed by hand, "BEARING,RANGE,RELALT,VS" (true degrees, NM, feet above
// us, ft/min), held there for the whole flight, in the slot after the timeline's last
// target. False with a message when the text is not four numbers or no slot is left.
bool SimPlaceTraffic(const std::string& placement, SimTimeline* timeline, std::string* error);
// Replaces the timeline's GPS route with the [ACTIVE_PLAN] section of an "accfg.ini".
bool SimLoadRoute(const std::string& text, SimTimeline* timeline, std::string* error);
const char* SimBuiltinFlightText();
// Loads a timeline and sets the flight to second 0.
void SimFlightStart(const SimTimeline& timeline);
// Advances the flight to `time` (never backwards), clamped at the timeline's end.
void SimFlightAdvanceTo(double time);
double SimChannelValue(const SimTimeline& timeline, int channel, double time);
double SimKeyValue(const std::vector<SimKeyframe>& keys, bool holds, double time);
double SimFuelFlow(double n1, double n2, double fuelLever);
// The electrical load in amperes on the buses now (avionics, pitot heat, a starter turning
// an engine, the battery recharging), and the share each generator on line carries.
double SimBusLoadAmps();
bool SimGeneratorOnline(int side);
double SimGeneratorAmps(int side);
// Writes everything the flight owns into the space.
void SimFlightPublish(SimOffsetSpace& space);
// The cockpit panel's bytes as the module starts (the flight never writes them).
void SimPublishCockpitDefaults(SimOffsetSpace& space);

// ---------------------------------------------------------------------------------------
// Serving clients (sim_server.cpp; the transport in sim_serve_socket.cpp on Linux and
// sim_serve_window.cpp on Windows)
// ---------------------------------------------------------------------------------------

struct SimOptions;
// Starts answering as the module window of the options' class over `space`; false with
// `why` when another module answers there or the transport cannot start.
bool SimServeOpen(const SimOptions& options, SimOffsetSpace* space, std::string* why);
// Answers every request that comes within timeoutMs; false once the module is asked to
// end (its window closed).
bool SimServeFor(int timeoutMs);
void SimServeClose(const SimOptions& options);

// ---------------------------------------------------------------------------------------
// The misbehaving module (sim_hostile.cpp), for trying the display units against it
// ---------------------------------------------------------------------------------------

enum class SimHostileMode { None, Scribble, Shrink, Late, Garbage, Sizes };
// "scribble", "shrink", "late", "garbage" or "sizes"; false for any other name.
bool SimParseHostileMode(const std::string& name, SimHostileMode* mode);
void SimHostileStart(SimHostileMode mode);
bool SimHostileActive();
// Misbehaves after a block was processed (or sleeps before the answer, in late mode).
// True when the block's object was changed under the module, which must then forget its
// own view of it.
bool SimHostileAfterProcess(unsigned char* block, int blockMemory);

// The block names the stand-in serves: the clients' scheme "FsasmLib:IPC:<pid>:<counter>"
// (hexadecimal, as the client formats them) with <pid> the requesting client's own
// process id. Any other name is refused unopened, so a client cannot make the module
// open, or later clean up, an object that is not that client's block.
bool SimBlockNameBelongsTo(const char* name, int clientPid);
// With --show-names, prints "block NAME" on standard output the first time a block name
// is answered, so a test can see the names as the module sees them.
void SimNoteBlockName(const char* name);

struct SimOptions {
    double At = 0;
    bool Freeze = false;
    double Rate = 1;
    std::string FlightFile;
    std::vector<std::string> Traffic;   // --traffic BEARING,RANGE,RELALT,VS, in order
    std::string RouteFile;              // --route: an accfg.ini whose [ACTIVE_PLAN] the GPS flies
    uint16_t SimVersion = 8;
    uint32_t ModuleVersion = 0x20260105;
    std::string WindowClass = "UIPCMAIN";
    SimHostileMode Hostile = SimHostileMode::None;
    std::string FlightGear;             // --flightgear [HOST:]PORT: bridge FlightGear instead of flying
    std::string FlightGearShare;        // --flightgear-share SLOT:HOST:PORT: the flag byte through FlightGear
    bool ShowNames = false;             // --show-names: print the module's names and each new block name
};

// Listens, prints "ready", serves until SIGINT/SIGTERM. Returns the exit code.
int SimRun(const SimOptions& options);
