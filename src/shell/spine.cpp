// Program spine (being built): shell state and the entry the program calls.
#include "shell/options.h"
#include "shell/shell.h"

#include <cstdio>

ShellState Shell;

void ShellReset()
{
    Shell = ShellState{};
}

int RunProgram(const ProgramOptions& options)
{
    std::fprintf(stderr, "orvex: the display spine is not built yet\n");
    return 1;
}
