// The built-in flight as the systems pages show it: the values at the offsets the pages
// read, worked out the way the display units convert them, through the phases that make
// each page move (fuel and the imbalance, electrical loads, hydraulics, surfaces, cabin).
#include "builtin_flight.h"
#include "sim.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class SynopticFlight : public BuiltinFlightTest {
protected:
    // A tank in whole pounds as the displays work it out: gallons x (lb/gal x 256) / 256,
    // cut to pounds, times the level (8388608 = 100 %) as a float fraction.
    double Tank(uint32_t capacityAt, uint32_t levelAt) const
    {
        float perGallon = static_cast<float>(U(0x0AF4, 2)) / 256.0f;
        int capacity = static_cast<int>(static_cast<double>(U(capacityAt, 4)) * perGallon);
        float level = static_cast<float>(U(levelAt, 4) / 8388608.0 * 100.0) / 100.0f;
        return capacity * static_cast<double>(level);
    }
    double Left() const { return Tank(0x0B80, 0x0B7C); }
    double Right() const { return Tank(0x0B98, 0x0B94); }
    int Total() const { return static_cast<int>(Left() + Right() + Tank(0x0B78, 0x0B74)); }
    double Degrees(uint32_t offset, double full) const { return std::ceil(U(offset, 4) * full / 16383); }
};

} // namespace

TEST_F(SynopticFlight, FuelStartsAtTheConfiguredLoadAndFallsWithTheFlow)
{
    At(0);
    EXPECT_EQ(Total(), 6062);   // the units' default MAX_FUEL: nothing used before the start
    At(600);
    int climbing = Total();
    EXPECT_LT(climbing, 6062 - 80);
    At(1600);
    EXPECT_LT(Total(), climbing - 200);
    EXPECT_LT(Tank(0x0B78, 0x0B74), 1.0);   // the centre tank went first
}

TEST_F(SynopticFlight, AnImbalanceBuildsWithTheCrossfeedOpenAndIsBalancedOut)
{
    At(1640);
    EXPECT_LT(std::fabs(Left() - Right()), 30);
    At(2100);
    EXPECT_GT(Left() - Right(), 200);         // both engines on the right wing
    EXPECT_GT(D(0x2EB0) * 57.29, 1.0);        // aileron trim holding the heavy wing up
    At(2560);
    EXPECT_LT(std::fabs(Left() - Right()), 30);
    double left = Left(), right = Right();
    At(2800);
    EXPECT_NEAR(left - Left(), right - Right(), 2);   // closed again: each wing feeds its engine
}

TEST_F(SynopticFlight, GeneratorLoadsFollowTheStartsAndTheBattery)
{
    At(80);
    double onBattery = D(0x2870);
    EXPECT_GT(onBattery, 20);
    EXPECT_LT(onBattery, 25.5);
    EXPECT_EQ(D(0x2888) + D(0x2898), 0.0);
    At(200);   // right generator on line turning the left engine over and recharging
    double crossStart = D(0x2898);
    EXPECT_GT(crossStart, 200);
    EXPECT_EQ(D(0x2888), 0.0);
    At(1800);
    double cruise = D(0x2888);
    EXPECT_GT(cruise, 20);
    EXPECT_LT(cruise, 80);
    EXPECT_NEAR(D(0x2898), cruise, 0.01);     // two generators share the load
    EXPECT_NEAR(D(0x2880), 28.4, 0.3);
    EXPECT_NEAR(D(0x2870), 27.9, 0.01);
}

TEST_F(SynopticFlight, HydraulicsAndSurfacesFollowTheFlightPhases)
{
    At(245);
    EXPECT_EQ(static_cast<int32_t>(U(0x08D8, 4)) / 4, 3000);
    EXPECT_EQ(static_cast<int32_t>(U(0x0970, 4)) / 4, 3000);
    At(1000);
    EXPECT_EQ(Degrees(0x0BE4, 40), 0);
    double climbTrim = D(0x2EA0) * 57.29;
    At(4350);
    EXPECT_EQ(Degrees(0x0BE4, 40), 40);       // landing flap
    EXPECT_GT(D(0x2EA0) * 57.29, climbTrim);
    At(4410);
    EXPECT_EQ(U(0x0366, 2), 1u);
    EXPECT_GT(Degrees(0x0BD4, 60), 50);       // ground spoilers
    EXPECT_GT(Degrees(0x0BD8, 60), 50);
    EXPECT_LT(static_cast<int16_t>(U(0x088C, 2)), 0);   // reverse thrust
    At(4660);
    EXPECT_EQ(static_cast<int32_t>(U(0x08D8, 4)) / 4, 0);   // engines shut down
    EXPECT_EQ(D(0x2880), 0.0);
    EXPECT_EQ(Degrees(0x0BD4, 60), 0);
}

TEST_F(SynopticFlight, CabinClimbsAndDescendsWithTheAircraft)
{
    At(1000);
    EXPECT_GT(static_cast<int32_t>(U(0x02C8, 4)) * 0.7689469, 1500);   // ft/min up
    At(2000);
    EXPECT_EQ(static_cast<int32_t>(U(0x02C8, 4)), 0);
    EXPECT_EQ(static_cast<int32_t>(U(0x3324, 4)) * static_cast<double>(0.196f), 35000 * static_cast<double>(0.196f));
    At(3300);
    EXPECT_LT(static_cast<int32_t>(U(0x02C8, 4)) * 0.7689469, -1500);
}
