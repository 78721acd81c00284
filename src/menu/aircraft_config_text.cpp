// The text of "accfg.ini": the positional reader, the writer's format and the default
// file. No file access here, so tests and the fuzzer can feed it any bytes.
// Owns: nothing; reads and fills the AircraftConfigState it is given.
#include "menu/aircraft_config.h"
#include "plan/plan.h"
#include "shell/text_fields.h"

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
static void ReadFloat(TextCursor* c, float* value)
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
        return;
    *value = v;
    c->at += stop - word;
}

void ParseAircraftConfig(const char* text, unsigned long length, AircraftConfigState* config)
{
    TextCursor c{text, text + length};
    int* ints[] = {&config->V1, &config->VR, &config->V2, &config->MAX_FLAPS, &config->VMIN,
                   &config->VMAX_FLAPS_8, &config->VMAX_FLAPS_20, &config->VMAX_FLAPS_40};
    for (int* field : ints) {
        c.SkipWord();
        c.ReadInteger(field);
    }
    c.SkipWord();
    ReadFloat(&c, &config->VMO);
    c.SkipWord();
    ReadFloat(&c, &config->MMO);
    for (int* field : {&config->MAX_SPOILERS, &config->MIN_RUNWAY_LENGTH, &config->MAX_FUEL}) {
        c.SkipWord();
        c.ReadInteger(field);
    }
    // The [ACTIVE_PLAN] section after the values is for the cockpit panel; not read here.
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

