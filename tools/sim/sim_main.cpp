// orvex-sim entry: options, then the module's main loop.
// Owns: nothing beyond the parsed options.
#include "sim.h"

#include "shell/command_line.h"

#include <cstdio>

int main(int argc, char** argv)
{
    SimOptions options;
    CLI::App app{"orvex-sim: stand-in for the simulator's interface module, with a built-in flight"};
    app.add_option("--at", options.At, "start at this second of the flight")
        ->check(CommandLineNumberAbove(0, true, "0 or more seconds"));
    app.add_flag("--freeze", options.Freeze, "hold the flight still; poked values stay as poked");
    app.add_option("--rate", options.Rate, "flight seconds per wall-clock second")
        ->check(CommandLineNumberAbove(0, false, "a number above 0"));
    app.add_option("--flight", options.FlightFile, "timeline file to fly instead of the built-in flight");
    app.add_option("--sim-version", options.SimVersion, "simulator version code answered at 0x3308");
    app.add_option("--module-version", options.ModuleVersion, "module version answered at 0x3304");
    app.add_option("--class", options.WindowClass, "module window class to answer as (UIPCMAIN or FS98MAIN)")
        ->check(CLI::IsMember({"UIPCMAIN", "FS98MAIN"}));
    app.add_option("--traffic", options.Traffic,
                   "add a traffic target held at BEARING,RANGE,RELALT,VS from the own aircraft (true degrees, NM, "
                   "feet above us, ft/min), e.g. --traffic 30,1.5,400,-800; repeat for more")
        ->type_name("B,R,A,V");
    app.add_option("--route", options.RouteFile,
                   "fly the GPS route published under [ACTIVE_PLAN] in a display unit's accfg.ini (the last "
                   "line-based plan loaded on its FPLN page) instead of the flight's own waypoints");
    // The FlightGear bridge (sim_flightgear.cpp): packets from FlightGear instead of the flight.
    app.add_option("--flightgear", options.FlightGear,
                   "bridge FlightGear: take its generic-protocol packets (data/flightgear/Protocol/orvex.xml) on UDP "
                   "[HOST:]PORT instead of flying the built-in flight; HOST is the local address to listen on (all "
                   "interfaces without it); see docs/FLIGHTGEAR.md")
        ->type_name("[HOST:]PORT")
        ->excludes("--at", "--freeze", "--rate", "--flight", "--traffic");
    app.add_option("--flightgear-share", options.FlightGearShare,
                   "with --flightgear on two display computers fed by one FlightGear: send this computer's copy of the "
                   "shared flag byte 0x73D5 (master caution, warning, acknowledge, configuration notice) to FlightGear's "
                   "input for SLOT (1 or 2, protocol orvex-share1 or orvex-share2) at HOST:PORT, and take the other "
                   "computer's from FlightGear's packets; see docs/FLIGHTGEAR.md")
        ->type_name("SLOT:HOST:PORT")
        ->needs("--flightgear");
    app.footer(
        "Setting a value by hand: start with --freeze (the flight then writes nothing after its\n"
        "first publication) and poke the offset in the simulator's own encoding with orvex-panel,\n"
        "for example:\n"
        "  orvex-panel poke 0x0B7C 4 943718        left tank level, 8388608 = 100 % (here 11.25 %)\n"
        "  orvex-panel poke 0x08D8 4 11996         left hydraulic pressure, psi x 4 (2999 psi)\n"
        "  orvex-panel poke 0x2888 8 148 --float   left generator amperes, 8-byte float\n"
        "  orvex-panel poke 0x2EB0 8 -0.0349 --float  aileron trim, radians (L2.0)\n"
        "  orvex-panel poke 0x02C8 4 1301          vertical speed, m/s x 256 (cabin rate 100)\n"
        "Without --freeze the flight overwrites a poked value within 20 ms. A flight of your own\n"
        "(--flight FILE, keyframes per channel) sets values along a timeline instead."
        "\n\n"
        "Traffic by hand: --traffic places a target for the whole flight. With --freeze a target can also be\n"
               "poked into table slot N (after the flight's own targets; a change byte of 0 ends the table):\n"
               "  orvex-panel poke $((0xF080+40*N+4)) 4 LAT --float    latitude, degrees (0 = empty entry)\n"
               "  orvex-panel poke $((0xF080+40*N+8)) 4 LON --float    longitude, degrees\n"
               "  orvex-panel poke $((0xF080+40*N+12)) 4 FEET --float  altitude, feet\n"
               "  orvex-panel poke $((0xF080+40*N+20)) 2 FPM          vertical speed, signed (65536-FPM when down)\n"
               "  orvex-panel poke $((0xF008+N)) 1 C                   change byte: poke a new nonzero value last");
    std::string hostile;
    app.add_option("--hostile", hostile,
                   "misbehave as a broken module would, to try the display units' link: scribble (overwrite "
                   "request headers), shrink (cut the client's block short), late (answer past the time-out), "
                   "garbage (random bytes in every read), sizes (grow or cut the block)")
        ->check(CLI::IsMember({"scribble", "shrink", "late", "garbage", "sizes"}));
    app.add_flag("--show-names", options.ShowNames,
                 "print the module window class and registered message, then each block name as a client first "
                 "uses it");
    CommandLineAddVersion(app, "orvex-sim");
    if (int code = CommandLineParse(app, argc, argv, "orvex-sim"); code >= 0)
        return code;
#ifdef _WIN32
    // A client's block is a section that keeps its size while the client holds it: no
    // module can cut it short or swap it on Windows.
    if (hostile == "shrink" || hostile == "sizes") {
        std::fprintf(stderr, "orvex-sim: --hostile %s: a block cannot be resized under its client on Windows\n",
                     hostile.c_str());
        return 2;
    }
#endif
    if (!hostile.empty())
        SimParseHostileMode(hostile, &options.Hostile);
    return SimRun(options);
}
