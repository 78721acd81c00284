// Window, OpenGL context, events, message boxes and screenshots on Windows: a window of
// class "OpenGL" with its own device context, a WGL context on the pixel format the
// displays are drawn for, and a window procedure that turns the messages the unit handles
// into platform events, delivered through PlatformPollEvent like the Linux ones.
// Owns: the window class, window, device and rendering contexts, the event queues.
#include "platform/platform.h"
#include "platform/platform_win32.h"

#include <GL/gl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace {
const char* const ClassName = "OpenGL";

struct Win32Window {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    bool classRegistered = false;
    bool headless = false;
    bool frameless = false;
    std::deque<PlatformEvent> pushed;     // scripted events, delivered before real ones
    std::deque<PlatformEvent> received;   // what the window procedure turned messages into
    std::string title;
};
Win32Window W;

DWORD StyleFor(bool frameless)
{
    return (frameless ? WS_POPUP : WS_OVERLAPPEDWINDOW) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
}

DWORD ExStyleFor(bool frameless)
{
    return frameless ? WS_EX_APPWINDOW : WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
}

void Queue(PlatformEventType type, int x = 0, int y = 0, int vk = 0, bool minimised = false)
{
    PlatformEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    e.vk = vk;
    e.minimised = minimised;
    W.received.push_back(e);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_WINDOWPOSCHANGED: {
        // Consumed: the system then sends no size or move notification of its own, so the
        // scene keeps the size of its creation and only the placement follows the window.
        RECT r;
        GetWindowRect(window, &r);
        Queue(PlatformEventType::Moved, r.left, r.top);
        return 0;
    }
    case WM_SIZE:
        Queue(PlatformEventType::Size, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_ACTIVATE:
        Queue(PlatformEventType::Activate, 0, 0, 0, HIWORD(wParam) != 0);
        return 0;
    case WM_CLOSE:
        Queue(PlatformEventType::Close);
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxTrackSize.x = 3000;
        info->ptMaxTrackSize.y = 3000;
        return 0;
    }
    case WM_SYSCOMMAND:
        // A cockpit display never gives way to the screen saver or a sleeping monitor.
        switch (wParam & 0xFFF0) {
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
            return 0;
        default:
            break;
        }
        break;
    case WM_KEYDOWN:
        Queue(PlatformEventType::KeyDown, 0, 0, static_cast<int>(wParam & 0xFF));
        return 0;
    case WM_KEYUP:
        Queue(PlatformEventType::KeyUp, 0, 0, static_cast<int>(wParam & 0xFF));
        return 0;
    case WM_LBUTTONDOWN:
        Queue(PlatformEventType::LeftButton, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void SetupPixelFormatDescriptor(PIXELFORMATDESCRIPTOR* pfd)
{
    *pfd = PIXELFORMATDESCRIPTOR{};
    pfd->nSize = sizeof *pfd;
    pfd->nVersion = 1;
    pfd->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd->iPixelType = PFD_TYPE_RGBA;
    pfd->cColorBits = 32;
    pfd->cDepthBits = 16;
    pfd->iLayerType = PFD_MAIN_PLANE;
}
} // namespace

HDC Win32WindowDc()
{
    return W.dc;
}

bool PlatformInitVideo(bool forceHeadless)
{
    // Windows always has a desktop; a headless run keeps its window hidden and draws into
    // its back buffer all the same.
    W.headless = forceHeadless;
    W.instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = WindowProcedure;
    wc.hInstance = W.instance;
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = ClassName;
    W.classRegistered = RegisterClassA(&wc) != 0;
    return W.classRegistered;
}

bool PlatformIsHeadless()
{
    return W.headless;
}

PlatformWindowResult PlatformCreateWindow(const char* title, int width, int height, int x, int y, bool frameless)
{
    W.frameless = frameless;
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, StyleFor(frameless), FALSE, ExStyleFor(frameless));
    W.window = CreateWindowExA(ExStyleFor(frameless), ClassName, title, StyleFor(frameless), x, y, r.right - r.left,
                               r.bottom - r.top, nullptr, nullptr, W.instance, nullptr);
    if (!W.window)
        return PlatformWindowResult::WindowFailed;
    W.title = title;
    W.dc = GetDC(W.window);
    PIXELFORMATDESCRIPTOR pfd;
    SetupPixelFormatDescriptor(&pfd);
    int format = W.dc ? ChoosePixelFormat(W.dc, &pfd) : 0;
    if (!format || !SetPixelFormat(W.dc, format, &pfd))
        return PlatformWindowResult::ContextFailed;
    W.context = wglCreateContext(W.dc);
    if (!W.context)
        return PlatformWindowResult::ContextFailed;
    if (!wglMakeCurrent(W.dc, W.context))
        return PlatformWindowResult::ActivateFailed;
    PlatformSetSwapInterval(0);   // swap at once until the frame clock asks for the retrace
    if (!W.headless) {
        ShowWindow(W.window, SW_SHOW);
        SetForegroundWindow(W.window);
        SetFocus(W.window);
    }
    return PlatformWindowResult::Ok;
}

void PlatformSetTitle(const char* title)
{
    W.title = title ? title : "";
    if (W.window)
        SetWindowTextA(W.window, W.title.c_str());
}

const char* PlatformGetTitle()
{
    return W.title.c_str();
}

void PlatformSetFrameless(bool frameless)
{
    if (!W.window)
        return;
    // The outer corner and the client size stay; the frame grows or shrinks around them.
    RECT outer, client;
    GetWindowRect(W.window, &outer);
    GetClientRect(W.window, &client);
    W.frameless = frameless;
    SetWindowLongPtrA(W.window, GWL_STYLE, StyleFor(frameless) | (W.headless ? 0 : WS_VISIBLE));
    SetWindowLongPtrA(W.window, GWL_EXSTYLE, ExStyleFor(frameless));
    RECT r = client;
    AdjustWindowRectEx(&r, StyleFor(frameless), FALSE, ExStyleFor(frameless));
    SetWindowPos(W.window, nullptr, outer.left, outer.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_FRAMECHANGED | (W.headless ? 0 : SWP_SHOWWINDOW));
}

void PlatformGetWindowPosition(int* x, int* y)
{
    *x = *y = 0;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (W.window && GetWindowPlacement(W.window, &placement)) {
        // The normal-position rectangle: where the window returns to when restored.
        *x = placement.rcNormalPosition.left;
        *y = placement.rcNormalPosition.top;
    }
}

void PlatformGetClientSize(int* width, int* height)
{
    *width = *height = 0;
    RECT r;
    if (W.window && GetClientRect(W.window, &r)) {
        *width = r.right - r.left;
        *height = r.bottom - r.top;
    }
}

void PlatformSwapBuffers()
{
    if (W.dc)
        SwapBuffers(W.dc);
}

bool PlatformSetSwapInterval(int interval)
{
    using SwapIntervalFn = BOOL(WINAPI*)(int);
    using GetSwapIntervalFn = int(WINAPI*)();
    if (!W.context)
        return false;
    auto set = reinterpret_cast<SwapIntervalFn>(reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    auto get = reinterpret_cast<GetSwapIntervalFn>(reinterpret_cast<void*>(wglGetProcAddress("wglGetSwapIntervalEXT")));
    if (!set || !set(interval))
        return false;
    return !get || get() == interval;
}

bool PlatformDestroyContext()
{
    bool released = true;
    if (W.context) {
        released = wglMakeCurrent(nullptr, nullptr) != 0;
        released = wglDeleteContext(W.context) && released;
        W.context = nullptr;
    }
    return released;
}

bool PlatformDestroyWindow()
{
    bool ok = true;
    if (W.dc && W.window)
        ok = ReleaseDC(W.window, W.dc) != 0;
    W.dc = nullptr;
    if (W.window)
        ok = DestroyWindow(W.window) && ok;
    W.window = nullptr;
    return ok;
}

void PlatformQuitVideo()
{
    if (W.classRegistered)
        UnregisterClassA(ClassName, W.instance);
    W.classRegistered = false;
}

bool PlatformPollEvent(PlatformEvent* event)
{
    if (!W.pushed.empty()) {
        *event = W.pushed.front();
        W.pushed.pop_front();
        return true;
    }
    // Each waiting message is dispatched to the window procedure, which queues what the
    // unit handles; the rest took their default processing there.
    MSG msg;
    while (W.received.empty() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            Queue(PlatformEventType::Close);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (W.received.empty())
        return false;
    *event = W.received.front();
    W.received.pop_front();
    return true;
}

void PlatformPushEvent(const PlatformEvent& event)
{
    W.pushed.push_back(event);
}

void PlatformMessageBox(const char* text, const char* caption, PlatformIcon icon)
{
    // A headless run has nobody to press OK: the text goes to standard error instead.
    if (W.headless) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return;
    }
    UINT flags = icon == PlatformIcon::Information ? MB_ICONINFORMATION
               : icon == PlatformIcon::Exclamation ? MB_ICONEXCLAMATION
                                                   : MB_ICONERROR;
    MessageBoxA(nullptr, text, caption, MB_OK | flags);
}

bool PlatformSaveScreenshot(const char* path)
{
    int width = 0, height = 0;
    PlatformGetClientSize(&width, &height);
    if (width <= 0 || height <= 0)
        return false;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // GL rows run bottom-up; PNG rows top-down.
    std::vector<unsigned char> flipped(pixels.size());
    const size_t row = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        std::copy_n(pixels.data() + (height - 1 - y) * row, row, flipped.data() + y * row);
    FILE* file = PlatformOpenOutput(path, false);
    if (!file)
        return false;
    if (!Win32WritePng(file, flipped.data(), width, height)) {
        PlatformCloseOutput(file, false);
        return false;
    }
    return PlatformCloseOutput(file);
}
