// File-system services: Windows-style paths to Linux paths, atomic replacement of the
// configuration files, file removal and the plan folder listing.
// Owns: nothing.
#include "platform/platform.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string PlatformPath(const char* windowsPath)
{
    std::string path = windowsPath ? windowsPath : "";
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool PlatformChangeDirectory(const char* dir)
{
    return dir && chdir(dir) == 0;
}

bool PlatformRemoveFile(const char* path)
{
    return unlink(PlatformPath(path).c_str()) == 0;
}

bool PlatformWriteFileAtomic(const char* path, const std::string& content)
{
    std::string target = PlatformPath(path);
    std::string temp = target + ".tmp." + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n <= 0) {
            close(fd);
            unlink(temp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    // The data must be on disk before the rename makes it the file, or a power cut
    // could leave an empty file under the real name.
    bool ok = fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> PlatformListDirectory(const char* dir)
{
    std::vector<std::string> names;
    std::string folder = PlatformPath(dir);
    DIR* d = opendir(folder.c_str());
    if (!d)
        return names;
    while (dirent* e = readdir(d)) {
        std::string full = folder + "/" + e->d_name;
        struct stat st;
        if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.push_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}
