// Which folder the display unit runs in. The unit reads and writes MFD.ini, accfg.ini and
// error.log in its working folder, so an installed program (the run-time files under
// PREFIX/share/orvex) started somewhere unrelated or read-only runs in a per-user unit
// folder instead, seeded from the shared files on its first run.
#pragma once

#include <string>

struct UnitFolderChoice {
    std::string Folder;     // where to run; empty: stay in the working folder
    bool Announce = false;  // an installed program: where it runs is said on standard output
    std::string Error;      // why no usable folder exists (the program then exits 2)
};

// `dir` is --dir (absolute or empty), `unit` 2 or 3 from --unit.
UnitFolderChoice ChooseUnitFolder(const std::string& dir, int unit);

// The shared run-time files of an installed program (PREFIX/share/orvex beside PREFIX/bin),
// or empty when the program runs from a build or a unit folder of its own.
std::string InstalledShareDir();

// The MFD.ini a per-user folder starts with: the default file, with this unit's number and
// both units' per-user folders filled in so the two find each other.
std::string PerUserConfigText(int unit, const std::string& du2, const std::string& du3);
