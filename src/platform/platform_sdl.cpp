// Window, OpenGL context, events, message boxes and screenshots through SDL2.
// The same code serves a real X11/Wayland window and the headless run: SDL's offscreen
// video driver gives a window and a GL context with Mesa's llvmpipe and no display.
// Owns: the SDL window and GL context, the scripted-event queue, the headless flag.
#include "platform/platform.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <malloc.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {
struct SdlState {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool headless = false;
    bool videoUp = false;
    std::deque<PlatformEvent> pushed;   // scripted events, delivered before real ones
    std::string title;
    // Headless frame fences (GL_ARB_sync), see PlatformSwapBuffers; null without the extension.
    PFNGLFENCESYNCPROC fenceSync = nullptr;
    PFNGLCLIENTWAITSYNCPROC clientWaitSync = nullptr;
    PFNGLDELETESYNCPROC deleteSync = nullptr;
    GLsync previousFrame = nullptr;
};
SdlState Sdl;

bool DisplayAvailable()
{
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

// Windows virtual-key codes for the keys the program knows; 0 for the rest.
int VirtualKeyFromSdl(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + static_cast<int>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + static_cast<int>(key - SDLK_0);
    switch (key) {
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_RETURN: return 0x0D;
    case SDLK_SPACE: return 0x20;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    default: break;
    }
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return 0x70 + static_cast<int>(key - SDLK_F1);
    return 0;
}

bool TranslateWindowEvent(const SDL_WindowEvent& w, PlatformEvent* out)
{
    switch (w.event) {
    case SDL_WINDOWEVENT_CLOSE:
        out->type = PlatformEventType::Close;
        return true;
    case SDL_WINDOWEVENT_MINIMIZED:
        out->type = PlatformEventType::Activate;
        out->minimised = true;
        return true;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_SHOWN:
        out->type = PlatformEventType::Activate;
        out->minimised = (SDL_GetWindowFlags(Sdl.window) & SDL_WINDOW_MINIMIZED) != 0;
        return true;
    case SDL_WINDOWEVENT_MOVED:
        out->type = PlatformEventType::Moved;
        PlatformGetWindowPosition(&out->x, &out->y);
        return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        // The client area in pixels (the drawable), which the viewport is measured in.
        out->type = PlatformEventType::Size;
        PlatformGetClientSize(&out->x, &out->y);
        return true;
    default:
        return false;
    }
}

bool TranslateEvent(const SDL_Event& e, PlatformEvent* out)
{
    *out = PlatformEvent{};
    switch (e.type) {
    case SDL_QUIT:
        out->type = PlatformEventType::Close;
        return true;
    case SDL_WINDOWEVENT:
        return TranslateWindowEvent(e.window, out);
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        // Auto-repeat arrives as further key-down events (e.key.repeat set); they go through
        // as key down like the first, so a held key sets its flag again.
        out->type = e.type == SDL_KEYDOWN ? PlatformEventType::KeyDown : PlatformEventType::KeyUp;
        out->vk = VirtualKeyFromSdl(e.key.keysym.sym);
        return out->vk != 0;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button != SDL_BUTTON_LEFT)
            return false;
        out->type = PlatformEventType::LeftButton;
        out->x = e.button.x;
        out->y = e.button.y;
        return true;
    default:
        return false;
    }
}
} // namespace

bool PlatformInitVideo(bool forceHeadless)
{
    // The software rasteriser allocates and frees buffers of a megabyte or more every
    // frame. Above glibc's mapping threshold each is a fresh mapping whose pages fault in
    // again, a third of the frame's system time; kept on the heap they are reused.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    // Mesa's software rasteriser starts one drawing thread per processor and hands every
    // frame to all of them. A display's frame is small: on an otherwise idle two-core
    // machine the threads spent about a fifth of the unit's processor time waking, handing
    // tiles over and moving the frame between the cores' caches (an MFD at the climb 23 %
    // of a core with two, 19 % with one). One drawing thread still draws a frame while the
    // next is being built. A user's own setting is kept; a hardware driver ignores it.
    setenv("LP_NUM_THREADS", "1", 0);
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    bool offscreenAsked = asked && std::strcmp(asked, "offscreen") == 0;
    if (forceHeadless || offscreenAsked) {
        Sdl.headless = true;
    } else if (!DisplayAvailable() && !asked) {
        std::fprintf(stderr, "orvex: no display available, rendering headless (offscreen)\n");
        Sdl.headless = true;
    }
    if (Sdl.headless)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    // The screen saver and monitor power-off stay away while a cockpit display runs.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (Sdl.headless)
            return false;
        std::fprintf(stderr, "orvex: cannot open the display (%s), rendering headless (offscreen)\n", SDL_GetError());
        Sdl.headless = true;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
            return false;
    }
    Sdl.videoUp = true;
    // The hint keeps SDL from allowing the screen saver at start; saying so once more
    // holds for every video driver, whatever the hint's default becomes.
    SDL_DisableScreenSaver();
    return true;
}

bool PlatformIsHeadless()
{
    return Sdl.headless;
}

PlatformWindowResult PlatformCreateWindow(const char* title, int width, int height, int x, int y, bool frameless)
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // No depth buffer: no display ever turns the depth test on (everything is drawn in
    // order on one plane), and without one a software rasteriser skips the buffer's tile
    // work and takes its faster paths for plain quads: about 1.5 points of a core a unit
    // at 60 frames/s. The pixel format the displays were built for asks for 16 bits; the
    // Windows layer keeps asking for them, where the graphics card does that work.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
    if (frameless)
        flags |= SDL_WINDOW_BORDERLESS;
    Sdl.window = SDL_CreateWindow(title, x, y, width, height, flags);
    if (!Sdl.window)
        return PlatformWindowResult::WindowFailed;
    Sdl.title = title;
    // The maximum tracking size: the window never grows past 3000 x 3000 pixels.
    SDL_SetWindowMaximumSize(Sdl.window, 3000, 3000);
    Sdl.context = SDL_GL_CreateContext(Sdl.window);
    if (!Sdl.context)
        return PlatformWindowResult::ContextFailed;
    if (SDL_GL_MakeCurrent(Sdl.window, Sdl.context) != 0)
        return PlatformWindowResult::ActivateFailed;
    // Swap at once until the frame clock asks for the retrace (PlatformSetSwapInterval).
    SDL_GL_SetSwapInterval(0);
    if (Sdl.headless && SDL_GL_ExtensionSupported("GL_ARB_sync")) {
        Sdl.fenceSync = reinterpret_cast<PFNGLFENCESYNCPROC>(SDL_GL_GetProcAddress("glFenceSync"));
        Sdl.clientWaitSync = reinterpret_cast<PFNGLCLIENTWAITSYNCPROC>(SDL_GL_GetProcAddress("glClientWaitSync"));
        Sdl.deleteSync = reinterpret_cast<PFNGLDELETESYNCPROC>(SDL_GL_GetProcAddress("glDeleteSync"));
        if (!Sdl.fenceSync || !Sdl.clientWaitSync || !Sdl.deleteSync)
            Sdl.fenceSync = nullptr;
    }
    SDL_ShowWindow(Sdl.window);
    // The configured position is the outer corner, frame included; SDL places the client
    // area, so shift by the frame once the window manager has given it one.
    int top = 0, left = 0;
    if (!frameless && SDL_GetWindowBordersSize(Sdl.window, &top, &left, nullptr, nullptr) == 0 && (top || left))
        SDL_SetWindowPosition(Sdl.window, x + left, y + top);
    SDL_RaiseWindow(Sdl.window);
    return PlatformWindowResult::Ok;
}

void PlatformSetTitle(const char* title)
{
    Sdl.title = title ? title : "";
    if (Sdl.window)
        SDL_SetWindowTitle(Sdl.window, Sdl.title.c_str());
}

const char* PlatformGetTitle()
{
    return Sdl.title.c_str();
}

void PlatformSetFrameless(bool frameless)
{
    if (!Sdl.window)
        return;
    int x, y;
    PlatformGetWindowPosition(&x, &y);
    SDL_SetWindowBordered(Sdl.window, frameless ? SDL_FALSE : SDL_TRUE);
    int top = 0, left = 0;
    if (!frameless)
        SDL_GetWindowBordersSize(Sdl.window, &top, &left, nullptr, nullptr);
    SDL_SetWindowPosition(Sdl.window, x + left, y + top);
    SDL_ShowWindow(Sdl.window);
}

void PlatformGetWindowPosition(int* x, int* y)
{
    int px = 0, py = 0, top = 0, left = 0;
    if (Sdl.window) {
        SDL_GetWindowPosition(Sdl.window, &px, &py);
        if (!(SDL_GetWindowFlags(Sdl.window) & SDL_WINDOW_BORDERLESS))
            SDL_GetWindowBordersSize(Sdl.window, &top, &left, nullptr, nullptr);
    }
    *x = px - left;
    *y = py - top;
}

void PlatformGetClientSize(int* width, int* height)
{
    *width = *height = 0;
    if (Sdl.window)
        SDL_GL_GetDrawableSize(Sdl.window, width, height);
}

void PlatformSwapBuffers()
{
    if (!Sdl.window)
        return;
    // Headless, the offscreen driver's window is a pbuffer, whose swap does nothing. A real
    // window's swap waits for the software rasteriser to finish the frame (its pixels go to
    // the screen); without any wait the main thread bound frame after frame while the
    // rasteriser's threads still drew, and the queued scenes grew to hundreds of megabytes
    // of binned triangles (an MFD unit held 360-440 MiB instead of 120). So each frame ends
    // with a fence, and the swap waits for the previous frame's: one frame is drawn while
    // the next is bound, as before, but never more. Without fences it waits for this frame.
    if (Sdl.headless) {
        if (Sdl.fenceSync) {
            GLsync frame = Sdl.fenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
            glFlush();
            if (Sdl.previousFrame) {
                Sdl.clientWaitSync(Sdl.previousFrame, 0, GLuint64{5'000'000'000});
                Sdl.deleteSync(Sdl.previousFrame);
            }
            Sdl.previousFrame = frame;
        } else {
            glFinish();
        }
    }
    SDL_GL_SwapWindow(Sdl.window);
}

bool PlatformSetSwapInterval(int interval)
{
    if (!Sdl.context)
        return false;
    return SDL_GL_SetSwapInterval(interval) == 0 && SDL_GL_GetSwapInterval() == interval;
}

bool PlatformDestroyContext()
{
    if (!Sdl.context)
        return true;
    if (Sdl.previousFrame)
        Sdl.deleteSync(Sdl.previousFrame);
    Sdl.previousFrame = nullptr;
    bool released = SDL_GL_MakeCurrent(Sdl.window, nullptr) == 0;
    SDL_GL_DeleteContext(Sdl.context);
    Sdl.context = nullptr;
    return released;
}

bool PlatformDestroyWindow()
{
    if (Sdl.window)
        SDL_DestroyWindow(Sdl.window);
    Sdl.window = nullptr;
    return true;
}

void PlatformQuitVideo()
{
    if (Sdl.videoUp)
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    Sdl.videoUp = false;
}

bool PlatformPollEvent(PlatformEvent* event)
{
    if (!Sdl.pushed.empty()) {
        *event = Sdl.pushed.front();
        Sdl.pushed.pop_front();
        return true;
    }
    if (!Sdl.videoUp)
        return false;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (TranslateEvent(e, event))
            return true;
    }
    return false;
}

void PlatformPushEvent(const PlatformEvent& event)
{
    Sdl.pushed.push_back(event);
}

void PlatformMessageBox(const char* text, const char* caption, PlatformIcon icon)
{
    if (Sdl.headless || !Sdl.videoUp) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return;
    }
    Uint32 flags = icon == PlatformIcon::Information ? SDL_MESSAGEBOX_INFORMATION
                 : icon == PlatformIcon::Exclamation ? SDL_MESSAGEBOX_WARNING
                                                     : SDL_MESSAGEBOX_ERROR;
    if (SDL_ShowSimpleMessageBox(flags, caption, text, Sdl.window) != 0)
        std::fprintf(stderr, "%s: %s\n", caption, text);
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

    FILE* file = PlatformOpenOutput(path, false);
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        PlatformCloseOutput(file, false);
        return false;
    }
    png_init_io(png, file);
    // Fast settings: a screenshot per run must not slow the last frame noticeably.
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // GL rows run bottom-up; PNG rows top-down.
    for (int row = height - 1; row >= 0; --row)
        png_write_row(png, pixels.data() + static_cast<size_t>(row) * width * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return PlatformCloseOutput(file);
}
