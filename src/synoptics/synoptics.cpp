// The values the synoptic pages work out from the aircraft state and share.
// Owns: nothing. Reads: its arguments.
#include "synoptics/synoptics.h"

#include "shell/shell.h"
#include "shell/saturate.h"

int CabinAltitudeFeet(int altitudeFt)
{
    // The factor is single precision, the product double: 41000 ft gives 8035.9998 -> 8035.
    return SaturateToInt(altitudeFt * static_cast<double>(0.196f));
}

float CabinRateFpm(int verticalSpeed, bool linkConnected)
{
    // m/s x 256 to ft/min: 60 / 0.3048 / 256, held in single precision.
    return linkConnected ? static_cast<float>(verticalSpeed * static_cast<double>(0.7689469f)) : 0.0f;
}

float SpoilerHandleDegrees(uint32_t lever)
{
    return Clamp(static_cast<float>(lever * 0.0035 - 16.576), 0, 40);
}
