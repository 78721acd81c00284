// The FlightGear bridge without FlightGear: the protocol file against the parser's field
// table, the packet line parser on good and hostile lines, packets recorded from a real
// FlightGear (c172p in the air near KSAN) replayed into the bridge and read back at the
// displays' offsets, staleness, the cockpit inputs, and orvex-sim --flightgear from
// outside with a display unit showing the values.
#include "sim.h"
#include "sim_flightgear.h"

#include "platform/platform.h"
#include "simlink/aircraft.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string Recording = std::string(ORVEX_SOURCE_DIR) + "/tests/sim/data/flightgear-c172p-ksan.txt";

std::vector<std::string> RecordedLines()
{
    std::vector<std::string> lines = ReadLines(Recording);
    EXPECT_GT(lines.size(), 100u) << Recording;
    return lines;
}

// The fields of a line split by hand, independently of the parser: [0] is the tag.
std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> parts;
    std::stringstream in(line);
    std::string part;
    while (std::getline(in, part, ','))
        parts.push_back(part);
    if (!line.empty() && line.back() == ',')
        parts.push_back("");
    return parts;
}
double F(const std::vector<std::string>& parts, int field)
{
    return std::atof(parts.at(field + 1).c_str());
}

// A line built from the first recorded one with one field changed.
std::string WithField(std::string line, int field, const std::string& value)
{
    std::vector<std::string> parts = Split(line);
    parts.at(field + 1) = value;
    std::string joined;
    for (size_t i = 0; i < parts.size(); ++i)
        joined += (i ? "," : "") + parts[i];
    return joined;
}

// A recorded (first-version) line as the current protocol sends it: its tag, and the
// fields added since, 0 until set.
std::string Version2(const std::string& line)
{
    std::string v2 = std::string(FgProtocolTag) + line.substr(std::strlen(FgProtocolTagVersion1));
    for (int field = FgFieldCountVersion1; field < FgFieldCount; ++field)
        v2 += ",0";
    return v2;
}

class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FgBridgeReset();
        space = std::make_unique<SimOffsetSpace>();
        lines = RecordedLines();
        ASSERT_FALSE(lines.empty());
        FgBridgePublishStart(*space);
    }
    void Send(const std::string& line, double ms) { FgHandleDatagram(line.data(), line.size(), ms, *space); }
    uint64_t U(uint32_t offset, int size) const { return SimGet(*space, offset, size); }
    int64_t S(uint32_t offset, int size) const
    {
        int shift = 64 - 8 * size;
        return static_cast<int64_t>(U(offset, size) << shift) >> shift;
    }
    double D(uint32_t offset) const { return SimGetDouble(*space, offset); }

    std::unique_ptr<SimOffsetSpace> space;
    std::vector<std::string> lines;
};

}  // namespace

TEST(FlightGearProtocol, ShippedFileListsTheParsersFieldsInOrder)
{
    std::string xml = ReadFile(std::string(ORVEX_SOURCE_DIR) + "/data/flightgear/Protocol/orvex.xml");
    ASSERT_FALSE(xml.empty());
    EXPECT_NE(xml.find(std::string("<format>") + FgProtocolTag + "</format>"), std::string::npos);
    EXPECT_NE(xml.find("<var_separator>,</var_separator>"), std::string::npos);
    EXPECT_NE(xml.find("<line_separator>newline</line_separator>"), std::string::npos);
    EXPECT_EQ(xml.find("--", xml.find("-->") + 3), std::string::npos) << "'--' is not allowed in an XML comment";
    std::vector<std::string> nodes, types;
    for (size_t at = xml.find("-->"); (at = xml.find("<node>", at)) != std::string::npos;) {
        size_t end = xml.find("</node>", at);
        nodes.push_back(xml.substr(at + 6, end - at - 6));
        size_t type = xml.find("<type>", end), typeEnd = xml.find("</type>", type);
        types.push_back(xml.substr(type + 6, typeEnd - type - 6));
        at = end;
    }
    ASSERT_EQ(nodes.size(), static_cast<size_t>(FgFieldCount));
    for (int i = 0; i < FgFieldCount; ++i) {
        EXPECT_EQ(nodes[i], FgFieldProperty(i)) << "field " << i;
        const char* want = FgFieldKindOf(i) == FgFlag ? "bool" : FgFieldKindOf(i) == FgText ? "string" : nullptr;
        if (want)
            EXPECT_EQ(types[i], want) << nodes[i];
        else
            EXPECT_TRUE(types[i] == "float" || types[i] == "int") << nodes[i];
    }
}

TEST(FlightGearProtocol, ShareInputFilesWriteTheSlotsTheOutputSends)
{
    // What a bridge sends into slot N must land where orvex.xml reads slot N back from.
    for (int slot = 1; slot <= FgShareSlots; ++slot) {
        std::string path = std::string(ORVEX_SOURCE_DIR) + "/data/flightgear/Protocol/orvex-share" + std::to_string(slot) + ".xml";
        std::string xml = ReadFile(path);
        ASSERT_NE(xml.find("<input>"), std::string::npos) << path;
        std::vector<std::string> nodes;
        for (size_t at = xml.find("-->"); (at = xml.find("<node>", at)) != std::string::npos; at += 6)
            nodes.push_back(xml.substr(at + 6, xml.find("</node>", at) - at - 6));
        ASSERT_EQ(nodes.size(), static_cast<size_t>(1 + FgShareBits)) << path;
        const int first = slot == 1 ? FgShareFlags_1 : FgShareFlags_2;
        for (int i = 0; i <= FgShareBits; ++i)
            EXPECT_EQ(nodes[i], FgFieldProperty(first + i)) << path;
    }
}

TEST(FlightGearParse, RecordedLinesReadAndHostileOnesAreRefusedWhole)
{
    std::vector<std::string> lines = RecordedLines();
    ASSERT_FALSE(lines.empty());
    FgPacket p;
    int good = 0;
    for (const std::string& line : lines)
        good += FgParseLine(line.data(), line.size(), &p) == FgLineOk;
    EXPECT_EQ(good, static_cast<int>(lines.size()));

    const std::string line = lines.back();
    auto parse = [&](const std::string& text) { return FgParseLine(text.data(), text.size(), &p); };
    ASSERT_EQ(parse(line), FgLineOk);
    EXPECT_NEAR(p.Value[FgLatDeg], F(Split(line), FgLatDeg), 1e-9);
    EXPECT_EQ(parse(line + "\r"), FgLineOk);
    EXPECT_EQ(parse(line + ",1"), FgLineFieldCount);
    EXPECT_EQ(parse(line.substr(0, line.rfind(','))), FgLineFieldCount);
    EXPECT_EQ(parse("ORVEX1,"), FgLineFieldCount);
    EXPECT_EQ(parse("ORVEX3" + line.substr(6)), FgLineBadTag);
    EXPECT_EQ(parse(""), FgLineBadTag);
    EXPECT_EQ(parse(WithField(line, FgHeadingTrueDeg, "12a")), FgLineBadField);
    EXPECT_EQ(parse(WithField(line, FgHeadingTrueDeg, "0x10")), FgLineBadField);
    EXPECT_EQ(parse(WithField(line, FgHeadingTrueDeg, " 12")), FgLineBadField);
    EXPECT_EQ(parse(WithField(line, FgHeadingTrueDeg, "")), FgLineBadField);
    EXPECT_EQ(parse(WithField(line, FgHeadingTrueDeg, std::string(80, '1'))), FgLineBadField);
    EXPECT_EQ(parse(WithField(line, FgOnGround, "2")), FgLineBadField);
    EXPECT_EQ(parse(WithField(line, FgWaypointIdent, "MZ\x01")), FgLineBadField);
    EXPECT_EQ(parse(line + std::string(5000, '0')), FgLineTooLong);
    // A property gone bad prints nan: it reads 0 and is counted, the packet still counts.
    ASSERT_EQ(parse(WithField(WithField(line, FgTasKt, "nan"), FgIasKt, "-inf")), FgLineOk);
    EXPECT_EQ(p.Value[FgTasKt], 0);
    EXPECT_EQ(p.NonFinite, 2);
    // Flags in either spelling; the identifier cut to the GPS field's six characters.
    ASSERT_EQ(parse(WithField(WithField(line, FgOnGround, "true"), FgWaypointIdent, "LONGNAME")), FgLineOk);
    EXPECT_EQ(p.Value[FgOnGround], 1);
    EXPECT_STREQ(p.Ident, "LONGNA");
    // Before the scenery loads FlightGear sends -9999 ft: a good line, but not to be used.
    EXPECT_EQ(parse(WithField(line, FgAltitudeFt, "-9999.000")), FgLineNoScenery);

    // Both protocol versions read: the first version's line leaves the added fields 0, a
    // line of one version with the other's field count is refused.
    const std::string v2 = WithField(WithField(Version2(line), FgShareChanges3_2, "7"), FgHeadingIndicatorOffsetDeg, "4.5");
    ASSERT_EQ(parse(v2), FgLineOk);
    EXPECT_EQ(p.Version, 2);
    EXPECT_EQ(p.Value[FgShareChanges3_2], 7);
    EXPECT_EQ(p.Value[FgHeadingIndicatorOffsetDeg], 4.5);
    ASSERT_EQ(parse(line), FgLineOk);
    EXPECT_EQ(p.Version, 1);
    EXPECT_EQ(p.Value[FgShareChanges3_2], 0);
    EXPECT_EQ(p.Value[FgHeadingIndicatorOffsetDeg], 0);
    EXPECT_EQ(parse(std::string(FgProtocolTag) + line.substr(6)), FgLineFieldCount);
    EXPECT_EQ(parse(std::string(FgProtocolTagVersion1) + v2.substr(6)), FgLineFieldCount);
}

TEST_F(BridgeTest, RecordedPacketsReplayedFillTheDisplaysOffsets)
{
    for (size_t i = 0; i < lines.size(); ++i)
        Send(lines[i] + "\n", 100.0 * i);
    EXPECT_EQ(FgBridge.Counters.Packets, static_cast<long>(lines.size()));
    EXPECT_TRUE(FgBridge.Live);
    const std::vector<std::string> f = Split(lines.back());

    // Position, headings and speeds through the displays' own conversions.
    EXPECT_NEAR(S(0x0560, 8) * 2.0951091487837895e-15, F(f, FgLatDeg), 1e-7);
    EXPECT_NEAR(S(0x0568, 8) * 1.951563910473908e-17, F(f, FgLonDeg), 1e-7);
    double magVar = U(0x02A0, 2) * 360.0 / 65536, mag = U(0x0580, 4) * 8.381e-8 - magVar;
    mag += mag < 0 ? 360 : 0;
    // The displays' factor 8.381e-8 is 360 / 2^32 cut short: about 0.03 degrees low at 300.
    EXPECT_NEAR(mag, std::fmod(F(f, FgHeadingTrueDeg) - F(f, FgMagVarDeg) + 360, 360), 0.05);
    EXPECT_NEAR(U(0x02B8, 4) / 128.0, F(f, FgTasKt), 0.01);
    EXPECT_NEAR(S(0x02B4, 4) * 2.9661e-5, F(f, FgGroundSpeedKt), 0.01);
    EXPECT_NEAR(U(0x02BC, 4) / 128.0, F(f, FgIasKt), 0.01);
    EXPECT_EQ(S(0x3324, 4), std::lround(F(f, FgAltitudeFt)));
    EXPECT_NEAR(S(0x02C8, 4) * 0.7689468860626221, F(f, FgVsFps) * 60, 1);
    EXPECT_NEAR((D(0x28D0) - 32) * 0.5555555555555556, F(f, FgSatDegC), 1e-6);
    EXPECT_NEAR(U(0x0E92, 2) * 0.0054931640625, F(f, FgWindFromDeg), 0.01);
    EXPECT_EQ(U(0x0238, 1) * 3600 + U(0x0239, 1) * 60 + U(0x023A, 1), static_cast<uint64_t>(F(f, FgLocalDaySeconds)));

    // The piston c172p: no N1, N2 or turbine temperature, so those read 0 (ITT 0 degC, not
    // the -17.8 a literal 0 degF would give); its real oil and fuel values come through.
    EXPECT_EQ(U(0x0898, 2), 0u);
    EXPECT_EQ(U(0x0896, 2), 0u);
    EXPECT_DOUBLE_EQ(D(0x2038), 491.67);
    EXPECT_EQ(U(0x08B8, 2) * 140 / 16384, static_cast<uint64_t>((F(f, FgOilTempDegF_0) - 32) * 5 / 9));
    EXPECT_NEAR(D(0x3B60) / 144, F(f, FgOilPressPsi_0), 1e-9);
    EXPECT_NEAR(D(0x2060), F(f, FgFuelFlowPph_0), 1e-9);
    EXPECT_EQ(D(0x3AF0), F(f, FgRunning_0));
    EXPECT_EQ(D(0x2160), 0.0);  // no right engine
    EXPECT_EQ(D(0x2890), 0.0);
    EXPECT_NEAR(D(0x2880), F(f, FgBusVolts), 1e-9);
    EXPECT_EQ(U(0x281C, 4), static_cast<uint64_t>(F(f, FgBatterySwitch)));

    // Fuel: the displays multiply whole gallons by the weight per gallon and the level.
    double ppg = U(0x0AF4, 2) / 256.0;
    EXPECT_NEAR(ppg, F(f, FgFuelDensityPpg), 0.004);
    double leftLb = std::floor(U(0x0B80, 4) * ppg) * (U(0x0B7C, 4) / 8388608.0);
    EXPECT_NEAR(leftLb, F(f, FgTankLb_0), 1.0);
    EXPECT_EQ(U(0x0B78, 4), 0u);  // no centre tank
    // Surfaces: a fraction of full travel, 16383 = full.
    EXPECT_NEAR(U(0x0BE4, 4) / 16383.0, F(f, FgFlapNorm), 1e-3);
    EXPECT_EQ(U(0x0BE8, 4), F(f, FgGearDown) > 0.5 ? 16383u : 0u);
}

TEST_F(BridgeTest, DarkUntilTheFirstPacketAndWhenPacketsStopThenLiveAgain)
{
    EXPECT_EQ(U(0x281C, 4), 0u);
    EXPECT_EQ(U(0x2E80, 4), 0u);
    // Lines from before the scenery loaded are ignored: the displays stay dark.
    Send(WithField(lines[0], FgAltitudeFt, "-9999.000"), 0);
    EXPECT_FALSE(FgBridge.Live);
    EXPECT_EQ(U(0x281C, 4), 0u);
    EXPECT_EQ(FgBridge.Counters.Rejected[FgLineNoScenery], 1);

    std::string on = WithField(WithField(lines[0], FgBatterySwitch, "1"), FgAvionicsSwitch, "1");
    Send(on, 100);
    EXPECT_EQ(U(0x281C, 4), 1u);
    uint64_t lat = U(0x0560, 8);
    // FlightGear's output stalls for up to 6 s while it loads scenery on a busy machine:
    // that is no reason to take the displays through power-off and the power-on fade.
    FgCheckStale(100 + 6500, *space);
    EXPECT_TRUE(FgBridge.Live);
    FgCheckStale(100 + FgStaleMinMs - 1, *space);
    EXPECT_EQ(U(0x281C, 4), 1u);
    // Garbage does not keep the data alive.
    Send("ORVEX1,1,2,3", 1000);
    FgCheckStale(100 + FgStaleMinMs + 1, *space);
    EXPECT_FALSE(FgBridge.Live);
    EXPECT_EQ(U(0x281C, 4), 0u);
    EXPECT_EQ(U(0x2E80, 4), 0u);
    EXPECT_EQ(U(0x0560, 8), lat);  // the rest as last received, nothing invented
    EXPECT_EQ(FgBridge.Counters.Stalls, 1);
    EXPECT_FALSE(FgBridge.Powered);
    // A restarted FlightGear's c172p sends packets with its battery still off: the data is
    // live again, the displays are not until the battery master comes on.
    Send(WithField(on, FgBatterySwitch, "0"), FgStaleMinMs + 2000);
    EXPECT_TRUE(FgBridge.Live);
    EXPECT_FALSE(FgBridge.Powered);
    EXPECT_EQ(U(0x281C, 4), 0u);
    Send(on, FgStaleMinMs + 2100);
    EXPECT_TRUE(FgBridge.Powered);
    EXPECT_EQ(U(0x281C, 4), 1u);
    EXPECT_EQ(FgBridge.Counters.Rejected[FgLineFieldCount], 1);
}

TEST_F(BridgeTest, TheStaleTimeOutGrowsWithTheStallsFlightGearComesBackFrom)
{
    std::string on = WithField(WithField(lines[0], FgBatterySwitch, "1"), FgAvionicsSwitch, "1");
    double t = 0;
    Send(on, t);
    // A 14 s stall on a badly loaded machine outlasts the first time-out: dark once...
    FgCheckStale(t += 14000, *space);
    EXPECT_EQ(FgBridge.Counters.Stalls, 1);
    Send(on, t);
    // ...but not at the next stall like it, nor at one of 25 s.
    FgCheckStale(t += 14000, *space);
    Send(on, t);
    FgCheckStale(t += 25000, *space);
    EXPECT_TRUE(FgBridge.Live);
    EXPECT_EQ(FgBridge.Counters.Stalls, 1);
    Send(on, t);
    // A FlightGear gone for good is still seen, after at most FgStaleMaxMs; the minutes a
    // restart takes do not make the time-out longer.
    EXPECT_EQ(FgStaleTimeoutMs(), 2 * 25000.0);
    FgCheckStale(t += FgStaleMaxMs, *space);
    EXPECT_EQ(FgBridge.Counters.Stalls, 2);
    Send(on, t += 180000);
    EXPECT_EQ(FgStaleTimeoutMs(), 2 * 25000.0);
}

TEST_F(BridgeTest, CockpitPropertiesWriteThePanelBytesOnlyWhenTheyChange)
{
    std::string idle = lines[0];
    Send(idle, 0);
    EXPECT_EQ(U(0x73F9, 1), 0u);
    // Unit 3's soft key 1 held, then released; unit 2's bytes untouched.
    Send(WithField(idle, FgKey1_du3, "1"), 100);
    EXPECT_EQ(U(0x73F9, 1), 2u);
    EXPECT_EQ(U(0x73F8, 1), 0u);
    Send(idle, 200);
    EXPECT_EQ(U(0x73F9, 1), 0u);
    // A byte set by orvex-panel meanwhile stays as it is while FlightGear's value holds.
    SimPut(*space, 0x73F8, 0x10, 1);
    SimPut(*space, 0x73D8, 77, 1);
    Send(idle, 300);
    EXPECT_EQ(U(0x73F8, 1), 0x10u);
    EXPECT_EQ(U(0x73D8, 1), 77u);
    // The knob counts steps: differences move the unit's wrapping counter.
    SimPut(*space, 0x73FC, 254, 1);
    Send(WithField(idle, FgKnob_du2, "3"), 400);
    EXPECT_EQ(U(0x73FC, 1), 1u);
    Send(WithField(idle, FgKnob_du2, "1"), 500);
    EXPECT_EQ(U(0x73FC, 1), 255u);
    Send(WithField(idle, FgDim_du3, "300"), 600);
    EXPECT_EQ(U(0x73D9, 1), 255u);
    // Reversion sets and clears bit 0 of 0x73FB; acknowledge sets bit 5 of 0x73D5 once per press.
    SimPut(*space, 0x73D5, 0x08, 1);
    std::string reverted = WithField(WithField(idle, FgReversion, "1"), FgAcknowledge, "1");
    Send(reverted, 700);
    EXPECT_EQ(U(0x73FB, 1), 1u);
    EXPECT_EQ(U(0x73D5, 1), 0x28u);
    SimPut(*space, 0x73D5, 0x08, 1);  // the EICAS unit acknowledged and cleared the bit
    Send(reverted, 800);
    EXPECT_EQ(U(0x73D5, 1), 0x08u);
    Send(idle, 900);
    EXPECT_EQ(U(0x73FB, 1), 0u);
    // FlightGear restarted: its knob starts at 0 again, which is no turn of the knob.
    Send(WithField(idle, FgKnob_du2, "40"), 1000);
    uint64_t knob = U(0x73FC, 1);
    FgCheckStale(1000 + FgStaleMinMs + 1, *space);
    Send(idle, 1000 + FgStaleMinMs + 100);
    EXPECT_EQ(U(0x73FC, 1), knob);
    Send(WithField(idle, FgKnob_du2, "1"), 1000 + FgStaleMinMs + 200);
    EXPECT_EQ(U(0x73FC, 1), (knob + 1) & 0xFF);
}

TEST_F(BridgeTest, AiAircraftFillTheTrafficTableInOrder)
{
    std::string line = lines[0];
    for (int n = 0; n < 4; ++n)
        line = WithField(line, FgValid_aircraft0 + 5 * n, "0");
    for (int n = 0; n < 4; ++n)
        line = WithField(line, FgValid_multiplayer0 + 5 * n, "0");
    std::string one = WithField(WithField(WithField(line, FgValid_multiplayer1, "1"), FgLat_multiplayer1, "32.8"),
                                FgAlt_multiplayer1, "4000");
    one = WithField(WithField(one, FgLon_multiplayer1, "-117.2"), FgVsFps_multiplayer1, "-10");
    Send(one, 0);
    EXPECT_EQ(U(0xF008, 1), 1u);
    EXPECT_EQ(U(0xF009, 1), 0u);  // the table ends after the one target
    EXPECT_EQ(U(0xF080, 4), 102u);
    EXPECT_FLOAT_EQ(SimGetFloat(*space, 0xF080 + 4), 32.8f);
    EXPECT_FLOAT_EQ(SimGetFloat(*space, 0xF080 + 12), 4000.0f);
    EXPECT_EQ(S(0xF080 + 20, 2), -600);
    Send(one, 100);
    EXPECT_EQ(U(0xF008, 1), 1u);  // not moved: the displays need not read it again
    Send(WithField(one, FgLat_multiplayer1, "32.81"), 200);
    EXPECT_EQ(U(0xF008, 1), 2u);
    Send(line, 300);
    EXPECT_EQ(U(0xF008, 1), 0u);
    EXPECT_EQ(U(0xF080, 4), 0u);

    // With the traffic speeds of the current protocol: an airliner parked at the gate is
    // no target, the one taking off past 40 kt is.
    std::string two = WithField(WithField(Version2(one), FgValid_aircraft0, "1"), FgLat_aircraft0, "32.73");
    two = WithField(WithField(two, FgTasKt_aircraft0, "0.0"), FgTasKt_multiplayer1, "140.0");
    Send(two, 400);
    EXPECT_EQ(U(0xF080, 4), 102u);
    EXPECT_EQ(U(0xF009, 1), 0u);
    Send(WithField(two, FgTasKt_aircraft0, "45.0"), 500);
    EXPECT_EQ(U(0xF080, 4), 1u);
    EXPECT_EQ(U(0xF080 + 40, 4), 102u);
}

TEST_F(BridgeTest, HeadingBugIsWhereTheAutopilotWillTurnOnTheMagneticScale)
{
    // Variation 10.272 E. The heading indicator's card aligned with the compass (offset
    // minus the variation, as FlightGear starts it): the bug is magnetic as set.
    std::string line = WithField(WithField(Version2(lines[0]), FgMagVarDeg, "10.272"), FgHeadingBugDeg, "2.0");
    Send(WithField(line, FgHeadingIndicatorOffsetDeg, "-10.272"), 0);
    EXPECT_NEAR(U(0x07CC, 2) * 360.0 / 65536, 2.0, 0.01);
    // The gyro drifted 4 degrees: HDG mode holds 4 degrees less, across north.
    Send(WithField(line, FgHeadingIndicatorOffsetDeg, "-6.272"), 100);
    EXPECT_NEAR(U(0x07CC, 2) * 360.0 / 65536, 358.0, 0.01);
    // No heading indicator at all (offset 0): the autopilot's bug as it is.
    Send(WithField(line, FgHeadingBugDeg, "270.0"), 200);
    EXPECT_NEAR(U(0x07CC, 2) * 360.0 / 65536, 270.0, 0.01);
}

// ---------------------------------------------------------------------------------------
// orvex-sim --flightgear from outside
// ---------------------------------------------------------------------------------------

namespace {

struct BridgeProcess {
    BackgroundProcess sim;
    int port = 0;
    int sender = -1;
    std::string errPath;
};

// orvex-sim --flightgear on a free port of this machine.
BridgeProcess StartBridge()
{
    BridgeProcess b;
    UsePrivateRuntimeDir();
    b.errPath = MakeScratchDir("fg") + "/sim.err";
    for (int attempt = 0; attempt < 20 && b.sim.pid < 0; ++attempt) {
        std::string why;
        int probe = PlatformUdpListen("127.0.0.1", 0, &why);  // a port nobody holds right now
        b.port = PlatformUdpLocalPort(probe);
        PlatformUdpClose(probe);
        b.sim = StartBackground(ProgramPath("orvex-sim") + " --flightgear 127.0.0.1:" + std::to_string(b.port) +
                                    " 2>" + b.errPath, "ready");
    }
    b.sender = PlatformUdpSender("127.0.0.1", b.port);
    return b;
}

void SendLines(BridgeProcess& b, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        std::string datagram = line + "\n";
        PlatformUdpSend(b.sender, datagram.data(), datagram.size());
        usleep(2000);
    }
}

uint64_t Peek(const std::string& offset, int size)
{
    return std::strtoull(Panel("peek " + offset + " " + std::to_string(size)).c_str(), nullptr, 10);
}

}  // namespace

TEST(FlightGearBridgeProcess, ReplayedPacketsShowOnTheMfdAndGarbageIsSurvived)
{
    BridgeProcess b = StartBridge();
    ASSERT_GT(b.sim.pid, 0);
    ASSERT_GE(b.sender, 0);
    EXPECT_EQ(Peek("0x281C", 4), 0u);  // dark before the first packet

    std::vector<std::string> lines = RecordedLines();
    ASSERT_FALSE(lines.empty());
    // Hostile datagrams first: random bytes, a huge one, wrong field counts.
    std::string noise;
    srand(14);
    for (int i = 0; i < 3000; ++i)
        noise += static_cast<char>(rand() & 0xFF);
    PlatformUdpSend(b.sender, noise.data(), noise.size());
    std::string huge(60000, 'x');
    PlatformUdpSend(b.sender, huge.data(), huge.size());
    std::string shortLine = lines[0].substr(0, lines[0].size() / 2) + "\n";
    PlatformUdpSend(b.sender, shortLine.data(), shortLine.size());
    std::string longLine = lines[0] + ",1,2\n" + lines[0] + "," + lines[0] + "\n";
    PlatformUdpSend(b.sender, longLine.data(), longLine.size());
    SendLines(b, lines);

    ASSERT_TRUE(WaitUntil([] { return Peek("0x281C", 4) != 0; }));
    const std::vector<std::string> f = Split(lines.back());
    ASSERT_TRUE(WaitUntil([&] { return Peek("0x02B8", 4) == static_cast<uint64_t>(std::llround(F(f, FgTasKt) * 128)); }));

    // Unit 3, the MFD, draws what FlightGear said, within display rounding.
    std::string unit = MakeScratchUnit("fg-du3");
    std::string trace = unit + "/trace.jsonl", state = unit + "/state.jsonl";
    std::string out;
    // FlightGear keeps sending while the unit starts and draws, as it does in flight: a busy
    // machine may take longer than the bridge's stale time-out to start a unit.
    std::atomic<bool> flying{true};
    std::thread feed([&] {
        while (flying) {
            SendLines(b, {lines.back()});
            usleep(100000);
        }
    });
    int rc = RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 20 --text-trace " + trace +
                            " --dump-state " + state,
                        &out);
    flying = false;
    feed.join();
    ASSERT_EQ(rc, 0) << out;
    std::string last = LastLine(state);
    double mag = std::fmod(F(f, FgHeadingTrueDeg) - F(f, FgMagVarDeg) + 360, 360);
    EXPECT_NEAR(std::atof(JsonValue(last, "MagHeading").c_str()), mag, 0.05);
    EXPECT_NEAR(std::atof(JsonValue(last, "Latitude").c_str()), F(f, FgLatDeg), 1e-6);
    std::vector<TraceText> frame = TraceFrame(ReadTextTrace(trace));
    EXPECT_TRUE(FindText(frame, std::to_string(static_cast<int>(F(f, FgTasKt)))))
        << "TAS " << F(f, FgTasKt);
    EXPECT_TRUE(FindText(frame, std::to_string(static_cast<int>(F(f, FgGroundSpeedKt)))))
        << "GSPD " << F(f, FgGroundSpeedKt);

    // FlightGear gone: dark after the time-out, the module still answering; back on packets.
    ASSERT_TRUE(WaitUntil([] { return Peek("0x281C", 4) == 0; }, static_cast<int>(FgStaleMaxMs) + 3000));
    SendLines(b, {lines.back()});
    EXPECT_TRUE(WaitUntil([] { return Peek("0x281C", 4) != 0; }));

    PlatformUdpClose(b.sender);
    EXPECT_EQ(WEXITSTATUS(StopBackground(b.sim)), 0);
    std::string err = ReadFile(b.errPath);
    EXPECT_NE(err.find("packets used"), std::string::npos) << err;
    EXPECT_NE(err.find("no packet for"), std::string::npos) << err;
    EXPECT_NE(err.find("packets again"), std::string::npos) << err;
    EXPECT_EQ(err.find(" 0 lines skipped"), std::string::npos) << err;
}

// ---------------------------------------------------------------------------------------
// The shared flag byte between two display computers
// ---------------------------------------------------------------------------------------

namespace {

// One display computer: its bridge's share state and its module's offset space, whose
// byte 0x73D5 its units and panel write.
struct Computer {
    explicit Computer(int slot) { share.Slot = slot; }
    uint8_t& Flags() { return space->Bytes[FgSharedFlagsOffset]; }
    FgShareState share;
    std::unique_ptr<SimOffsetSpace> space = std::make_unique<SimOffsetSpace>();
};

// FlightGear between them: each slot's properties as its last input line set them, sent
// back to every bridge in the next output packet.
struct FakeFlightGear {
    void Receive(const Computer& c)
    {
        char line[128];
        size_t length = FgShareLine(c.share, line, sizeof line);
        ASSERT_GT(length, 0u);
        ASSERT_EQ(line[length - 1], '\n');
        double* v = slot[c.share.Slot - 1];
        ASSERT_EQ(std::sscanf(line, "%lf,%lf,%lf,%lf,%lf,%lf,%lf", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]), 7)
            << line;
    }
    FgPacket Packet() const
    {
        FgPacket p{};
        p.Version = 2;
        for (int s = 0; s < 2; ++s)
            for (int i = 0; i < 7; ++i)
                p.Value[(s == 0 ? FgShareFlags_1 : FgShareFlags_2) + i] = slot[s][i];
        return p;
    }
    double slot[2][7] = {};
};

// One turn of both bridges' loops: each counts its own units' changes and sends its copy,
// then FlightGear's next packet reaches both.
void Round(Computer& a, Computer& b, FakeFlightGear& fg)
{
    for (Computer* c : {&a, &b}) {
        FgShareNoteLocal(c->share, *c->space);
        fg.Receive(*c);
    }
    FgPacket packet = fg.Packet();
    for (Computer* c : {&a, &b}) {
        FgShareNoteLocal(c->share, *c->space);
        FgShareTake(c->share, packet, *c->space);
    }
}

}  // namespace

TEST(FlightGearShare, TwoComputersBehaveAsTwoUnitsOnOneModule)
{
    Computer eicas(1), mfd(2);  // unit 2 showing the EICAS on one computer, unit 3 the MFD on the other
    FakeFlightGear fg;
    Round(eicas, mfd, fg);
    EXPECT_EQ(mfd.Flags(), 0);

    // A caution on the EICAS computer lights the master caution bit on the MFD computer,
    // and it stays put: nothing echoes back and forth.
    eicas.Flags() |= PanelFlagMasterCaution;
    Round(eicas, mfd, fg);
    EXPECT_EQ(mfd.Flags(), PanelFlagMasterCaution);
    for (int i = 0; i < 5; ++i)
        Round(eicas, mfd, fg);
    EXPECT_EQ(mfd.Flags(), PanelFlagMasterCaution);
    EXPECT_EQ(eicas.Flags(), PanelFlagMasterCaution);
    EXPECT_EQ(eicas.share.Changes[3], 1);
    EXPECT_EQ(mfd.share.Changes[3], 0);

    // Acknowledged on the MFD computer's panel: the EICAS computer gets the request, its
    // unit acknowledges and clears the request and the master bit before FlightGear's next
    // sample ever shows them set there; the MFD computer still takes both cleared bits.
    mfd.Flags() |= PanelFlagAcknowledge;
    Round(eicas, mfd, fg);
    ASSERT_EQ(eicas.Flags(), PanelFlagMasterCaution | PanelFlagAcknowledge);
    eicas.Flags() &= static_cast<uint8_t>(~(PanelFlagAcknowledge | PanelFlagMasterCaution));
    Round(eicas, mfd, fg);
    EXPECT_EQ(mfd.Flags(), 0);
    for (int i = 0; i < 5; ++i)
        Round(eicas, mfd, fg);
    EXPECT_EQ(mfd.Flags(), 0);
    EXPECT_EQ(eicas.Flags(), 0);

    // The MFD rewrote accfg.ini: its configuration notice reaches the other computer.
    mfd.Flags() |= PanelFlagConfigChanged;
    Round(eicas, mfd, fg);
    EXPECT_EQ(eicas.Flags(), PanelFlagConfigChanged);

    // FlightGear restarted: until the bridges are heard again it sends both slots as 0,
    // which is no change of anyone's bits.
    eicas.Flags() |= PanelFlagMasterWarning;
    Round(eicas, mfd, fg);
    ASSERT_EQ(mfd.Flags(), PanelFlagConfigChanged | PanelFlagMasterWarning);
    FgShareTake(mfd.share, FakeFlightGear{}.Packet(), *mfd.space);
    EXPECT_EQ(mfd.Flags(), PanelFlagConfigChanged | PanelFlagMasterWarning);
    Round(eicas, mfd, fg);
    EXPECT_EQ(mfd.Flags(), PanelFlagConfigChanged | PanelFlagMasterWarning);

    // A bridge that does not share takes nothing from FlightGear's slots.
    Computer alone(0);
    FgShareTake(alone.share, fg.Packet(), *alone.space);
    EXPECT_EQ(alone.Flags(), 0);
}

TEST_F(BridgeTest, SharedBitsTravelInThePacketsAndFlightGearsAcknowledgeIsNoOwnChange)
{
    FgBridge.Share.Slot = 2;
    std::string line = Version2(lines[0]);
    Send(line, 0);
    // The other computer's master caution, counted once there.
    std::string caution = WithField(WithField(line, FgShareFlags_1, "8"), FgShareChanges3_1, "1");
    Send(caution, 100);
    EXPECT_EQ(U(0x73D5, 1), 0x08u);
    // Our own slot echoed back is not taken.
    Send(WithField(WithField(caution, FgShareFlags_2, "16"), FgShareChanges4_2, "1"), 200);
    EXPECT_EQ(U(0x73D5, 1), 0x08u);
    // FlightGear's acknowledge property reaches every bridge itself: the bridge's write of
    // the request is not counted as this computer's change, so it is not sent on as one.
    Send(WithField(caution, FgAcknowledge, "1"), 300);
    EXPECT_EQ(U(0x73D5, 1), 0x28u);
    FgShareNoteLocal(FgBridge.Share, *space);
    EXPECT_EQ(FgBridge.Share.Changes[5], 0);
    EXPECT_EQ(FgBridge.Share.Changes[3], 0);
    // A unit's own change is.
    SimPut(*space, 0x73D5, 0x29, 1);
    Send(WithField(caution, FgAcknowledge, "1"), 400);
    EXPECT_EQ(FgBridge.Share.Changes[0], 1);

    // A unit has read the byte and not yet written it back: a bit taken now would be
    // written over, so it waits for the write, or at most FgShareTakeWaitMs.
    std::string warning = WithField(WithField(caution, FgShareFlags_1, "24"), FgShareChanges4_1, "1");
    space->SharedFlagsReadOpen = true;
    Send(warning, 500);
    EXPECT_EQ(U(0x73D5, 1), 0x29u);
    FgShareTakePending(FgBridge.Share, 550, *space);
    EXPECT_EQ(U(0x73D5, 1), 0x29u);
    space->SharedFlagsReadOpen = false;
    FgShareTakePending(FgBridge.Share, 560, *space);
    EXPECT_EQ(U(0x73D5, 1), 0x39u);
    space->SharedFlagsReadOpen = true;
    Send(WithField(warning, FgShareChanges4_1, "2"), 600);
    FgShareTakePending(FgBridge.Share, 600 + FgShareTakeWaitMs, *space);
    EXPECT_EQ(U(0x73D5, 1), 0x39u);  // taken: the flags still say the warning is on
    EXPECT_EQ(FgBridge.Share.Seen[0][4], 2);
}

namespace {

// A display computer's bridge: its own runtime folder (its own module), sharing as `slot`
// through FlightGear's input on `inputPort`.
struct SharingBridge {
    BackgroundProcess sim;
    std::string runtime;
    int sender = -1;
    std::string errPath;
};

SharingBridge StartSharingBridge(int slot, int inputPort)
{
    SharingBridge b;
    b.runtime = UsePrivateRuntimeDir();
    b.errPath = MakeScratchDir("fg-share" + std::to_string(slot)) + "/sim.err";
    for (int attempt = 0; attempt < 20 && b.sim.pid < 0; ++attempt) {
        std::string why;
        int probe = PlatformUdpListen("127.0.0.1", 0, &why);
        int port = PlatformUdpLocalPort(probe);
        PlatformUdpClose(probe);
        b.sim = StartBackground("env ORVEX_RUNTIME_DIR=" + b.runtime + " " + ProgramPath("orvex-sim") +
                                    " --flightgear 127.0.0.1:" + std::to_string(port) + " --flightgear-share " +
                                    std::to_string(slot) + ":127.0.0.1:" + std::to_string(inputPort) + " 2>" + b.errPath,
                                "ready");
        if (b.sim.pid > 0)
            b.sender = PlatformUdpSender("127.0.0.1", port);
    }
    return b;
}

uint8_t FlagsAt(const SharingBridge& b)
{
    std::string out;
    RunCommand("ORVEX_RUNTIME_DIR=" + b.runtime + " " + ProgramPath("orvex-panel") + " peek 0x73D5 1", &out, 20);
    return static_cast<uint8_t>(std::strtoul(out.c_str(), nullptr, 10));
}

// The newest frame of a running unit's text trace that it has finished writing.
std::vector<TraceText> LastWholeFrame(const std::string& trace)
{
    std::vector<TraceText> all = ReadTextTrace(trace);
    return all.empty() ? all : TraceFrame(all, all.back().frame - 1);
}

}  // namespace

TEST(FlightGearBridgeProcess, CautionOnTheEicasComputerLightsCheckEicasOnTheMfdComputerAndAckClearsIt)
{
    // FlightGear's input ports, one per slot, and two display computers' bridges.
    std::string why;
    int inputs[2] = {PlatformUdpListen("127.0.0.1", 0, &why), PlatformUdpListen("127.0.0.1", 0, &why)};
    ASSERT_GE(inputs[0], 0) << why;
    ASSERT_GE(inputs[1], 0) << why;
    SharingBridge a = StartSharingBridge(1, PlatformUdpLocalPort(inputs[0]));
    SharingBridge b = StartSharingBridge(2, PlatformUdpLocalPort(inputs[1]));
    ASSERT_GT(a.sim.pid, 0);
    ASSERT_GT(b.sim.pid, 0);

    // FlightGear: its slot properties as the bridges' input lines set them, and ten packets a
    // second to both bridges, the recorded c172p in flight with both slots.
    const std::string line = Version2(RecordedLines().back());
    std::atomic<bool> flying{true};
    std::thread flightgear([&] {
        std::string slots[2] = {"0,0,0,0,0,0,0", "0,0,0,0,0,0,0"};
        char buffer[256];
        while (flying) {
            for (int s = 0; s < 2; ++s)
                for (long got; (got = PlatformUdpReceive(inputs[s], buffer, sizeof buffer)) > 0;) {
                    std::string input(buffer, std::min<size_t>(static_cast<size_t>(got), sizeof buffer));
                    slots[s] = input.substr(0, input.find('\n'));
                }
            std::string packet = line.substr(0, line.size() - 14 * 2) + "," + slots[0] + "," + slots[1] + "\n";
            for (const SharingBridge* to : {&a, &b})
                PlatformUdpSend(to->sender, packet.data(), packet.size());
            usleep(100000);
        }
    });

    // Unit 2 (EICAS) on the one computer, unit 3 (MFD) on the other.
    std::string u2 = MakeScratchDisplayUnit("fg-share-du2", 2), u3 = MakeScratchDisplayUnit("fg-share-du3", 3);
    std::string trace = u3 + "/trace.jsonl";
    BackgroundProcess eicas = StartBackground("env ORVEX_RUNTIME_DIR=" + a.runtime + " " + ProgramPath("orvex") + " --dir " +
                                                  u2 + " --headless --fps 20 2>/dev/null",
                                              "");
    BackgroundProcess mfd = StartBackground("env ORVEX_RUNTIME_DIR=" + b.runtime + " " + ProgramPath("orvex") + " --dir " +
                                                u3 + " --headless --fps 20 --text-trace " + trace + " 2>/dev/null",
                                            "");
    ASSERT_GT(eicas.pid, 0);
    ASSERT_GT(mfd.pid, 0);

    // The recorded c172p raises cautions on the EICAS (no hydraulics, no right engine): the
    // MFD computer's module gets the master caution bit and its unit prompts.
    const uint8_t masters = PanelFlagMasterCaution | PanelFlagMasterWarning;
    EXPECT_TRUE(WaitUntil([&] { return (FlagsAt(b) & masters) != 0; }));
    EXPECT_TRUE(WaitUntil([&] { return FindText(LastWholeFrame(trace), "CHECK EICAS") != nullptr; }));

    // Acknowledged on the MFD computer's panel: the EICAS unit on the other computer takes
    // it, the masters fall on both, the request is gone from both, and so is the prompt.
    std::string out;
    EXPECT_EQ(RunCommand("ORVEX_RUNTIME_DIR=" + b.runtime + " " + ProgramPath("orvex-panel") + " ack", &out, 20), 0) << out;
    const uint8_t pending = masters | PanelFlagAcknowledge;
    EXPECT_TRUE(WaitUntil([&] { return (FlagsAt(a) & pending) == 0 && (FlagsAt(b) & pending) == 0; }));
    EXPECT_TRUE(WaitUntil([&] {
        std::vector<TraceText> frame = LastWholeFrame(trace);
        return FindText(frame, "GSPD") && !FindText(frame, "CHECK EICAS");
    }));

    StopBackground(mfd);
    StopBackground(eicas);
    flying = false;
    flightgear.join();
    for (SharingBridge* bridge : {&a, &b}) {
        PlatformUdpClose(bridge->sender);
        EXPECT_EQ(WEXITSTATUS(StopBackground(bridge->sim)), 0);
        std::string err = ReadFile(bridge->errPath);
        EXPECT_NE(err.find("sharing the flag byte"), std::string::npos) << err;
    }
    PlatformUdpClose(inputs[0]);
    PlatformUdpClose(inputs[1]);
}
