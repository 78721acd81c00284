// The real window under Xvfb: title, position, frame switch saved at exit, clicks on the
// soft keys and the knob drawn on the bezel picture, and Escape. Skipped where xvfb-run or
// xdotool is missing.
#include "support/support.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {
// Runs one of the check scripts beside this file on the unit in `unit`, under its own Xvfb.
int RunInXvfb(const std::string& script, const std::string& unit, std::string* out, int timeoutSeconds)
{
    return RunCommand("env -u SDL_VIDEODRIVER xvfb-run -a -s \"-screen 0 1280x1024x24 -nolisten tcp -r\" " +
                          std::string(ORVEX_SOURCE_DIR) + "/tests/shell/" + script + " " + ProgramPath("orvex") + " " + unit,
                      out, timeoutSeconds);
}

// r + g + b of a "pixel X,Y: R G B" line the check scripts print; -1000 when missing.
int PixelBrightness(const std::string& out, const std::string& xy)
{
    size_t at = out.find("pixel " + xy + ": ");
    int r = -1000, g = 0, b = 0;
    if (at != std::string::npos)
        std::sscanf(out.c_str() + at + 8 + xy.size(), "%d %d %d", &r, &g, &b);
    return r + g + b;
}
} // namespace

TEST(RealWindow, TitlePositionFrameSwitchBezelClicksAndEscape)
{
    if (RunCommand("command -v xvfb-run && command -v xdotool") != 0)
        GTEST_SKIP() << "xvfb-run or xdotool not installed";
    std::string unit = MakeScratchUnit("xwindow");
    std::string out;
    // only for a hang: the script waits on the unit's state
    int rc = RunInXvfb("xwindow-check.sh", unit, &out, 300);
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("title: Orvex DU3 MFD - v1.0.0.4 build 203"), std::string::npos) << out;
    EXPECT_NE(out.find("position: 100,100"), std::string::npos) << out;
    EXPECT_NE(out.find("exit: 0"), std::string::npos) << out;
    EXPECT_NE(ReadFile(unit + "/MFD.ini").find("[FRAMELESS_WINDOW(0-1)]\n1\n"), std::string::npos);
    // The points clicked show the drawn keys and knob, lighter than the frame below them.
    auto brightness = [&](const std::string& xy) { return PixelBrightness(out, xy); };
    int frame = brightness("216,575");
    EXPECT_GT(frame, 60) << out;
    for (const char* xy : {"89,535", "132,535", "180,535", "227,535", "271,535", "316,535", "368,541", "385,541"})
        EXPECT_GT(brightness(xy), frame + 20) << xy << "\n" << out;
    // Every click reached the bezel hit test in turn: the frames saw soft keys 0 to 5 (the
    // dump records a key in the frame that takes it), then the knob turned down and up.
    std::vector<std::string> state = ReadLines(unit + "/state.jsonl");
    ASSERT_FALSE(state.empty());
    std::string keys, knob, lastStep;
    for (const std::string& line : state) {
        std::string key = JsonValue(line, "PendingSoftKey");
        if (key != "6" && (keys.empty() || keys.back() != key[0]))
            keys += key;
        std::string step = JsonValue(line, "KnobDecrement") == "true"   ? "down"
                           : JsonValue(line, "KnobIncrement") == "true" ? "up"
                                                                        : "";
        if (!step.empty() && step != lastStep)
            knob += (knob.empty() ? "" : " ") + step;
        lastStep = step;
    }
    EXPECT_EQ(keys, "012345");
    EXPECT_EQ(knob, "down up");
    // And the menu took the keys: SYS opened the systems menu, the next keys chose ELEC to
    // FUEL, so FUEL is the page left up.
    EXPECT_NE(state.back().find("\"MenuLevel\":1,\"MenuPage\":6"), std::string::npos) << state.back();
}

// Quick taps, each key's down and up sent back to back so both arrive before the next frame,
// all act; a resized window's display fills the new height and the size is saved at exit.
TEST(RealWindow, QuickTapsActAndAResizedWindowScalesAndIsSaved)
{
    if (RunCommand("command -v xvfb-run && command -v xdotool && command -v import") != 0)
        GTEST_SKIP() << "xvfb-run, xdotool or ImageMagick not installed";
    std::string unit = MakeScratchUnit("xwindow-taps");
    std::string out;
    int rc = RunInXvfb("xwindow-taps-check.sh", unit, &out, 120);
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("range taps acted: 8 of 8"), std::string::npos) << out;
    for (const char* key : {"a", "v", "n", "p"})
        EXPECT_NE(out.find(std::string("tap ") + key + ": acted"), std::string::npos) << out;
    // The bezel's keys drawn where they belong in the scaled picture, lighter than its frame.
    int frame = PixelBrightness(out, "286,761");
    EXPECT_GT(frame, 60) << out;
    EXPECT_GT(PixelBrightness(out, "118,708"), frame + 20) << out;
    EXPECT_GT(PixelBrightness(out, "418,708"), frame + 20) << out;
    EXPECT_NE(out.find("exit: 0"), std::string::npos) << out;
    // 800 high: the display area is 573 wide (0.7165 x 800), and that size is saved.
    EXPECT_NE(ReadFile(unit + "/MFD.ini").find("[X_SIZE,Y_SIZE]\n573,800\n"), std::string::npos)
        << ReadFile(unit + "/MFD.ini");
}
