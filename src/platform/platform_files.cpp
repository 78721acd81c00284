// File-system services: Windows-style paths to Linux paths, the one safe writer of every
// file the programs write, file removal and the plan folder listing.
// Owns: the table of output streams being written.
#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

// ---------------------------------------------------------------------------------------
// The one way the programs write files
// ---------------------------------------------------------------------------------------
// A unit folder may be writable by others (a shared cockpit installation), so nothing is
// ever opened for writing by a name that could already exist: each file is written into a
// fresh temporary beside it, created exclusively and never through a symbolic link, made
// durable, and renamed over the name. A link or file planted under the temporary's name
// makes the creation fail (and another name is tried); one planted under the file's own
// name is replaced, never followed. Appends (error.log) open the file itself, but never
// through a link.

namespace {

struct PathParts {
    std::string folder;  // "." for a bare name
    std::string base;
};

PathParts SplitPath(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The temporaries of `base` are named "<base>.tmp.<pid>.<n>"; those of processes that no
// longer exist are left over from a crash or a kill and are removed.
void RemoveStaleTemporaries(const PathParts& parts)
{
    DIR* d = opendir(parts.folder.c_str());
    if (!d)
        return;
    const std::string prefix = parts.base + ".tmp.";
    while (dirent* e = readdir(d)) {
        const char* name = e->d_name;
        if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0)
            continue;
        char* end = nullptr;
        long pid = std::strtol(name + prefix.size(), &end, 10);
        if (end == name + prefix.size() || *end != '.' || pid <= 0)
            continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        unlinkat(dirfd(d), name, 0);  // a planted link is removed itself, its target untouched
    }
    closedir(d);
}

unsigned TemporaryCounter = 0;

// Creates a fresh temporary beside `target`; its descriptor, -1 on failure.
int CreateTemporary(const std::string& target, std::string* temp)
{
    PathParts parts = SplitPath(target);
    RemoveStaleTemporaries(parts);
    for (int attempt = 0; attempt < 16; ++attempt) {
        *temp = target + ".tmp." + std::to_string(getpid()) + "." + std::to_string(++TemporaryCounter);
        int fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST && errno != ELOOP)
            return -1;
    }
    return -1;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The rename made durable: the folder's entry is flushed too.
void SyncFolder(const std::string& target)
{
    int dir = open(SplitPath(target).folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

// Streams being written (text traces, state dumps, screenshots): the FILE, its temporary
// and its final name. A stream shown at once has been renamed into place already.
struct OpenOutput {
    FILE* file = nullptr;
    std::string temp, target;
    bool placed = false;
    bool direct = false;   // a pipe or terminal written into as it is
};
constexpr int OutputSlots = 16;
OpenOutput Outputs[OutputSlots];

}  // namespace

bool PlatformWriteFileAtomic(const char* path, const std::string& content)
{
    std::string target = PlatformPath(path);
    std::string temp;
    int fd = CreateTemporary(target, &temp);
    if (fd < 0)
        return false;
    // The data must be on disk before the rename makes it the file, or a power cut
    // could leave an empty file under the real name.
    bool ok = WriteAll(fd, content.data(), content.size());
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    SyncFolder(target);
    return true;
}

bool PlatformAppendFile(const char* path, const std::string& text)
{
    int fd = open(PlatformPath(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, text.data(), text.size());
    return close(fd) == 0 && ok;
}

FILE* PlatformOpenOutput(const char* path, bool visibleAtOnce)
{
    int slot = 0;
    while (slot < OutputSlots && Outputs[slot].file)
        ++slot;
    if (slot == OutputSlots)
        return nullptr;
    OpenOutput& out = Outputs[slot];
    out.target = PlatformPath(path);
    out.direct = false;
    // A FIFO or terminal the user names (a trace piped to another program, /dev/stdout) is
    // written into as it is: replacing it with a file would take a device or a pipe away
    // from the whole machine. A FIFO nobody reads yet is an error, not a hang. Any other
    // thing that is not a plain file (a folder, a disk) is never written.
    struct stat st;
    if (stat(out.target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (!S_ISCHR(st.st_mode) && !S_ISFIFO(st.st_mode))
            return nullptr;
        int fd = open(out.target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        out.file = fdopen(fd, "wb");
        if (!out.file) {
            close(fd);
            return nullptr;
        }
        out.placed = out.direct = true;
        return out.file;
    }
    int fd = CreateTemporary(out.target, &out.temp);
    if (fd < 0)
        return nullptr;
    // A stream that others follow while it grows (the state dump) takes its name at once,
    // as a new file of ours: whatever had the name before is replaced, never written into.
    out.placed = visibleAtOnce && rename(out.temp.c_str(), out.target.c_str()) == 0;
    if (visibleAtOnce && !out.placed) {
        close(fd);
        unlink(out.temp.c_str());
        return nullptr;
    }
    out.file = fdopen(fd, "wb");
    if (!out.file) {
        close(fd);
        unlink((out.placed ? out.target : out.temp).c_str());
        return nullptr;
    }
    return out.file;
}

static OpenOutput* FindOutput(FILE* file)
{
    for (OpenOutput& out : Outputs)
        if (file && out.file == file)
            return &out;
    return nullptr;
}

bool PlatformCloseOutput(FILE* file, bool keep)
{
    OpenOutput* out = FindOutput(file);
    if (!out)
        return false;
    bool ok = std::fflush(file) == 0;
    if (!out->direct)
        ok = fsync(fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    out->file = nullptr;
    if (out->placed)
        return ok;  // already under its name; a stream is kept even when cut short
    if (!keep || !ok || rename(out->temp.c_str(), out->target.c_str()) != 0) {
        unlink(out->temp.c_str());
        return false;
    }
    SyncFolder(out->target);
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

bool PlatformHoldLock(const char* path, std::string* why)
{
    // flock: released by the system when the process ends however it ends, so a unit that
    // crashed never leaves its folder locked. The descriptor stays open for the whole run.
    int fd = open(PlatformPath(path).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        *why = std::strerror(errno);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *why = errno == EWOULDBLOCK ? "another program holds it" : std::strerror(errno);
        close(fd);
        return false;
    }
    return true;
}
