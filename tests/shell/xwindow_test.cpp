// The real window under Xvfb: title, position, frame switch saved at exit, clicks on the
// soft keys and the knob drawn on the bezel picture, and Escape. Skipped where xvfb-run or
// xdotool is missing.
#include "support/support.h"

#include <cstdio>
#include <gtest/gtest.h>

TEST(RealWindow, TitlePositionFrameSwitchBezelClicksAndEscape)
{
    if (RunCommand("command -v xvfb-run && command -v xdotool") != 0)
        GTEST_SKIP() << "xvfb-run or xdotool not installed";
    std::string unit = MakeScratchUnit("xwindow");
    std::string out;
    // -r: no auto-repeat, so a key held while a busy machine draws slowly stays one press.
    int rc = RunCommand("env -u SDL_VIDEODRIVER xvfb-run -a -s \"-screen 0 1280x1024x24 -nolisten tcp -r\" " +
                            std::string(ORVEX_SOURCE_DIR) + "/tests/shell/xwindow-check.sh " + ProgramPath("orvex") +
                            " " + unit,
                        &out, 300);   // only for a hang: the script waits on the unit's state
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("title: Orvex DU3 MFD - v1.0.0.4 build 203"), std::string::npos) << out;
    EXPECT_NE(out.find("position: 100,100"), std::string::npos) << out;
    EXPECT_NE(out.find("exit: 0"), std::string::npos) << out;
    EXPECT_NE(ReadFile(unit + "/MFD.ini").find("[FRAMELESS_WINDOW(0-1)]\n1\n"), std::string::npos);
    // The points clicked show the drawn keys and knob, lighter than the frame below them.
    auto brightness = [&](const std::string& xy) {
        size_t at = out.find("pixel " + xy + ": ");
        int r = -1000, g = 0, b = 0;
        if (at != std::string::npos)
            std::sscanf(out.c_str() + at + 8 + xy.size(), "%d %d %d", &r, &g, &b);
        return r + g + b;
    };
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
