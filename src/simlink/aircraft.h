// AircraftState: every simulator value the displays use, as received (Raw) and in
// engineering units. Filled once per connected frame by the acquisition in one batch of
// offset reads; the conversions always start from the values as received, so a failed
// exchange leaves the raw values as they were and the engineering values never drift.
#pragma once

#include <cstdint>

// The acquisition batch: offset, simulator type (its width is the request size), name.
// Names ending in Raw are the design's own names for values that only exist converted.
#define ORVEX_ACQUISITION_TABLE(X)                   \
    X(0x07CC, uint16_t, ApHeading)                   \
    X(0x0B80, uint32_t, TankCapacityLeft)            \
    X(0x0B98, uint32_t, TankCapacityRight)           \
    X(0x0B78, uint32_t, TankCapacityCentre)          \
    X(0x0B7C, uint32_t, TankPercentLeft)             \
    X(0x0B94, uint32_t, TankPercentRight)            \
    X(0x0B74, uint32_t, TankPercentCentre)           \
    X(0x0AF4, uint16_t, FuelWeightPerGallon)         \
    X(0x08B8, uint16_t, OilTempLeft)                 \
    X(0x0950, uint16_t, OilTempRight)                \
    X(0x3B60, double, OilPressLeft)                  \
    X(0x3AA0, double, OilPressRight)                 \
    X(0x2060, double, FuelFlowLeft)                  \
    X(0x2160, double, FuelFlowRight)                 \
    X(0x0BD4, uint32_t, SpoilerPosLeft)              \
    X(0x0BD8, uint32_t, SpoilerPosRight)             \
    X(0x0BE4, uint32_t, FlapPos)                     \
    X(0x2EA0, double, PitchTrim)                     \
    X(0x2EB0, double, AileronTrim)                   \
    X(0x2EC0, double, RudderTrim)                    \
    X(0x2880, double, GenLeft)                       \
    X(0x2888, double, GenAmpsLeft)                   \
    X(0x2890, double, GenRight)                      \
    X(0x2898, double, GenAmpsRight)                  \
    X(0x2870, double, EmergencyBusVolts)             \
    X(0x08D8, int32_t, HydPressLeft)                 \
    X(0x0970, int32_t, HydPressRight)                \
    X(0x02C8, int32_t, VerticalSpeed)                \
    X(0x3324, int32_t, Altitude)                     \
    X(0x02A0, uint16_t, MagVarRaw)                   \
    X(0x02B4, int32_t, GroundSpeedRaw)               \
    X(0x02BC, int32_t, IndicatedAirspeedRaw)         \
    X(0x02B8, int32_t, TrueAirspeed)                 \
    X(0x28D0, double, StaticAirTemp)                 \
    X(0x0E92, uint16_t, WindDirectionRaw)            \
    X(0x0E90, uint16_t, WindSpeed)                   \
    X(0x0580, uint32_t, HeadingTrueRaw)              \
    X(0x281C, uint32_t, BatteryMaster)               \
    X(0x2E80, uint32_t, AvionicsMaster)              \
    X(0x0560, int64_t, LatitudeRaw)                  \
    X(0x0568, int64_t, LongitudeRaw)                 \
    X(0x0898, uint16_t, N1LeftRaw)                   \
    X(0x0930, uint16_t, N1RightRaw)                  \
    X(0x0896, uint16_t, N2LeftRaw)                   \
    X(0x092E, uint16_t, N2RightRaw)                  \
    X(0x2038, double, IttLeftRaw)                    \
    X(0x2138, double, IttRightRaw)                   \
    X(0x0E8C, int16_t, OutsideAirTemp)               \
    X(0x6048, double, GpsDistNext)                   \
    X(0x60E8, uint32_t, GpsNextEta)                  \
    X(0x0238, uint8_t, LocalHour)                    \
    X(0x0239, uint8_t, LocalMinute)                  \
    X(0x023A, uint8_t, LocalSecond)                  \
    X(0x330C, uint16_t, SyncFlags)                   \
    X(0x0BD0, uint32_t, SpoilerLever)                \
    X(0x3366, uint8_t, FireFlags)                    \
    X(0x0BC8, uint16_t, ParkingBrake)                \
    X(0x0BE8, uint32_t, GearLever)                   \
    X(0x0BCC, uint32_t, SpoilersArmed)               \
    X(0x0366, uint16_t, OnGround)                    \
    X(0x3367, uint8_t, DoorFlags)                    \
    X(0x088C, int16_t, ThrottleLeverLeft)            \
    X(0x0924, int16_t, ThrottleLeverRight)           \
    X(0x08F8, uint32_t, FuelPressLeft)               \
    X(0x0990, uint32_t, FuelPressRight)              \
    X(0x3AF0, double, EngineStateLeft)               \
    X(0x3A30, double, EngineStateRight)              \
    X(0x0892, uint16_t, StarterLeft)                 \
    X(0x092A, uint16_t, StarterRight)                \
    X(0x029C, uint8_t, PitotHeat)

// The GPS next-waypoint identifier is 6 characters at 0x60A4, not terminated.
constexpr uint32_t GpsNextIdentOffset = 0x60A4;

// This unit's cockpit bytes (display unit 2 / display unit 3), read in the same batch.
constexpr uint32_t KnobCounterOffsetDu2 = 0x73FC, KnobCounterOffsetDu3 = 0x73FD;
constexpr uint32_t SoftKeyMaskOffsetDu2 = 0x73F8, SoftKeyMaskOffsetDu3 = 0x73F9;
constexpr uint32_t DimLevelOffsetDu2 = 0x73D8, DimLevelOffsetDu3 = 0x73D9;
// Shared with the panel and the other unit.
constexpr uint32_t DisplayReversionOffset = 0x73FB;
constexpr uint32_t PanelFlagsOffset = 0x73D5;

// PanelFlags bits.
constexpr uint8_t PanelFlagConfigChanged = 0x03;  // bits 0 and 1: "accfg.ini" rewritten
constexpr uint8_t PanelFlagN1Manual = 0x04;       // bit 2: N1 manual mode (MAN)
constexpr uint8_t PanelFlagMasterCaution = 0x08;  // bit 3
constexpr uint8_t PanelFlagMasterWarning = 0x10;  // bit 4
constexpr uint8_t PanelFlagAcknowledge = 0x20;    // bit 5: set by the panel

// Values exactly as the simulator module delivered them, at their own widths.
struct AircraftRawValues {
#define ORVEX_RAW_FIELD(offset, type, name) type name;
    ORVEX_ACQUISITION_TABLE(ORVEX_RAW_FIELD)
#undef ORVEX_RAW_FIELD
    char GpsNextIdent[6];
    uint8_t KnobCounter;
    uint8_t SoftKeyMask;
    uint8_t DimLevel;
};

// The record every display reads: engineering units, one instance `Aircraft`.
struct AircraftState {
    AircraftRawValues Raw{};

    // Autopilot and navigation
    int ApHeading = 0;                 // raw, 65536 = 360 degrees
    float MagVar = 0;                  // degrees 0..360 (west comes out as 360 minus its size)
    float MagHeading = 0;              // degrees
    double Latitude = 32.7335556;      // degrees, north positive
    double Longitude = -117.1896667;   // degrees, east positive
    float GroundSpeed = 0;             // knots
    float IndicatedAirspeed = 0;       // knots
    int TrueAirspeed = 0;              // whole knots
    int VerticalSpeed = 0;             // m/s x 256 (pages scale to ft/min)
    int Altitude = 0;                  // feet
    double StaticAirTemp = 0;          // degrees C
    int OutsideAirTemp = 0;            // whole degrees C
    float WindDirection = 0;           // degrees, where the wind comes from
    int WindSpeed = 0;                 // knots
    double GpsDistNext = 0;            // metres
    int GpsNextEta = 0;                // seconds of the day
    int LocalHour = 0, LocalMinute = 0, LocalSecond = 0;
    char GpsNextIdent[7] = {};         // NUL-terminated copy

    // Engines
    float N1Left = 0, N1Right = 0;     // percent
    float N2Left = 0, N2Right = 0;     // percent
    float IttLeft = 0, IttRight = 0;   // degrees C
    int OilTempLeft = 0, OilTempRight = 0;        // whole degrees C
    double OilPressLeft = 0, OilPressRight = 0;   // psi
    double FuelFlowLeft = 0, FuelFlowRight = 0;   // lb/h
    unsigned FuelPressLeft = 0, FuelPressRight = 0;
    double EngineStateLeft = 0, EngineStateRight = 0;  // 0 counts as shut down
    int StarterLeft = 0, StarterRight = 0;        // 1 = start
    int ThrottleLeverLeft = 0, ThrottleLeverRight = 0;  // -4096..16384
    int SyncFlags = 0;                 // bit 4: engine sync

    // Fuel
    float FuelWeightPerGallon = 0;     // pounds per gallon
    int TankCapacityLeft = 0, TankCapacityRight = 0, TankCapacityCentre = 0;  // whole pounds
    float TankPercentLeft = 0, TankPercentRight = 0, TankPercentCentre = 0;   // percent
    float TankLevelLeft = 0, TankLevelRight = 0, TankLevelCentre = 0;         // fraction 0..1
    int FuelTotal = 0, FuelUsed = 0, FuelAtStart = 0;                         // pounds
    bool FuelLowLeft = false, FuelLowRight = false;

    // Surfaces and trims
    unsigned SpoilerPosLeft = 0, SpoilerPosRight = 0, FlapPos = 0;  // 16383 = full
    float SpoilerAngleLeft = 0, SpoilerAngleRight = 0, FlapAngle = 0;  // whole degrees
    unsigned SpoilerLever = 0;
    double PitchTrim = 0, AileronTrim = 0, RudderTrim = 0;  // radians

    // Electrics and hydraulics
    double GenLeft = 0, GenRight = 0;            // volts
    double GenAmpsLeft = 0, GenAmpsRight = 0;    // amperes
    double EmergencyBusVolts = 0;
    int HydPressLeft = 0, HydPressRight = 0;     // whole psi

    // Switches and flags
    unsigned BatteryMaster = 1;        // the displays run powered without a simulator
    unsigned AvionicsMaster = 1;
    int FireFlags = 0, DoorFlags = 0;
    int ParkingBrake = 0;
    unsigned GearLever = 0;            // 0 = up
    unsigned SpoilersArmed = 0;
    int OnGround = 0;
    int PitotHeat = 0;

    // This unit's cockpit bytes
    int KnobCounter = 0, SoftKeyMask = 0, DimLevel = 0;
};
extern AircraftState Aircraft;
void AircraftReset();

// Cockpit interface state besides the shell's; one instance, `Cockpit`.
struct CockpitState {
    uint8_t PanelFlags = 0;            // last value read from 0x73D5 (bits above)
    bool PrevDisplayReversion = false;
    uint8_t PrevSoftKeyMask = 0;
    bool PanelNotifyPending = false;   // "accfg.ini" was rewritten; tell the panel once
};
extern CockpitState Cockpit;
void CockpitReset();
