// What orvex-sim publishes, in engineering units, before it is put into the offset space
// in the simulator's own encodings. The built-in flight fills it from its timeline; the
// FlightGear bridge fills it from FlightGear's packets. Both then go through the same
// SimPublishValues, so every offset and encoding lives in one place (sim_publish.cpp).
#pragma once

#include "sim.h"

#include <cstdint>

struct SimEngineValues {
    double N1 = 0, N2 = 0;             // percent
    double IttC = 0;                   // turbine temperature, deg C (published in Rankine)
    double OilTempC = 0;               // deg C, 0..140 (negative published as 0)
    double OilPressPsi = 0;
    double FuelFlowPph = 0;            // pounds per hour
    double HydPressPsi = 0;
    double FuelPressPsi = 0;           // whole psi
    double Running = 0;                // engine state value; 0 counts as shut down
    double Starter = 0;                // starter switch, 1 = start
    double ThrottlePercent = 0;        // lever, -25..100 % (16384 = 100 %)
    double GenVolts = 0, GenAmps = 0;  // this side's generator: essential bus volts and amperes
};

// One slot of the traffic table. Change 0 ends the table (the displays stop reading
// there); a slot with a nonzero change byte and latitude 0 is an empty entry.
struct SimTrafficValues {
    uint8_t Change = 0;
    uint32_t Id = 0;
    double Lat = 0, Lon = 0;           // degrees
    double AltitudeFt = 0;
    double VsFpm = 0;
};

struct SimAircraftValues {
    SimEngineValues Engine[2];         // left, right
    double EmergencyBusVolts = 0;

    // Fuel: left main, right main, centre, in pounds; capacities are published in whole
    // gallons of PoundsPerGallon (itself published in 1/256 lb).
    double TankLb[3] = {}, CapacityLb[3] = {};
    double PoundsPerGallon = 6.7;

    // Surfaces as fractions of their full travel; trims in degrees (published in radians).
    double SpoilerFraction = 0, FlapFraction = 0;
    double SpoilersArmed = 0;
    double PitchTrimDeg = 0, AileronTrimDeg = 0, RudderTrimDeg = 0;
    double GearDown = 0, ParkingBrake = 0;

    // Position and air data. Magnetic variation east positive; headings in degrees.
    double Lat = 0, Lon = 0;
    double HeadingTrue = 0, MagVar = 0, ApHeading = 0;
    double AltitudeFt = 0, VsFpm = 0;
    double GroundSpeedKt = 0, IasKt = 0, TasKt = 0;
    double SatC = 0;                   // static air temperature
    double OatC = 0;                   // what the outside air probe reads (total temperature)
    double WindFromDeg = 0, WindKt = 0;

    // Switches and flags, as the simulator holds them (nonzero = on / set).
    double Battery = 0, Avionics = 0, OnGround = 0, PitotHeat = 0, EngineSync = 0, NavGps = 0;
    double Fire = 0, Doors = 0;

    // The GPS: local time, and the next waypoint when there is one.
    long LocalSeconds = 0;             // seconds of the day
    bool HasWaypoint = false;
    char WaypointIdent[7] = {};        // up to 6 characters, published unterminated
    double WaypointDistNm = 0;
    double WaypointEtaSeconds = 0;     // arrival, seconds of the day; 0 when unknown

    SimTrafficValues Traffic[SimMaxTraffic];
};

// Writes every value into the space in the simulator's encodings.
void SimPublishValues(SimOffsetSpace& space, const SimAircraftValues& values);
// The built-in flight as it stands now (SimFlight), in engineering units.
void SimFlightValues(SimAircraftValues* values);
