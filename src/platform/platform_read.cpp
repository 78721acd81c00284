// Bounded whole-file reads for every file the program reads in one go (navigation data,
// MFD.ini, accfg.ini, the bezel pictures, flight timelines, input scripts).
// Owns: nothing.
#include "platform/platform.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static bool ReadRegularFile(const char* path, size_t cap, bool refuseLonger, std::string* content, std::string* error)
{
    content->clear();
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    // O_NONBLOCK keeps the open of a FIFO with no writer from waiting; the type check
    // below then refuses it.
    int fd = open(PlatformPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(std::strerror(errno));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return fail("not a regular file");
    }
    if (static_cast<unsigned long long>(st.st_size) > cap && refuseLonger) {
        close(fd);
        return fail("larger than " + std::to_string(cap) + " bytes");
    }
    content->resize(static_cast<unsigned long long>(st.st_size) > cap ? cap : static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < content->size()) {
        ssize_t n = read(fd, content->data() + done, content->size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;   // the file shrank while we read it: keep what was there
        done += static_cast<size_t>(n);
    }
    content->resize(done);
    close(fd);
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
