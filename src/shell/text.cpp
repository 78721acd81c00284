// Outline fonts and PrintText. The glyph outlines come from the platform layer as display
// lists in em units; printing costs one list call per character and no allocation.
// Owns: Font, the text trace file. Writes: Shell.FontMissing.
#include "shell/text.h"

#include "shell/automation.h"
#include "shell/shell.h"
#include "platform/platform.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

FontState Font;

namespace {
FILE* TextTrace = nullptr;

void WriteJsonString(FILE* out, const char* text)
{
    std::fputc('"', out);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p == '"' || *p == '\\')
            std::fprintf(out, "\\%c", *p);
        else if (*p < 0x20 || *p >= 0x7F)
            std::fprintf(out, "\\u%04x", *p);   // the byte as its Windows-1252 code
        else
            std::fputc(*p, out);
    }
    std::fputc('"', out);
}

// Where the pen stands now, in window pixels from the top left, and how tall an em is there.
void TraceText(int slot, int alignment, const char* text)
{
    GLdouble model[16], projection[16];
    GLint viewport[4], scissor[4];
    GLfloat colour[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    GLdouble x0, y0, z0, x1, y1, z1;
    gluProject(0, 0, 0, model, projection, viewport, &x0, &y0, &z0);
    gluProject(0, 1, 0, model, projection, viewport, &x1, &y1, &z1);
    int clientW = 0, clientH = 0;
    PlatformGetClientSize(&clientW, &clientH);
    bool clipped = false;
    if (glIsEnabled(GL_SCISSOR_TEST)) {
        glGetIntegerv(GL_SCISSOR_BOX, scissor);
        clipped = x0 < scissor[0] || x0 > scissor[0] + scissor[2] || y0 < scissor[1] || y0 > scissor[1] + scissor[3];
    }
    std::fprintf(TextTrace, "{\"frame\":%ld,\"font\":%d,\"align\":%d,\"text\":", AutomationFrameNumber(), slot, alignment);
    WriteJsonString(TextTrace, text);
    std::fprintf(TextTrace, ",\"rgb\":[%.3f,%.3f,%.3f],\"x\":%.2f,\"y\":%.2f,\"em\":%.2f,\"clipped\":%s}\n",
                 colour[0], colour[1], colour[2], x0, clientH - y0, std::hypot(x1 - x0, y1 - y0),
                 clipped ? "true" : "false");
}
} // namespace

void BuildFont(const char* face, int slot, int height, int weight)
{
    (void)height;   // glyphs are built at one unit per em; callers scale
    Font.ListBase[slot] = glGenLists(256);
    bool found = PlatformBuildOutlineFont(face, weight >= 700, Font.ListBase[slot], Font.Metrics);
    Shell.FontMissing = !found;
}

void KillFonts()
{
    for (unsigned& base : Font.ListBase) {
        if (base)
            glDeleteLists(base, 256);
        base = 0;
    }
}

float TextWidth(const char* text, float* lastAdvance)
{
    float width = 0, last = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        last = Font.Metrics[*p].cellIncX;
        width += last;
    }
    if (lastAdvance)
        *lastAdvance = last;
    return width;
}

void PrintText(int slot, int alignment, const char* format, ...)
{
    if (!format)
        return;
    // Longer text is cut at 255 characters; vsnprintf never writes past the buffer.
    char text[PrintTextMax + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);

    float lastAdvance = 0;
    float width = TextWidth(text, &lastAdvance);
    if (alignment == 0)
        glTranslatef(-width / 2, 0, 0);
    else if (alignment == 2)
        glTranslatef(-width + lastAdvance, 0, 0);

    size_t length = std::strlen(text);
    if (length == 0)
        return;
    if (TextTrace)
        TraceText(slot, alignment, text);
    // The displays' text colours are opaque, and blending an opaque colour gives the colour
    // itself, so the glyphs are filled with blending off: the same pixels, without a software
    // rasteriser reading back and blending every pixel they cover (about a point of a core
    // for the EICAS on llvmpipe). A colour with any transparency is blended as before.
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    bool unblended = colour[3] >= 1.0f && glIsEnabled(GL_BLEND);
    if (unblended)
        glDisable(GL_BLEND);
    glPushAttrib(GL_LIST_BIT);
    glListBase(Font.ListBase[slot & 3]);
    glCallLists(static_cast<GLsizei>(length), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
    if (unblended)
        glEnable(GL_BLEND);
}

bool TextTraceOpen(const char* path)
{
    TextTrace = PlatformOpenOutput(path, true);
    if (!TextTrace)
        std::fprintf(stderr, "orvex: cannot write the text trace %s\n", path);
    return TextTrace != nullptr;
}

bool TextTraceActive()
{
    return TextTrace != nullptr;
}

void TextTraceAt(int slot, int alignment, const char* text)
{
    if (TextTrace && text && *text)
        TraceText(slot, alignment, text);
}

bool TextTraceClose()
{
    if (!TextTrace)
        return true;
    // A full disk shows only here: the stream's error flag, or the last flush on close.
    bool ok = !std::ferror(TextTrace);
    ok = PlatformCloseOutput(TextTrace) && ok;
    TextTrace = nullptr;
    if (!ok)
        std::fprintf(stderr, "orvex: writing the text trace failed\n");
    return ok;
}
