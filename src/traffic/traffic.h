// Traffic (TCAS): the other aircraft the interface module publishes in its traffic table,
// polled one slot a frame, classified by range and relative altitude and drawn as a
// heading-up picture below the map.
//
// Reads: Aircraft (Latitude, Longitude, MagHeading, Altitude; the poll also refreshes
// Altitude), Shell.LinkConnected, Menu.MenuLevel, the display lists of the map.
// Writes: Traffic; read by the map page (TrafficShown shortens its clip box) and the menu
// (TrafficOn is its TCAS key).
#pragma once

#include <cstdint>

// The module's traffic table: slot n has a change byte at 0xF008 + n and a 40-byte entry at
// 0xF080 + 40 n. Slots 0..94 are used; the 96th change byte is never polled.
constexpr int TrafficSlots = 95;
constexpr uint32_t TrafficChangeOffset = 0xF008;
constexpr uint32_t TrafficEntryOffset = 0xF080;
constexpr uint32_t TrafficEntrySize = 40;
// The cockpit's TCAS settings: range (NM), the altitude-band status byte, the auto-mode bit.
constexpr uint32_t TcasRangeOffset = 0x73FA;
constexpr uint32_t TcasStatusOffset = 0x7842;
constexpr uint32_t TrafficAutoOffset = 0x73D6;

// One polled slot as last read. Latitude 0 is an empty entry.
struct TrafficTarget {
    float latitude = 0;      // degrees
    float longitude = 0;     // degrees
    float altitude = 0;      // feet
    int16_t verticalSpeed = 0;  // feet per minute
    float distance = 0;      // NM from the own aircraft, by the last evaluation
    float bearing = 0;       // degrees, counter-clockwise from true north (InitialBearingDeg)
    int threat = 0;          // 0 none, 1 traffic advisory, 2 resolution advisory
};

// Traffic state; one instance, `Traffic`, for the whole run. TrafficReset() restores the
// start-of-run values (tests). Nothing here is cleared while running: targets keep their
// last data until their slot's change byte moves.
struct TrafficState {
    // Cockpit settings as read.
    int TcasRange = 6;            // NM; its low byte comes from 0x73FA, held to 6..40 before each use
    int TcasAltMode = 0;          // altitude band: 0 normal, 1 above ("ABV"), 2 below ("BLW")
    uint8_t TcasStatusByte = 0;   // 0x7842 as read
    uint8_t AutoModeByte = 0;     // 0x73D6 as read; bit 0 is TrafficAutoMode
    int TrafficAutoMode = 0;      // 1: the picture shows only while a threat exists

    // The menu's traffic switch (TCAS key at the top level); on at start.
    bool TrafficOn = true;
    // The traffic picture is active this frame: the map's clip box moves up to leave it room.
    bool TrafficShown = true;
    bool AnyThreat = false;       // the last evaluation found a TA or an RA

    // Polling: one slot a frame. SlotChange holds each slot's change byte as last read;
    // SlotSeen the value for which its data were last requested.
    int SlotCursor = 0;
    uint8_t SlotChange[96] = {};
    uint8_t SlotSeen[96] = {};
    TrafficTarget Targets[TrafficSlots];
};
extern TrafficState Traffic;
void TrafficReset();

// Once per powered MFD frame while the avionics master is on, before the map page.
void UpdateTraffic();
// Queues this frame's traffic reads; they travel with the map page's exchange later in the
// frame, so what they bring is used from the next frame on. At most 6 requests.
void PollTrafficSlot();
// Distances, bearings and threat classes of the occupied slots; sets AnyThreat.
void EvaluateTraffic();
void DrawTraffic();

// Pure rules of the picture, for the evaluation, the drawing and the tests.
int TrafficClampRange(int range);
// Threat class of a target `distance` NM away, `separation` feet above or below.
int TrafficThreat(float distance, float separation);
// Band from the status byte (bits 2 and 3); both clear leaves `previous` unchanged.
int TrafficAltModeFromStatus(uint8_t status, int previous);
// Whether own altitude minus the target's, d (feet), lies in the band of `mode`.
bool TrafficInBand(int mode, float d);
// The relative-altitude label, hundreds of feet, "05", "-15", "0"; out needs 16 bytes.
void TrafficFormatLabel(float targetAltitude, int ownAltitude, char* out, int size);
