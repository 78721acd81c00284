// "MFD.ini" reader on arbitrary bytes: it must never read past the text or overflow a
// path slot, and whatever it reads must format back into a file that reads the same.
#include "shell/config.h"
#include "shell/shell.h"
#include "shell/window.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

// The reader fills the shell's and the window's records; the fuzzer owns them here.
ShellState Shell;
WindowState Window;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DisplayConfigReset();
    Shell = ShellState{};
    ParseConfigText(std::string(reinterpret_cast<const char*>(data), size));
    for (const char* path : {DisplayConfig.PlanPath, DisplayConfig.Du2Path, DisplayConfig.Du3Path})
        if (std::strlen(path) >= ConfigPathMax)
            std::abort();
    // Round trip: the window keeps the position it was read with (as a headless one does).
    DisplayConfigState first = DisplayConfig;
    bool frameless = Shell.Frameless, bezel = Shell.BezelShown;
    int mode = Shell.ConfiguredMode;
    Window.PlacementX = first.X;
    Window.PlacementY = first.Y;
    std::string text = FormatConfigText(false);
    DisplayConfigReset();
    ParseConfigText(text);
    if (DisplayConfig.X != first.X || DisplayConfig.Y != first.Y || Shell.Frameless != frameless ||
        Shell.BezelShown != bezel || (Shell.ConfiguredMode != 0) != (mode != 0))
        std::abort();
    return 0;
}
