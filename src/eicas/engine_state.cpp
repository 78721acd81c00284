// Engine arithmetic shared by the engine display and the alert list: the inclusive range
// test, the take-off N1 reference and the derived engine state.
// Owns: the derived engine fields of Eicas. Reads: Aircraft.
#include "eicas/eicas.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

bool InRange(float value, float low, float high)
{
    // Written so that a NaN fails both comparisons and so is never in range.
    return low <= value && value <= high;
}

float N1Reference(float oatC, float altitudeFt)
{
    double oat = oatC, alt = altitudeFt;
    double r = oat * (alt * 4e-7 + (alt * 2e-10) * alt + 0.1616) + alt * 0.0015 + 84.171;
    if (alt >= 10000)
        return Clamp(static_cast<float>(r), 0, 100);
    // Low down, a hot day caps the target below 100 %: the engines are flat-rated.
    return Clamp(static_cast<float>(r), 0, static_cast<float>(102.97 - 0.2971 * oat));
}

void UpdateDerivedEngineState()
{
    const AircraftState& a = Aircraft;
    Eicas.SpoilersExtended = a.SpoilerAngleLeft > 1 && a.SpoilerAngleRight > 1;
    Eicas.EngineRunningLeft = a.N1Left > 20;
    Eicas.EngineRunningRight = a.N1Right > 20;
    Eicas.ThrottleLeft = a.ThrottleLeverLeft * 100.0f / 16384.0f;
    Eicas.ThrottleRight = a.ThrottleLeverRight * 100.0f / 16384.0f;
    // High power needs the other engine turning: one engine spooled up alone on the
    // ground (an engine run) is not a take-off.
    Eicas.HighPower = (Eicas.EngineRunningRight && a.N1Left > 60) || (Eicas.EngineRunningLeft && a.N1Right > 60);
}

bool AircraftOnGround()
{
    // The simulator publishes a 16-bit word; only its low byte carries the flag.
    return (Aircraft.OnGround & 0xFF) != 0;
}
