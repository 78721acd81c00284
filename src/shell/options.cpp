// Command-line parsing of the display unit with CLI11.
// Owns: nothing; fills a ProgramOptions record. File names given on the command line are
// made absolute against the caller's folder here, before --dir (or the per-user unit
// folder) changes the working folder, so "--input keys.txt" means the caller's keys.txt.
#include "shell/options.h"

#include "shell/command_line.h"
#include "shell/pacing.h"

#include <charconv>
#include <filesystem>

static void MakeAbsolute(std::string* path)
{
    if (path->empty())
        return;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(*path, error);
    if (!error)
        *path = absolute.lexically_normal().string();
}

static CLI::Validator WholeNumberAtLeastOne()
{
    return CLI::Validator(
        [](std::string& value) {
            long n = 0;
            auto [end, fault] = std::from_chars(value.data(), value.data() + value.size(), n);
            bool ok = fault == std::errc() && end == value.data() + value.size() && n >= 1;
            return ok ? std::string() : "must be a whole number of frames, 1 or more";
        },
        "N >= 1");
}

static void DefineOptions(CLI::App& app, ProgramOptions* options)
{
    CommandLineAddVersion(app, "orvex");
    app.add_option("--dir", options->Dir, "Run in DIR as the installation folder")->check(CLI::ExistingDirectory);
    app.add_option("--unit", options->Unit,
                   "Without --dir, outside an installation folder: use the per-user folder of display unit 2 "
                   "(EICAS) or 3 (MFD, the default) under $XDG_DATA_HOME/orvex")
        ->check(CLI::IsMember({2, 3}));
    app.add_flag("--headless", options->Headless, "Render offscreen (automatic when no display is available)");
    app.add_option("--frames", options->Frames, "End after N frames, as if the window had been closed")
        ->check(WholeNumberAtLeastOne());
    app.add_option("--screenshot", options->Screenshot,
                   "Write the client area as PNG after the last frame, and of the next frame on each SIGUSR1")->type_name("FILE");
    app.add_option("--text-trace", options->TextTrace, "Write one JSON line per drawn text")->type_name("FILE");
    app.add_option("--input", options->Input, "Feed scripted input events from FILE")->check(CLI::ExistingFile);
    app.add_option("--dump-state", options->DumpState, "Write the aircraft state once per frame as JSON lines")->type_name("FILE");
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
    app.add_option("--frame-log", options->FrameLog, "Write each frame's start and swap time as JSON lines")->type_name("FILE");
    app.footer("Exit codes: 0 window closed or Escape, 1 font missing, 2 bad command line, input script or "
               "installation folder, or another unit already running in the folder or as the same unit number, "
               "3 a screenshot or trace could not be written, 4 a bezel picture missing or unusable.");
}

bool ParseProgramOptions(int argc, char** argv, ProgramOptions* options, int* exitCode)
{
    CLI::App app{"Orvex display unit: plays display unit 2 (EICAS) or 3 (MFD) of a twin-engine "
                 "business jet. Started without options in its installation folder it reads "
                 "MFD.ini there and connects to the simulator module."};
    DefineOptions(app, options);
    int code = CommandLineParse(app, argc, argv, "orvex");
    if (code >= 0) {
        *exitCode = code;
        return false;
    }
    for (std::string* path : {&options->Dir, &options->Screenshot, &options->TextTrace, &options->Input,
                              &options->DumpState, &options->FrameLog})
        MakeAbsolute(path);
    return true;
}
