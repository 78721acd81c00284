// The aircraft state seen from outside: orvex-sim frozen with poked raw values, orvex
// running headless with --dump-state, orvex-panel acting as the cockpit. Checks the
// conversions, the not-connected fuel rules, display reversion on two running units,
// and that only this unit's cockpit bytes act on it.
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"
#include "support/support.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Field(const std::string& line, const std::string& key) { return JsonValue(line, key); }
double Number(const std::string& line, const std::string& key) { return std::atof(JsonValue(line, key).c_str()); }

// Waits until the newest line of the dump satisfies `ok`; returns that line (or the last
// one seen when the time runs out).
std::string WaitFor(const std::string& path, const std::function<bool(const std::string&)>& ok)
{
    std::string line;
    WaitUntil([&] { return !(line = LastLine(path)).empty() && ok(line); });
    return line;
}

// Each test talks to its own orvex-sim through its own runtime folder, so tests and
// other running simulators never see each other.
class StateEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { UsePrivateRuntimeDir(); }
    void TearDown() override
    {
        for (BackgroundProcess* p : {&unit2Run, &unit3Run, &sim})
            StopBackground(*p);
    }
    void StartSim()
    {
        sim = ::StartSim();
        ASSERT_GT(sim.pid, 0);
    }
    // An installation folder for display unit 2 (EICAS first) or 3 (MFD first).
    std::string MakeUnit(int number)
    {
        return MakeScratchDisplayUnit("unit" + std::to_string(number) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                                      number);
    }
    std::string RunFrames(const std::string& unit, int frames)
    {
        std::string out;
        EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames " +
                                 std::to_string(frames) + " --dump-state " + unit + "/state.jsonl",
                             &out),
                  0)
            << out;
        return LastLine(unit + "/state.jsonl");
    }
    BackgroundProcess Start(const std::string& unit)
    {
        return StartBackground(ProgramPath("orvex") + " --dir " + unit +
                                   " --headless --frames 100000000 --dump-state " + unit + "/state.jsonl",
                               "");
    }
    BackgroundProcess sim, unit2Run, unit3Run;
};

TEST_F(StateEndToEnd, ReceivedValuesArriveInEngineeringUnits)
{
    StartSim();
    std::string unit = MakeUnit(3);
    WriteFile(unit + "/accfg.ini", "[V1]\n100\n[VR]\n100\n[V2]\n100\n[MAX_FLAPS]\n40\n[VMIN]\n90\n[VMAX_FLAP_8]\n250\n"
                                   "[VMAX_FLAP_20]\n200\n[VMAX_FLAP_40]\n150\n[VMO]\n335\n[MMO]\n0.81\n"
                                   "[MAX_SPOILERS]\n60\n[MIN_RUNWAY_LENGTH]\n5000\n[MAX_FUEL]\n6062\n");
    // Raw values as the module encodes them; each line is one poke of orvex-panel.
    const char* pokes[] = {
        "0x281C 4 1",                     // battery on: the fuel and surfaces are derived
        "0x2E80 4 1",                     // avionics on: else the MFD map stops the heading at north
        "0x0580 4 59652324",              // 5 degrees true
        "0x02A0 2 63716",                 // 10 degrees west
        "0x0560 8 22684692960000000",     // 47.527 N
        "0x0568 8 12159678073709551616",  // -6287066000000000000: 122.696 W
        "0x0898 2 16384", "0x0930 2 8192", "0x0896 2 12288", "0x092E 2 65535",
        "--float 0x2038 8 1391.67",       // ITT 500 C in Rankine
        "0x02BC 4 32064",                 // IAS 250.5 kt
        "0x02B8 4 38527",                 // TAS 300.99 kt, cut to 300
        "0x02B4 4 6553600",               // 100 m/s
        "0x0E92 2 65535",                 // wind just short of north
        "0x08B8 2 8000",                  // oil 68.36 C
        "0x0E8C 2 65236",                 // OAT -300 (-1.17 C)
        "0x0AF4 2 1536",                  // 6 lb per gallon
        "0x0B80 4 110", "0x0B98 4 110", "0x0B78 4 500",
        "0x0B7C 4 4194304",               // left main exactly 330 lb: low
        "0x0B94 4 4194305",               // right main a hair above: not low
        "0x0B74 4 8388608",
        "0x0BD4 4 16383", "0x0BD8 4 1", "0x0BE4 4 8192",
    };
    for (const char* poke : pokes)
        Panel(std::string("poke ") + poke);
    std::string s = RunFrames(unit, 5);
    ASSERT_EQ(Field(s, "LinkConnected"), "true") << s;
    EXPECT_NEAR(Number(s, "MagHeading"), 15.0, 0.01);
    EXPECT_NEAR(Number(s, "Latitude"), 47.5268, 1e-3);
    EXPECT_NEAR(Number(s, "Longitude"), -122.6958, 1e-3);
    EXPECT_NEAR(Number(s, "N2Right"), 399.99, 0.01);   // unsigned: not -0.006
    EXPECT_NEAR(Number(s, "IttLeft"), 500.0, 1e-3);
    EXPECT_NEAR(Number(s, "GroundSpeed"), 194.39, 0.01);
    EXPECT_GT(Number(s, "WindDirection"), 359.99);
    EXPECT_LT(Number(s, "WindDirection"), 360.0);
    // Exact values; the received word is named apart where the shown value replaces it.
    const std::pair<const char*, const char*> exact[] = {
        {"HeadingTrueRaw", "59652324"}, {"N1Left", "100"}, {"N1Right", "50"}, {"N2Left", "75"},
        {"IndicatedAirspeed", "250.5"}, {"TrueAirspeed", "300"}, {"TrueAirspeedRaw", "38527"},
        {"OilTempLeft", "68"}, {"OilTempLeftRaw", "8000"}, {"OutsideAirTemp", "-1"},
        {"OutsideAirTempRaw", "-300"}, {"TankCapacityLeft", "660"}, {"FuelLowLeft", "true"},
        {"FuelLowRight", "false"}, {"FuelTotal", "3660"}, {"FuelAtStart", "6062"}, {"FuelUsed", "2402"},
        {"SpoilerAngleLeft", "60"}, {"SpoilerAngleRight", "1"}, {"FlapAngle", "21"}};
    for (const auto& [key, value] : exact)
        EXPECT_EQ(Field(s, key), value) << key;
}

TEST_F(StateEndToEnd, WithoutASimulatorTheUnitRunsPoweredWithNoFuel)
{
    std::string unit = MakeUnit(3);
    std::string s = RunFrames(unit, 3);
    EXPECT_EQ(Field(s, "LinkConnected"), "false");
    EXPECT_EQ(Field(s, "BatteryMaster"), "1");
    EXPECT_EQ(Field(s, "FuelTotal"), "0");
    EXPECT_EQ(Field(s, "FuelUsed"), "0");
    EXPECT_NEAR(Number(s, "Latitude"), 32.7335556, 1e-7);
    EXPECT_NEAR(Number(s, "Longitude"), -117.1896667, 1e-7);
}

TEST_F(StateEndToEnd, ReversionSwapsBothUnitsAndRetitlesEachTime)
{
    StartSim();
    std::string unit2 = MakeUnit(2), unit3 = MakeUnit(3);
    unit2Run = Start(unit2);
    unit3Run = Start(unit3);
    auto connected = [](const std::string& l) { return Field(l, "LinkConnected") == "true"; };
    std::string u2 = WaitFor(unit2 + "/state.jsonl", connected);
    std::string u3 = WaitFor(unit3 + "/state.jsonl", connected);
    ASSERT_TRUE(connected(u2) && connected(u3));
    EXPECT_EQ(Field(u2, "ShowingEicas"), "true");
    EXPECT_EQ(Field(u2, "WindowTitle"), "Orvex DU2 EICAS - v1.0.0.4 build 203");
    EXPECT_EQ(Field(u3, "ShowingMfd"), "true");

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Panel("revert on");
        auto mfd = [](const std::string& l) { return Field(l, "ShowingMfd") == "true"; };
        auto eicas = [](const std::string& l) { return Field(l, "ShowingEicas") == "true"; };
        u2 = WaitFor(unit2 + "/state.jsonl", mfd);
        u3 = WaitFor(unit3 + "/state.jsonl", eicas);
        EXPECT_EQ(Field(u2, "ShowingEicas"), "false");
        EXPECT_EQ(Field(u2, "WindowTitle"), "Orvex DU2 MFD - v1.0.0.4 build 203");
        EXPECT_EQ(Field(u2, "MenuLevel") + Field(u2, "MenuPage"), "00");
        EXPECT_EQ(Field(u3, "ShowingMfd"), "false");
        EXPECT_EQ(Field(u3, "WindowTitle"), "Orvex DU3 EICAS - v1.0.0.4 build 203");
        EXPECT_EQ(Field(u3, "MenuLevel") + Field(u3, "MenuPage"), "11");

        Panel("revert off");
        u2 = WaitFor(unit2 + "/state.jsonl", eicas);
        u3 = WaitFor(unit3 + "/state.jsonl", mfd);
        // Switched back by the cockpit, unit 2's EICAS title carries the capital V.
        EXPECT_EQ(Field(u2, "WindowTitle"), "Orvex DU2 EICAS - V1.0.0.4 build 203");
        EXPECT_EQ(Field(u2, "MenuLevel") + Field(u2, "MenuPage"), "11");
        EXPECT_EQ(Field(u3, "WindowTitle"), "Orvex DU3 MFD - v1.0.0.4 build 203");
        EXPECT_EQ(Field(u3, "MenuLevel") + Field(u3, "MenuPage"), "00");
    }
}

TEST_F(StateEndToEnd, ReversionAlreadyOnAtStartIsAppliedOnTheFirstFrame)
{
    StartSim();
    Panel("revert on");
    std::string unit3 = MakeUnit(3);
    std::string s = RunFrames(unit3, 2);
    std::string first = ReadLines(unit3 + "/state.jsonl").at(0);
    EXPECT_EQ(Field(first, "ShowingEicas"), "true");
    EXPECT_EQ(Field(first, "WindowTitle"), "Orvex DU3 EICAS - v1.0.0.4 build 203");
}

TEST_F(StateEndToEnd, OnlyThisUnitsCockpitBytesActAndOnlyTheLowerKeyRises)
{
    StartSim();
    std::string unit3 = MakeUnit(3);
    unit3Run = Start(unit3);
    std::string dump = unit3 + "/state.jsonl";
    ASSERT_EQ(Field(WaitFor(dump, [](const std::string& l) { return Field(l, "LinkConnected") == "true"; }),
                    "LinkConnected"),
              "true");

    // Unit 2's soft keys, knob and dimming, one byte beside ours.
    Panel("poke 0x73F8 1 0x3F");
    Panel("poke 0x73FC 1 7");
    Panel("poke 0x73D8 1 200");
    // Then our own dimming, as a marker that the frames after unit 2's pokes are in.
    Panel("poke 0x73D9 1 1");
    std::string s = WaitFor(dump, [](const std::string& l) { return Field(l, "DimLevel") == "1"; });
    EXPECT_EQ(Field(s, "DimLevel"), "1");
    EXPECT_EQ(Field(s, "SoftKeyMask"), "0");
    EXPECT_EQ(Field(s, "KnobCounter"), "0");
    EXPECT_EQ(Field(s, "PendingSoftKey"), "6");

    // Keys 1 and 2 rise in the same frame: key 1 only.
    Panel("poke 0x73F9 1 0x06");
    s = WaitFor(dump, [](const std::string& l) { return Field(l, "SoftKeyMask") == "6"; });
    StopBackground(unit3Run);
    bool sawKey1 = false;
    for (const std::string& line : ReadLines(dump)) {
        if (line.empty() || line.back() != '}')
            continue;
        std::string key = Field(line, "PendingSoftKey");
        EXPECT_TRUE(key == "6" || key == "1") << line.substr(0, 40) << " key " << key;
        sawKey1 = sawKey1 || key == "1";
    }
    EXPECT_TRUE(sawKey1);
}

// The flag byte is shared without a lock: this unit changes only its own bits, and tells
// the panel about a rewritten "accfg.ini" once, and only while it shows the MFD.
TEST_F(StateEndToEnd, PanelFlagsKeepOtherBitsAndCarryTheRewriteNoticeOnce)
{
    StartSim();
    Panel("man on");   // bit 2, the panel's
    ShellReset();
    CockpitReset();
    ConnectSimulatorAtStart(20000);   // the unit's own start-up wait (a busy machine may need long), not one frame's step
    ASSERT_TRUE(Shell.LinkConnected);
    auto flags = [] {
        uint8_t value = 0xFF;
        SimLinkRead(PanelFlagsOffset, 1, &value);
        SimLinkProcess();
        return value;
    };

    Shell.ShowingEicas = true;
    Cockpit.PanelNotifyPending = true;
    AcquireAircraftState();
    EXPECT_EQ(flags(), PanelFlagN1Manual);
    EXPECT_TRUE(Cockpit.PanelNotifyPending);   // the EICAS leaves the notice to the MFD

    Shell.ShowingEicas = false, Shell.ShowingMfd = true;
    AcquireAircraftState();
    EXPECT_EQ(flags(), PanelFlagN1Manual | PanelFlagConfigChanged);
    EXPECT_FALSE(Cockpit.PanelNotifyPending);

    // The panel takes the notice down; the next frame does not raise it again.
    Panel("poke 0x73D5 1 4");
    AcquireAircraftState();
    EXPECT_EQ(flags(), PanelFlagN1Manual);
    EXPECT_EQ(Cockpit.PanelFlags, PanelFlagN1Manual);
    SimLinkClose();
}

}  // namespace
