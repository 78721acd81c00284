// Reads and writes "MFD.ini". The reader goes by position: each header is one word that
// is skipped, values are taken in order, the three folders between double quotes.
// Owns: DisplayConfig. Reads/writes: Shell.Frameless, Shell.BezelShown, Shell.ConfiguredMode;
// reads the window placement record (Window) for the saved position.
#include "shell/config.h"

#include "platform/platform.h"
#include "shell/shell.h"
#include "shell/text_fields.h"
#include "shell/window.h"

#include <cstdio>
#include <cstring>

DisplayConfigState DisplayConfig;

static const char* const ConfigFile = "MFD.ini";

void DisplayConfigReset()
{
    DisplayConfig = DisplayConfigState{};
}

// Only a regular file counts: anything else under the name (a FIFO, a link to a device)
// is replaced by the default file, which is written atomically.
bool ConfigFileExists()
{
    return PlatformIsFile(ConfigFile);
}

std::string FormatConfigText(bool defaults)
{
    char buffer[4096];
    if (defaults) {
        // The path c:\ names no folder on Linux: the plan list simply stays empty until
        // the user sets a real folder. The default keeps it byte for byte.
        std::snprintf(buffer, sizeof buffer,
                      "[X_SIZE,Y_SIZE]\n484,605\n[X_POSITION,Y_POSISTION]\n100,100\n"
                      "[FRAMELESS_WINDOW(0-1)]\n0\n[DISPLAY_BEZEL(0-1)]\n1\n[MFD=0,EICAS=1]\n0\n"
                      "[PLANPATH]\n\"c:\\\"\n[PATH_TO_DU2]\n\"c:\\\"\n[PATH_TO_DU3]\n\"c:\\\"");
    } else {
        std::snprintf(buffer, sizeof buffer,
                      "[X_SIZE,Y_SIZE]\n%d,%d\n[X_POSITION,Y_POSISTION]\n%d,%d\n"
                      "[FRAMELESS_WINDOW(0-1)]\n%d\n[DISPLAY_BEZEL(0-1)]\n%d\n[MFD=0,EICAS=1]\n%d\n"
                      "[PLAN_PATH]\n\"%s\"\n[PATH_TO_DU2]\n\"%s\"\n[PATH_TO_DU3]\n\"%s\"",
                      DisplayConfig.Width, DisplayConfig.Height, Window.PlacementX, Window.PlacementY,
                      Shell.Frameless ? 1 : 0, Shell.BezelShown ? 1 : 0, Shell.ConfiguredMode,
                      DisplayConfig.PlanPath, DisplayConfig.Du2Path, DisplayConfig.Du3Path);
    }
    return buffer;
}

void WriteConfig(bool defaults)
{
    // Failure is silent: the built-in values apply and nothing is reported.
    PlatformWriteFileAtomic(ConfigFile, FormatConfigText(defaults));
}

namespace {
// The file is read with the shared cursor (shell/text_fields.h), whose every step stops at
// the end of the text, so no file can make the reader loop or overrun. Numbers beyond the
// int range keep their low 32 bits, as this file's reader always has.
constexpr IntegerRules ConfigIntegers = {INT_MIN, INT_MAX, IntegerOverflow::Truncate};

void ReadInt(TextCursor* c, int* value)
{
    c->ReadInteger(value, ConfigIntegers);
}

// "int,int": the second is read only when the comma follows the first.
void ReadPair(TextCursor* c, int* a, int* b)
{
    if (c->ReadInteger(a, ConfigIntegers) && c->Take(','))
        c->ReadInteger(b, ConfigIntegers);
}

// Takes the opening quote (whatever character stands there) and collects up to the next
// double quote. A path longer than 499 characters keeps its first 499 and the rest up to
// the quote is dropped, so the following paths still line up. A file that ends inside
// the quotes ends the path there.
void ReadQuoted(TextCursor* c, char* out)
{
    if (c->AtEnd())
        return;
    ++c->at;
    size_t n = 0;
    while (!c->AtEnd() && *c->at != '"') {
        if (n < ConfigPathMax - 1)
            out[n++] = *c->at;
        ++c->at;
    }
    out[n] = '\0';
    if (!c->AtEnd())
        ++c->at;
}
} // namespace

void ParseConfigText(const std::string& text)
{
    TextCursor c{text.data(), text.data() + text.size()};
    int frameless = Shell.Frameless ? 1 : 0, bezel = Shell.BezelShown ? 1 : 0;
    c.SkipWord();
    ReadPair(&c, &DisplayConfig.Width, &DisplayConfig.Height);
    c.SkipWord();
    ReadPair(&c, &DisplayConfig.X, &DisplayConfig.Y);
    c.SkipWord();
    ReadInt(&c, &frameless);
    c.SkipWord();
    ReadInt(&c, &bezel);
    c.SkipWord();
    ReadInt(&c, &Shell.ConfiguredMode);
    c.SkipSpace();
    for (char* path : {DisplayConfig.PlanPath, DisplayConfig.Du2Path, DisplayConfig.Du3Path}) {
        c.SkipWord();
        c.SkipSpace();
        ReadQuoted(&c, path);
    }
    Shell.Frameless = frameless != 0;
    Shell.BezelShown = bezel != 0;
}

void ReadConfig()
{
    // The file is small; a hostile one is cut at 1 MiB rather than read without end.
    std::string text;
    if (PlatformReadFileStart(ConfigFile, 1u << 20, &text))
        ParseConfigText(text);
}
