// Problems the user must hear of: one line on standard error and the same in error.log.
// Owns: the lines reported during this run (so a fresh error.log can start with them).
#include "shell/shell.h"

#include "platform/platform.h"

#include <cstdio>

static std::string ReportedThisRun;

void ReportProblem(const std::string& text)
{
    std::fprintf(stderr, "orvex: %s\n", text.c_str());
    ReportedThisRun += text + "\n";
    PlatformAppendFile("error.log", text + "\n");
}

void RestartErrorLog()
{
    PlatformRemoveFile("error.log");
    if (!ReportedThisRun.empty())
        PlatformAppendFile("error.log", ReportedThisRun);
}
