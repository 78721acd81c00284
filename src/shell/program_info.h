// The version and exit codes every Orvex program shares.
#pragma once

// The version as the window titles show it ("Orvex DU3 MFD - v1.0.0.4 build 203").
inline constexpr const char* OrvexVersionText = "v1.0.0.4 build 203";

// Exit code of a bad command line, a bad input script or an unusable installation folder.
inline constexpr int ExitUsage = 2;
// Exit code of a display-unit run whose screenshot or trace could not be written.
inline constexpr int ExitOutputFailed = 3;
// Exit code of a display unit whose installation is incomplete: a bezel picture missing or
// unusable (the unit cannot run without it).
inline constexpr int ExitNotInstalled = 4;
