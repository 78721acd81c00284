// "accfg.ini": the aircraft's performance numbers shared by both display units.
#pragma once

#include <string>

// One instance, `AircraftConfig`; every field 0 from program start until the file is
// first read. Fields keep the file's upper-case keys.
struct AircraftConfigState {
    int V1 = 0;                  // knots
    int VR = 0;
    int V2 = 0;
    int MAX_FLAPS = 0;           // degrees at full flap (scales FlapPos)
    int VMIN = 0;                // knots; carried only
    int VMAX_FLAPS_8 = 0;        // carried only
    int VMAX_FLAPS_20 = 0;       // carried only
    int VMAX_FLAPS_40 = 0;       // carried only
    float VMO = 0;               // knots; carried only
    float MMO = 0;               // Mach; carried only
    int MAX_SPOILERS = 0;        // degrees at full spoiler (scales SpoilerPos)
    int MIN_RUNWAY_LENGTH = 0;   // feet; shorter airports are left off the map
    int MAX_FUEL = 0;            // pounds on board at start (FuelAtStart)
};
extern AircraftConfigState AircraftConfig;
void AircraftConfigReset();

// Reads "accfg.ini" in the working folder by position; writes the default file when it
// is missing (the values in memory then stay as they are).
void ReadAircraftConfig();
// Writes "accfg.ini" here and the same file into the other unit's installation folder.
// Failures are silent.
void WriteAircraftConfig();

// Pure parts, for tests and tools.
// Reads the 13 values by position from `text` into `config`; values that are missing or
// unreadable leave their field as it was.
// Every value is checked: one that cannot be read takes the default file's value, one out of
// range is held at the nearer limit; each is named in *problems ("" when all were good).
void ParseAircraftConfig(const char* text, unsigned long length, AircraftConfigState* config,
                         std::string* problems = nullptr);
// The file as WriteAircraftConfig writes it (writer's headers, then [ACTIVE_PLAN]).
std::string FormatAircraftConfig(const AircraftConfigState& config);
// The default file written when none exists.
extern const char AircraftConfigDefaultFile[];
