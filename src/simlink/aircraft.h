// AircraftState: every simulator value the displays use, as received (Raw) and in
// engineering units. Filled once per connected frame by the acquisition in one batch of
// offset reads; the conversions always start from the values as received, so a failed
// exchange leaves the raw values as they were and the engineering values never drift.
#pragma once

#include <cstdint>

// The acquisition batch: offset, simulator type (its width is the request size), name,
// and what the engineering record makes of it:
//   Copy  the field of the same name holds the value as received;
//   Unit  the field of the same name holds it converted into its unit (e.g. psi x 4 -> psi);
//   Into  the value only feeds other fields (MagVarRaw -> MagVar, MagHeading); such names
//         end in Raw.
// A 2-byte value is zero-extended unless its type says signed.
#define ORVEX_ACQUISITION_TABLE(X)                      \
    X(0x07CC, uint16_t, ApHeading, Copy)                \
    X(0x0B80, uint32_t, TankCapacityLeft, Unit)         \
    X(0x0B98, uint32_t, TankCapacityRight, Unit)        \
    X(0x0B78, uint32_t, TankCapacityCentre, Unit)       \
    X(0x0B7C, uint32_t, TankPercentLeft, Unit)          \
    X(0x0B94, uint32_t, TankPercentRight, Unit)         \
    X(0x0B74, uint32_t, TankPercentCentre, Unit)        \
    X(0x0AF4, uint16_t, FuelWeightPerGallon, Unit)      \
    X(0x08B8, uint16_t, OilTempLeft, Unit)              \
    X(0x0950, uint16_t, OilTempRight, Unit)             \
    X(0x3B60, double, OilPressLeft, Unit)               \
    X(0x3AA0, double, OilPressRight, Unit)              \
    X(0x2060, double, FuelFlowLeft, Copy)               \
    X(0x2160, double, FuelFlowRight, Copy)              \
    X(0x0BD4, uint32_t, SpoilerPosLeft, Copy)           \
    X(0x0BD8, uint32_t, SpoilerPosRight, Copy)          \
    X(0x0BE4, uint32_t, FlapPos, Copy)                  \
    X(0x2EA0, double, PitchTrim, Copy)                  \
    X(0x2EB0, double, AileronTrim, Copy)                \
    X(0x2EC0, double, RudderTrim, Copy)                 \
    X(0x2880, double, GenLeft, Copy)                    \
    X(0x2888, double, GenAmpsLeft, Copy)                \
    X(0x2890, double, GenRight, Copy)                   \
    X(0x2898, double, GenAmpsRight, Copy)               \
    X(0x2870, double, EmergencyBusVolts, Copy)          \
    X(0x08D8, int32_t, HydPressLeft, Unit)              \
    X(0x0970, int32_t, HydPressRight, Unit)             \
    X(0x02C8, int32_t, VerticalSpeed, Copy)             \
    X(0x3324, int32_t, Altitude, Copy)                  \
    X(0x02A0, uint16_t, MagVarRaw, Into)                \
    X(0x02B4, int32_t, GroundSpeedRaw, Into)            \
    X(0x02BC, int32_t, IndicatedAirspeedRaw, Into)      \
    X(0x02B8, int32_t, TrueAirspeed, Unit)              \
    X(0x28D0, double, StaticAirTemp, Unit)              \
    X(0x0E92, uint16_t, WindDirectionRaw, Into)         \
    X(0x0E90, uint16_t, WindSpeed, Copy)                \
    X(0x0580, uint32_t, HeadingTrueRaw, Into)           \
    X(0x281C, uint32_t, BatteryMaster, Copy)            \
    X(0x2E80, uint32_t, AvionicsMaster, Copy)           \
    X(0x0560, int64_t, LatitudeRaw, Into)               \
    X(0x0568, int64_t, LongitudeRaw, Into)              \
    X(0x0898, uint16_t, N1LeftRaw, Into)                \
    X(0x0930, uint16_t, N1RightRaw, Into)               \
    X(0x0896, uint16_t, N2LeftRaw, Into)                \
    X(0x092E, uint16_t, N2RightRaw, Into)               \
    X(0x2038, double, IttLeftRaw, Into)                 \
    X(0x2138, double, IttRightRaw, Into)                \
    X(0x0E8C, int16_t, OutsideAirTemp, Unit)            \
    X(0x6048, double, GpsDistNext, Copy)                \
    X(0x60E8, uint32_t, GpsNextEta, Copy)               \
    X(0x0238, uint8_t, LocalHour, Copy)                 \
    X(0x0239, uint8_t, LocalMinute, Copy)               \
    X(0x023A, uint8_t, LocalSecond, Copy)               \
    X(0x330C, uint16_t, SyncFlags, Copy)                \
    X(0x0BD0, uint32_t, SpoilerLever, Copy)             \
    X(0x3366, uint8_t, FireFlags, Copy)                 \
    X(0x0BC8, uint16_t, ParkingBrake, Copy)             \
    X(0x0BE8, uint32_t, GearLever, Copy)                \
    X(0x0BCC, uint32_t, SpoilersArmed, Copy)            \
    X(0x0366, uint16_t, OnGround, Copy)                 \
    X(0x3367, uint8_t, DoorFlags, Copy)                 \
    X(0x088C, int16_t, ThrottleLeverLeft, Copy)         \
    X(0x0924, int16_t, ThrottleLeverRight, Copy)        \
    X(0x08F8, uint32_t, FuelPressLeft, Copy)            \
    X(0x0990, uint32_t, FuelPressRight, Copy)           \
    X(0x3AF0, double, EngineStateLeft, Copy)            \
    X(0x3A30, double, EngineStateRight, Copy)           \
    X(0x0892, uint16_t, StarterLeft, Copy)              \
    X(0x092A, uint16_t, StarterRight, Copy)             \
    X(0x029C, uint8_t, PitotHeat, Copy)

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
#define ORVEX_RAW_FIELD(offset, type, name, kind) type name;
    ORVEX_ACQUISITION_TABLE(ORVEX_RAW_FIELD)
#undef ORVEX_RAW_FIELD
    char GpsNextIdent[6];
    uint8_t KnobCounter;
    uint8_t SoftKeyMask;
    uint8_t DimLevel;
};

// The engineering record: type, name, value before the first exchange. Every field a
// display reads, in the units the displays use. Rows marked Copy in the batch arrive here
// unchanged, rows marked Unit under the same name in their unit, rows marked Into feed
// the derived fields named in the comments. The dump (--dump-state) is generated from
// this list, so a field added here is visible from outside at once.
#define ORVEX_AIRCRAFT_FIELDS(X)                                                              \
    /* Autopilot and navigation */                                                            \
    X(int, ApHeading, 0)                 /* 65536 = 360 degrees */                            \
    X(float, MagVar, 0)                  /* degrees 0..360; west comes out as 360 - size */   \
    X(float, MagHeading, 0)              /* degrees */                                        \
    X(double, Latitude, 32.7335556)      /* degrees, north positive */                        \
    X(double, Longitude, -117.1896667)   /* degrees, east positive */                         \
    X(float, GroundSpeed, 0)             /* knots */                                          \
    X(float, IndicatedAirspeed, 0)       /* knots */                                          \
    X(int, TrueAirspeed, 0)              /* whole knots */                                    \
    X(int, VerticalSpeed, 0)             /* m/s x 256; pages scale to ft/min */               \
    X(int, Altitude, 0)                  /* feet */                                           \
    X(double, StaticAirTemp, 0)          /* degrees C */                                      \
    X(int, OutsideAirTemp, 0)            /* whole degrees C */                                \
    X(float, WindDirection, 0)           /* degrees, where the wind comes from */             \
    X(int, WindSpeed, 0)                 /* knots */                                          \
    X(double, GpsDistNext, 0)            /* metres */                                         \
    X(int, GpsNextEta, 0)                /* seconds of the day */                             \
    X(int, LocalHour, 0)                                                                      \
    X(int, LocalMinute, 0)                                                                    \
    X(int, LocalSecond, 0)                                                                    \
    /* Engines */                                                                             \
    X(float, N1Left, 0)                  /* percent */                                        \
    X(float, N1Right, 0)                                                                      \
    X(float, N2Left, 0)                  /* percent */                                        \
    X(float, N2Right, 0)                                                                      \
    X(float, IttLeft, 0)                 /* degrees C */                                      \
    X(float, IttRight, 0)                                                                     \
    X(int, OilTempLeft, 0)               /* whole degrees C */                                \
    X(int, OilTempRight, 0)                                                                   \
    X(double, OilPressLeft, 0)           /* psi */                                            \
    X(double, OilPressRight, 0)                                                               \
    X(double, FuelFlowLeft, 0)           /* lb/h */                                           \
    X(double, FuelFlowRight, 0)                                                               \
    X(unsigned, FuelPressLeft, 0)                                                             \
    X(unsigned, FuelPressRight, 0)                                                            \
    X(double, EngineStateLeft, 0)        /* 0 counts as shut down */                          \
    X(double, EngineStateRight, 0)                                                            \
    X(int, StarterLeft, 0)               /* 1 = start */                                      \
    X(int, StarterRight, 0)                                                                   \
    X(int, ThrottleLeverLeft, 0)         /* -4096..16384 */                                   \
    X(int, ThrottleLeverRight, 0)                                                             \
    X(int, SyncFlags, 0)                 /* bit 4: engine sync */                             \
    /* Fuel */                                                                                \
    X(float, FuelWeightPerGallon, 0)     /* pounds per gallon */                              \
    X(int, TankCapacityLeft, 0)          /* whole pounds */                                   \
    X(int, TankCapacityRight, 0)                                                              \
    X(int, TankCapacityCentre, 0)                                                             \
    X(float, TankPercentLeft, 0)         /* percent */                                        \
    X(float, TankPercentRight, 0)                                                             \
    X(float, TankPercentCentre, 0)                                                            \
    X(float, TankLevelLeft, 0)           /* fraction 0..1 */                                  \
    X(float, TankLevelRight, 0)                                                               \
    X(float, TankLevelCentre, 0)                                                              \
    X(int, FuelTotal, 0)                 /* pounds */                                         \
    X(int, FuelUsed, 0)                                                                       \
    X(int, FuelAtStart, 0)                                                                    \
    X(bool, FuelAtStartTaken, false)     /* MAX_FUEL taken on the first powered frame */      \
    X(bool, FuelLowLeft, false)          /* 330 lb or less in the main tank */                \
    X(bool, FuelLowRight, false)                                                              \
    /* Surfaces and trims */                                                                  \
    X(unsigned, SpoilerPosLeft, 0)       /* 16383 = full */                                   \
    X(unsigned, SpoilerPosRight, 0)                                                           \
    X(unsigned, FlapPos, 0)                                                                   \
    X(float, SpoilerAngleLeft, 0)        /* whole degrees */                                  \
    X(float, SpoilerAngleRight, 0)                                                            \
    X(float, FlapAngle, 0)                                                                    \
    X(unsigned, SpoilerLever, 0)                                                              \
    X(double, PitchTrim, 0)              /* radians */                                        \
    X(double, AileronTrim, 0)                                                                 \
    X(double, RudderTrim, 0)                                                                  \
    /* Electrics and hydraulics */                                                            \
    X(double, GenLeft, 0)                /* volts */                                          \
    X(double, GenRight, 0)                                                                    \
    X(double, GenAmpsLeft, 0)            /* amperes */                                        \
    X(double, GenAmpsRight, 0)                                                                \
    X(double, EmergencyBusVolts, 0)                                                           \
    X(int, HydPressLeft, 0)              /* whole psi */                                      \
    X(int, HydPressRight, 0)                                                                  \
    /* Switches and flags; the displays run powered without a simulator */                    \
    X(unsigned, BatteryMaster, 1)                                                             \
    X(unsigned, AvionicsMaster, 1)                                                            \
    X(int, FireFlags, 0)                                                                      \
    X(int, DoorFlags, 0)                                                                      \
    X(int, ParkingBrake, 0)                                                                   \
    X(unsigned, GearLever, 0)            /* 0 = up */                                         \
    X(unsigned, SpoilersArmed, 0)                                                             \
    X(int, OnGround, 0)                  /* low byte tested */                                \
    X(int, PitotHeat, 0)                                                                      \
    /* This unit's cockpit bytes */                                                           \
    X(int, KnobCounter, 0)               /* 0..255, wrapping */                               \
    X(int, SoftKeyMask, 0)               /* bit n = soft key n held */                        \
    X(int, DimLevel, 0)                  /* 0 full brightness, 255 black */

// The record every display reads: engineering units, one instance `Aircraft`.
struct AircraftState {
    AircraftRawValues Raw{};
#define ORVEX_AIRCRAFT_FIELD(type, name, initial) type name = initial;
    ORVEX_AIRCRAFT_FIELDS(ORVEX_AIRCRAFT_FIELD)
#undef ORVEX_AIRCRAFT_FIELD
    char GpsNextIdent[7] = {};           // the 6 received characters, NUL-terminated
};
extern AircraftState Aircraft;
void AircraftReset();

// Cockpit interface state besides the shell's; one instance, `Cockpit`.
struct CockpitState {
    uint8_t PanelFlags = 0;            // last value read from 0x73D5 (bits above)
    bool DisplayReversion = false;     // bit 0 of 0x73FB as last read
    bool PrevDisplayReversion = false;
    uint8_t PrevSoftKeyMask = 0;
    bool PanelNotifyPending = false;   // "accfg.ini" was rewritten; tell the panel once
};
extern CockpitState Cockpit;
void CockpitReset();

// The connection, the per-frame acquisition and the conversions (aircraft_state.cpp).
// ConnectSimulator: one step of opening the link, never waiting; sets or clears
// Shell.LinkConnected. Silent. Called by each frame while the link is down.
void ConnectSimulator();
// The start-up attempt: the same, waiting up to waitMs for a module that is there.
void ConnectSimulatorAtStart(int waitMs);
// The link closed under an exchange: back to the no-simulator picture, link down.
void NoteLinkLost();
// One connected frame's exchanges: the batch, the reversion byte, the panel flag byte.
void AcquireAircraftState();
// Engineering units of the values converted at acquisition, and the soft-key edges.
void ConvertAircraftState();
// Powered frames, before the menu: fuel, surfaces and the units converted there.
void DeriveFuelAndSurfaces();
// Shows the display that `reversion` asks for on this unit; retitles the window and
// resets the menu. Runs only when the reversion bit changed since the last frame.
void ApplyDisplayReversion(bool reversion);
// The window title the reversion switch gives this unit (Shell.ConfiguredMode) showing
// the MFD or the EICAS. (Start-up titles are InitScene's; unit 2's EICAS differs there.)
const char* ReversionTitle(bool mfd);

// Pure helpers of the conversions, for tests.
// The soft key 0..5 whose bit rose between two masks (lowest first); 6 when none rose.
int SoftKeyPressed(uint8_t previousMask, uint8_t mask);
// Whole degrees of a surface at `position` (16383 = full travel = maxDegrees), rounded up.
float SurfaceAngle(uint32_t position, int maxDegrees);
