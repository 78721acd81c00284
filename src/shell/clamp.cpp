// Clamp, shared by every display (interim home until the spine's own lands).
#include "shell/shell.h"

float Clamp(float value, float low, float high)
{
    // A NaN fails both tests and comes back unchanged.
    if (value < low)
        return low;
    if (value > high)
        return high;
    return value;
}
