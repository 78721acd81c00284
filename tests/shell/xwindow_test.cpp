// The real window under Xvfb: title, position, frame switch saved at exit, a click on the
// bezel's first soft key, and Escape. Skipped where xvfb-run or xdotool is missing.
#include "support/support.h"

#include <gtest/gtest.h>

TEST(RealWindow, TitlePositionFrameSwitchClickAndEscape)
{
    if (RunCommand("command -v xvfb-run && command -v xdotool") != 0)
        GTEST_SKIP() << "xvfb-run or xdotool not installed";
    std::string unit = MakeScratchUnit("xwindow");
    std::string out;
    int rc = RunCommand("env -u SDL_VIDEODRIVER xvfb-run -a -s \"-screen 0 1280x1024x24 -nolisten tcp\" " +
                            std::string(ORVEX_SOURCE_DIR) + "/tests/shell/xwindow-check.sh " + ProgramPath("orvex") +
                            " " + unit,
                        &out, 90);
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("title: Orvex DU3 MFD - v1.0.0.4 build 203"), std::string::npos) << out;
    EXPECT_NE(out.find("position: 100,100"), std::string::npos) << out;
    EXPECT_NE(out.find("exit: 0"), std::string::npos) << out;
    EXPECT_NE(ReadFile(unit + "/MFD.ini").find("[FRAMELESS_WINDOW(0-1)]\n1\n"), std::string::npos);
    // The click reached the bezel hit test and the menu: soft key 0 (SYS) opened the systems
    // menu with the summary page.
    std::vector<std::string> state = ReadLines(unit + "/state.jsonl");
    ASSERT_FALSE(state.empty());
    EXPECT_NE(state.back().find("\"MenuLevel\":1,\"MenuPage\":1"), std::string::npos) << state.back();
}
