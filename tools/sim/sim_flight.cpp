// The built-in flight: reads a keyframe timeline and integrates the aircraft along it
// (heading toward the wanted heading or the next GPS waypoint, position from heading,
// airspeed and wind, fuel from the engines' flow, oil temperatures lagging the engines).
// Owns: SimFlight. Reads: the timeline text.
#include "sim.h"

#include "map/geodesy.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

SimFlightState SimFlight;

static constexpr double StepSeconds = 0.1;

static const char* const ChannelNames[] = {
#define ORVEX_SIM_NAME(name, step) #name,
    ORVEX_SIM_CHANNELS(ORVEX_SIM_NAME)
#undef ORVEX_SIM_NAME
};
static const bool ChannelHolds[] = {
#define ORVEX_SIM_HOLD(name, step) step != 0,
    ORVEX_SIM_CHANNELS(ORVEX_SIM_HOLD)
#undef ORVEX_SIM_HOLD
};

const char* SimChannelName(int channel)
{
    return ChannelNames[channel];
}

bool SimChannelHolds(int channel)
{
    return ChannelHolds[channel];
}

// ---------------------------------------------------------------------------------------
// Timeline file
// ---------------------------------------------------------------------------------------

// Seconds as "S", "M:SS" or "H:MM:SS" (fractions allowed on the last field).
static bool ParseTime(const std::string& text, double* seconds)
{
    double total = 0;
    size_t start = 0;
    for (int fields = 0; fields < 3; ++fields) {
        size_t colon = text.find(':', start);
        std::string part = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        char* end = nullptr;
        double value = std::strtod(part.c_str(), &end);
        if (part.empty() || *end != 0 || !(value >= 0) || value > 1e6)
            return false;
        total = total * 60 + value;
        if (colon == std::string::npos) {
            *seconds = total;
            return true;
        }
        start = colon + 1;
    }
    return false;
}

static bool ParseNumber(std::istringstream& in, double* value)
{
    std::string word;
    if (!(in >> word))
        return false;
    char* end = nullptr;
    *value = std::strtod(word.c_str(), &end);
    return *end == 0 && std::isfinite(*value);
}

static int FindChannel(const std::string& name)
{
    for (int c = 0; c < SimChannelCount; ++c)
        if (strcasecmp(name.c_str(), ChannelNames[c]) == 0)
            return c;
    return -1;
}

static int FindTrafficField(const std::string& name)
{
    static const char* const names[] = {"bearing", "range", "relalt", "vs"};
    for (int f = 0; f < TrafficFieldCount; ++f)
        if (strcasecmp(name.c_str(), names[f]) == 0)
            return f;
    return -1;
}

// One line of the file; `now` is the second set by the last "at" line.
static bool ParseLine(const std::string& word, std::istringstream& in, double* now, SimTimeline* t, std::string* why)
{
    double a = 0, b = 0, c = 0;
    std::string text;
    if (word == "at") {
        double when;
        if (!(in >> text) || !ParseTime(text, &when))
            return *why = "\"at\" needs a time (S, M:SS or H:MM:SS)", false;
        *now = when;
        t->End = std::max(t->End, when);
    } else if (word == "start") {
        if (!ParseNumber(in, &t->StartLat) || !ParseNumber(in, &t->StartLon) || std::fabs(t->StartLat) > 90 ||
            std::fabs(t->StartLon) > 180)
            return *why = "\"start\" needs latitude (-90..90) and longitude (-180..180)", false;
    } else if (word == "magvar") {
        if (!ParseNumber(in, &t->MagVar))
            return *why = "\"magvar\" needs degrees (east positive)", false;
    } else if (word == "clock") {
        double when;
        if (!(in >> text) || !ParseTime(text, &when) || when >= 86400)
            return *why = "\"clock\" needs a time of day H:MM:SS", false;
        t->ClockStart = static_cast<int>(when);
    } else if (word == "fuel" || word == "capacity") {
        if (!ParseNumber(in, &a) || !ParseNumber(in, &b) || !ParseNumber(in, &c) || a < 0 || b < 0 || c < 0)
            return *why = "\"" + word + "\" needs left, right and centre pounds", false;
        double* at = word == "fuel" ? &t->FuelLeft : &t->CapacityLeft;
        at[0] = a, at[1] = b, at[2] = c;
    } else if (word == "waypoint") {
        if (t->WaypointCount == SimMaxWaypoints)
            return *why = "too many waypoints", false;
        SimWaypoint& w = t->Waypoints[t->WaypointCount];
        if (!(in >> text) || text.size() > 6 || !ParseNumber(in, &w.lat) || !ParseNumber(in, &w.lon) ||
            std::fabs(w.lat) > 90 || std::fabs(w.lon) > 180)
            return *why = "\"waypoint\" needs an ident of up to 6 characters, latitude and longitude", false;
        std::memset(w.ident, 0, sizeof w.ident);
        std::memcpy(w.ident, text.c_str(), text.size());
        ++t->WaypointCount;
    } else if (word == "traffic") {
        int field = -1;
        if (!ParseNumber(in, &a) || a < 1 || a > SimMaxTraffic || a != std::floor(a) || !(in >> text) ||
            (field = FindTrafficField(text)) < 0 || !ParseNumber(in, &b))
            return *why = "\"traffic\" needs a target 1 to " + std::to_string(SimMaxTraffic) +
                          ", bearing|range|relalt|vs and a value",
                   false;
        t->Traffic[static_cast<int>(a) - 1][field].push_back({*now, b});
    } else {
        int channel = FindChannel(word);
        if (channel < 0)
            return *why = "unknown word \"" + word + "\"", false;
        if (!ParseNumber(in, &a))
            return *why = word + " needs a number", false;
        t->Keys[channel].push_back({*now, a});
    }
    if (in >> text)
        return *why = "unexpected \"" + text + "\" at the end of the line", false;
    return true;
}

bool SimParseTimeline(const std::string& text, SimTimeline* timeline, std::string* error)
{
    *timeline = SimTimeline{};
    std::istringstream lines(text);
    std::string line;
    double now = 0;
    for (int number = 1; std::getline(lines, line); ++number) {
        // Files copied from Windows keep their '\r'; it is whitespace, and '#' starts a comment.
        line = line.substr(0, line.find('#'));
        std::replace(line.begin(), line.end(), '\r', ' ');
        std::istringstream in(line);
        std::string word;
        if (!(in >> word))
            continue;
        std::string why;
        if (!ParseLine(word, in, &now, timeline, &why)) {
            *error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    // "at" may go back in time (the traffic is written target by target), so each
    // channel's keyframes are put in time order; equal times keep the file's order.
    auto byTime = [](const SimKeyframe& a, const SimKeyframe& b) { return a.time < b.time; };
    for (auto& keys : timeline->Keys)
        std::stable_sort(keys.begin(), keys.end(), byTime);
    for (auto& target : timeline->Traffic)
        for (auto& keys : target)
            std::stable_sort(keys.begin(), keys.end(), byTime);
    return true;
}

bool SimPlaceTraffic(const std::string& placement, SimTimeline* timeline, std::string* error)
{
    std::string text = placement;
    std::replace(text.begin(), text.end(), ',', ' ');
    std::istringstream in(text);
    double values[TrafficFieldCount];
    std::string extra;
    for (double& v : values) {
        if (!ParseNumber(in, &v)) {
            *error = "--traffic needs BEARING,RANGE,RELALT,VS (four numbers), not \"" + placement + "\"";
            return false;
        }
    }
    if (in >> extra) {
        *error = "--traffic needs BEARING,RANGE,RELALT,VS (four numbers), not \"" + placement + "\"";
        return false;
    }
    // After the last numbered target, so the table keeps no gap before it.
    int slot = 0;
    for (int n = 0; n < SimMaxTraffic; ++n)
        if (!timeline->Traffic[n][TrafficRange].empty())
            slot = n + 1;
    if (slot == SimMaxTraffic) {
        *error = "--traffic: all " + std::to_string(SimMaxTraffic) + " traffic slots are taken";
        return false;
    }
    for (int f = 0; f < TrafficFieldCount; ++f)
        timeline->Traffic[slot][f].assign(1, SimKeyframe{0, values[f]});
    return true;
}

// ---------------------------------------------------------------------------------------
// Values along the timeline
// ---------------------------------------------------------------------------------------

double SimKeyValue(const std::vector<SimKeyframe>& keys, bool holds, double time)
{
    // A switch is off until its first keyframe; a ramp stands at its first value.
    if (keys.empty())
        return 0;
    if (time < keys.front().time)
        return holds ? 0 : keys.front().value;
    for (size_t i = 1; i < keys.size(); ++i) {
        const SimKeyframe& b = keys[i];
        if (time < b.time) {
            const SimKeyframe& a = keys[i - 1];
            if (holds || b.time <= a.time)
                return a.value;
            return a.value + (b.value - a.value) * (time - a.time) / (b.time - a.time);
        }
    }
    return keys.back().value;
}

double SimChannelValue(const SimTimeline& timeline, int channel, double time)
{
    return SimKeyValue(timeline.Keys[channel], ChannelHolds[channel], time);
}

static double Channel(int channel)
{
    return SimChannelValue(SimFlight.Timeline, channel, SimFlight.Time);
}

void SimFlightStart(const SimTimeline& timeline)
{
    SimFlight = SimFlightState{};
    SimFlight.Timeline = timeline;
    SimFlight.Lat = timeline.StartLat;
    SimFlight.Lon = timeline.StartLon;
    SimFlight.HeadingTrue = SimChannelValue(timeline, ChanHeading, 0);
    SimFlight.FuelLeft = timeline.FuelLeft;
    SimFlight.FuelRight = timeline.FuelRight;
    SimFlight.FuelCentre = timeline.FuelCentre;
    SimFlight.OilTempLeft = SimFlight.OilTempRight = SimChannelValue(timeline, ChanSat, 0);
    SimFlight.TrueAirspeed = SimFlight.GroundSpeed = SimChannelValue(timeline, ChanIas, 0);
}

// Fuel flow of one engine in pounds per hour: idle flow plus a cube of N1, as a small
// turbofan burns; nothing while the engine is not running.
double SimFuelFlow(double n1, double n2, double fuelLever)
{
    if (n2 < 20 || fuelLever == 0)
        return 0;
    return 90 + 1400 * std::pow(n1 / 100, 3);
}

// Turns the heading toward the wanted one, at a standard rate in the air and faster
// while taxiing.
static void SimSteer(double dt)
{
    double wanted = Channel(ChanHeading);
    const SimTimeline& t = SimFlight.Timeline;
    if (Channel(ChanLnav) != 0 && SimFlight.NextWaypoint < t.WaypointCount) {
        const SimWaypoint& w = t.Waypoints[SimFlight.NextWaypoint];
        const double nm = HaversineDistanceNm(SimFlight.Lat, SimFlight.Lon, w.lat, w.lon);
        wanted = TrueCourseDeg(SimFlight.Lat, SimFlight.Lon, w.lat, w.lon);
        if (nm < 1.5 && SimFlight.NextWaypoint + 1 < t.WaypointCount)
            ++SimFlight.NextWaypoint;  // the GPS sequences to the next leg
    }
    double turn = std::remainder(wanted - SimFlight.HeadingTrue, 360.0);
    double rate = (Channel(ChanOnGround) != 0 ? 20.0 : 3.0) * dt;
    turn = std::clamp(turn, -rate, rate);
    SimFlight.HeadingTrue = std::fmod(SimFlight.HeadingTrue + turn + 360.0, 360.0);
}

static void SimMove(double dt)
{
    double ias = Channel(ChanIas);
    double altitude = Channel(ChanAltitude);
    // True airspeed grows about 2 % per thousand feet over indicated.
    double tas = ias * (1 + 0.02 * std::max(0.0, altitude) / 1000);
    double vn = tas * std::cos(SimFlight.HeadingTrue * SimDegToRad);
    double ve = tas * std::sin(SimFlight.HeadingTrue * SimDegToRad);
    if (Channel(ChanOnGround) == 0) {
        // The wind blows from its direction.
        double wd = Channel(ChanWindDirection) * SimDegToRad, ws = Channel(ChanWindSpeed);
        vn -= ws * std::cos(wd);
        ve -= ws * std::sin(wd);
    }
    SimFlight.TrueAirspeed = tas;
    SimFlight.GroundSpeed = std::hypot(vn, ve);
    SimFlight.Lat += vn * dt / 3600 / 60;
    SimFlight.Lon += ve * dt / 3600 / 60 / std::cos(SimFlight.Lat * SimDegToRad);
    double ahead = SimChannelValue(SimFlight.Timeline, ChanAltitude, SimFlight.Time + dt);
    SimFlight.VerticalSpeed = (ahead - altitude) / dt * 60;
}

// What the engines draw from the wing tanks, after the centre tank: each engine from its
// own wing with the cross-feed closed; with it open (1: left tank, 2: right tank) both
// engines from the selected wing, which is how a crew balances the wings.
static void SimDrawFromWings(double left, double right)
{
    int crossfeed = static_cast<int>(std::clamp(Channel(ChanCrossfeed), -1.0, 3.0));  // 0, 1 or 2 mean something
    double fromLeft = crossfeed == 1 ? left + right : crossfeed == 2 ? 0 : left;
    double fromRight = left + right - fromLeft;
    SimFlight.FuelLeft = std::max(0.0, SimFlight.FuelLeft - fromLeft);
    SimFlight.FuelRight = std::max(0.0, SimFlight.FuelRight - fromRight);
}

static void SimBurn(double dt)
{
    double left = SimFuelFlow(Channel(ChanN1Left), Channel(ChanN2Left), Channel(ChanFuelLeverLeft)) * dt / 3600;
    double right = SimFuelFlow(Channel(ChanN1Right), Channel(ChanN2Right), Channel(ChanFuelLeverRight)) * dt / 3600;
    // The centre tank feeds both engines while it has fuel.
    double fromCentre = std::min(SimFlight.FuelCentre, left + right);
    SimFlight.FuelCentre -= fromCentre;
    double share = left + right > 0 ? fromCentre / (left + right) : 0;
    SimDrawFromWings(left * (1 - share), right * (1 - share));
    // Oil warms toward a temperature set by N2 and cools toward the outside air.
    for (int side = 0; side < 2; ++side) {
        double n2 = Channel(side == 0 ? ChanN2Left : ChanN2Right);
        double target = n2 > 20 ? 35 + 55 * n2 / 100 : Channel(ChanSat);
        double& oil = side == 0 ? SimFlight.OilTempLeft : SimFlight.OilTempRight;
        oil += (target - oil) * dt / 90;
    }
}

bool SimGeneratorOnline(int side)
{
    // A generator comes on line above 50 % N2 of a running engine.
    double n2 = Channel(side == 0 ? ChanN2Left : ChanN2Right);
    return n2 >= 50 && Channel(side == 0 ? ChanFuelLeverLeft : ChanFuelLeverRight) != 0;
}

double SimBusLoadAmps()
{
    if (Channel(ChanBattery) == 0)
        return 0;
    double load = 38;                                        // lights, fuel boost pumps, instruments
    load += Channel(ChanAvionics) != 0 ? 24 : 0;
    load += Channel(ChanPitotHeat) != 0 ? 21 : 0;
    load += Channel(ChanGear) != 0 && Channel(ChanOnGround) == 0 ? 6 : 0;   // gear lights and heaters
    // A starter-generator cranking an engine draws hundreds of amperes, rising with N2.
    for (int side = 0; side < 2; ++side)
        if (Channel(side == 0 ? ChanStarterLeft : ChanStarterRight) == 1)
            load += 160 + 2.5 * Channel(side == 0 ? ChanN2Left : ChanN2Right);
    // The battery recharges after the starts, fast at first.
    if (SimGeneratorOnline(0) || SimGeneratorOnline(1))
        load += 120 * (1 - SimFlight.BatteryCharge);
    // A small ripple, as a real ammeter never stands still.
    load += 1.5 * std::sin(SimFlight.Time * 0.7);
    return load;
}

double SimGeneratorAmps(int side)
{
    if (!SimGeneratorOnline(side))
        return 0;
    int online = SimGeneratorOnline(0) + SimGeneratorOnline(1);
    return SimBusLoadAmps() / online;
}

// The battery carries the load while no generator is on line and is recharged after.
static void SimChargeBattery(double dt)
{
    double& charge = SimFlight.BatteryCharge;
    if (SimGeneratorOnline(0) || SimGeneratorOnline(1))
        charge += (1 - charge) * dt / 240;                   // most of the charge back in minutes
    else
        charge -= SimBusLoadAmps() * dt / 3600 / 40;         // a 40 Ah battery
    charge = std::clamp(charge, 0.0, 1.0);
}

// Each target that moved gets a new change byte once a second, so clients re-read it.
static void SimMoveTraffic()
{
    for (int n = 0; n < SimMaxTraffic; ++n) {
        const auto& range = SimFlight.Timeline.Traffic[n][TrafficRange];
        if (range.empty() || SimFlight.Time - SimFlight.TrafficLastMoved[n] < 1.0)
            continue;
        SimFlight.TrafficLastMoved[n] = SimFlight.Time;
        uint8_t& change = SimFlight.TrafficChange[n];
        change = change == 255 ? 1 : change + 1;  // 0 would mark the end of the table
    }
}

void SimFlightAdvanceTo(double time)
{
    time = std::min(time, SimFlight.Timeline.End);
    while (SimFlight.Time + StepSeconds <= time + 1e-9) {
        SimSteer(StepSeconds);
        SimMove(StepSeconds);
        SimBurn(StepSeconds);
        SimChargeBattery(StepSeconds);
        SimFlight.Time = ++SimFlight.Steps * StepSeconds;
        SimMoveTraffic();
    }
}
