// Command-line parsing of the display unit with CLI11.
// Owns: nothing; fills a ProgramOptions record.
#include "shell/options.h"

#include "shell/pacing.h"

#include <CLI/CLI.hpp>

#include <cstdlib>

bool ParseProgramOptions(int argc, char** argv, ProgramOptions* options, int* exitCode)
{
    CLI::App app{"Orvex display unit: plays display unit 2 (EICAS) or 3 (MFD) of a twin-engine "
                 "business jet. Started without options in its installation folder it reads "
                 "MFD.ini there and connects to the simulator module."};
    app.add_option("--dir", options->Dir, "Run in DIR as the installation folder")->check(CLI::ExistingDirectory);
    app.add_flag("--headless", options->Headless, "Render offscreen (automatic when no display is available)");
    app.add_option("--frames", options->Frames, "End after N frames, as if the window had been closed")
        ->check(CLI::Validator(
            [](std::string& value) {
                char* end = nullptr;
                long n = std::strtol(value.c_str(), &end, 10);
                return (end && *end == '\0' && n >= 1) ? std::string() : "must be a whole number of frames, 1 or more";
            },
            "N >= 1"));
    app.add_option("--screenshot", options->Screenshot, "Write the client area as PNG after the last frame, and of the next frame on each SIGUSR1");
    app.add_option("--text-trace", options->TextTrace, "Write one JSON line per drawn text");
    app.add_option("--input", options->Input, "Feed scripted input events from FILE")->check(CLI::ExistingFile);
    app.add_option("--dump-state", options->DumpState, "Write the aircraft state once per frame as JSON lines");
    app.add_option("--fps", options->Fps,
                   "Frames a second (default: the display's retrace, else 60; $ORVEX_FPS sets it too); "
                   "0 runs unpaced. A --frames run is unpaced unless this is given")
        ->check(CLI::Validator(
            [](std::string& value) {
                double rate = 0;
                return PacingParseRate(value.c_str(), &rate) ? std::string()
                                                             : "must be a frame rate from 0 (unpaced) to 1000 frames a second";
            },
            "0..1000"));
    app.add_option("--frame-log", options->FrameLog, "Write each frame's start and swap time as JSON lines");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        *exitCode = app.exit(e);
        return false;
    }
    return true;
}
