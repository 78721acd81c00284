// Program entry of the display unit. Options only add what Linux users and tests need;
// started with none in its installation folder the program behaves as the cockpit unit does.
#include "shell/options.h"
#include "cockpit/cockpit.h"
#include "shell/shell.h"

int main(int argc, char** argv)
{
    ProgramOptions options;
    int parseResult = 0;
    if (!ParseProgramOptions(argc, argv, &options, &parseResult))
        return parseResult;
    return RunProgram(options);
}
