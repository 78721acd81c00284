// Fonts and PrintText. Small upright text is drawn from anti-aliased glyph coverage kept in
// an atlas; other text fills the glyph outlines, which the platform layer gives as display
// lists in em units.
// Owns: Font, the text trace file, the glyph atlas. Writes: Shell.FontMissing.
#include "shell/text.h"

#include "shell/automation.h"
#include "shell/shell.h"
#include "platform/platform.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

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
    GLdouble x0, y0, z0, x1, y1, z1, ax, ay, az;
    gluProject(0, 0, 0, model, projection, viewport, &x0, &y0, &z0);
    gluProject(0, 1, 0, model, projection, viewport, &x1, &y1, &z1);
    gluProject(1, 0, 0, model, projection, viewport, &ax, &ay, &az);
    // Upright: the baseline runs left to right across the window and the em points up.
    const bool upright = ax > x0 && y1 > y0 && std::fabs(ay - y0) < 0.01 * (ax - x0) && std::fabs(x1 - x0) < 0.01 * (y1 - y0);
    int clientW = 0, clientH = 0;
    PlatformGetClientSize(&clientW, &clientH);
    bool clipped = false;
    if (glIsEnabled(GL_SCISSOR_TEST)) {
        glGetIntegerv(GL_SCISSOR_BOX, scissor);
        clipped = x0 < scissor[0] || x0 > scissor[0] + scissor[2] || y0 < scissor[1] || y0 > scissor[1] + scissor[3];
    }
    std::fprintf(TextTrace, "{\"frame\":%ld,\"font\":%d,\"align\":%d,\"text\":", AutomationFrameNumber(), slot, alignment);
    WriteJsonString(TextTrace, text);
    // em: the em's height in window pixels; emx: its width, the same but for a label set
    // narrowed to fit its place.
    std::fprintf(TextTrace,
                 ",\"rgb\":[%.3f,%.3f,%.3f],\"x\":%.2f,\"y\":%.2f,\"em\":%.2f,\"emx\":%.2f,\"clipped\":%s,\"upright\":%s}\n",
                 colour[0], colour[1], colour[2], x0, clientH - y0, std::hypot(x1 - x0, y1 - y0),
                 std::hypot(ax - x0, ay - y0), clipped ? "true" : "false", upright ? "true" : "false");
}
} // namespace

// ---------------------------------------------------------------------------------------
// Small text is drawn from anti-aliased glyph coverage. A filled outline covers a pixel or
// not, so at 9 to 14 pixels an em thin stems and the bars of E, P and 2 fall between pixel
// centres and vanish; the rasteriser's coverage keeps every stroke as a grey level. Each
// glyph is rasterised once per size and quarter-pixel phase into an alpha atlas, and a text
// becomes one textured rectangle per character at the window pixels the outline would
// cover: the pen advances by the same metrics as the lists, so positions, widths and
// alignment do not change. Rectangles are two triangles where an outline is some twenty, so
// this is also cheaper on a software rasteriser.
//
// The outlines stay for what coverage at window pixels cannot show: text that is turned or
// mirrored (the rose's labels), recorded into a display list, or larger than MaxCoverageEm.
namespace {
constexpr int AtlasSize = 1024;
constexpr float MaxCoverageEm = 96.0f;   // pixels; beyond that the outline is as smooth
constexpr int Phases = 4;                // horizontal pen positions per pixel
constexpr int MaxPending = 2048;         // characters waiting in a batch

struct AtlasGlyph {
    bool drawable = false;           // false: nothing to draw (a blank or no glyph)
    short left = 0, top = 0, w = 0, h = 0;
    short tx = 0, ty = 0;
};

constexpr int MaxClips = 8;

struct PendingGlyph {
    short x, y, w, h;   // window pixels from the bottom left, as GL counts
    short tx, ty;
    GLfloat colour[4];
};

struct CoverageState {
    bool enabled = true;
    bool resetDue = false;
    bool slotBold[4] = {};
    unsigned texture = 0;
    int shelfX = 0, shelfY = 0, shelfH = 0;   // atlas packing: rows of glyphs
    std::unordered_map<uint64_t, AtlasGlyph> glyphs;
    TextCounts counts;
    int batchDepth = 0;
    PendingGlyph pending[MaxPending];
    int pendingCount = 0;
    GLint pendingViewport[4] = {};
    // The scissoring each run of waiting glyphs was printed under, from its first glyph on:
    // a batch may span a change of clip (the map's labels, then the air data outside it),
    // and each run is drawn clipped as it was printed.
    struct Clip {
        bool scissor = false;
        GLint box[4] = {};
        int first = 0;
    } clips[MaxClips];
    int clipCount = 0;
};
CoverageState Coverage;

void ResetAtlas()
{
    Coverage.glyphs.clear();
    Coverage.shelfX = Coverage.shelfY = Coverage.shelfH = 0;
    Coverage.resetDue = false;
    ++Coverage.counts.atlasResets;
}

bool PlaceInAtlas(int w, int h, int* tx, int* ty)
{
    if (Coverage.shelfX + w > AtlasSize) {
        Coverage.shelfY += Coverage.shelfH + 1;
        Coverage.shelfX = Coverage.shelfH = 0;
    }
    if (Coverage.shelfY + h > AtlasSize)
        return false;
    *tx = Coverage.shelfX;
    *ty = Coverage.shelfY;
    Coverage.shelfX += w + 1;   // a blank texel between glyphs
    Coverage.shelfH = std::max(Coverage.shelfH, h);
    return true;
}

// The glyph of a character at a size and phase, rasterised into the atlas the first time;
// null when the atlas is full (it starts afresh at the next frame) or the texture failed.
const AtlasGlyph* FindGlyph(int slot, unsigned char code, int emX8, int emY8, int phase)
{
    uint64_t key = (static_cast<uint64_t>(slot & 3) << 50) | (static_cast<uint64_t>(code) << 42) |
                   (static_cast<uint64_t>(emX8) << 24) | (static_cast<uint64_t>(emY8) << 6) | static_cast<uint64_t>(phase);
    auto found = Coverage.glyphs.find(key);
    if (found != Coverage.glyphs.end())
        return &found->second;
    AtlasGlyph glyph;
    PlatformGlyphImage image;
    if (PlatformRasteriseGlyph(Coverage.slotBold[slot & 3], code, emX8 / 8.0f, emY8 / 8.0f,
                               static_cast<float>(phase) / Phases, &image) &&
        image.width > 0 && image.height > 0) {
        int tx = 0, ty = 0;
        if (!PlaceInAtlas(image.width, image.height, &tx, &ty)) {
            Coverage.resetDue = true;
            return nullptr;
        }
        GLint binding = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
        if (!Coverage.texture) {
            glGenTextures(1, &Coverage.texture);
            glBindTexture(GL_TEXTURE_2D, Coverage.texture);
            std::vector<unsigned char> blank(static_cast<size_t>(AtlasSize) * AtlasSize);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, AtlasSize, AtlasSize, 0, GL_ALPHA, GL_UNSIGNED_BYTE, blank.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        } else {
            glBindTexture(GL_TEXTURE_2D, Coverage.texture);
        }
        GLint alignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, tx, ty, image.width, image.height, GL_ALPHA, GL_UNSIGNED_BYTE, image.coverage);
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(binding));
        glyph.drawable = true;
        glyph.left = static_cast<short>(image.left);
        glyph.top = static_cast<short>(image.top);
        glyph.w = static_cast<short>(image.width);
        glyph.h = static_cast<short>(image.height);
        glyph.tx = static_cast<short>(tx);
        glyph.ty = static_cast<short>(ty);
        ++Coverage.counts.glyphsRasterised;
    }
    return &Coverage.glyphs.emplace(key, glyph).first->second;
}

// Draws the waiting characters in one switch of the rasteriser's state into the atlas and
// one back, under the viewport and scissoring they were printed with. The state is saved
// and put back by hand (an attribute push costs more than the rectangles); the current
// colour too, which the caller may have set for what it prints next.
void FlushPending()
{
    if (Coverage.pendingCount == 0)
        return;
    GLint viewport[4], box[4], binding = 0, envMode = 0, blendSrc = 0, blendDst = 0;
    GLfloat colour[4], texCoord[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_SCISSOR_BOX, box);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    glGetIntegerv(GL_BLEND_SRC, &blendSrc);
    glGetIntegerv(GL_BLEND_DST, &blendDst);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
    const bool scissor = glIsEnabled(GL_SCISSOR_TEST), blend = glIsEnabled(GL_BLEND),
               texture = glIsEnabled(GL_TEXTURE_2D), depth = glIsEnabled(GL_DEPTH_TEST);
    const GLint* vp = Coverage.pendingViewport;
    glViewport(vp[0], vp[1], vp[2], vp[3]);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, Coverage.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(vp[0], vp[0] + vp[2], vp[1], vp[1] + vp[3], -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const float s = 1.0f / AtlasSize;
    for (int c = 0; c < Coverage.clipCount; ++c) {
        const CoverageState::Clip& clip = Coverage.clips[c];
        const int end = c + 1 < Coverage.clipCount ? Coverage.clips[c + 1].first : Coverage.pendingCount;
        if (end <= clip.first)
            continue;
        if (clip.scissor) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(clip.box[0], clip.box[1], clip.box[2], clip.box[3]);
        } else {
            glDisable(GL_SCISSOR_TEST);
        }
        glBegin(GL_QUADS);
        for (int i = clip.first; i < end; ++i) {
            const PendingGlyph& g = Coverage.pending[i];
            glColor4fv(g.colour);
            // The atlas holds the coverage top row first: its first row is the glyph's top.
            glTexCoord2f(g.tx * s, (g.ty + g.h) * s);
            glVertex2i(g.x, g.y);
            glTexCoord2f((g.tx + g.w) * s, (g.ty + g.h) * s);
            glVertex2i(g.x + g.w, g.y);
            glTexCoord2f((g.tx + g.w) * s, g.ty * s);
            glVertex2i(g.x + g.w, g.y + g.h);
            glTexCoord2f(g.tx * s, g.ty * s);
            glVertex2i(g.x, g.y + g.h);
        }
        glEnd();
    }
    Coverage.pendingCount = 0;
    Coverage.clipCount = 0;
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, envMode);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(binding));
    if (!texture)
        glDisable(GL_TEXTURE_2D);
    if (depth)
        glEnable(GL_DEPTH_TEST);
    glBlendFunc(static_cast<GLenum>(blendSrc), static_cast<GLenum>(blendDst));
    if (!blend)
        glDisable(GL_BLEND);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glScissor(box[0], box[1], box[2], box[3]);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
    else
        glDisable(GL_SCISSOR_TEST);
    glColor4fv(colour);
    glTexCoord4fv(texCoord);
}

// Queues the text's characters as rectangles of coverage; false when the text is not
// upright and unmirrored at a size the atlas serves, or is being recorded into a display
// list, and the caller fills the outlines instead. The pen is left where it stands.
bool QueueCoverage(int slot, const char* text, size_t length, const GLfloat colour[4])
{
    if (!Coverage.enabled || Coverage.resetDue)
        return false;
    GLint list = 0, mode = 0;
    glGetIntegerv(GL_LIST_INDEX, &list);
    glGetIntegerv(GL_RENDER_MODE, &mode);
    if (list != 0 || mode != GL_RENDER || glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_DEPTH_TEST) ||
        glIsEnabled(GL_STENCIL_TEST))
        return false;
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    // The pen's window position and the window lengths of an em across and up. Text lies in
    // a plane facing the viewer, where the projection is a uniform scale.
    GLdouble ox, oy, oz, xx, xy, xz, yx, yy, yz;
    if (!gluProject(0, 0, 0, model, projection, viewport, &ox, &oy, &oz) ||
        !gluProject(1, 0, 0, model, projection, viewport, &xx, &xy, &xz) ||
        !gluProject(0, 1, 0, model, projection, viewport, &yx, &yy, &yz))
        return false;
    const double emX = xx - ox, emY = yy - oy;
    if (!(emX >= 1 && emY >= 1 && emX <= MaxCoverageEm && emY <= MaxCoverageEm) ||
        std::fabs(xy - oy) > 0.01 * emX || std::fabs(yx - ox) > 0.01 * emY || !std::isfinite(ox) ||
        !std::isfinite(oy) || std::fabs(ox) > 16000 || std::fabs(oy) > 16000)
        return false;
    // Sizes in eighths of a pixel: a text and its neighbours of the same size share glyphs.
    const int emX8 = static_cast<int>(std::lround(emX * 8)), emY8 = static_cast<int>(std::lround(emY * 8));
    // The baseline on a whole pixel row, so that the hinted horizontal strokes stay sharp.
    const int baseline = static_cast<int>(std::lround(oy));

    GLint scissorBox[4] = {};
    const bool scissor = glIsEnabled(GL_SCISSOR_TEST);
    if (scissor)
        glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    auto sameClip = [&](const CoverageState::Clip& clip) {
        return clip.scissor == scissor && (!scissor || std::memcmp(scissorBox, clip.box, sizeof scissorBox) == 0);
    };
    const bool newClip = Coverage.clipCount == 0 || !sameClip(Coverage.clips[Coverage.clipCount - 1]);
    if (Coverage.pendingCount > 0 &&
        (std::memcmp(viewport, Coverage.pendingViewport, sizeof viewport) != 0 ||
         (newClip && Coverage.clipCount == MaxClips) || Coverage.pendingCount + static_cast<int>(length) > MaxPending))
        FlushPending();
    if (Coverage.pendingCount == 0) {
        std::memcpy(Coverage.pendingViewport, viewport, sizeof viewport);
        Coverage.clipCount = 0;
    }
    if (Coverage.clipCount == 0 || !sameClip(Coverage.clips[Coverage.clipCount - 1])) {
        CoverageState::Clip& clip = Coverage.clips[Coverage.clipCount++];
        clip.scissor = scissor;
        std::memcpy(clip.box, scissorBox, sizeof scissorBox);
        clip.first = Coverage.pendingCount;
    }
    const int start = Coverage.pendingCount;
    double pen = ox;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char code = static_cast<unsigned char>(text[i]);
        const double left = std::floor(pen);
        int phase = static_cast<int>(std::lround((pen - left) * Phases));
        int x = static_cast<int>(left);
        if (phase == Phases) {
            phase = 0;
            ++x;
        }
        const AtlasGlyph* glyph = FindGlyph(slot, code, emX8, emY8, phase);
        if (!glyph) {
            Coverage.pendingCount = start;   // the atlas is full: this text as outlines
            return false;
        }
        if (glyph->drawable) {
            PendingGlyph& g = Coverage.pending[Coverage.pendingCount++];
            g.x = static_cast<short>(x + glyph->left);
            g.y = static_cast<short>(baseline + glyph->top - glyph->h);
            g.w = glyph->w;
            g.h = glyph->h;
            g.tx = glyph->tx;
            g.ty = glyph->ty;
            std::memcpy(g.colour, colour, sizeof g.colour);
        }
        pen += Font.SlotMetrics[slot & 3][code].cellIncX * emX;
    }
    ++Coverage.counts.coverageTexts;
    if (Coverage.batchDepth == 0)
        FlushPending();
    return true;
}

// The pen moves as the glyph lists move it, one character's advance at a time, so the
// model-view matrix after a text drawn from coverage is the one the lists leave.
void AdvancePen(int slot, const char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        float advance = Font.SlotMetrics[slot & 3][static_cast<unsigned char>(text[i])].cellIncX;
        if (advance != 0)
            glTranslatef(advance, 0, 0);
    }
}
} // namespace

void TextFrameStart()
{
    // A batch never spans frames; one left open (a drawing that returned early) ends here,
    // and what it held was drawn with the frame it belonged to or not at all.
    Coverage.batchDepth = 0;
    Coverage.pendingCount = 0;
    Coverage.clipCount = 0;
    if (Coverage.resetDue)
        ResetAtlas();
}

void TextBatchBegin()
{
    ++Coverage.batchDepth;
}

void TextBatchFlush()
{
    FlushPending();
}

void TextBatchFlushUnder(float x0, float y0, float x1, float y1)
{
    if (Coverage.pendingCount == 0)
        return;
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double left = 1e9, bottom = 1e9, right = -1e9, top = -1e9;
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (const auto& c : corners) {
        GLdouble wx, wy, wz;
        if (!gluProject(c[0], c[1], 0, model, projection, viewport, &wx, &wy, &wz) || !std::isfinite(wx) ||
            !std::isfinite(wy)) {
            FlushPending();
            return;
        }
        left = std::min(left, wx), right = std::max(right, wx);
        bottom = std::min(bottom, wy), top = std::max(top, wy);
    }
    // A smoothed line of the widest width drawn (3 px) reaches two pixels past its edge;
    // two more for rounding.
    constexpr double Reach = 4;
    left -= Reach, bottom -= Reach, right += Reach, top += Reach;
    for (int i = 0; i < Coverage.pendingCount; ++i) {
        const PendingGlyph& g = Coverage.pending[i];
        if (g.x < right && g.x + g.w > left && g.y < top && g.y + g.h > bottom) {
            FlushPending();
            return;
        }
    }
}

void TextBatchEnd()
{
    FlushPending();
    if (Coverage.batchDepth > 0)
        --Coverage.batchDepth;
}

void TextCoverageEnable(bool on)
{
    FlushPending();
    Coverage.enabled = on;
}

void TextCoverageReset()
{
    Coverage.pendingCount = 0;
    Coverage.clipCount = 0;
    Coverage.batchDepth = 0;
    ResetAtlas();
    Coverage.counts = TextCounts{};
    if (Coverage.texture)
        glDeleteTextures(1, &Coverage.texture);
    Coverage.texture = 0;
}

TextCounts TextCountsNow()
{
    return Coverage.counts;
}

void BuildFont(const char* face, int slot, int height, int weight)
{
    (void)height;   // glyphs are built at one unit per em; callers scale
    TextCoverageReset();
    // ORVEX_TEXT_COVERAGE=0 fills every text from its outlines, as the Windows backend
    // (which has no coverage yet) does: should a driver ever show the coverage wrongly, and
    // so that a Linux picture can be compared with a Windows one.
    if (const char* setting = std::getenv("ORVEX_TEXT_COVERAGE"); setting && std::strcmp(setting, "0") == 0)
        Coverage.enabled = false;
    Font.ListBase[slot] = glGenLists(256);
    Coverage.slotBold[slot & 3] = weight >= 700;
    bool found = PlatformBuildOutlineFont(face, weight >= 700, Font.ListBase[slot], Font.Metrics);
    std::memcpy(Font.SlotMetrics[slot & 3], Font.Metrics, sizeof Font.Metrics);
    Shell.FontMissing = !found;
    // A backend that gives no coverage at all (the Windows one, for now) fills every text
    // from its outlines rather than leaving the glyphs blank.
    PlatformGlyphImage probe;
    if (found && !PlatformRasteriseGlyph(weight >= 700, 'A', 12.0f, 12.0f, 0.0f, &probe))
        Coverage.enabled = false;
}

const std::vector<float>* GlyphTriangles(int slot, unsigned char code)
{
    return Font.ListBase[slot & 3] ? PlatformGlyphTriangles(Coverage.slotBold[slot & 3], code) : nullptr;
}

void KillFonts()
{
    TextCoverageReset();
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
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    if (QueueCoverage(slot, text, length, colour)) {
        AdvancePen(slot, text, length);
        return;
    }
    // Outlines: texts waiting in a batch go first, so texts keep their order.
    FlushPending();
    ++Coverage.counts.outlineTexts;
    // The displays' text colours are opaque, and blending an opaque colour gives the colour
    // itself, so the outlines are filled with blending off: the same pixels, without a
    // software rasteriser reading back and blending every pixel they cover.
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
