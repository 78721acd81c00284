// "accfg.ini" on disk: read at start-up, the default file on the first run, and written
// here and into the other display unit's installation folder so both units fly with the
// same numbers. Owns: AircraftConfig. Reads: Shell.ShowingMfd, DisplayConfig (unit folders).
#include "menu/aircraft_config.h"

#include "platform/platform.h"
#include "shell/config.h"
#include "shell/shell.h"

#include <cstdio>

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
    std::string text;
    if (!PlatformReadFileStart(ConfigFileName, ConfigReadLimit, &text)) {
        // First start: lay down the default file for next time. The values in memory stay
        // as they are (0) until the file is next read, on the next start or on entering
        // the V-speeds page. A name that is there but no regular file (a FIFO, a link to a
        // device) is left alone and reads as nothing.
        if (!PlatformPathExists(ConfigFileName))
            PlatformWriteFileAtomic(ConfigFileName, AircraftConfigDefaultFile);
        return;
    }
    ParseAircraftConfig(text.data(), text.size(), &AircraftConfig);
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
