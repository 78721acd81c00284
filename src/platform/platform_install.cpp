// Where an installed program finds its shared run-time files and the user's own unit
// folders: the program's own location, $XDG_DATA_HOME, and seeding a unit folder by copying.
// Owns: nothing.
#include "platform/platform.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

std::string PlatformExecutableDir()
{
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

std::string PlatformUserDataDir()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')   // a relative value is to be ignored, as the base-directory rules say
        return xdg;
    const char* home = std::getenv("HOME");
    return home && home[0] ? std::string(home) + "/.local/share" : std::string();
}

bool PlatformIsFolder(const char* path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool PlatformIsFile(const char* path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool PlatformPathExists(const char* path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(PlatformPath(path), error));
}

bool PlatformFolderWritable(const char* path)
{
    return access(path, W_OK | X_OK) == 0;
}

bool PlatformSeedFolder(const char* from, const char* to, std::string* error)
{
    std::error_code fault;
    fs::create_directories(to, fault);
    if (!fault)
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::skip_existing, fault);
    if (fault && error)
        *error = fault.message();
    return !fault;
}
