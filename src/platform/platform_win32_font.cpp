// Outline fonts on Windows: the face is made by GDI (CreateFontA) and wglUseFontOutlinesA
// turns each glyph into a display list of filled polygons in em units with its metrics.
// The shipped TTF files are added for this process alone (FR_PRIVATE): nothing is installed
// on the machine, and they go when the program ends.
// Owns: nothing between calls.
#include "platform/platform.h"
#include "platform/platform_win32.h"

#include <GL/gl.h>

#include <cstring>

namespace {
// Windows-1252 codes with no character: they draw nothing, as on Linux, rather than the
// font's missing-glyph box.
bool Unassigned(int code)
{
    return code < 0x20 || code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D || code == 255;
}

void EmptyList(unsigned list, PlatformGlyphMetrics* m)
{
    *m = PlatformGlyphMetrics{};
    glNewList(list, GL_COMPILE);
    glEndList();
}
} // namespace

void PlatformRegisterFontFile(const char* path)
{
    char absolute[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(PlatformPath(path).c_str(), sizeof absolute, absolute, nullptr);
    if (n == 0 || n >= sizeof absolute)
        return;
    AddFontResourceExA(absolute, FR_PRIVATE, nullptr);
}

bool PlatformBuildOutlineFont(const char* face, bool bold, unsigned listBase, PlatformGlyphMetrics metrics[256])
{
    HDC dc = Win32WindowDc();
    // Height 10 as the displays ask: the outlines come back in em units whatever the size.
    HFONT font = dc ? CreateFontA(-10, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                  OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH, face)
                    : nullptr;
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    // GDI answers every request with some face; only its name tells whether it is ours.
    char chosen[LF_FACESIZE] = {};
    bool exact = font && GetTextFaceA(dc, sizeof chosen, chosen) > 0 && _stricmp(chosen, face) == 0;

    GLYPHMETRICSFLOAT gmf[256] = {};
    // Curves are flattened to within 0.005 em, as the Linux outlines are.
    bool built = font && wglUseFontOutlinesA(dc, 0, 255, listBase, 0.005f, 0.0f, WGL_FONT_POLYGONS, gmf);
    for (int code = 0; code < 256; ++code) {
        if (!built || Unassigned(code)) {
            if (built)
                glDeleteLists(listBase + code, 1);
            EmptyList(listBase + code, &metrics[code]);
            continue;
        }
        PlatformGlyphMetrics& m = metrics[code];
        m.blackBoxX = gmf[code].gmfBlackBoxX;
        m.blackBoxY = gmf[code].gmfBlackBoxY;
        m.originX = gmf[code].gmfptGlyphOrigin.x;
        m.originY = gmf[code].gmfptGlyphOrigin.y;
        m.cellIncX = gmf[code].gmfCellIncX;
        m.cellIncY = gmf[code].gmfCellIncY;
    }
    if (previous)
        SelectObject(dc, previous);
    if (font)
        DeleteObject(font);
    return built && exact;
}

// No anti-aliased coverage from GDI yet: every text is filled from the outline display
// lists, as before (GetGlyphOutline with GGO_GRAY8_BITMAP is the way to add it).
bool PlatformRasteriseGlyph(bool, int, float, float, float, PlatformGlyphImage*)
{
    return false;
}
