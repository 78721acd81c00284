// Choosing the unit's working folder: --dir; for a program run from a build, the folder it
// was started in; for an installed program, the folder it was started in only when that is
// a unit folder (it holds an MFD.ini), else $XDG_DATA_HOME/orvex/du2 or du3.
// Owns: nothing. Reads: the default MFD.ini text (config.cpp).
#include "shell/unit_folder.h"

#include "platform/platform.h"
#include "shell/config.h"

std::string InstalledShareDir()
{
    std::string bin = PlatformExecutableDir();
    if (bin.empty())
        return {};
    std::string share = bin + "/../share/orvex";
    return PlatformIsFolder((share + "/data").c_str()) ? share : std::string();
}

static void ReplaceOnce(std::string* text, const std::string& from, const std::string& to)
{
    size_t at = text->find(from);
    if (at != std::string::npos)
        text->replace(at, from.size(), to);
}

std::string PerUserConfigText(int unit, const std::string& du2, const std::string& du3)
{
    std::string text = FormatConfigText(true);
    if (unit == 2) {
        // The EICAS opens to the right of the MFD's default place, so the two do not overlap.
        ReplaceOnce(&text, "[X_POSITION,Y_POSISTION]\n100,100", "[X_POSITION,Y_POSISTION]\n600,100");
        ReplaceOnce(&text, "[MFD=0,EICAS=1]\n0", "[MFD=0,EICAS=1]\n1");
    }
    ReplaceOnce(&text, "[PATH_TO_DU2]\n\"c:\\\"", "[PATH_TO_DU2]\n\"" + du2 + "\"");
    ReplaceOnce(&text, "[PATH_TO_DU3]\n\"c:\\\"", "[PATH_TO_DU3]\n\"" + du3 + "\"");
    return text;
}

// A folder an installed program adopts as its unit folder without being told: one that is
// a unit folder already (it holds an MFD.ini beside the run-time files in data/) and takes
// the files the unit writes. A home with a data/ folder, or a source checkout, holds no
// MFD.ini and is never taken over.
static bool IsUnitFolder(const std::string& folder)
{
    return PlatformPathExists((folder + "/MFD.ini").c_str()) && PlatformIsFolder((folder + "/data").c_str()) &&
           PlatformFolderWritable(folder.c_str());
}

UnitFolderChoice ChooseUnitFolder(const std::string& dir, int unit)
{
    UnitFolderChoice choice;
    if (!dir.empty()) {
        choice.Folder = dir;
        return choice;
    }
    std::string share = InstalledShareDir();
    if (share.empty())
        return choice;   // a build's unit folder: run here as designed
    choice.Announce = true;
    if (IsUnitFolder("."))
        return choice;   // started in a unit folder: run here
    std::string base = PlatformUserDataDir();
    if (base.empty()) {
        choice.Error = "no per-user folder: neither XDG_DATA_HOME nor HOME is set (give --dir)";
        return choice;
    }
    std::string du2 = base + "/orvex/du2", du3 = base + "/orvex/du3";
    choice.Folder = unit == 2 ? du2 : du3;
    std::string error;
    // Seeding keeps files already there, so a user's edits and a newer MFD.ini survive; a
    // run-time file the user removed comes back.
    if (!PlatformSeedFolder(share.c_str(), choice.Folder.c_str(), &error)) {
        choice.Error = "cannot set up the unit folder " + choice.Folder + ": " + error;
        return choice;
    }
    std::string config = choice.Folder + "/MFD.ini";
    if (!PlatformIsFile(config.c_str()))
        PlatformWriteFileAtomic(config.c_str(), PerUserConfigText(unit, du2, du3));
    return choice;
}
