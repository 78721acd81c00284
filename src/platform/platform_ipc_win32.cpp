// The simulator module's transport on Windows, as the module itself defines it: the
// module is a top-level window found by its class ("UIPCMAIN" inside the simulator,
// "FS98MAIN" for the simulator's own window or a network client), requests go as the
// registered message "FsasmLib:IPC" sent with a time-out, the first parameter a global
// atom naming a page-file-backed mapping that holds the client's block.
// Owns: the process's mapping table, the last send's outcome and, on the module side,
// its window. Reads: nothing else.
#include "platform/platform.h"

#include <windows.h>

#include <cstring>

// ---------------------------------------------------------------------------------------
// Runtime folder
// ---------------------------------------------------------------------------------------

// The runtime folder of the Linux transport has no counterpart here: window classes, atoms
// and mapping names live in the session's own name spaces.
std::string PlatformRuntimeDir()
{
    return "";
}

// ---------------------------------------------------------------------------------------
// Client side
// ---------------------------------------------------------------------------------------

// Window handles are 32-bit values on every Windows (a 32-bit and a 64-bit process share
// them), so one fits the int the portable code keeps.
static HWND WindowOf(int window)
{
    return static_cast<HWND>(LongToHandle(window));
}

int PlatformFindModuleWindow(const char* className)
{
    HWND window = FindWindowExA(nullptr, nullptr, className, nullptr);
    return window ? static_cast<int>(HandleToLong(window)) : -1;
}

void PlatformForgetModuleWindow(int)
{
    // A window found by its class is not ours to release.
}

uint32_t PlatformRegisterMessage(const char* name)
{
    return name && *name ? RegisterWindowMessageA(name) : 0;
}

uint16_t PlatformAddAtom(const char* name)
{
    return GlobalAddAtomA(name);
}

void PlatformDeleteAtom(uint16_t atom)
{
    if (atom)
        GlobalDeleteAtom(atom);
}

namespace {
// A client has one block at a time; a few slots leave room for tests that make more.
struct Mapping {
    HANDLE handle = nullptr;
    unsigned char* view = nullptr;
    uint32_t size = 0;
};
constexpr int MappingSlots = 8;
Mapping Mappings[MappingSlots];

Mapping* MappingAt(int mapping)
{
    if (mapping < 0 || mapping >= MappingSlots || !Mappings[mapping].view)
        return nullptr;
    return &Mappings[mapping];
}
}  // namespace

int PlatformCreateMapping(const char* name, uint32_t size)
{
    int slot = 0;
    while (slot < MappingSlots && Mappings[slot].handle)
        ++slot;
    if (slot == MappingSlots)
        return -1;
    // Backed by the page file, read-write, exactly the block's size. A name that exists
    // already belongs to someone else (or to a block of ours not yet released): refused.
    HANDLE handle = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    if (!handle)
        return -1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(handle);
        return -1;
    }
    void* view = MapViewOfFile(handle, FILE_MAP_WRITE, 0, 0, size);
    if (!view) {
        CloseHandle(handle);
        return -1;
    }
    Mappings[slot] = {handle, static_cast<unsigned char*>(view), size};
    return slot;
}

int64_t PlatformMappingSize(int mapping)
{
    // A section keeps the size it was made with for as long as a handle holds it, and ours
    // does: no module can shrink it or put another object under the view.
    const Mapping* m = MappingAt(mapping);
    return m ? static_cast<int64_t>(m->size) : -1;
}

bool PlatformPutBlock(int mapping, const void* data, uint32_t size)
{
    Mapping* m = MappingAt(mapping);
    if (!m || size > m->size)
        return false;
    std::memcpy(m->view, data, size);
    return true;
}

bool PlatformGetBlock(int mapping, void* data, uint32_t size)
{
    const Mapping* m = MappingAt(mapping);
    if (!m || size > m->size)
        return false;
    std::memcpy(data, m->view, size);
    return true;
}

void PlatformUnmapView(void* view, uint32_t)
{
    if (view)
        UnmapViewOfFile(view);
}

void PlatformCloseMapping(int mapping, const char*)
{
    // The name goes with the last handle: the module's handle, if it keeps one, is closed
    // when its answer is done.
    if (mapping < 0 || mapping >= MappingSlots || !Mappings[mapping].handle)
        return;
    if (Mappings[mapping].view)
        UnmapViewOfFile(Mappings[mapping].view);
    CloseHandle(Mappings[mapping].handle);
    Mappings[mapping] = Mapping{};
}

void PlatformRemoveStaleMappings(const char*)
{
    // A named section lives only while a handle holds it: the block of a client that was
    // killed went with its process.
}

namespace {
// The outcome of the last send, handed over by PlatformAwaitAnswer.
struct SendOutcome {
    uint32_t sequence = 0;
    bool answered = false;
    uint32_t result = 0;
};
SendOutcome LastSend;
uint32_t SendSequence = 0;
}  // namespace

bool PlatformPostMessage(int window, uint32_t message, uint16_t atom, uint32_t param, uint32_t* sequence,
                         int timeoutMs, int attempts)
{
    *sequence = ++SendSequence;
    LastSend = SendOutcome{*sequence, false, 0};
    HWND target = WindowOf(window);
    if (window < 0 || !IsWindow(target))
        return false;
    // SMTO_BLOCK: this thread takes no other messages while it waits, so nothing runs
    // between queuing the block and reading it back. A send that times out leaves the
    // message queued with the module; it then walks the block when it gets to it, which
    // is harmless (the block then holds a complete, terminated list: the same one, or
    // after a close and a new open a new block under a new name).
    for (int sent = 0; sent < (attempts < 1 ? 1 : attempts); ++sent) {
        if (sent > 0) {
            if (!IsWindow(target))
                return false;  // the module has gone: no later send can reach it
            Sleep(100);
        }
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(target, message, atom, param, SMTO_BLOCK, static_cast<UINT>(timeoutMs < 1 ? 1 : timeoutMs),
                                &result)) {
            LastSend.answered = true;
            LastSend.result = static_cast<uint32_t>(result);
            return true;
        }
    }
    return false;
}

int PlatformAwaitAnswer(int, uint32_t sequence, int, uint32_t* result)
{
    if (sequence != LastSend.sequence || !LastSend.answered)
        return -1;
    *result = LastSend.result;
    return 1;
}

// ---------------------------------------------------------------------------------------
// Module side
// ---------------------------------------------------------------------------------------

namespace {
struct ModuleWindowState {
    HWND window = nullptr;
    UINT message = 0;
    uint32_t size = 0;
    PlatformBlockHandler handler = nullptr;
    char className[64] = {};
    bool closed = false;
};
ModuleWindowState Module;

// One request: the atom names the client's block; it is opened, handed to the handler and
// released before the answer goes back. Anything missing or too small is answered 0.
uint32_t AnswerRequest(ATOM atom)
{
    char name[PlatformBlockNameMax] = {};
    if (GlobalGetAtomNameA(atom, name, sizeof name) == 0)
        return 0;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (!mapping)
        return 0;
    uint32_t result = 0;
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (view) {
        MEMORY_BASIC_INFORMATION region{};
        if (VirtualQuery(view, &region, sizeof region) == sizeof region && region.RegionSize >= Module.size)
            result = Module.handler(name, static_cast<unsigned char*>(view), Module.size);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return result;
}

LRESULT CALLBACK ModuleProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == Module.message && Module.message != 0)
        return AnswerRequest(static_cast<ATOM>(wParam));
    if (message == WM_CLOSE) {
        Module.closed = true;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

bool PlatformModuleCreateWindow(const char* className, const char* messageName, uint32_t size,
                                PlatformBlockHandler handler, std::string* why)
{
    if (FindWindowExA(nullptr, nullptr, className, nullptr)) {
        *why = std::string("another module already answers as window class ") + className;
        return false;
    }
    Module.message = RegisterWindowMessageA(messageName);
    if (Module.message == 0) {
        *why = std::string("cannot register the message ") + messageName;
        return false;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ModuleProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        *why = std::string("cannot register the window class ") + className;
        return false;
    }
    // A top-level window that is never shown: FindWindowEx finds hidden top-level windows,
    // and a message-only window (parent HWND_MESSAGE) it would not.
    Module.window = CreateWindowExA(0, className, className, WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!Module.window) {
        *why = std::string("cannot create the module window of class ") + className;
        return false;
    }
    Module.size = size;
    Module.handler = handler;
    Module.closed = false;
    std::strncpy(Module.className, className, sizeof Module.className - 1);
    return true;
}

bool PlatformModulePump(int timeoutMs)
{
    // Sent messages are delivered inside the wait and inside PeekMessage, so a request is
    // answered as soon as it comes, however long the wait was meant to be.
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(timeoutMs < 0 ? 0 : timeoutMs), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            Module.closed = true;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return !Module.closed;
}

void PlatformModuleDestroyWindow()
{
    if (Module.window)
        DestroyWindow(Module.window);
    if (Module.className[0])
        UnregisterClassA(Module.className, GetModuleHandleA(nullptr));
    Module = ModuleWindowState{};
}

// The hostile module's resizing tools: a section keeps its size while any handle holds it
// and the client holds one, so no module can cut a block short or swap it on Windows.
bool PlatformResizeMappingName(const char*, uint32_t)
{
    return false;
}

bool PlatformReplaceMappingName(const char*, uint32_t)
{
    return false;
}

// On Windows the module is a window of the session: it is there or it is not, and nothing
// else stands between the unit and it.
std::string PlatformModuleUnreachableReason(const char*)
{
    return std::string();
}

// The hostile module cannot cut a client's page-file mapping under it on Windows (the
// mapping's size is fixed at creation), so the shrink and sizes modes are refused there.
bool PlatformResizeBlock(int, uint32_t)
{
    return false;
}
