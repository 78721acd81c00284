// Where the program finds itself and the user's own unit folders on Windows: the module's
// file name, %LOCALAPPDATA% (the per-user, per-machine application data folder), and
// seeding a unit folder by copying.
// Owns: nothing.
#include "platform/platform.h"
#include "platform/platform_win32.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

std::string PlatformExecutableDir()
{
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return std::string();
    std::string self(path, n);
    size_t slash = self.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : self.substr(0, slash);
}

std::string PlatformUserDataDir()
{
    // A cockpit's settings belong to this machine's displays, not to a roaming profile.
    for (const char* name : {"LOCALAPPDATA", "APPDATA"}) {
        const char* value = std::getenv(name);
        if (value && value[0])
            return value;
    }
    return std::string();
}

bool PlatformIsFolder(const char* path)
{
    DWORD attributes = GetFileAttributesA(PlatformPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PlatformIsFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(PlatformPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool PlatformFolderWritable(const char* path)
{
    // Access rights on Windows are lists, not bits: the honest answer is to try. The probe
    // deletes itself when closed.
    if (!PlatformIsFolder(path))
        return false;
    std::string probe = PlatformPath(path) + "\\.orvex-probe." + std::to_string(GetCurrentProcessId());
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

bool PlatformSeedFolder(const char* from, const char* to, std::string* error)
{
    std::error_code fault;
    fs::create_directories(PlatformPath(to), fault);
    if (!fault)
        fs::copy(PlatformPath(from), PlatformPath(to), fs::copy_options::recursive | fs::copy_options::skip_existing, fault);
    if (fault && error)
        *error = fault.message();
    return !fault;
}
