// The conversion of the received simulator values into engineering units and the cockpit
// logic that rides on them: soft-key edges and the display switch on reversion.
// Owns: the engineering fields of Aircraft, Cockpit.PrevSoftKeyMask. Reads: Aircraft.Raw,
// Shell (ConfiguredMode, LinkConnected), AircraftConfig. Writes: Shell.PendingSoftKey,
// Shell.ShowingMfd/ShowingEicas, Menu.MenuLevel/MenuPage, the window title.
#include "menu/aircraft_config.h"
#include "menu/menu.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "shell/saturate.h"

#include <cmath>
#include <cstring>

// ---------------------------------------------------------------------------------------
// Display reversion
// ---------------------------------------------------------------------------------------

const char* ReversionTitle(bool mfd)
{
    // The unit 2 EICAS title has always been spelt with a capital V; cockpit builders
    // match window titles in their scripts, so it stays exactly as it is.
    if (Shell.ConfiguredMode != 0)
        return mfd ? "Orvex DU2 MFD - v1.0.0.4 build 203" : "Orvex DU2 EICAS - V1.0.0.4 build 203";
    return mfd ? "Orvex DU3 MFD - v1.0.0.4 build 203" : "Orvex DU3 EICAS - v1.0.0.4 build 203";
}

void ApplyDisplayReversion(bool reversion)
{
    // The unit keeps its number; reverting swaps what the two units show: unit 2 goes
    // from EICAS to MFD and unit 3 from MFD to EICAS.
    bool unit2 = Shell.ConfiguredMode != 0;
    bool mfd = unit2 ? reversion : !reversion;
    Shell.ShowingMfd = mfd;
    Shell.ShowingEicas = !mfd;
    // The MFD comes up on the bare map; the EICAS with the systems menu and its summary.
    Menu.MenuLevel = mfd ? 0 : 1;
    Menu.MenuPage = mfd ? 0 : 1;
    PlatformSetTitle(ReversionTitle(mfd));
}

// ---------------------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------------------

// The first soft key (lowest bit) that went from released to held since the last frame;
// 6 when none did. Only one key per frame: a second key rising in the same frame is lost
// unless it is still held and rises again, as on the real bezel.
int SoftKeyPressed(uint8_t previousMask, uint8_t mask)
{
    uint8_t rising = mask & static_cast<uint8_t>(~previousMask);
    for (int bit = 0; bit < 6; ++bit)
        if (rising & (1u << bit))
            return bit;
    return 6;
}

// Values the displays use as the module sends them.
static void CopyReceivedValues()
{
#define ORVEX_COPY_Copy(name) Aircraft.name = Aircraft.Raw.name;
#define ORVEX_COPY_Unit(name)
#define ORVEX_COPY_Into(name)
#define ORVEX_COPY_ROW(offset, type, name, kind) ORVEX_COPY_##kind(name)
    ORVEX_ACQUISITION_TABLE(ORVEX_COPY_ROW)
#undef ORVEX_COPY_ROW
#undef ORVEX_COPY_Copy
#undef ORVEX_COPY_Unit
#undef ORVEX_COPY_Into
    std::memcpy(Aircraft.GpsNextIdent, Aircraft.Raw.GpsNextIdent, sizeof Aircraft.Raw.GpsNextIdent);
    Aircraft.GpsNextIdent[sizeof Aircraft.Raw.GpsNextIdent] = '\0';
    Aircraft.KnobCounter = Aircraft.Raw.KnobCounter;
    Aircraft.SoftKeyMask = Aircraft.Raw.SoftKeyMask;
    Aircraft.DimLevel = Aircraft.Raw.DimLevel;
}

void ConvertAircraftState()
{
    const AircraftRawValues& raw = Aircraft.Raw;
    CopyReceivedValues();

    // Angles come as fractions of a full circle. The variation is unsigned, so a westerly
    // one reads as 360 minus its size, and subtracting it adds its size to the heading.
    Aircraft.MagVar = static_cast<float>(raw.MagVarRaw * 360.0 / 65536.0);
    float heading = static_cast<float>(raw.HeadingTrueRaw * 8.381e-8 - Aircraft.MagVar);
    Aircraft.MagHeading = heading < 0 ? heading + 360.0f : heading;
    Aircraft.WindDirection = static_cast<float>(raw.WindDirectionRaw * 0.0054931640625);
    if (Aircraft.WindDirection > 360.0f)
        Aircraft.WindDirection -= 360.0f;
    Aircraft.Latitude = raw.LatitudeRaw * 2.0951091487837895e-15;
    Aircraft.Longitude = raw.LongitudeRaw * 1.951563910473908e-17;

    // Engines: 16384 = 100 %; turbine temperature in degrees Rankine.
    Aircraft.N1Left = static_cast<float>(raw.N1LeftRaw * 0.006103515625);
    Aircraft.N1Right = static_cast<float>(raw.N1RightRaw * 0.006103515625);
    Aircraft.N2Left = static_cast<float>(raw.N2LeftRaw * 0.006103515625);
    Aircraft.N2Right = static_cast<float>(raw.N2RightRaw * 0.006103515625);
    Aircraft.IttLeft = static_cast<float>(raw.IttLeftRaw - 491.67) * 5.0f / 9.0f;
    Aircraft.IttRight = static_cast<float>(raw.IttRightRaw - 491.67) * 5.0f / 9.0f;

    // Speeds: knots x 128, and metres per second x 65536 for the ground speed.
    Aircraft.IndicatedAirspeed = static_cast<float>(raw.IndicatedAirspeedRaw / 128.0);
    Aircraft.GroundSpeed = static_cast<float>(raw.GroundSpeedRaw * 2.9661e-5);
    Aircraft.TrueAirspeed = raw.TrueAirspeed / 128;
    // Temperatures: the outside air in degrees C x 256 (signed, cut toward zero), the
    // static air in degrees F.
    Aircraft.OutsideAirTemp = raw.OutsideAirTemp / 256;
    Aircraft.StaticAirTemp = (raw.StaticAirTemp - 32.0) * 0.5555555555555556;

    // A key clicked on the bezel picture may already be pending; no press leaves it.
    int key = SoftKeyPressed(Cockpit.PrevSoftKeyMask, raw.SoftKeyMask);
    if (key != 6)
        Shell.PendingSoftKey = key;
    Cockpit.PrevSoftKeyMask = raw.SoftKeyMask;
}

// Whole degrees of a surface whose position runs 0..16383 up to `maxDegrees`, rounded up
// so a surface that has just started to move already shows one degree. The product is
// taken before the division, so full travel gives exactly the configured maximum.
float SurfaceAngle(uint32_t position, int maxDegrees)
{
    return static_cast<float>(std::ceil(static_cast<double>(position) * maxDegrees / 16383.0));
}

// Pounds in a tank: capacity in gallons times the fuel's weight per gallon, cut to whole
// pounds. Done in double so whole pounds are exact for every capacity the module sends.
static int TankPounds(uint32_t gallons, float poundsPerGallon)
{
    return SaturateToInt(static_cast<double>(gallons) * poundsPerGallon);
}

// The units that are only shown on powered frames, from the values as received.
static void ConvertPoweredUnits()
{
    const AircraftRawValues& raw = Aircraft.Raw;
    Aircraft.HydPressLeft = raw.HydPressLeft / 4;
    Aircraft.HydPressRight = raw.HydPressRight / 4;
    Aircraft.OilTempLeft = static_cast<int>(raw.OilTempLeft * 140u / 16384u);
    Aircraft.OilTempRight = static_cast<int>(raw.OilTempRight * 140u / 16384u);
    Aircraft.OilPressLeft = raw.OilPressLeft / 144.0;  // lb/ft2 to psi
    Aircraft.OilPressRight = raw.OilPressRight / 144.0;
    Aircraft.FuelWeightPerGallon = raw.FuelWeightPerGallon / 256.0f;
    Aircraft.TankCapacityLeft = TankPounds(raw.TankCapacityLeft, Aircraft.FuelWeightPerGallon);
    Aircraft.TankCapacityRight = TankPounds(raw.TankCapacityRight, Aircraft.FuelWeightPerGallon);
    Aircraft.TankCapacityCentre = TankPounds(raw.TankCapacityCentre, Aircraft.FuelWeightPerGallon);
    // Tank levels: 8388608 = 100 %.
    Aircraft.TankPercentLeft = static_cast<float>(raw.TankPercentLeft / 8388608.0 * 100.0);
    Aircraft.TankPercentRight = static_cast<float>(raw.TankPercentRight / 8388608.0 * 100.0);
    Aircraft.TankPercentCentre = static_cast<float>(raw.TankPercentCentre / 8388608.0 * 100.0);
    Aircraft.TankLevelLeft = Aircraft.TankPercentLeft / 100.0f;
    Aircraft.TankLevelRight = Aircraft.TankPercentRight / 100.0f;
    Aircraft.TankLevelCentre = Aircraft.TankPercentCentre / 100.0f;
    Aircraft.SpoilerAngleLeft = SurfaceAngle(raw.SpoilerPosLeft, AircraftConfig.MAX_SPOILERS);
    Aircraft.SpoilerAngleRight = SurfaceAngle(raw.SpoilerPosRight, AircraftConfig.MAX_SPOILERS);
    Aircraft.FlapAngle = SurfaceAngle(raw.FlapPos, AircraftConfig.MAX_FLAPS);
}

void DeriveFuelAndSurfaces()
{
    // The fuel used counts from the load in "accfg.ini" as it was on the first powered
    // frame; later rewrites of the file do not reset it while the simulator is connected.
    if (!Aircraft.FuelAtStartTaken) {
        Aircraft.FuelAtStart = AircraftConfig.MAX_FUEL;
        Aircraft.FuelAtStartTaken = true;
    }
    if (Shell.LinkConnected) {
        ConvertPoweredUnits();
        double total = Aircraft.TankCapacityLeft * static_cast<double>(Aircraft.TankLevelLeft) +
                       Aircraft.TankCapacityRight * static_cast<double>(Aircraft.TankLevelRight) +
                       Aircraft.TankCapacityCentre * static_cast<double>(Aircraft.TankLevelCentre);
        Aircraft.FuelTotal = SaturateToInt(total);
        Aircraft.FuelUsed = SaturateToInt(static_cast<double>(Aircraft.FuelAtStart) - Aircraft.FuelTotal);
    } else {
        // Without a simulator there is no fuel to show, and nothing has been used.
        Aircraft.FuelUsed = 0;
        Aircraft.FuelAtStart = AircraftConfig.MAX_FUEL;
        Aircraft.FuelTotal = 0;
    }
    // Low fuel in a main tank: 330 lb or less.
    Aircraft.FuelLowLeft = Aircraft.TankCapacityLeft * static_cast<double>(Aircraft.TankLevelLeft) <= 330.0;
    Aircraft.FuelLowRight = Aircraft.TankCapacityRight * static_cast<double>(Aircraft.TankLevelRight) <= 330.0;
}
