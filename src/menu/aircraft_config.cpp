// "accfg.ini" on disk: read at start-up, the default file on the first run, and written
// here and into the other display unit's installation folder so both units fly with the
// same numbers. Owns: AircraftConfig. Reads: Shell.ShowingMfd, DisplayConfig (unit folders).
#include "menu/aircraft_config.h"

#include "platform/platform.h"
#include "shell/config.h"
#include "shell/shell.h"

#include <cstdio>
#include <cstring>

AircraftConfigState AircraftConfig;

static const char* const ConfigFileName = "accfg.ini";

// A file longer than this is not a configuration file; only its start is looked at.
constexpr unsigned long ConfigReadLimit = 64 * 1024;

void AircraftConfigReset()
{
    AircraftConfig = AircraftConfigState{};
}

void ReadAircraftConfig()
{
    std::string text, why;
    if (!PlatformReadFileStart(ConfigFileName, ConfigReadLimit, &text, &why)) {
        // First start: lay down the default file for next time. The values in memory stay
        // as they are (0) until the file is next read, on the next start or on entering
        // the V-speeds page. A name that is there but cannot be read (a FIFO, a folder, no
        // permission) is left alone, said once, and the default file's values fly.
        if (!PlatformPathExists(ConfigFileName)) {
            PlatformWriteFileAtomic(ConfigFileName, AircraftConfigDefaultFile);
            return;
        }
        static std::string said;
        if (said != why) {
            said = why;
            ReportProblem(std::string(ConfigFileName) + ": cannot be read (" + why + "); the default values used");
        }
        const char* defaults = AircraftConfigDefaultFile;
        ParseAircraftConfig(defaults, std::strlen(defaults), &AircraftConfig);
        return;
    }
    // Values that cannot be used are replaced and named, and the file as it was is copied
    // aside first, since the next write (leaving the V-speeds page) saves the values used.
    std::string problems;
    ParseAircraftConfig(text.data(), text.size(), &AircraftConfig, &problems);
    if (problems.empty())
        return;
    std::string aside = std::string(ConfigFileName) + ".bad";
    static bool said = false;
    static std::string saidText;
    if (said && saidText == text)
        return;   // the same file read again on entering the V-speeds page
    said = true;
    saidText = text;
    bool kept = PlatformWriteFileAtomic(aside.c_str(), text);
    ReportProblem(std::string(ConfigFileName) + ": " + problems + (kept ? "; the file is kept as " + aside : ""));
}

void WriteAircraftConfig()
{
    std::string content = FormatAircraftConfig(AircraftConfig);
    PlatformWriteFileAtomic(ConfigFileName, content);

    // The copy goes to the unit that shows the other display: the MFD writes into the
    // unit 2 folder, the EICAS into unit 3's. A folder that is not configured names no
    // installation, so there is nothing to copy to.
    const char* folder = Shell.ShowingMfd ? DisplayConfig.Du2Path : DisplayConfig.Du3Path;
    if (folder[0] == '\0')
        return;
    char path[ConfigPathMax + 16];
    std::snprintf(path, sizeof path, "%s\\accfg.ini", folder);
    PlatformWriteFileAtomic(path, content);
}
