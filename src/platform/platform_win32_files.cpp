// File services on Windows, with the rules the Linux files keep: every written file goes
// through a fresh temporary beside it (created exclusively, never through a link) that is
// flushed and then moved over the name; whole-file reads take only a regular disk file of
// bounded size; listings hold plain files only.
// Owns: the table of output streams being written.
#include "platform/platform.h"
#include "platform/platform_win32.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

std::string Win32ErrorText(DWORD code)
{
    char buffer[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                             sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "error " + std::to_string(code) : text;
}

bool Win32ProcessAlive(unsigned long pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;   // exists, but not ours to ask
    DWORD code = 0;
    bool alive = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return alive;
}

std::string PlatformPath(const char* windowsPath)
{
    // Forward slashes become backslashes and a doubled separator inside the path counts once
    // ("textures//MFD_Overlay.tga"); a leading "\\" (a network share, "\\.\" devices) stays.
    std::string in = windowsPath ? windowsPath : "";
    std::replace(in.begin(), in.end(), '/', '\\');
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\\' && i > 1 && in[i - 1] == '\\')
            continue;
        out.push_back(in[i]);
    }
    return out;
}

bool PlatformChangeDirectory(const char* dir)
{
    return dir && SetCurrentDirectoryA(PlatformPath(dir).c_str());
}

bool PlatformRemoveFile(const char* path)
{
    return DeleteFileA(PlatformPath(path).c_str()) != 0;
}

bool PlatformPathExists(const char* path)
{
    return GetFileAttributesA(PlatformPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\:");
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash + (path[slash] == ':' || slash == 0 ? 1 : 0));
}

std::string BaseOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Temporaries are named "<base>.tmp.<pid>.<n>"; those whose process has ended are left over
// from a crash or a kill and are removed (a planted link is removed itself, never followed).
void RemoveStaleTemporaries(const std::string& target)
{
    const std::string folder = FolderOf(target), prefix = BaseOf(target) + ".tmp.";
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\" + prefix + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const char* tail = found.cFileName + prefix.size();
        char* end = nullptr;
        unsigned long pid = std::strtoul(tail, &end, 10);
        if (end == tail || *end != '.' || pid == 0 || Win32ProcessAlive(pid))
            continue;
        DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

unsigned TemporaryCounter = 0;

// A fresh temporary beside `target`, open for writing; INVALID_HANDLE_VALUE on failure.
// CREATE_NEW refuses any existing name, a link included. FILE_SHARE_DELETE lets the stream
// that must take its name at once be moved while it is open.
HANDLE CreateTemporary(const std::string& target, std::string* temp)
{
    RemoveStaleTemporaries(target);
    for (int attempt = 0; attempt < 16; ++attempt) {
        *temp = target + ".tmp." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++TemporaryCounter);
        HANDLE h = CreateFileA(temp->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return h;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE h, const char* data, size_t size)
{
    while (size > 0) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

// Moving over the name replaces whatever had it (a planted link is replaced, not followed);
// MOVEFILE_WRITE_THROUGH returns once the move is on disk.
bool MoveIntoPlace(const std::string& temp, const std::string& target)
{
    return MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

struct OpenOutput {
    FILE* file = nullptr;
    std::string temp, target;
    bool placed = false;
    bool direct = false;   // a device or pipe written into as it is
};
constexpr int OutputSlots = 16;
OpenOutput Outputs[OutputSlots];

FILE* StreamFromHandle(HANDLE h)
{
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    FILE* file = _fdopen(fd, "wb");
    if (!file)
        _close(fd);
    return file;
}

} // namespace

bool PlatformWriteFileAtomic(const char* path, const std::string& content)
{
    std::string target = PlatformPath(path), temp;
    HANDLE h = CreateTemporary(target, &temp);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    // On disk before the move makes it the file, or a power cut could leave it empty.
    bool ok = WriteAll(h, content.data(), content.size());
    ok = FlushFileBuffers(h) && ok;
    ok = CloseHandle(h) && ok;
    if (!ok || !MoveIntoPlace(temp, target)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

bool PlatformAppendFile(const char* path, const std::string& text)
{
    std::string target = PlatformPath(path);
    // A link in the file's place is refused, not followed (FILE_FLAG_OPEN_REPARSE_POINT opens
    // the link itself, and its attributes tell it apart).
    HANDLE h = CreateFileA(target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
              GetFileType(h) == FILE_TYPE_DISK;
    ok = ok && WriteAll(h, text.data(), text.size());
    return CloseHandle(h) && ok;
}

FILE* PlatformOpenOutput(const char* path, bool visibleAtOnce)
{
    int slot = 0;
    while (slot < OutputSlots && Outputs[slot].file)
        ++slot;
    if (slot == OutputSlots)
        return nullptr;
    OpenOutput& out = Outputs[slot];
    out = OpenOutput{};
    out.target = PlatformPath(path);

    // A device or pipe the user names ("NUL", "CON", "\\.\pipe\trace") is written into as
    // it is; a folder is never written.
    DWORD attributes = GetFileAttributesA(out.target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    HANDLE existing = CreateFileA(out.target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (existing != INVALID_HANDLE_VALUE) {
        DWORD type = GetFileType(existing);
        if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
            out.file = StreamFromHandle(existing);
            out.placed = out.direct = out.file != nullptr;
            return out.file;
        }
        CloseHandle(existing);
    }

    HANDLE h = CreateTemporary(out.target, &out.temp);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    // A stream others follow while it grows (the state dump) takes its name at once.
    if (visibleAtOnce) {
        if (!MoveIntoPlace(out.temp, out.target)) {
            CloseHandle(h);
            DeleteFileA(out.temp.c_str());
            return nullptr;
        }
        out.placed = true;
    }
    out.file = StreamFromHandle(h);
    if (!out.file)
        DeleteFileA((out.placed ? out.target : out.temp).c_str());
    return out.file;
}

bool PlatformCloseOutput(FILE* file, bool keep)
{
    OpenOutput* out = nullptr;
    for (OpenOutput& o : Outputs)
        if (file && o.file == file)
            out = &o;
    if (!out)
        return false;
    bool ok = std::fflush(file) == 0;
    if (!out->direct)
        ok = FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) && ok;
    ok = std::fclose(file) == 0 && ok;
    out->file = nullptr;
    if (out->placed)
        return ok;   // already under its name; a stream is kept even when cut short
    if (!keep || !ok || !MoveIntoPlace(out->temp, out->target)) {
        DeleteFileA(out->temp.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> PlatformListDirectory(const char* dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((PlatformPath(dir) + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
            names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// ---------------------------------------------------------------------------------------
// Bounded whole-file reads
// ---------------------------------------------------------------------------------------

static bool ReadRegularFile(const char* path, size_t cap, bool refuseLonger, std::string* content, std::string* error)
{
    content->clear();
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    // Opening a folder needs FILE_FLAG_BACKUP_SEMANTICS, so a folder fails here or below;
    // a pipe or device opens, and its type refuses it before anything is read.
    HANDLE h = CreateFileA(PlatformPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        return fail(code == ERROR_ACCESS_DENIED && PlatformIsFolder(PlatformPath(path).c_str()) ? "not a regular file"
                                                                                                 : Win32ErrorText(code));
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(h);
        return fail("not a regular file");
    }
    unsigned long long size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > cap && refuseLonger) {
        CloseHandle(h);
        return fail("larger than " + std::to_string(cap) + " bytes");
    }
    content->resize(size > cap ? cap : static_cast<size_t>(size));
    size_t done = 0;
    while (done < content->size()) {
        size_t want = content->size() - done;
        DWORD chunk = want > (1u << 30) ? (1u << 30) : static_cast<DWORD>(want), got = 0;
        if (!ReadFile(h, content->data() + done, chunk, &got, nullptr) || got == 0)
            break;   // the file shrank while we read it: keep what was there
        done += got;
    }
    content->resize(done);
    CloseHandle(h);
    return true;
}

bool PlatformReadWholeFile(const char* path, size_t cap, std::string* content, std::string* error)
{
    return ReadRegularFile(path, cap, true, content, error);
}

bool PlatformReadFileStart(const char* path, size_t cap, std::string* content, std::string* error)
{
    return ReadRegularFile(path, cap, false, content, error);
}

// The unit folder's lock: a file opened with no sharing, held until the process ends (the
// system closes the handle then, so a unit that crashed never leaves its folder locked).
bool PlatformHoldLock(const char* path, std::string* why)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        return true;   // deliberately never closed
    if (why) {
        DWORD error = GetLastError();
        *why = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
                   ? "another process holds it"
                   : "it cannot be made (error " + std::to_string(error) + ")";
    }
    return false;
}
