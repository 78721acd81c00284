// The display's colours by name, as the text trace records them.
#pragma once

#include "support/support.h"

#include <cmath>
#include <string>

inline std::string ColourName(const TraceText* t)
{
    if (!t)
        return "absent";
    struct Named { const char* name; float r, g, b; };
    static const Named colours[] = {{"white", 1, 1, 1},         {"red", 1, 0, 0},    {"amber", 0.933f, 0.596f, 0},
                                    {"green", 0.156f, 0.803f, 0.215f}, {"cyan", 0, 1, 1}, {"magenta", 0.882f, 0, 0.482f},
                                    {"black", 0, 0, 0}};
    for (const Named& c : colours)
        if (std::fabs(t->r - c.r) < 0.01f && std::fabs(t->g - c.g) < 0.01f && std::fabs(t->b - c.b) < 0.01f)
            return c.name;
    return "other";
}
