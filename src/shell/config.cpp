// Reads and writes "MFD.ini". The reader goes by position: each header is one word that
// is skipped, values are taken in order, the three folders between double quotes.
// Owns: DisplayConfig. Reads/writes: Shell.Frameless, Shell.BezelShown, Shell.ConfiguredMode;
// reads the window placement record (Window) for the saved position.
#include "shell/config.h"

#include "platform/platform.h"
#include "shell/shell.h"
#include "shell/text_fields.h"
#include "shell/window.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <cstring>

DisplayConfigState DisplayConfig;

static const char* const ConfigFile = "MFD.ini";

void DisplayConfigReset()
{
    DisplayConfig = DisplayConfigState{};
}

// Anything under the name counts, also what is no regular file (a FIFO, a folder): that is
// reported when it cannot be read and left alone, never replaced by the default file.
bool ConfigFileExists()
{
    return PlatformPathExists(ConfigFile);
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

// Takes the opening quote (whatever character stands there) and collects up to the next
// double quote. A path longer than 499 characters keeps its first 499 and the rest up to
// the quote is dropped, so the following paths still line up. A file that ends inside
// the quotes ends the path there.
bool ReadQuoted(TextCursor* c, char* out)
{
    if (c->AtEnd())
        return false;
    ++c->at;
    size_t n = 0;
    while (!c->AtEnd() && *c->at != '"') {
        if (n < ConfigPathMax - 1)
            out[n++] = *c->at;
        ++c->at;
    }
    out[n] = '\0';
    if (c->AtEnd())
        return false;
    ++c->at;
    return true;
}
} // namespace

namespace {
// Values a window system can take. Outside these a value is held at the nearer end; a value
// that cannot be read at all takes its built-in value. Either is named.
constexpr int ConfigSizeMin = 16, ConfigSizeMax = 16384;
constexpr int ConfigPositionLimit = 32767;

void NoteProblem(std::string* problems, const std::string& what)
{
    if (!problems->empty())
        *problems += "; ";
    *problems += what;
}

void CheckRange(std::string* problems, const char* field, int* value, int low, int high)
{
    if (*value >= low && *value <= high)
        return;
    int held = *value < low ? low : high;
    NoteProblem(problems, std::string(field) + " " + std::to_string(*value) + " out of range " +
                              std::to_string(low) + ".." + std::to_string(high) + ", " + std::to_string(held) + " used");
    *value = held;
}

// A value line that did not hold a number: the built-in value stands.
void CheckRead(std::string* problems, bool read, const char* field, int* value, int builtIn)
{
    if (read)
        return;
    NoteProblem(problems, std::string(field) + " not a number, " + std::to_string(builtIn) + " used");
    *value = builtIn;
}

// 0 or 1; any other number still means "on", as it always has, but is named.
void CheckFlag(std::string* problems, const char* field, int value)
{
    if (value != 0 && value != 1)
        NoteProblem(problems, std::string(field) + " " + std::to_string(value) + " is not 0 or 1, taken as 1");
}

// A folder path must have its closing quote and no control characters (a tab or a line
// break inside it means the quotes of a broken file were paired wrongly).
void CheckPath(std::string* problems, const char* field, char* path, bool closed)
{
    bool control = false;
    for (const char* c = path; *c; ++c)
        control = control || static_cast<unsigned char>(*c) < 0x20;
    if (closed && !control)
        return;
    NoteProblem(problems, std::string(field) + (closed ? " holds control characters" : " has no closing quote") +
                              ", left empty");
    path[0] = '\0';
}
} // namespace

std::string ParseConfigText(const std::string& text)
{
    TextCursor c{text.data(), text.data() + text.size()};
    DisplayConfigState builtIn;
    int frameless = Shell.Frameless ? 1 : 0, bezel = Shell.BezelShown ? 1 : 0;
    std::string problems;
    bool read[7] = {};
    c.SkipWord();
    read[0] = c.ReadInteger(&DisplayConfig.Width, ConfigIntegers) && c.Take(',');
    read[1] = read[0] && c.ReadInteger(&DisplayConfig.Height, ConfigIntegers);
    c.SkipWord();
    read[2] = c.ReadInteger(&DisplayConfig.X, ConfigIntegers) && c.Take(',');
    read[3] = read[2] && c.ReadInteger(&DisplayConfig.Y, ConfigIntegers);
    c.SkipWord();
    read[4] = c.ReadInteger(&frameless, ConfigIntegers);
    c.SkipWord();
    read[5] = c.ReadInteger(&bezel, ConfigIntegers);
    c.SkipWord();
    read[6] = c.ReadInteger(&Shell.ConfiguredMode, ConfigIntegers);
    c.SkipSpace();
    const char* pathFields[] = {"[PLAN_PATH]", "[PATH_TO_DU2]", "[PATH_TO_DU3]"};
    char* paths[] = {DisplayConfig.PlanPath, DisplayConfig.Du2Path, DisplayConfig.Du3Path};
    bool closed[3] = {};
    for (int i = 0; i < 3; ++i) {
        c.SkipWord();
        c.SkipSpace();
        closed[i] = ReadQuoted(&c, paths[i]);
    }
    CheckRead(&problems, read[0], "[X_SIZE,Y_SIZE] width", &DisplayConfig.Width, builtIn.Width);
    CheckRead(&problems, read[1], "[X_SIZE,Y_SIZE] height", &DisplayConfig.Height, builtIn.Height);
    CheckRange(&problems, "[X_SIZE,Y_SIZE] width", &DisplayConfig.Width, ConfigSizeMin, ConfigSizeMax);
    CheckRange(&problems, "[X_SIZE,Y_SIZE] height", &DisplayConfig.Height, ConfigSizeMin, ConfigSizeMax);
    CheckRead(&problems, read[2], "[X_POSITION,Y_POSISTION] X", &DisplayConfig.X, builtIn.X);
    CheckRead(&problems, read[3], "[X_POSITION,Y_POSISTION] Y", &DisplayConfig.Y, builtIn.Y);
    CheckRange(&problems, "[X_POSITION,Y_POSISTION] X", &DisplayConfig.X, -ConfigPositionLimit, ConfigPositionLimit);
    CheckRange(&problems, "[X_POSITION,Y_POSISTION] Y", &DisplayConfig.Y, -ConfigPositionLimit, ConfigPositionLimit);
    CheckRead(&problems, read[4], "[FRAMELESS_WINDOW(0-1)]", &frameless, 0);
    CheckRead(&problems, read[5], "[DISPLAY_BEZEL(0-1)]", &bezel, 1);
    CheckRead(&problems, read[6], "[MFD=0,EICAS=1]", &Shell.ConfiguredMode, 0);
    CheckFlag(&problems, "[FRAMELESS_WINDOW(0-1)]", frameless);
    CheckFlag(&problems, "[DISPLAY_BEZEL(0-1)]", bezel);
    CheckFlag(&problems, "[MFD=0,EICAS=1]", Shell.ConfiguredMode);
    for (int i = 0; i < 3; ++i)
        CheckPath(&problems, pathFields[i], paths[i], closed[i]);
    Shell.Frameless = frameless != 0;
    Shell.BezelShown = bezel != 0;
    // A file with no value at all (empty, or no configuration file) is said in one phrase.
    if (std::none_of(std::begin(read), std::end(read), [](bool r) { return r; }))
        problems = "no value could be read, the built-in values used";
    return problems;
}

void ReadConfig()
{
    // The file is small; a hostile one is cut at 1 MiB rather than read without end. One
    // that cannot be read (a FIFO or a folder under the name, no permission) leaves the
    // built-in values and is kept as it is: nothing is written over it at exit. One with
    // values that cannot be used is copied aside as "MFD.ini.bad" before the values that
    // replace them are saved at exit.
    std::string text, why;
    if (!PlatformReadFileStart(ConfigFile, 1u << 20, &text, &why)) {
        DisplayConfig.KeepFile = true;
        ReportProblem(std::string(ConfigFile) + ": cannot be read (" + why + "); built-in values used, the file left as it is");
        return;
    }
    std::string problems = ParseConfigText(text);
    if (problems.empty())
        return;
    std::string aside = std::string(ConfigFile) + ".bad";
    bool kept = PlatformWriteFileAtomic(aside.c_str(), text);
    if (!kept)
        DisplayConfig.KeepFile = true;
    ReportProblem(std::string(ConfigFile) + ": " + problems + (kept ? "; the file is kept as " + aside : "; the file is left as it is"));
}
