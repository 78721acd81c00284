// Presses from the cockpit panel stand-in against a unit whose frames come far apart, as on
// a machine so loaded that one frame stalls longer than a key's hold: every press, and the
// release between two presses of the same key, is still seen by a frame.
#include "support/support.h"

#include <gtest/gtest.h>
#include <string>

TEST(PanelPresses, SameKeyTwiceActsTwiceEvenWhenFramesStallLongerThanTheHold)
{
    UsePrivateRuntimeDir();
    std::string du3 = MakeScratchDisplayUnit("panel-presses", 3);
    BackgroundProcess sim = StartSim("--freeze --at 300");
    ASSERT_GT(sim.pid, 0);
    // Two frames a second: each frame is 500 ms apart, longer than the panel's 100 ms hold.
    BackgroundProcess unit = StartBackground(ProgramPath("orvex") + " --dir " + du3 +
                                                 " --headless --fps 2 --frames 100000000 --dump-state " + du3 +
                                                 "/state.jsonl",
                                             "");
    ASSERT_GT(unit.pid, 0);
    auto last = [&](const char* key) { return JsonValue(LastLine(du3 + "/state.jsonl"), key); };
    ASSERT_TRUE(WaitUntil([&] { return last("LinkConnected") == "true"; }, 20000));
    // MFD opens the MFD menu; NAV/APT twice steps to VOR and airports both on.
    Panel("key 3 1");
    Panel("key 3 4");
    Panel("key 3 4");
    // A lost press, or two merged into one, leaves VOR alone on (or the menu closed) for good.
    EXPECT_TRUE(WaitUntil([&] {
        std::string line = LastLine(du3 + "/state.jsonl");
        return JsonValue(line, "MenuLevel") == "2" && JsonValue(line, "ShowVor") == "true" &&
               JsonValue(line, "ShowAirports") == "true";
    })) << LastLine(du3 + "/state.jsonl");
    StopBackground(unit);
    StopBackground(sim);
}
