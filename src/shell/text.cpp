// Outline fonts and PrintText. The glyph outlines come from the platform layer as display
// lists in em units; printing costs one list call per character and no allocation.
// Owns: Font, the text trace file, the text cache. Writes: Shell.FontMissing.
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

// ---------------------------------------------------------------------------------------
// The text cache. A text printed at the same place three frames running (the EICAS's labels
// and steady readouts, the soft-key legends, the page titles) is kept as a picture of its
// own pixels: after the frame's swap (or, for a caller that draws frames without the main
// loop, before the next frame's clear) its glyphs are filled once more, in white on black,
// with exactly the matrices, viewport and lists it was printed with, and that patch of the
// back buffer is copied into an intensity texture. From then on
// the text is one textured rectangle at the same window pixels, its texels standing for the
// fill's coverage: the alpha test keeps the covered pixels and the current colour paints
// them, so the picture is the one the glyphs give, pixel for pixel, while a software
// rasteriser sets up two triangles instead of some twenty a character (text was half the
// EICAS's CPU on llvmpipe). A text that moves or changes every frame (map labels, needle
// readouts in motion) never stands that long and is filled as glyphs, as before.
//
// Only what the copy reproduces exactly is cached: opaque colour (overlapping glyphs of a
// translucent text would blend twice), no texturing, depth or stencil test active, not while
// a display list is being compiled. Scissoring and blending of the rectangle's own pixels
// act on it as they would on the glyphs. ORVEX_TEXT_CACHE=0 turns the cache off, for
// comparisons and for a driver that copies the back buffer wrongly.
namespace {
constexpr int AtlasSize = 1024;
constexpr int CacheEntries = 1024;        // a power of two; the table is reset when 3/4 full
constexpr int MaxPatch = 512;             // a larger text is not worth the atlas space
constexpr int SeenPerFrame = 512;
// A text is copied once it has stood unchanged this many frames: a readout that moves every
// few frames (fuel flow, ITT in a climb) would otherwise be copied for one or two uses.
constexpr int FramesBeforeCaching = 3;
constexpr int MaxPending = 256;

enum class CacheState : unsigned char { Empty, Queued, Ready, Unusable };

struct CacheKey {
    int slot = 0, length = 0;
    GLfloat model[16] = {}, projection[16] = {};
    GLint viewport[4] = {};
    char text[PrintTextMax + 1] = {};
};

struct CacheEntry {
    uint64_t hash = 0;
    CacheState state = CacheState::Empty;
    CacheKey key;
    int x = 0, y = 0, w = 0, h = 0;   // window pixels, from the bottom left as GL counts
    int tx = 0, ty = 0;               // where the patch lies in the atlas
};

// Cached texts waiting in a batch, each with the colour it was printed in.
struct PendingText {
    const CacheEntry* entry;
    GLfloat colour[4];
};

struct TextCacheState {
    bool enabled = true;
    bool resetDue = false;
    unsigned texture = 0;
    int used = 0;
    int queued = 0;
    int shelfX = 0, shelfY = 0, shelfH = 0;   // atlas packing: rows of patches
    struct Seen {
        uint64_t hash;
        int frames;
    };
    Seen seen[2][SeenPerFrame] = {};          // texts missed last frame and this
    int seenCount[2] = {};
    int thisFrame = 0;
    TextCacheCounts counts;
    CacheKey probe;                           // the key of the text being printed
    int batchDepth = 0;
    PendingText pending[MaxPending];
    int pendingCount = 0;
    bool pendingScissor = false;
    GLint pendingScissorBox[4] = {};
    CacheEntry entries[CacheEntries];
};
TextCacheState Cache;

uint64_t HashBytes(uint64_t h, const void* data, size_t size)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

uint64_t HashKey(const CacheKey& key)
{
    uint64_t h = 14695981039346656037ull;
    h = HashBytes(h, &key.slot, sizeof key.slot);
    h = HashBytes(h, key.model, sizeof key.model);
    h = HashBytes(h, key.projection, sizeof key.projection);
    h = HashBytes(h, key.viewport, sizeof key.viewport);
    h = HashBytes(h, key.text, key.length);
    return h ? h : 1;
}

bool SameKey(const CacheKey& a, const CacheKey& b)
{
    return a.slot == b.slot && a.length == b.length && std::memcmp(a.model, b.model, sizeof a.model) == 0 &&
           std::memcmp(a.projection, b.projection, sizeof a.projection) == 0 &&
           std::memcmp(a.viewport, b.viewport, sizeof a.viewport) == 0 && std::memcmp(a.text, b.text, a.length) == 0;
}

void ClearTable()
{
    Cache.pendingCount = 0;
    for (CacheEntry& e : Cache.entries)
        e.state = CacheState::Empty;
    Cache.used = Cache.queued = 0;
    Cache.shelfX = Cache.shelfY = Cache.shelfH = 0;
    Cache.seenCount[0] = Cache.seenCount[1] = 0;
    Cache.resetDue = false;
    ++Cache.counts.resets;
}

// The entry for a key, or the empty one where it would go; null when the probe runs out.
CacheEntry* FindEntry(const CacheKey& key, uint64_t hash)
{
    for (int i = 0; i < 16; ++i) {
        CacheEntry& e = Cache.entries[(hash + i) & (CacheEntries - 1)];
        if (e.state == CacheState::Empty || (e.hash == hash && SameKey(e.key, key)))
            return &e;
    }
    return nullptr;
}

// How many frames running, this one included, the text has been printed unchanged.
int FramesSeen(uint64_t hash)
{
    const int last = Cache.thisFrame ^ 1;
    for (int i = 0; i < Cache.seenCount[last]; ++i)
        if (Cache.seen[last][i].hash == hash)
            return Cache.seen[last][i].frames + 1;
    return 1;
}

void NoteSeen(uint64_t hash, int frames)
{
    int& count = Cache.seenCount[Cache.thisFrame];
    if (count < SeenPerFrame)
        Cache.seen[Cache.thisFrame][count++] = {hash, frames};
}

// Whether the state the text is printed in lets a copy of its pixels stand for it.
bool CacheableState(const GLfloat colour[4])
{
    if (!Cache.enabled || colour[3] < 1.0f)
        return false;
    if (glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(GL_STENCIL_TEST) ||
        glIsEnabled(GL_POLYGON_SMOOTH) || glIsEnabled(GL_POLYGON_STIPPLE) || glIsEnabled(GL_CULL_FACE) ||
        glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_FOG))
        return false;
    GLint list = 0, mode = 0;
    glGetIntegerv(GL_LIST_INDEX, &list);
    glGetIntegerv(GL_RENDER_MODE, &mode);
    return list == 0 && mode == GL_RENDER;
}

// The text's window rectangle: its em box, widened for glyphs that reach past their cell,
// through the key's matrices, and a pixel of margin; false when it is off the window, too
// large, or the projection degenerates.
bool PatchRect(const CacheKey& key, float width, int* x, int* y, int* w, int* h)
{
    float left = -0.25f, right = width + 0.25f, bottom = -0.4f, top = 1.2f;
    float pen = 0;
    for (int i = 0; i < key.length; ++i) {
        const PlatformGlyphMetrics& m = Font.SlotMetrics[key.slot][static_cast<unsigned char>(key.text[i])];
        left = std::min(left, pen + m.originX - 0.1f);
        right = std::max(right, pen + m.originX + m.blackBoxX + 0.1f);
        top = std::max(top, m.originY + 0.1f);
        bottom = std::min(bottom, m.originY - m.blackBoxY - 0.1f);
        pen += m.cellIncX;
    }
    GLdouble model[16], projection[16];
    for (int i = 0; i < 16; ++i) {
        model[i] = key.model[i];
        projection[i] = key.projection[i];
    }
    double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
    const float corners[4][2] = {{left, bottom}, {right, bottom}, {right, top}, {left, top}};
    for (const auto& c : corners) {
        GLdouble wx, wy, wz;
        if (!gluProject(c[0], c[1], 0, model, projection, key.viewport, &wx, &wy, &wz) || !std::isfinite(wx) ||
            !std::isfinite(wy))
            return false;
        minX = std::min(minX, wx);
        maxX = std::max(maxX, wx);
        minY = std::min(minY, wy);
        maxY = std::max(maxY, wy);
    }
    int clientW = 0, clientH = 0;
    PlatformGetClientSize(&clientW, &clientH);
    int x0 = static_cast<int>(std::max(0.0, std::floor(minX) - 1));
    int y0 = static_cast<int>(std::max(0.0, std::floor(minY) - 1));
    int x1 = static_cast<int>(std::min(static_cast<double>(clientW), std::ceil(maxX) + 1));
    int y1 = static_cast<int>(std::min(static_cast<double>(clientH), std::ceil(maxY) + 1));
    if (x1 <= x0 || y1 <= y0 || x1 - x0 > MaxPatch || y1 - y0 > MaxPatch)
        return false;
    *x = x0;
    *y = y0;
    *w = x1 - x0;
    *h = y1 - y0;
    return true;
}

// The text's advance as its own slot's lists move the pen.
float SlotTextWidth(const CacheKey& key)
{
    float width = 0;
    for (int i = 0; i < key.length; ++i)
        width += Font.SlotMetrics[key.slot][static_cast<unsigned char>(key.text[i])].cellIncX;
    return width;
}

bool PlacePatch(int w, int h, int* tx, int* ty)
{
    if (Cache.shelfX + w > AtlasSize) {
        Cache.shelfY += Cache.shelfH;
        Cache.shelfX = Cache.shelfH = 0;
    }
    if (Cache.shelfY + h > AtlasSize)
        return false;
    *tx = Cache.shelfX;
    *ty = Cache.shelfY;
    Cache.shelfX += w;
    Cache.shelfH = std::max(Cache.shelfH, h);
    return true;
}

void FillEntry(CacheEntry& e)
{
    const CacheKey& key = e.key;
    if (!PatchRect(key, SlotTextWidth(key), &e.x, &e.y, &e.w, &e.h)) {
        e.state = CacheState::Unusable;   // off the window or too large: always glyphs
        return;
    }
    if (!PlacePatch(e.w, e.h, &e.tx, &e.ty)) {
        e.state = CacheState::Unusable;
        Cache.resetDue = true;   // the atlas is full: start afresh next frame
        return;
    }
    glViewport(key.viewport[0], key.viewport[1], key.viewport[2], key.viewport[3]);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(key.projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(key.model);
    glScissor(e.x, e.y, e.w, e.h);
    glClear(GL_COLOR_BUFFER_BIT);
    glListBase(Font.ListBase[key.slot & 3]);
    glCallLists(key.length, GL_UNSIGNED_BYTE, key.text);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, e.tx, e.ty, e.x, e.y, e.w, e.h);
    e.state = CacheState::Ready;
    ++Cache.counts.fills;
}

// Draws cached texts as textured rectangles, in one switch of the rasteriser's state into
// the cache's texture and one back. The state is saved and put back by hand (an attribute
// push of the texture group costs more than the rectangles); the current colour too, which
// the caller may have set for what it prints next.
void DrawCachedTexts(const PendingText* texts, int count)
{
    GLint binding = 0, envMode = 0, alphaFunc = 0;
    GLfloat alphaRef = 0, colour[4], texCoord[4];
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &alphaFunc);
    glGetFloatv(GL_ALPHA_TEST_REF, &alphaRef);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
    bool blend = glIsEnabled(GL_BLEND), alphaTest = glIsEnabled(GL_ALPHA_TEST);
    if (blend)
        glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, Cache.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    const GLint* vp = texts[0].entry->key.viewport;   // a batch shares one viewport
    glOrtho(vp[0], vp[0] + vp[2], vp[1], vp[1] + vp[3], -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const float s = 1.0f / AtlasSize;
    glBegin(GL_QUADS);
    for (int i = 0; i < count; ++i) {
        const CacheEntry& e = *texts[i].entry;
        glColor4fv(texts[i].colour);
        glTexCoord2f(e.tx * s, e.ty * s);
        glVertex2i(e.x, e.y);
        glTexCoord2f((e.tx + e.w) * s, e.ty * s);
        glVertex2i(e.x + e.w, e.y);
        glTexCoord2f((e.tx + e.w) * s, (e.ty + e.h) * s);
        glVertex2i(e.x + e.w, e.y + e.h);
        glTexCoord2f(e.tx * s, (e.ty + e.h) * s);
        glVertex2i(e.x, e.y + e.h);
    }
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glAlphaFunc(static_cast<GLenum>(alphaFunc), alphaRef);
    if (!alphaTest)
        glDisable(GL_ALPHA_TEST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, envMode);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(binding));
    glDisable(GL_TEXTURE_2D);
    if (blend)
        glEnable(GL_BLEND);
    glColor4fv(colour);
    glTexCoord4fv(texCoord);
}

// The waiting texts are drawn under the scissoring they were printed with, which the
// caller may have changed since.
void FlushPending()
{
    if (Cache.pendingCount == 0)
        return;
    GLint box[4];
    bool scissor = glIsEnabled(GL_SCISSOR_TEST);
    glGetIntegerv(GL_SCISSOR_BOX, box);
    bool same = scissor == Cache.pendingScissor &&
                (!scissor || std::memcmp(box, Cache.pendingScissorBox, sizeof box) == 0);
    if (!same) {
        if (Cache.pendingScissor) {
            glEnable(GL_SCISSOR_TEST);
            const GLint* b = Cache.pendingScissorBox;
            glScissor(b[0], b[1], b[2], b[3]);
        } else {
            glDisable(GL_SCISSOR_TEST);
        }
    }
    DrawCachedTexts(Cache.pending, Cache.pendingCount);
    Cache.pendingCount = 0;
    if (!same) {
        glScissor(box[0], box[1], box[2], box[3]);
        if (scissor)
            glEnable(GL_SCISSOR_TEST);
        else
            glDisable(GL_SCISSOR_TEST);
    }
}

// A text joins the batch when it shares the waiting texts' viewport and scissoring, which
// act on the rectangles when they are drawn; otherwise those are drawn first.
void QueueCachedText(const CacheEntry& e, const GLfloat colour[4])
{
    GLint scissorBox[4] = {};
    bool scissor = glIsEnabled(GL_SCISSOR_TEST);
    if (scissor)
        glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    if (Cache.pendingCount > 0) {
        const CacheEntry& first = *Cache.pending[0].entry;
        bool same = std::memcmp(first.key.viewport, e.key.viewport, sizeof e.key.viewport) == 0 &&
                    scissor == Cache.pendingScissor &&
                    (!scissor || std::memcmp(scissorBox, Cache.pendingScissorBox, sizeof scissorBox) == 0);
        if (!same || Cache.pendingCount == MaxPending)
            FlushPending();
    }
    if (Cache.pendingCount == 0) {
        Cache.pendingScissor = scissor;
        std::memcpy(Cache.pendingScissorBox, scissorBox, sizeof scissorBox);
    }
    PendingText& p = Cache.pending[Cache.pendingCount++];
    p.entry = &e;
    std::memcpy(p.colour, colour, sizeof p.colour);
}

// Whether a text about to be filled as glyphs may cover a waiting text: their rectangles
// (the glyphs' with a margin) meet, or the new one's could not be worked out. Texts that do
// not meet can be drawn in either order; a batch then keeps its texts through the changing
// readouts between them instead of switching state for each.
bool GlyphsOverlapPending(const CacheKey& key)
{
    int x, y, w, h;
    if (!PatchRect(key, SlotTextWidth(key), &x, &y, &w, &h))
        return true;
    for (int i = 0; i < Cache.pendingCount; ++i) {
        const CacheEntry& e = *Cache.pending[i].entry;
        if (x < e.x + e.w && e.x < x + w && y < e.y + e.h && e.y < y + h)
            return true;
    }
    return false;
}

// Draws the text from the cache when its picture is there; otherwise notes it, so that a
// text seen again next frame is filled then. False: the caller fills the glyphs.
bool DrawCached(int slot, const char* text, size_t length, const GLfloat colour[4])
{
    if (!CacheableState(colour))
        return false;
    CacheKey& probe = Cache.probe;
    probe.slot = slot & 3;
    probe.length = static_cast<int>(length);
    glGetFloatv(GL_MODELVIEW_MATRIX, probe.model);
    glGetFloatv(GL_PROJECTION_MATRIX, probe.projection);
    glGetIntegerv(GL_VIEWPORT, probe.viewport);
    std::memcpy(probe.text, text, length);
    probe.text[length] = '\0';
    uint64_t hash = HashKey(probe);
    CacheEntry* e = FindEntry(probe, hash);
    if (e && e->state == CacheState::Ready) {
        ++Cache.counts.hits;
        if (Cache.batchDepth > 0) {
            QueueCachedText(*e, colour);
        } else {
            PendingText one{e, {colour[0], colour[1], colour[2], colour[3]}};
            DrawCachedTexts(&one, 1);
        }
        return true;
    }
    // This text is filled as glyphs: batch texts waiting under it go first, so that texts
    // keep their order among themselves where they overlap.
    if (Cache.pendingCount > 0 && GlyphsOverlapPending(probe))
        FlushPending();
    if (!e || e->state != CacheState::Empty)
        return false;
    int frames = FramesSeen(hash);
    if (frames >= FramesBeforeCaching && Cache.used < CacheEntries * 3 / 4) {
        e->hash = hash;
        e->key = probe;
        e->state = CacheState::Queued;
        ++Cache.used;
        ++Cache.queued;
    } else {
        NoteSeen(hash, frames);
    }
    return false;
}
// The pen moves as the glyph lists move it, one character's advance at a time, so the
// model-view matrix after a cached text is the one the lists leave.
void AdvancePen(int slot, const char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        float advance = Font.SlotMetrics[slot & 3][static_cast<unsigned char>(text[i])].cellIncX;
        if (advance != 0)
            glTranslatef(advance, 0, 0);
    }
}
} // namespace

void TextCacheFrameStart()
{
    if (!Cache.enabled)
        return;
    // A batch never spans frames; one left open (a drawing that returned early) ends here,
    // and what it held was drawn with the frame it belonged to or not at all.
    Cache.batchDepth = 0;
    Cache.pendingCount = 0;
    if (Cache.resetDue || Cache.used >= CacheEntries * 3 / 4)
        ClearTable();
    Cache.thisFrame ^= 1;
    Cache.seenCount[Cache.thisFrame] = 0;
    TextCacheFill();
}

void TextCacheFill()
{
    if (!Cache.enabled || Cache.queued == 0)
        return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    // Errors left by earlier drawing are not the cache's: only its own are looked at below.
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    if (!Cache.texture) {
        glGenTextures(1, &Cache.texture);
        glBindTexture(GL_TEXTURE_2D, Cache.texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_INTENSITY8, AtlasSize, AtlasSize, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }
    glBindTexture(GL_TEXTURE_2D, Cache.texture);
    const GLenum off[] = {GL_BLEND, GL_ALPHA_TEST, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_TEXTURE_2D, GL_LIGHTING, GL_FOG,
                          GL_COLOR_LOGIC_OP, GL_POLYGON_SMOOTH, GL_POLYGON_STIPPLE, GL_CULL_FACE, GL_DITHER};
    for (GLenum cap : off)
        glDisable(cap);
    glEnable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0, 0, 0, 0);
    glColor4f(1, 1, 1, 1);
    for (CacheEntry& e : Cache.entries)
        if (e.state == CacheState::Queued)
            FillEntry(e);
    Cache.queued = 0;
    // A driver that cannot make or fill the intensity texture gets glyphs from now on, as
    // with ORVEX_TEXT_CACHE=0, rather than rectangles of whatever the texture holds.
    bool failed = glGetError() != GL_NO_ERROR;
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    if (failed) {
        std::fprintf(stderr, "orvex: the graphics driver cannot keep text pictures; drawing text as outlines\n");
        TextCacheEnable(false);
    }
}

void TextBatchBegin()
{
    ++Cache.batchDepth;
}

void TextBatchFlush()
{
    FlushPending();
}

void TextBatchEnd()
{
    FlushPending();
    if (Cache.batchDepth > 0)
        --Cache.batchDepth;
}

void TextCacheEnable(bool on)
{
    TextCacheReset();
    Cache.enabled = on;
}

void TextCacheReset()
{
    ClearTable();
    Cache.counts = TextCacheCounts{};
    if (Cache.texture)
        glDeleteTextures(1, &Cache.texture);
    Cache.texture = 0;
}

TextCacheCounts TextCacheCountsNow()
{
    return Cache.counts;
}

// ORVEX_TEXT_CACHE: 0 turns the cache off, 1 or unset leaves it on. Anything else is said
// once, and the cache stays on.
static bool TextCacheWanted()
{
    static const bool wanted = [] {
        const char* setting = std::getenv("ORVEX_TEXT_CACHE");
        if (!setting || std::strcmp(setting, "1") == 0)
            return true;
        if (std::strcmp(setting, "0") == 0)
            return false;
        std::fprintf(stderr, "orvex: ORVEX_TEXT_CACHE=%s is neither 0 (off) nor 1 (on); the text cache stays on\n", setting);
        return true;
    }();
    return wanted;
}

void BuildFont(const char* face, int slot, int height, int weight)
{
    (void)height;   // glyphs are built at one unit per em; callers scale
    TextCacheEnable(TextCacheWanted());
    Font.ListBase[slot] = glGenLists(256);
    bool found = PlatformBuildOutlineFont(face, weight >= 700, Font.ListBase[slot], Font.Metrics);
    std::memcpy(Font.SlotMetrics[slot & 3], Font.Metrics, sizeof Font.Metrics);
    Shell.FontMissing = !found;
}

void KillFonts()
{
    TextCacheReset();
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
    if (DrawCached(slot, text, length, colour)) {
        AdvancePen(slot, text, length);
        return;
    }
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
