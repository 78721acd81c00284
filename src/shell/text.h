// Text: one display list per character code and font slot, and anti-aliased coverage of
// the same glyphs for small upright text; printed with printf-style formatting and aligned
// at the current model-view position.
#pragma once

#include "platform/platform.h"
#include <vector>

// Font state; one instance, `Font`. Lists live as long as the rendering context.
struct FontState {
    unsigned ListBase[4] = {};                // slots 2 (normal) and 3 (bold) are built
    PlatformGlyphMetrics Metrics[256] = {};   // of the last font built; used for both slots
    // Each slot's own metrics, as its lists move the pen (text drawn from coverage repeats those moves).
    PlatformGlyphMetrics SlotMetrics[4][256] = {};
};
extern FontState Font;

constexpr int PrintTextMax = 255;   // characters of formatted text

void BuildFont(const char* face, int slot, int height, int weight);
void KillFonts();
// The triangles slot's list `code` fills, in em units (see PlatformGlyphTriangles); null
// when the platform keeps none, and the list must be called instead.
const std::vector<float>* GlyphTriangles(int slot, unsigned char code);

// Alignment 0 centres on the current position, 2 puts the start of the last character on
// it, anything else starts the text there. The translation stays in the model-view matrix.
void PrintText(int slot, int alignment, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Small upright text is drawn from anti-aliased glyph coverage (text.cpp says how); other
// text as filled outlines. The frame calls TextFrameStart before its clear.
struct TextCounts {
    long coverageTexts = 0;     // texts drawn from glyph coverage
    long outlineTexts = 0;      // texts filled as outlines
    long glyphsRasterised = 0;  // glyphs put into the atlas
    long atlasResets = 0;       // times the atlas was emptied (full, or reset)
};
void TextFrameStart();
// A batch: the texts printed inside it are drawn together, at its end or at the next
// TextBatchFlush, in one switch into the atlas's texture instead of one per text (on a
// software rasteriser each switch costs about as much as a short text's rectangles).
// Texts keep their order among themselves. Anything else drawn inside a batch must call
// TextBatchFlush first, or texts printed before it would be drawn over it. Batches nest.
void TextBatchBegin();
void TextBatchFlush();
void TextBatchEnd();
// TextBatchFlush for a drawing that lies inside the box (x0, y0)-(x1, y1) of the current
// model-view: the waiting texts are drawn first only when one of them comes within a few
// pixels of the box on the screen. Where none does, the two never share a pixel and the
// texts wait on, so each switch into the atlas and back is paid once for many drawings.
void TextBatchFlushUnder(float x0, float y0, float x1, float y1);
void TextCoverageEnable(bool on);   // off: every text is filled as outlines (comparisons)
void TextCoverageReset();           // empties the atlas and the counts; the texture goes too
TextCounts TextCountsNow();

// Width of a text in em units and the advance of its last character, from the shared metrics.
float TextWidth(const char* text, float* lastAdvance);

// Text trace for tests and tools: every drawn text as one JSON line (see automation.h).
bool TextTraceOpen(const char* path);
// False when the trace lost data (write error or failed close).
bool TextTraceClose();
// Whether a trace is open: a caller with text that PrintText does not print (the rose's
// labels, recorded into a display list) does no work for the trace without one.
bool TextTraceActive();
// One trace line for a text drawn by other means, as if PrintText had printed it with its
// start point at the current model-view position, in the current colour. Draws nothing;
// does nothing without an open trace.
void TextTraceAt(int slot, int alignment, const char* text);
