// Every service the display unit takes from the operating system, in one list.
// The display unit keeps Windows conventions (window messages, virtual-key codes, outline
// font display lists, the simulator module's message protocol); on Linux the services behind
// them are SDL2, FreeType/fontconfig, libpng and POSIX, on Windows the system's own (Win32,
// WGL, GDI, winmm).
// Each backend is one file set: platform_win32_*.cpp (and platform_*_win32.cpp) build the
// Windows programs, every other platform_*.cpp the Linux ones. The file named in each section
// below is the Linux one; its Windows twin is platform_win32_<topic>.cpp (window, time, font,
// files, install, audio, process; png for the screenshot's encoder).
// Nothing outside src/platform/ includes SDL, FreeType, fontconfig, socket, mman or Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------
// Window, rendering context and events (platform_sdl.cpp)
// ---------------------------------------------------------------------------------------

// What the window procedure receives, reduced to the messages it handles.
enum class PlatformEventType {
    None,
    Close,        // the window's close button: posts the quit message
    Activate,     // focus or restore: `minimised` says whether the window is minimised
    KeyDown,      // `vk` is the Windows virtual-key code ('A'..'Z', '0'..'9', 0x1B Escape)
    KeyUp,
    LeftButton,   // x, y: client pixels, origin top left, y down
    Moved,        // x, y: outer top-left corner of the window on the screen
    Size,         // x, y: client width and height
};

struct PlatformEvent {
    PlatformEventType type = PlatformEventType::None;
    int vk = 0;
    int x = 0, y = 0;
    bool minimised = false;
};

// Picks the video driver: offscreen when headless is asked for or no display exists
// (one notice on standard error in the latter case). Returns false if SDL cannot start.
bool PlatformInitVideo(bool forceHeadless);
bool PlatformIsHeadless();

// Outcome of window creation, so the caller can show its message box.
enum class PlatformWindowResult { Ok, WindowFailed, ContextFailed, ActivateFailed };

// Creates the window with the given client size at the given outer position, framed or
// frameless, with an OpenGL 2.1 compatibility context (double buffer, 16-bit depth, no
// alpha) made current. Shows it and gives it the keyboard focus.
PlatformWindowResult PlatformCreateWindow(const char* title, int width, int height, int x, int y, bool frameless);
void PlatformSetTitle(const char* title);
const char* PlatformGetTitle();
void PlatformSetFrameless(bool frameless);       // keeps position and client size
void PlatformGetWindowPosition(int* x, int* y);  // outer top-left corner (placement record)
void PlatformGetClientSize(int* width, int* height);
void PlatformSwapBuffers();
// Swap interval: 1 waits for the display's vertical retrace, 0 swaps at once. False when
// the driver refuses; a driver may also accept 1 and not wait (the frame clock checks).
bool PlatformSetSwapInterval(int interval);
bool PlatformDestroyContext();                   // false when releasing failed
bool PlatformDestroyWindow();
void PlatformQuitVideo();

// Next waiting window event; scripted events pushed by the automation come first.
bool PlatformPollEvent(PlatformEvent* event);
void PlatformPushEvent(const PlatformEvent& event);

// Message boxes: an SDL message box on a display; on a headless run the text and
// caption go to standard error.
enum class PlatformIcon { Error, Exclamation, Information };
void PlatformMessageBox(const char* text, const char* caption, PlatformIcon icon);

// Writes the client area (the last frame drawn, back buffer) as a PNG. False on failure.
bool PlatformSaveScreenshot(const char* path);

// ---------------------------------------------------------------------------------------
// Time (platform_time.cpp)
// ---------------------------------------------------------------------------------------

// Wall-clock milliseconds since the program started, from a monotonic clock. Stands in
// for `clock()`, which on Linux would count processor time instead.
double PlatformMillis();
void PlatformSleepMs(int milliseconds);
// CLOCK_MONOTONIC in nanoseconds: the same clock in every process of the machine, so
// time stamps of the unit and the simulator stand-in can be compared.
int64_t PlatformMonotonicNs();
// Sleeps until the monotonic clock reaches deadlineNs (at once if it has); an absolute
// deadline, so the frame clock does not drift by the sleep's own lateness.
void PlatformSleepUntilNs(int64_t deadlineNs);

// ---------------------------------------------------------------------------------------
// Outline fonts (platform_font.cpp)
// ---------------------------------------------------------------------------------------

// Metrics of one glyph in em units (1.0 = em height), as a glyph metrics table holds them.
struct PlatformGlyphMetrics {
    float blackBoxX = 0, blackBoxY = 0;
    float originX = 0, originY = 0;
    float cellIncX = 0, cellIncY = 0;
};

// Registers an application font file with fontconfig (the program ships data/fonts/Orvex.ttf).
void PlatformRegisterFontFile(const char* path);

// Finds the face `face` (bold or normal weight) through fontconfig and compiles glyphs for
// character codes 0..254 (Windows-1252) into the display lists listBase+code as filled
// polygons in em units, each advancing by its cell width; fills metrics[0..255].
// Returns false when no face of that family is installed; the lists are then still
// compiled (empty) so calling them is harmless.
bool PlatformBuildOutlineFont(const char* face, bool bold, unsigned listBase, PlatformGlyphMetrics metrics[256]);

// The filled triangles of one glyph of the last build at that weight, as x, y pairs in em
// units (three pairs a triangle), exactly what its display list draws before it advances;
// null where the layer keeps no such copy (the Windows one builds its lists in the system).
const std::vector<float>* PlatformGlyphTriangles(bool bold, int code);

// Anti-aliased coverage of one glyph, for small text: 8-bit coverage rows, top row first,
// `width` bytes a row, placed with its top-left pixel `left` pixels right of the pen and
// `top` pixels above the baseline.
struct PlatformGlyphImage {
    int width = 0, height = 0;
    int left = 0, top = 0;
    const unsigned char* coverage = nullptr;   // valid until the next call
};

// Rasterises character code `code` (Windows-1252) of the face PlatformBuildOutlineFont last
// built at the weight `bold`, scaled to `emX` by `emY` pixels an em, with the pen `phaseX`
// of a pixel (0 <= phaseX < 1) right of a pixel's left edge. The outline is the one the
// display lists fill; stems and heights may be snapped to whole pixels (hinting), but the
// advance stays the metrics' own, so positions are the lists'. False when
// the face or the glyph is missing or the size is out of range: the caller fills the lists.
// A backend must supply this for legible small text (a Windows one: GetGlyphOutline with
// GGO_GRAY8_BITMAP of the same face at the same size, its 0..64 levels scaled to 0..255).
bool PlatformRasteriseGlyph(bool bold, int code, float emX, float emY, float phaseX, PlatformGlyphImage* image);

// ---------------------------------------------------------------------------------------
// Files (platform_files.cpp)
// ---------------------------------------------------------------------------------------

// The program's file names are written Windows-style ("data\navaids.txt", "textures//MFD_Overlay.tga");
// backslashes become '/', doubled separators are harmless, spelling and case are kept.
std::string PlatformPath(const char* windowsPath);
bool PlatformChangeDirectory(const char* dir);
bool PlatformRemoveFile(const char* path);
// Every file the programs write goes through these. A file is written into a fresh
// temporary beside it ("<name>.tmp.<pid>.<n>", created exclusively and never through a
// symbolic link), flushed to disk and renamed over the name, so a crash never leaves half
// a file and a link planted in the folder is replaced, never followed. Temporaries left by
// processes that have ended are removed on the way.
// Replaces `path` with `content`. False when it cannot be written.
bool PlatformWriteFileAtomic(const char* path, const std::string& content);
// Appends `text` to `path` (created when missing), never through a symbolic link.
bool PlatformAppendFile(const char* path, const std::string& text);
// A file written piece by piece (traces, dumps, screenshots). With visibleAtOnce the new
// file takes its name at once (for streams that others follow as they grow); otherwise it
// takes it at PlatformCloseOutput, and only when `keep` is true. nullptr on failure.
FILE* PlatformOpenOutput(const char* path, bool visibleAtOnce);
// Flushes to disk and closes; false when the file could not be completed.
bool PlatformCloseOutput(FILE* file, bool keep = true);
// Names of the plain files in `dir`, sorted; empty when the folder cannot be read.
std::vector<std::string> PlatformListDirectory(const char* dir);

// Reads a whole file into `content`. Only a regular file of at most `cap` bytes is read: a
// FIFO, a device (a link to /dev/zero) or a runaway file is refused at once instead of
// hanging or filling memory. False with a short reason in *error ("not a regular file",
// "larger than N bytes", the system's message) (platform_read.cpp).
bool PlatformReadWholeFile(const char* path, size_t cap, std::string* content, std::string* error = nullptr);
// The same for a file whose bytes past `cap` are of no use: a longer file gives its first
// `cap` bytes.
bool PlatformReadFileStart(const char* path, size_t cap, std::string* content, std::string* error = nullptr);
// Takes an exclusive lock on `path` (created when missing) and holds it until the process
// ends; false with the reason when another process holds it or it cannot be made.
bool PlatformHoldLock(const char* path, std::string* why);
// Whether anything (file, folder, FIFO, link, even a dangling one) has this name.
bool PlatformPathExists(const char* path);

// ---------------------------------------------------------------------------------------
// Installation (platform_install.cpp)
// ---------------------------------------------------------------------------------------

// The folder holding the running program; empty when the system cannot say.
std::string PlatformExecutableDir();
// $XDG_DATA_HOME, else ~/.local/share; empty when neither is known.
std::string PlatformUserDataDir();
bool PlatformIsFolder(const char* path);
bool PlatformIsFile(const char* path);
bool PlatformFolderWritable(const char* path);
// Creates `to` and copies the tree `from` into it, keeping any file already there.
bool PlatformSeedFolder(const char* from, const char* to, std::string* error);

// ---------------------------------------------------------------------------------------
// Sound (platform_audio.cpp)
// ---------------------------------------------------------------------------------------

// Plays a WAV file once and returns when it has finished (the chime thread's call).
// Silent and harmless without a sound device or file.
void PlatformPlaySoundSync(const char* path);

// ---------------------------------------------------------------------------------------
// IPC transport (platform_ipc.cpp)
// ---------------------------------------------------------------------------------------
// The simulator module's window messages, atoms and named file mappings, on Linux:
// - the runtime folder is $ORVEX_RUNTIME_DIR, else $XDG_RUNTIME_DIR/orvex, else
//   /tmp/orvex-<uid>, private to the user (0700);
// - "the module window of class C" is a connection to the socket <runtime>/C;
// - a registered message number is derived from its name, the same on both sides;
// - an atom stands for the block's name, which travels with each request;
// - a "named mapping" is anonymous memory (a memory file) whose name is known only to the
//   process that made it: no other process, and no other user, can find, open or take the
//   name first. Its descriptor goes to the module over the module socket (SCM_RIGHTS),
//   with the first request that names the block on a connection;
// - a timed send is one request and one 32-bit answer; every request carries a sequence
//   number, so an answer that arrives after its time-out is never taken for a later one.
//   The send never waits and the wait for the answer is the caller's to bound, so a unit
//   can look for an answer once a frame without stalling its display.

// The runtime folder, created (mode 0700) when missing; empty when it cannot be made
// private to this user.
std::string PlatformRuntimeDir();
int PlatformProcessId();

// Client side. A window handle is a connected socket on Linux, the module's window on
// Windows; -1 for none.
int PlatformFindModuleWindow(const char* className);
void PlatformForgetModuleWindow(int window);
uint32_t PlatformRegisterMessage(const char* name);   // 0 only for an empty name
uint16_t PlatformAddAtom(const char* name);           // 0 on failure
void PlatformDeleteAtom(uint16_t atom);
// Why no module can be reached at <runtime>/<className> when the reason is something
// other than "no module is there" (the runtime folder is not private to us, the socket's
// path is too long or refused): empty when simply no module listens.
std::string PlatformModuleUnreachableReason(const char* className);
// The block: anonymous memory named `name` within this process; -1 on failure or when
// this process uses the name already.
int PlatformCreateMapping(const char* name, uint32_t size);
// The mapping's real size now (fstat); -1 when it cannot be asked.
int64_t PlatformMappingSize(int mapping);
// The client's access to its block: the first `size` bytes copied in or out through the
// view mapped when the block was made (through the descriptor where none could be), with a
// module that shrinks the object under the copy caught: the call fails, the client carries
// on. False on a short or faulted transfer.
bool PlatformPutBlock(int mapping, const void* data, uint32_t size);
bool PlatformGetBlock(int mapping, void* data, uint32_t size);
void PlatformUnmapView(void* view, uint32_t size);
void PlatformCloseMapping(int mapping, const char* name);
// Sends `message` with the atom's name and `param`; false when the module is gone or does
// not take requests now. *sequence names the request for the answer.
// On Linux the send never waits and timeoutMs and attempts are not used.
// On Windows the send is the module protocol's blocking send with a time-out: the module
// has answered (or not) when this returns. Each send waits up to timeoutMs; a send that
// fails while the module window still exists is tried again after 100 ms, `attempts`
// sends in all; a window that has gone ends the tries at once.
bool PlatformPostMessage(int window, uint32_t message, uint16_t atom, uint32_t param, uint32_t* sequence,
                         int timeoutMs = 2000, int attempts = 9);
// Waits up to timeoutMs (0: only looks) for the module's 32-bit answer to `sequence`,
// dropping late answers to earlier requests. 1: answered; 0: not yet; -1: the module has
// gone (connection closed or broken). On Windows the answer came with the send: 1 with
// the result when a send succeeded, -1 when every send failed; it never waits.
int PlatformAwaitAnswer(int window, uint32_t sequence, int timeoutMs, uint32_t* result);

// Module side on Windows: the module is a top-level window of class `className` whose
// procedure answers the registered message `messageName`. For each such message it
// opens the named mapping whose name the atom (the first parameter) holds, calls
// `handler` with the name and the mapped block (at least `size` bytes), and returns the
// handler's result as the message result; a name that is no atom or no mapping of that
// size gets 0 without a call. One window per process. False with `why` when the window
// cannot be made or another module window of that class exists already.
using PlatformBlockHandler = uint32_t (*)(const char* blockName, unsigned char* block, uint32_t size);
bool PlatformModuleCreateWindow(const char* className, const char* messageName, uint32_t size,
                                PlatformBlockHandler handler, std::string* why);
// Dispatches the window's messages (so answers requests) for up to timeoutMs; returns
// false once the window has been closed.
bool PlatformModulePump(int timeoutMs);
void PlatformModuleDestroyWindow();

// Module side on Linux (the orvex-sim stand-in and test modules).
constexpr int PlatformBlockNameMax = 64;
struct PlatformModuleRequest {
    uint32_t sequence = 0;
    uint32_t message = 0;
    uint32_t param = 0;
    char blockName[PlatformBlockNameMax] = {};  // NUL-terminated atom name
    int block = -1;  // the block's memory when the client handed it over with this request;
                     // the receiver owns it (PlatformCloseBlock)
};
// Listens on <runtime>/<className>; -1 when the folder is unusable or another module
// already answers there (a stale socket of a dead module is replaced). `why` says which.
int PlatformModuleListen(const char* className, std::string* why);
void PlatformModuleStopListening(int listener, const char* className);  // removes the socket
int PlatformModuleAccept(int listener);  // -1 when nobody is waiting
// Waits up to timeoutMs until one of fds[0..count) can be read; ready[i] says which.
// Returns the number ready, 0 on time-out or interruption.
int PlatformWaitReadable(const int* fds, bool* ready, int count, int timeoutMs);
// One request from a client; false when the client has gone (or sent garbage).
bool PlatformModuleReceive(int client, PlatformModuleRequest* request);
bool PlatformModuleAnswer(int client, uint32_t sequence, uint32_t result);
void PlatformModuleDropClient(int client);
// The process id of the client at the other end (from the socket's credentials); -1 if unknown.
int PlatformModuleClientPid(int client);
// Maps a handed-over block, checking it is at least `size` bytes; nullptr if not. The
// descriptor stays open (PlatformCloseBlock) and the view is released with PlatformUnmapView.
void* PlatformMapBlock(int block, uint32_t size);
void PlatformCloseBlock(int block);
// The hostile module's tool: cut or grow a client's block.
bool PlatformResizeBlock(int block, uint32_t size);
// SIGINT and SIGTERM set *flag instead of ending the process.
void PlatformCatchTermination(volatile int* flag);
// SIGUSR1 sets *flag: a running display unit is asked for a screenshot of its next frame.
void PlatformCatchScreenshotSignal(volatile int* flag);

// ---------------------------------------------------------------------------------------
// Datagrams (platform_udp.cpp): the FlightGear bridge's UDP input
// ---------------------------------------------------------------------------------------

// A non-blocking UDP socket bound to `host` (a numeric IPv4 address, or empty for every
// interface) and `port` (0 picks a free one); -1 with `why` filled on failure.
int PlatformUdpListen(const std::string& host, int port, std::string* why);
int PlatformUdpLocalPort(int socket);
// The next waiting datagram into buffer (at most capacity bytes): its full length, which
// is larger than capacity when it did not fit (the rest is dropped); -1 when none waits.
long PlatformUdpReceive(int socket, char* buffer, size_t capacity);
// A socket that sends to host:port (numeric IPv4), for tests and benchmarks; -1 on failure.
int PlatformUdpSender(const std::string& host, int port);
bool PlatformUdpSend(int socket, const void* data, size_t length);
void PlatformUdpClose(int socket);
