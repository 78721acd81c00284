// orvex-sim entry: options, then the module's main loop.
// Owns: nothing beyond the parsed options.
#include "sim.h"

#include <CLI/CLI.hpp>

int main(int argc, char** argv)
{
    SimOptions options;
    CLI::App app{"orvex-sim: stand-in for the simulator's interface module, with a built-in flight"};
    app.add_option("--at", options.At, "start at this second of the flight")->check(CLI::NonNegativeNumber);
    app.add_flag("--freeze", options.Freeze, "hold the flight still; poked values stay as poked");
    app.add_option("--rate", options.Rate, "flight seconds per wall-clock second")->check(CLI::PositiveNumber);
    app.add_option("--flight", options.FlightFile, "timeline file to fly instead of the built-in flight");
    app.add_option("--sim-version", options.SimVersion, "simulator version code answered at 0x3308");
    app.add_option("--module-version", options.ModuleVersion, "module version answered at 0x3304");
    app.add_option("--class", options.WindowClass, "module window class to answer as (UIPCMAIN or FS98MAIN)")
        ->check(CLI::IsMember({"UIPCMAIN", "FS98MAIN"}));
    CLI11_PARSE(app, argc, argv);
    return SimRun(options);
}
