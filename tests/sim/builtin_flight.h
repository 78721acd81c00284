// The built-in flight in the test process: parsed once, restarted for each test, flown to a
// second and read back at the offsets the display units read, in the simulator's encodings.
#pragma once

#include "sim.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class BuiltinFlightTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static SimTimeline builtin;
        static bool parsed = [] {
            std::string error;
            bool ok = SimParseTimeline(SimBuiltinFlightText(), &builtin, &error);
            EXPECT_TRUE(ok) << error;
            return ok;
        }();
        ASSERT_TRUE(parsed);
        SimFlightStart(builtin);
        space = std::make_unique<SimOffsetSpace>();
    }
    // Flies to second `t` and publishes.
    void At(double t)
    {
        SimFlightAdvanceTo(t);
        SimFlightPublish(*space);
    }
    uint64_t U(uint32_t offset, int size) const { return SimGet(*space, offset, size); }
    double D(uint32_t offset) const { return SimGetDouble(*space, offset); }

    std::unique_ptr<SimOffsetSpace> space;
};
