// The text of "accfg.ini": the positional reader, the writer's format and the default
// file. No file access here, so tests and the fuzzer can feed it any bytes.
// Owns: nothing; reads and fills the AircraftConfigState it is given.
#include "menu/aircraft_config.h"
#include "plan/plan.h"
#include "shell/text_fields.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

// Two header spellings have always been in circulation: the default file says
// "[VMAX_FLAP_8]" and "[MMO]", the writer "[VMAX_FLAPS_8]" and "[MM0]" (digit zero).
// The reader never looks at headers, so both, and any others, read the same.
const char AircraftConfigDefaultFile[] =
    "[V1]\n100\n"
    "[VR]\n100\n"
    "[V2]\n100\n"
    "[MAX_FLAPS]\n40\n"
    "[VMIN]\n90\n"
    "[VMAX_FLAP_8]\n250\n"
    "[VMAX_FLAP_20]\n200\n"
    "[VMAX_FLAP_40]\n150\n"
    "[VMO]\n335\n"
    "[MMO]\n0.81\n"
    "[MAX_SPOILERS]\n60\n"
    "[MIN_RUNWAY_LENGTH]\n5000\n"
    "[MAX_FUEL]\n6062\n";

// The file is read with the shared cursor (shell/text_fields.h): a number that cannot be
// read leaves the cursor on it, so the next header word swallows it and the positions of
// the later values shift, just as they always have. Integers beyond the int range are held
// at its ends.
// The two decimals (VMO, MMO) as strtof reads them.
static bool ReadFloat(TextCursor* c, float* value)
{
    c->SkipSpace();
    // The number is copied out so the conversion can never run past the text.
    char word[64];
    size_t n = 0;
    while (c->at + n < c->end && n < sizeof word - 1 && !TextIsSpace(c->at[n]))
        word[n] = c->at[n], ++n;
    word[n] = '\0';
    char* stop = nullptr;
    float v = std::strtof(word, &stop);
    if (stop == word)
        return false;
    *value = v;
    c->at += stop - word;
    return true;
}

namespace {
// What each value may be: a number of the aircraft's own, wide enough for any business jet
// and narrow enough that no page divides by zero or draws off its scale. The take-off
// speeds keep the V-speeds page's own 0..300 knots, so whatever the page saves reads back. A value that
// cannot be read takes the default file's; one out of range is held at the nearer limit.
struct FieldRule {
    const char* header;
    double low, high, fallback;
};
constexpr FieldRule Rules[13] = {
    {"[V1]", 0, 300, 100},            {"[VR]", 0, 300, 100},
    {"[V2]", 0, 300, 100},           {"[MAX_FLAPS]", 1, 90, 40},
    {"[VMIN]", 40, 300, 90},          {"[VMAX_FLAPS_8]", 40, 400, 250},
    {"[VMAX_FLAPS_20]", 40, 400, 200}, {"[VMAX_FLAPS_40]", 40, 400, 150},
    {"[VMO]", 50, 600, 335},          {"[MMO]", 0.1, 1.0, 0.81},
    {"[MAX_SPOILERS]", 1, 90, 60},    {"[MIN_RUNWAY_LENGTH]", 0, 20000, 5000},
    {"[MAX_FUEL]", 1, 100000, 6062},
};

void Note(std::string* problems, const std::string& what)
{
    if (!problems)
        return;
    if (!problems->empty())
        *problems += "; ";
    *problems += what;
}

std::string Show(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

template <typename T>
void Check(const FieldRule& rule, bool read, T* value, std::string* problems)
{
    if (!read) {
        *value = static_cast<T>(rule.fallback);
        Note(problems, std::string(rule.header) + " not a number, " + Show(rule.fallback) + " used");
        return;
    }
    double v = static_cast<double>(*value);
    if (v >= rule.low && v <= rule.high)   // false for a NaN too
        return;
    double held = v > rule.high ? rule.high : rule.low;
    *value = static_cast<T>(held);
    Note(problems, std::string(rule.header) + " " + Show(v) + " out of range " + Show(rule.low) + ".." +
                       Show(rule.high) + ", " + Show(held) + " used");
}
} // namespace

void ParseAircraftConfig(const char* text, unsigned long length, AircraftConfigState* config, std::string* problems)
{
    TextCursor c{text, text + length};
    int* ints[] = {&config->V1, &config->VR, &config->V2, &config->MAX_FLAPS, &config->VMIN,
                   &config->VMAX_FLAPS_8, &config->VMAX_FLAPS_20, &config->VMAX_FLAPS_40};
    int rule = 0;
    for (int* field : ints) {
        c.SkipWord();
        bool read = c.ReadInteger(field);
        Check(Rules[rule++], read, field, problems);
    }
    for (float* field : {&config->VMO, &config->MMO}) {
        c.SkipWord();
        bool read = ReadFloat(&c, field);
        Check(Rules[rule++], read, field, problems);
    }
    for (int* field : {&config->MAX_SPOILERS, &config->MIN_RUNWAY_LENGTH, &config->MAX_FUEL}) {
        c.SkipWord();
        bool read = c.ReadInteger(field);
        Check(Rules[rule++], read, field, problems);
    }
    // The [ACTIVE_PLAN] section after the values is for the cockpit panel; not read here.
    // A file with no value at all (empty, or no configuration file) is said in one phrase.
    if (problems && std::count(problems->begin(), problems->end(), ';') == 12 &&
        problems->find("out of range") == std::string::npos)
        *problems = "no value could be read, the default file's values used";
}

std::string FormatAircraftConfig(const AircraftConfigState& config)
{
    char text[1024];
    std::snprintf(text, sizeof text,
                  "[V1]\n%d\n[VR]\n%d\n[V2]\n%d\n[MAX_FLAPS]\n%d\n[VMIN]\n%d\n"
                  "[VMAX_FLAPS_8]\n%d\n[VMAX_FLAPS_20]\n%d\n[VMAX_FLAPS_40]\n%d\n"
                  "[VMO]\n%f\n[MM0]\n%f\n[MAX_SPOILERS]\n%d\n[MIN_RUNWAY_LENGTH]\n%d\n[MAX_FUEL]\n%d\n",
                  config.V1, config.VR, config.V2, config.MAX_FLAPS, config.VMIN, config.VMAX_FLAPS_8,
                  config.VMAX_FLAPS_20, config.VMAX_FLAPS_40, static_cast<double>(config.VMO),
                  static_cast<double>(config.MMO), config.MAX_SPOILERS, config.MIN_RUNWAY_LENGTH,
                  config.MAX_FUEL);
    std::string file = text;
    // The active flight plan follows for the cockpit panel, one line per leg: the legs
    // left from this one to the end of the plan, latitude, longitude and ident. With no
    // plan loaded the section is empty.
    file += "[ACTIVE_PLAN]\n";
    for (int i = 0; i < FlightPlan.legCount; ++i) {
        const PlanLeg& leg = FlightPlan.legs[i];
        char line[PlanIdentMax + 64];
        std::snprintf(line, sizeof line, "%d,%f,%f,%s\n", FlightPlan.legCount - i,
                      static_cast<double>(leg.latitude), static_cast<double>(leg.longitude), leg.ident);
        file += line;
    }
    return file;
}

