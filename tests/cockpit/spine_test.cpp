// The frame's arithmetic: power-on fade and dimming, knob direction, keyboard commands.
#include "shell/input.h"
#include "cockpit/cockpit.h"
#include "shell/shell.h"
#include "shell/config.h"
#include "simlink/aircraft.h"

#include <gtest/gtest.h>

namespace {
class SpineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ShellReset();
        AircraftReset();
    }
};
} // namespace

TEST_F(SpineTest, PoweredAtStartShowsAtOnceAtTheDimmingLevel)
{
    EXPECT_FLOAT_EQ(StepPowerOverlay(0), 0.0f);
    EXPECT_FLOAT_EQ(StepPowerOverlay(255), 1.0f);   // entirely black
    EXPECT_NEAR(StepPowerOverlay(51), 0.2f, 1e-6);
}

TEST_F(SpineTest, PowerOnFadeTakes200Frames)
{
    Shell.FadeDone = false;   // what a battery-off frame leaves behind
    Shell.FadeAlpha = 1.0f;
    int frames = 0;
    float previous = 2.0f;
    while (!Shell.FadeDone && frames < 1000) {
        float drawn = StepPowerOverlay(0);
        EXPECT_LT(drawn, previous);
        previous = drawn;
        ++frames;
    }
    // Single-precision steps of 0.005 land at or just below zero after 200 frames.
    EXPECT_GE(frames, 200);
    EXPECT_LE(frames, 201);
    EXPECT_FLOAT_EQ(StepPowerOverlay(0), 0.0f);   // then the dimming level rules
}

TEST_F(SpineTest, KnobDirectionWrapsAndStepsOncePerFrame)
{
    EXPECT_EQ(KnobDirection(255, 0), 1);
    EXPECT_EQ(KnobDirection(0, 255), -1);
    EXPECT_EQ(KnobDirection(10, 40), 1);
    EXPECT_EQ(KnobDirection(40, 10), -1);
    EXPECT_EQ(KnobDirection(7, 7), 0);
    EXPECT_EQ(KnobDirection(254, 0), -1);   // only the exact wrap counts as up

    Aircraft.KnobCounter = 40;
    Shell.KnobLastValue = 10;
    ProcessKeys();
    EXPECT_TRUE(Shell.KnobIncrement);
    EXPECT_FALSE(Shell.KnobDecrement);
    EXPECT_EQ(Shell.KnobLastValue, 40);
}

TEST_F(SpineTest, FirstHeldRangeKeyWinsAndFilterTogglesRepeat)
{
    Shell.Keys['3'] = Shell.Keys['5'] = true;
    ProcessKeys();
    EXPECT_EQ(Shell.MapRangeIndex, 2);
    EXPECT_TRUE(Shell.Keys['3']);   // range keys stay held

    Shell.Keys['A'] = true;
    ProcessKeys();
    EXPECT_TRUE(Shell.ShowAirports);
    EXPECT_FALSE(Shell.Keys['A']);
    Shell.Keys['A'] = true;   // auto-repeat
    ProcessKeys();
    EXPECT_FALSE(Shell.ShowAirports);

    Shell.Keys['V'] = Shell.Keys['N'] = Shell.Keys['P'] = true;
    ProcessKeys();
    EXPECT_TRUE(Shell.ShowVor && Shell.ShowNdb && Shell.ShowRoute);
}

// Events are drained before each frame, so a tap's down and up often both arrive before the
// frame runs: the frame still acts on it, and the release takes effect after that frame. A
// key the frame has already seen is released at once, so holding stops with the key.
TEST_F(SpineTest, TapsShorterThanAFrameStillActAndHeldKeysReleaseAtOnce)
{
    Input = InputState{};
    auto key = [](PlatformEventType type, int vk) {
        PlatformEvent e;
        e.type = type;
        e.vk = vk;
        WindowProc(e);
    };
    for (int vk : {'5', 'A', 'V', 'N', 'P'}) {
        key(PlatformEventType::KeyDown, vk);
        key(PlatformEventType::KeyUp, vk);
    }
    ProcessKeys();
    InputFrameConsumed();
    EXPECT_EQ(Shell.MapRangeIndex, 4);
    EXPECT_TRUE(Shell.ShowAirports && Shell.ShowVor && Shell.ShowNdb && Shell.ShowRoute);
    EXPECT_FALSE(Shell.Keys['5']);   // released after the frame that took it
    ProcessKeys();
    InputFrameConsumed();
    EXPECT_TRUE(Shell.ShowAirports);   // a tap toggles once

    key(PlatformEventType::KeyDown, '2');   // held across a frame, then let go
    ProcessKeys();
    InputFrameConsumed();
    EXPECT_EQ(Shell.MapRangeIndex, 1);
    key(PlatformEventType::KeyUp, '2');
    EXPECT_FALSE(Shell.Keys['2']);
}

// Every edge of every region, on a 1000 x 1000 display where a pixel is a tenth of a
// percent: a click a tenth inside each edge hits, a tenth outside does not. Soft keys span
// 87..90 % of the height and their own x ranges; the knob turns down from 83 up to 87 % and
// up from 87 to 91 %, both 87..92 % high. Every click clears the knob flags.
TEST_F(SpineTest, BezelClicksHitEachRegionUpToEveryEdge)
{
    SetSoftKeyRegions();
    DisplayConfigReset();
    DisplayConfig.Width = 1000;
    DisplayConfig.Height = 1000;
    enum Hit { None = -1, Down = 10, Up = 11 };
    auto click = [](int x, int y) {
        Shell.PendingSoftKey = 6;
        Shell.KnobIncrement = Shell.KnobDecrement = true;
        Shell.MouseX = x;
        Shell.MouseY = y;
        HitTestBezel();
        EXPECT_FALSE(Shell.KnobIncrement && Shell.KnobDecrement);
        return Shell.KnobDecrement ? Down : Shell.KnobIncrement ? Up : Shell.PendingSoftKey == 6 ? None : Shell.PendingSoftKey;
    };
    const int keys[6][2] = {{170, 240}, {270, 340}, {380, 450}, {490, 560}, {590, 660}, {700, 760}};
    for (int key = 0; key < 6; ++key) {
        SCOPED_TRACE("soft key " + std::to_string(key));
        const int from = keys[key][0], to = keys[key][1], mid = (from + to) / 2;
        EXPECT_EQ(click(from + 1, 885), key);
        EXPECT_EQ(click(to - 1, 885), key);
        EXPECT_EQ(click(from - 1, 885), None);
        EXPECT_EQ(click(to + 1, 885), None);
        EXPECT_EQ(click(mid, 871), key);
        EXPECT_EQ(click(mid, 899), key);
        EXPECT_EQ(click(mid, 869), None);
        EXPECT_EQ(click(mid, 901), None);
    }
    // 87 % itself belongs to the up area only.
    for (auto [x, expected] : {std::pair{829, None}, {831, Down}, {869, Down}, {870, Up}, {909, Up}, {911, None}})
        EXPECT_EQ(click(x, 890), expected) << x;
    for (int x : {850, 890}) {
        const int turn = x < 870 ? Down : Up;
        EXPECT_EQ(click(x, 871), turn) << x;
        EXPECT_EQ(click(x, 919), turn) << x;
        EXPECT_EQ(click(x, 869), None) << x;
        EXPECT_EQ(click(x, 921), None) << x;
    }
    EXPECT_EQ(click(1200, 890), None);   // right of the display area
}
