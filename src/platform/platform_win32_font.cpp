// Outline fonts on Windows: the face is made by GDI (CreateFontA) and wglUseFontOutlinesA
// turns each glyph into a display list of filled polygons in em units with its metrics.
// The shipped TTF files are added for this process alone (FR_PRIVATE): nothing is installed
// on the machine, and they go when the program ends.
// Owns: the name of the face last built (the coverage is rasterised from it).
#include "platform/platform.h"
#include "platform/platform_win32.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {
std::string BuiltFace;   // the face of the last PlatformBuildOutlineFont that found it

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
    if (built && exact)
        BuiltFace = face;
    return built && exact;
}

// Anti-aliased coverage from GDI: GetGlyphOutline's 65-level grey bitmap of the same face at
// the drawn em height. GDI places a glyph's bitmap on whole pixels only, so the glyph is
// rasterised four times as wide (the transform's x scale) and every four columns, shifted by
// the pen's quarter-pixel phase, are averaged into one: the same quarter-pixel placement the
// FreeType backend gets from moving the outline, and the same positions as the lists.
namespace {
constexpr int Oversample = 4;
std::vector<unsigned char> GreyRows, Coverage;   // the last glyph: GDI's rows, then ours
std::vector<int> Sums;

int FloorDiv(int a, int b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

FIXED FixedFrom(double value)
{
    const long fixed = static_cast<long>(value * 65536.0 + (value < 0 ? -0.5 : 0.5));
    FIXED f;
    f.value = static_cast<short>(fixed >> 16);
    f.fract = static_cast<WORD>(fixed & 0xFFFF);
    return f;
}
} // namespace

// The system compiles the outline lists itself and keeps no copy of their triangles: the
// callers call the lists.
const std::vector<float>* PlatformGlyphTriangles(bool, int)
{
    return nullptr;
}

bool PlatformRasteriseGlyph(bool bold, int code, float emX, float emY, float phaseX, PlatformGlyphImage* image)
{
    HDC dc = Win32WindowDc();
    if (!dc || BuiltFace.empty() || code < 0 || code > 255 || Unassigned(code) || !(emX >= 1 && emX <= 256 && emY >= 1 && emY <= 256))
        return false;
    // The em height in whole pixels picks the size GDI hints for; the transform makes up the
    // fraction and the width.
    const int height = static_cast<int>(emY + 0.5f);
    HFONT font = CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH,
                             BuiltFace.c_str());
    if (!font)
        return false;
    HGDIOBJ previous = SelectObject(dc, font);
    MAT2 transform = {};
    transform.eM11 = FixedFrom(Oversample * emX / height);
    transform.eM22 = FixedFrom(static_cast<double>(emY) / height);
    GLYPHMETRICS gm = {};
    const UINT ch = static_cast<unsigned char>(code);
    DWORD size = GetGlyphOutlineA(dc, ch, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &transform);
    bool ok = size != GDI_ERROR && size > 0 && gm.gmBlackBoxX > 0 && gm.gmBlackBoxY > 0;
    if (ok) {
        GreyRows.assign(size, 0);
        ok = GetGlyphOutlineA(dc, ch, GGO_GRAY8_BITMAP, &gm, size, GreyRows.data(), &transform) != GDI_ERROR;
    }
    SelectObject(dc, previous);
    DeleteObject(font);
    if (!ok)
        return false;   // a blank (the space) or no glyph: nothing to draw
    // GDI's rows are padded to whole double words; levels run 0..64.
    const int pitch = (static_cast<int>(gm.gmBlackBoxX) + 3) & ~3;
    const int rows = static_cast<int>(gm.gmBlackBoxY);
    if (static_cast<size_t>(pitch) * rows > GreyRows.size())
        return false;
    const int phase = static_cast<int>(phaseX * Oversample + 0.5f);
    const int start = gm.gmptGlyphOrigin.x + phase;   // the first column, in quarter pixels
    const int left = FloorDiv(start, Oversample);
    const int right = FloorDiv(start + static_cast<int>(gm.gmBlackBoxX) + Oversample - 1, Oversample);
    image->width = right - left;
    image->height = rows;
    image->left = left;
    image->top = gm.gmptGlyphOrigin.y;
    Sums.assign(static_cast<size_t>(image->width) * rows, 0);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < static_cast<int>(gm.gmBlackBoxX); ++column)
            Sums[static_cast<size_t>(row) * image->width + FloorDiv(start + column, Oversample) - left] +=
                GreyRows[static_cast<size_t>(row) * pitch + column];
    Coverage.resize(Sums.size());
    for (size_t i = 0; i < Sums.size(); ++i)
        Coverage[i] = static_cast<unsigned char>(std::min(255, (Sums[i] * 255 + 32 * Oversample) / (64 * Oversample)));
    image->coverage = Coverage.data();
    return true;
}
