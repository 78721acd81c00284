// Placeholder until the plan readers are merged: every file reads as an empty plan.
#include "plan/plan.h"
#include <cstdio>
#include <cstring>
static void Clear() { FlightPlan.legCount = 0; std::memset(FlightPlan.legs, 0, sizeof FlightPlan.legs); }
PlnKind ReadPlnPlan(const char* path) { FILE* f = std::fopen(path, "r"); if (!f) return PlnKind::Missing; std::fclose(f); Clear(); return PlnKind::LineBased; }
void ReadPlnXml(const char*) { Clear(); }
void ReadFmcPlan(const char*) { Clear(); }
PlnKind ReadPlnText(const char*, unsigned long) { Clear(); return PlnKind::LineBased; }
void ReadPlnXmlText(const char*, unsigned long) { Clear(); }
void ReadFmcText(const char*, unsigned long) { Clear(); }
