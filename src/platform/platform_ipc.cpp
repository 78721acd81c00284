// The simulator module's transport on Linux: runtime folder, module "windows" as
// AF_UNIX sequenced-packet sockets, registered messages, atoms, named shared memory.
// Owns: the process's atom table and the request sequence counter. Reads: the
// environment (ORVEX_RUNTIME_DIR, XDG_RUNTIME_DIR).
#include "platform/platform.h"

#include "platform/byte_order.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <setjmp.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// On the wire a request is three little-endian words (sequence, message, parameter)
// followed by the block's name without its terminator; an answer is two words
// (sequence, result). Sequenced packets keep each message whole.
static constexpr size_t RequestHeaderBytes = 12;
static constexpr size_t AnswerBytes = 8;

// ---------------------------------------------------------------------------------------
// Runtime folder
// ---------------------------------------------------------------------------------------

std::string PlatformRuntimeDir()
{
    std::string dir;
    const char* env = std::getenv("ORVEX_RUNTIME_DIR");
    if (env && *env) {
        dir = env;
    } else if ((env = std::getenv("XDG_RUNTIME_DIR")) && *env) {
        dir = std::string(env) + "/orvex";
    } else {
        dir = "/tmp/orvex-" + std::to_string(getuid());
    }
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return "";
    // In a shared /tmp someone else could have made the folder first, or a link to
    // elsewhere: use it only when it is a real folder of ours, and keep it private.
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        return "";
    if ((st.st_mode & 077) != 0 && chmod(dir.c_str(), 0700) != 0)
        return "";
    return dir;
}

int PlatformProcessId()
{
    return static_cast<int>(getpid());
}

static bool SocketAddress(const char* className, sockaddr_un* address)
{
    std::string dir = PlatformRuntimeDir();
    if (dir.empty())
        return false;
    std::string path = dir + "/" + className;
    if (path.size() >= sizeof address->sun_path)
        return false;
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// ---------------------------------------------------------------------------------------
// Client side
// ---------------------------------------------------------------------------------------

static int TimeoutSocket = -1;    // the socket whose receive time-out is TimeoutMicros
static long TimeoutMicros = -1;

int PlatformFindModuleWindow(const char* className)
{
    sockaddr_un address;
    if (!SocketAddress(className, &address))
        return -1;
    // The connect itself must not wait: a module that is stopped (or hung) still has its
    // socket listening, and once its queue of waiting connections is full a blocking
    // connect would hang the caller's frame. Sends and receives wait only as long as each
    // call asks for, so the socket goes back to blocking once connected.
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return -1;
    }
    if (fd == TimeoutSocket)
        TimeoutSocket = -1;
    return fd;
}

void PlatformForgetModuleWindow(int window)
{
    if (window == TimeoutSocket)
        TimeoutSocket = -1;  // the number may come back for another socket
    if (window >= 0)
        close(window);
}

uint32_t PlatformRegisterMessage(const char* name)
{
    // Windows hands out registered messages in 0xC000..0xFFFF, the same number to every
    // process that registers the same name; a hash of the name into that range does it.
    if (!name || !*name)
        return 0;
    uint32_t hash = 2166136261u;
    for (const char* c = name; *c; ++c)
        hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
    return 0xC000 + (hash % 0x4000);
}

// Atoms are process-local here: the module learns the name from each request.
static constexpr int AtomSlots = 16;
static char AtomNames[AtomSlots][PlatformBlockNameMax];

uint16_t PlatformAddAtom(const char* name)
{
    size_t length = std::strlen(name);
    if (length == 0 || length >= PlatformBlockNameMax)
        return 0;
    for (int i = 0; i < AtomSlots; ++i) {
        if (AtomNames[i][0] == 0) {
            std::memcpy(AtomNames[i], name, length + 1);
            return static_cast<uint16_t>(0xC000 + i);
        }
    }
    return 0;
}

void PlatformDeleteAtom(uint16_t atom)
{
    int slot = atom - 0xC000;
    if (slot >= 0 && slot < AtomSlots)
        AtomNames[slot][0] = 0;
}

static std::string ShmName(const char* name)
{
    return std::string("/") + name;
}

// The client's own block is mapped once when it is made, and requests and answers are
// copied through that view: two memory copies instead of a pwrite and a pread, each a
// system call worth some 1.5 us of an exchange's 30. A module may still cut the object
// short while we copy (only a misbehaving one does); the pages past its new end then raise
// SIGBUS, which the copy catches and reports as a failed transfer, as a short pread would.
// The signal is taken only inside such a copy; anywhere else the handler that was there
// before (the default: end the program) has it.
namespace {
struct ClientView {
    int mapping = -1;
    unsigned char* view = nullptr;
    uint32_t size = 0;
};
ClientView ClientViews[4];

// Volatile: the handler reads it, so its stores must stay on either side of the copy.
thread_local sigjmp_buf* volatile CopyJump = nullptr;
struct sigaction PreviousBusAction;
bool BusHandlerInstalled = false;

void OnBusError(int signal, siginfo_t* info, void* context)
{
    if (CopyJump)
        siglongjmp(*CopyJump, 1);
    // Not a block copy: as if we had never been here. Returning runs the faulting access
    // again, under the handler it would have had.
    sigaction(SIGBUS, &PreviousBusAction, nullptr);
    (void)signal, (void)info, (void)context;
}

void InstallBusHandler()
{
    if (BusHandlerInstalled)
        return;
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    // No deferral: the jump out of the handler leaves SIGBUS unblocked without saving and
    // restoring the signal mask around every copy (a system call each).
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    BusHandlerInstalled = sigaction(SIGBUS, &action, &PreviousBusAction) == 0;
}

bool GuardedCopy(void* to, const void* from, uint32_t size)
{
    sigjmp_buf jump;
    if (sigsetjmp(jump, 0) != 0) {
        CopyJump = nullptr;
        return false;
    }
    CopyJump = &jump;
    std::memcpy(to, from, size);
    CopyJump = nullptr;
    return true;
}

ClientView* FindClientView(int mapping)
{
    for (ClientView& v : ClientViews)
        if (v.view && v.mapping == mapping)
            return &v;
    return nullptr;
}
} // namespace

int PlatformCreateMapping(const char* name, uint32_t size)
{
    // Exclusive creation: a name that exists already fails the open, as on Windows.
    int fd = shm_open(ShmName(name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (ftruncate(fd, size) != 0) {
        close(fd);
        shm_unlink(ShmName(name).c_str());
        return -1;
    }
    // Without a view (none free, or the map fails) the block goes through the descriptor.
    InstallBusHandler();
    for (ClientView& v : ClientViews) {
        if (v.view || !BusHandlerInstalled)
            continue;
        void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (view != MAP_FAILED)
            v = {fd, static_cast<unsigned char*>(view), size};
        break;
    }
    return fd;
}

int64_t PlatformMappingSize(int mapping)
{
    // An object whose name was removed or given to another object has no links left:
    // whatever the module now serves under the name, it is not this block.
    struct stat st;
    if (mapping < 0 || fstat(mapping, &st) != 0 || st.st_nlink == 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool PlatformPutBlock(int mapping, const void* data, uint32_t size)
{
    if (ClientView* v = FindClientView(mapping); v && size <= v->size)
        return GuardedCopy(v->view, data, size);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    uint32_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(mapping, bytes + done, size - done, done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<uint32_t>(n);
    }
    return true;
}

bool PlatformGetBlock(int mapping, void* data, uint32_t size)
{
    if (ClientView* v = FindClientView(mapping); v && size <= v->size)
        return GuardedCopy(data, v->view, size);
    unsigned char* bytes = static_cast<unsigned char*>(data);
    uint32_t done = 0;
    while (done < size) {
        ssize_t n = pread(mapping, bytes + done, size - done, done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;  // 0: the object ends early, someone cut it short
        done += static_cast<uint32_t>(n);
    }
    return true;
}

void PlatformUnmapView(void* view, uint32_t size)
{
    if (view)
        munmap(view, size);
}

void PlatformCloseMapping(int mapping, const char* name)
{
    if (mapping < 0)
        return;
    if (ClientView* v = FindClientView(mapping)) {
        munmap(v->view, v->size);
        *v = ClientView{};
    }
    close(mapping);
    shm_unlink(ShmName(name).c_str());
}

void PlatformRemoveStaleMappings(const char* prefix)
{
    // Shared memory objects live in /dev/shm as plain files. Only names of our own scheme
    // (prefix, then the creator's process id in hexadecimal, then ':'), only objects of
    // this user, and only when that process no longer exists.
    DIR* d = opendir("/dev/shm");
    if (!d)
        return;
    size_t prefixLength = std::strlen(prefix);
    while (dirent* e = readdir(d)) {
        const char* name = e->d_name;
        if (std::strncmp(name, prefix, prefixLength) != 0)
            continue;
        char* end = nullptr;
        unsigned long pid = std::strtoul(name + prefixLength, &end, 16);
        if (end == name + prefixLength || *end != ':' || pid == 0 || pid > 0x3FFFFFFF)
            continue;
        struct stat st;
        if (fstatat(dirfd(d), name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != getuid())
            continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        shm_unlink(ShmName(name).c_str());
    }
    closedir(d);
}

static uint32_t RequestSequence = 0;

// The receive time-out of the module socket, set only when it changes: in the usual case
// it is the same for every exchange, and the exchange is then one send and one blocking
// receive, with no poll in between.
static bool SetReceiveTimeout(int window, long micros)
{
    if (window == TimeoutSocket && micros == TimeoutMicros)
        return true;
    timeval tv{static_cast<time_t>(micros / 1000000), static_cast<suseconds_t>(micros % 1000000)};
    if (setsockopt(window, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0)
        return false;
    TimeoutSocket = window;
    TimeoutMicros = micros;
    return true;
}

bool PlatformPostMessage(int window, uint32_t message, uint16_t atom, uint32_t param, uint32_t* sequence, int, int)
{
    int slot = atom - 0xC000;
    if (window < 0 || slot < 0 || slot >= AtomSlots || AtomNames[slot][0] == 0)
        return false;
    unsigned char request[RequestHeaderBytes + PlatformBlockNameMax];
    *sequence = ++RequestSequence;
    PutWord(request, *sequence);
    PutWord(request + 4, message);
    PutWord(request + 8, param);
    size_t length = std::strlen(AtomNames[slot]);
    std::memcpy(request + RequestHeaderBytes, AtomNames[slot], length);
    // Never waits: a module that stopped reading has a full queue, and that is its failure.
    ssize_t sent = send(window, request, RequestHeaderBytes + length, MSG_NOSIGNAL | MSG_DONTWAIT);
    return sent == static_cast<ssize_t>(RequestHeaderBytes + length);
}

// Waits for the answer to `sequence`; answers to earlier requests that timed out are
// read and dropped on the way, and the wait for the right one goes on for what is left.
int PlatformAwaitAnswer(int window, uint32_t sequence, int timeoutMs, uint32_t* result)
{
    if (window < 0)
        return -1;
    double deadline = PlatformMillis() + timeoutMs;
    long micros = static_cast<long>(timeoutMs) * 1000;
    for (;;) {
        unsigned char answer[AnswerBytes];
        ssize_t got;
        if (micros <= 0) {
            got = recv(window, answer, sizeof answer, MSG_DONTWAIT);
        } else {
            if (!SetReceiveTimeout(window, micros))
                return -1;
            got = recv(window, answer, sizeof answer, 0);
        }
        if (got == 0)
            return -1;  // the module has gone
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return 0;  // the time is up
            if (errno != EINTR)
                return -1;
        }
        if (got == static_cast<ssize_t>(AnswerBytes) && GetWord(answer) == sequence) {
            *result = GetWord(answer + 4);
            return 1;
        }
        micros = static_cast<long>((deadline - PlatformMillis()) * 1000);
        if (micros <= 0 && timeoutMs > 0)
            return 0;
    }
}

// ---------------------------------------------------------------------------------------
// Module side
// ---------------------------------------------------------------------------------------

int PlatformModuleListen(const char* className, std::string* why)
{
    sockaddr_un address;
    if (!SocketAddress(className, &address)) {
        std::string dir = PlatformRuntimeDir();
        *why = dir.empty() ? "the runtime folder cannot be made private to this user"
                           : "the socket path " + dir + "/" + className + " is too long";
        return -1;
    }
    int probe = PlatformFindModuleWindow(className);
    if (probe >= 0) {
        close(probe);
        *why = std::string("another module already answers at ") + address.sun_path;
        return -1;
    }
    unlink(address.sun_path);  // a stale socket of a module that died
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        chmod(address.sun_path, 0600) != 0 || listen(fd, 64) != 0) {
        *why = std::string("cannot listen at ") + address.sun_path + ": " + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    return fd;
}

void PlatformModuleStopListening(int listener, const char* className)
{
    if (listener < 0)
        return;
    close(listener);
    sockaddr_un address;
    if (SocketAddress(className, &address))
        unlink(address.sun_path);
}

int PlatformModuleAccept(int listener)
{
    return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

int PlatformWaitReadable(const int* fds, bool* ready, int count, int timeoutMs)
{
    constexpr int MaxWait = 256;
    pollfd p[MaxWait];
    if (count > MaxWait)
        count = MaxWait;
    for (int i = 0; i < count; ++i)
        p[i] = pollfd{fds[i], POLLIN, 0};
    int n = poll(p, count, timeoutMs);
    for (int i = 0; i < count; ++i)
        ready[i] = n > 0 && (p[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    return n > 0 ? n : 0;
}

bool PlatformModuleReceive(int client, PlatformModuleRequest* request)
{
    unsigned char packet[RequestHeaderBytes + PlatformBlockNameMax];
    ssize_t got = recv(client, packet, sizeof packet, MSG_DONTWAIT | MSG_TRUNC);
    if (got < static_cast<ssize_t>(RequestHeaderBytes) || got >= static_cast<ssize_t>(sizeof packet))
        return false;
    request->sequence = GetWord(packet);
    request->message = GetWord(packet + 4);
    request->param = GetWord(packet + 8);
    size_t length = static_cast<size_t>(got) - RequestHeaderBytes;
    std::memcpy(request->blockName, packet + RequestHeaderBytes, length);
    request->blockName[length] = 0;
    return true;
}

bool PlatformModuleAnswer(int client, uint32_t sequence, uint32_t result)
{
    unsigned char answer[AnswerBytes];
    PutWord(answer, sequence);
    PutWord(answer + 4, result);
    return send(client, answer, sizeof answer, MSG_NOSIGNAL | MSG_DONTWAIT) == static_cast<ssize_t>(AnswerBytes);
}

int PlatformModuleClientPid(int client)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(client, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return -1;
    return static_cast<int>(credentials.pid);
}

void PlatformModuleDropClient(int client)
{
    if (client >= 0)
        close(client);
}

void* PlatformOpenMapping(const char* name, uint32_t size)
{
    // The block belongs to a client of the same user (0600); one that is too small
    // would fault on access, so its size is checked before it is mapped. (A client that
    // shrinks its own block afterwards can still fault the module: only the same user
    // can, and only to its own harm.)
    if (!name[0] || std::strchr(name, '/'))
        return nullptr;
    int fd = shm_open(ShmName(name).c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    struct stat st;
    void* view = nullptr;
    if (fstat(fd, &st) == 0 && st.st_size >= static_cast<off_t>(size))
        view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return view == MAP_FAILED ? nullptr : view;
}

bool PlatformResizeMappingName(const char* name, uint32_t size)
{
    if (!name[0] || std::strchr(name, '/'))
        return false;
    int fd = shm_open(ShmName(name).c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool ok = ftruncate(fd, size) == 0;
    close(fd);
    return ok;
}

bool PlatformReplaceMappingName(const char* name, uint32_t size)
{
    if (!name[0] || std::strchr(name, '/'))
        return false;
    shm_unlink(ShmName(name).c_str());
    int fd = shm_open(ShmName(name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = ftruncate(fd, size) == 0;
    close(fd);
    return ok;
}

static volatile int* TerminationFlag = nullptr;

static void OnTermination(int)
{
    if (TerminationFlag)
        *TerminationFlag = 1;
}

void PlatformCatchTermination(volatile int* flag)
{
    TerminationFlag = flag;
    struct sigaction action {};
    action.sa_handler = OnTermination;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

static volatile int* ScreenshotFlag = nullptr;

static void OnScreenshotSignal(int)
{
    if (ScreenshotFlag)
        *ScreenshotFlag = 1;
}

void PlatformCatchScreenshotSignal(volatile int* flag)
{
    ScreenshotFlag = flag;
    struct sigaction action {};
    action.sa_handler = OnScreenshotSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
}
