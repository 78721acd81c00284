// Floating point to integer for every value that comes from the simulator. A broken or
// hostile module can send any bits, so a product of two raw fields can be far beyond an int,
// infinite or not a number; a plain cast of such a value is undefined behaviour. These stop
// at the ends of the target's range instead, and read not-a-number as 0, so a wild value
// shows as a pegged readout rather than whatever the processor makes of it.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>

// Cut toward zero, as a cast does for every value in range.
constexpr int SaturateToInt(double value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0)
        return INT_MAX;
    if (value <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(value);
}

// Nearest whole number, halves away from zero.
constexpr int SaturateRoundToInt(double value)
{
    return SaturateToInt(value >= 0 ? value + 0.5 : value - 0.5);
}

// The same for a 0..255 byte (dimming levels, shared flag bytes).
constexpr uint8_t SaturateToByte(double value)
{
    if (!(value > 0))
        return 0;   // not-a-number and everything at or below zero
    return value >= 255.0 ? 255 : static_cast<uint8_t>(value);
}
