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

TEST_F(SpineTest, BezelClicksMapToKnobAndSoftKeys)
{
    SetSoftKeyRegions();
    DisplayConfigReset();
    DisplayConfig.Width = 1000;
    DisplayConfig.Height = 1000;
    auto click = [](int xPercent10, int yPercent10) {
        Shell.PendingSoftKey = 6;
        Shell.MouseX = xPercent10;
        Shell.MouseY = yPercent10;
        HitTestBezel();
    };
    click(870, 900);   // 87 % belongs to the up area only
    EXPECT_TRUE(Shell.KnobIncrement);
    EXPECT_FALSE(Shell.KnobDecrement);
    click(860, 900);
    EXPECT_TRUE(Shell.KnobDecrement);
    click(200, 890);
    EXPECT_EQ(Shell.PendingSoftKey, 0);
    EXPECT_FALSE(Shell.KnobDecrement);   // every click clears the knob flags
    click(250, 890);
    EXPECT_EQ(Shell.PendingSoftKey, 6);
    click(1200, 890);                    // right of the display area
    EXPECT_EQ(Shell.PendingSoftKey, 6);
    click(730, 880);
    EXPECT_EQ(Shell.PendingSoftKey, 5);
}
