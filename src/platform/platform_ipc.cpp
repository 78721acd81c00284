// The simulator module's transport on Linux: runtime folder, module "windows" as
// AF_UNIX sequenced-packet sockets, registered messages, atoms, and the block as anonymous
// memory handed to the module over its socket.
// Owns: the process's atom table, its blocks and the request sequence counter. Reads: the
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

static std::string RuntimeDirChoice()
{
    const char* env = std::getenv("ORVEX_RUNTIME_DIR");
    if (env && *env)
        return env;
    if ((env = std::getenv("XDG_RUNTIME_DIR")) && *env)
        return std::string(env) + "/orvex";
    return "/tmp/orvex-" + std::to_string(getuid());
}

// Makes `dir` (when missing) and checks it is a private folder of ours; empty when it is,
// else why not. In a shared /tmp someone else could have made the folder first, or a link
// to elsewhere: it is used only when it is a real folder of ours, and kept private.
static std::string RuntimeDirProblem(const std::string& dir)
{
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return "cannot make the runtime folder " + dir + ": " + std::strerror(errno);
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0)
        return "cannot use the runtime folder " + dir + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode))
        return "the runtime folder " + dir + " is not a folder (a link or a file is in its place)";
    if (st.st_uid != getuid())
        return "the runtime folder " + dir + " belongs to another user (uid " + std::to_string(st.st_uid) +
               "); set ORVEX_RUNTIME_DIR to a folder of your own";
    if ((st.st_mode & 077) != 0 && chmod(dir.c_str(), 0700) != 0)
        return "cannot make the runtime folder " + dir + " private: " + std::strerror(errno);
    return "";
}

std::string PlatformRuntimeDir()
{
    std::string dir = RuntimeDirChoice();
    return RuntimeDirProblem(dir).empty() ? dir : "";
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

std::string PlatformModuleUnreachableReason(const char* className)
{
    std::string dir = RuntimeDirChoice();
    if (std::string problem = RuntimeDirProblem(dir); !problem.empty())
        return problem;
    std::string path = dir + "/" + className;
    sockaddr_un address;
    if (!SocketAddress(className, &address))
        return "the socket path " + path + " is too long";
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? "" : path + ": " + std::strerror(errno);
    if (!S_ISSOCK(st.st_mode))
        return path + " is not a socket";
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return std::string("cannot make a socket: ") + std::strerror(errno);
    int failure = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? 0 : errno;
    close(fd);
    // Refused: a socket left by a module that has ended; busy: one that is there but slow.
    if (failure == 0 || failure == ECONNREFUSED || failure == EAGAIN)
        return "";
    return path + ": " + std::strerror(failure);
}

static void ForgetHandovers(int window);
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
    ForgetHandovers(window);  // a new connection gets the descriptors again
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

// The client's blocks. A block is anonymous memory (memfd_create; an unlinked file in the
// private runtime folder where the kernel has none): no other process can find it by
// name, so no other user can take its name first or open it. Its name lives only here,
// beside the descriptor, and travels in each request as the protocol's atom does; the
// descriptor itself goes to the module once per connection, in the first request that
// names the block.
//
// The block is mapped once when it is made, and requests and answers are copied through
// that view: two memory copies instead of a pwrite and a pread, each a system call worth
// some 1.5 us of an exchange's 30. A module may still cut the object short while we copy
// (only a misbehaving one does); the pages past its new end then raise SIGBUS, which the
// copy catches and reports as a failed transfer, as a short pread would. The signal is
// taken only inside such a copy; anywhere else the handler that was there before (the
// default: end the program) has it.
namespace {
struct ClientBlock {
    int mapping = -1;
    unsigned char* view = nullptr;  // nullptr: copied through the descriptor
    uint32_t size = 0;
    int handedTo = -1;              // the module socket that holds our descriptor
    char name[PlatformBlockNameMax] = {};
};
constexpr int ClientBlockSlots = 16;
ClientBlock ClientBlocks[ClientBlockSlots];

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

ClientBlock* FindClientBlock(int mapping)
{
    for (ClientBlock& b : ClientBlocks)
        if (b.mapping >= 0 && b.mapping == mapping)
            return &b;
    return nullptr;
}

ClientBlock* FindClientBlockByName(const char* name)
{
    for (ClientBlock& b : ClientBlocks)
        if (b.mapping >= 0 && std::strcmp(b.name, name) == 0)
            return &b;
    return nullptr;
}

// Anonymous memory of our own: a memory file, else an unlinked file in the runtime folder.
int CreateAnonymousMemory(const char* name)
{
    int fd = memfd_create(name, MFD_CLOEXEC);
    if (fd >= 0 || errno != ENOSYS)
        return fd;
    std::string dir = PlatformRuntimeDir();
    if (dir.empty())
        return -1;
    return open(dir.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
}
} // namespace

static void ForgetHandovers(int window)
{
    for (ClientBlock& b : ClientBlocks)
        if (window >= 0 && b.handedTo == window)
            b.handedTo = -1;
}

int PlatformCreateMapping(const char* name, uint32_t size)
{
    // A name already in use by this process fails, as a named mapping that exists already
    // does; the names of other processes are none of our business any more.
    size_t length = std::strlen(name);
    if (length == 0 || length >= PlatformBlockNameMax || FindClientBlockByName(name))
        return -1;
    ClientBlock* slot = nullptr;
    for (ClientBlock& b : ClientBlocks)
        if (b.mapping < 0 && !slot)
            slot = &b;
    if (!slot)
        return -1;
    int fd = CreateAnonymousMemory(name);
    if (fd < 0)
        return -1;
    if (ftruncate(fd, size) != 0) {
        close(fd);
        return -1;
    }
    *slot = ClientBlock{};
    slot->mapping = fd;
    slot->size = size;
    std::memcpy(slot->name, name, length + 1);
    // Without a view (the map fails) the block goes through the descriptor.
    InstallBusHandler();
    if (BusHandlerInstalled) {
        void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (view != MAP_FAILED)
            slot->view = static_cast<unsigned char*>(view);
    }
    return fd;
}

int64_t PlatformMappingSize(int mapping)
{
    struct stat st;
    if (mapping < 0 || fstat(mapping, &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool PlatformPutBlock(int mapping, const void* data, uint32_t size)
{
    if (ClientBlock* b = FindClientBlock(mapping); b && b->view && size <= b->size)
        return GuardedCopy(b->view, data, size);
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
    if (ClientBlock* b = FindClientBlock(mapping); b && b->view && size <= b->size)
        return GuardedCopy(data, b->view, size);
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
    (void)name;  // the block has no name outside this process
    if (mapping < 0)
        return;
    if (ClientBlock* b = FindClientBlock(mapping)) {
        if (b->view)
            munmap(b->view, b->size);
        *b = ClientBlock{};
    }
    close(mapping);
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

// Sends one request; with handOver >= 0 that descriptor rides along (SCM_RIGHTS).
static bool SendRequest(int window, const unsigned char* request, size_t length, int handOver)
{
    iovec part{const_cast<unsigned char*>(request), length};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    if (handOver >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &handOver, sizeof(int));
    }
    // Never waits: a module that stopped reading has a full queue, and that is its failure.
    return sendmsg(window, &message, MSG_NOSIGNAL | MSG_DONTWAIT) == static_cast<ssize_t>(length);
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
    // The module learns the block itself from the first request that names it on this
    // connection; later requests carry only the name.
    ClientBlock* block = FindClientBlockByName(AtomNames[slot]);
    int handOver = block && block->handedTo != window ? block->mapping : -1;
    if (!SendRequest(window, request, RequestHeaderBytes + length, handOver))
        return false;
    if (handOver >= 0)
        block->handedTo = window;
    return true;
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
        *why = PlatformModuleUnreachableReason(className);
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
    iovec part{packet, sizeof packet};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    // Room for a few descriptors: a client may send more than the one we take, and every
    // one that arrives must be closed or it stays open here for good.
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    request->block = -1;
    ssize_t got = recvmsg(client, &message, MSG_DONTWAIT | MSG_TRUNC | MSG_CMSG_CLOEXEC);
    for (cmsghdr* c = got >= 0 ? CMSG_FIRSTHDR(&message) : nullptr; c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
            if (request->block < 0)
                request->block = fd;
            else
                close(fd);
        }
    }
    if (got < static_cast<ssize_t>(RequestHeaderBytes) || got >= static_cast<ssize_t>(sizeof packet)) {
        PlatformCloseBlock(request->block);
        request->block = -1;
        return false;
    }
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

void* PlatformMapBlock(int block, uint32_t size)
{
    // Only memory a client handed over reaches here; one that is too small would fault
    // on access, so its size is checked before it is mapped. (A client that shrinks its
    // own block afterwards can still fault the module: only the same user can, and only
    // to its own harm.)
    struct stat st;
    if (block < 0 || fstat(block, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < static_cast<off_t>(size))
        return nullptr;
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, block, 0);
    return view == MAP_FAILED ? nullptr : view;
}

void PlatformCloseBlock(int block)
{
    if (block >= 0)
        close(block);
}

bool PlatformResizeBlock(int block, uint32_t size)
{
    return block >= 0 && ftruncate(block, size) == 0;
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
