// Small upright text drawn from anti-aliased glyph coverage: it lies where the outlines lie,
// leaves the pen where they leave it, keeps its place in the drawing order inside a batch,
// and text the coverage cannot show (turned, recorded, too large) is filled as outlines.
#include "cockpit/cockpit.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"
#include "support/support.h"

#include <GL/gl.h>
#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int Width = 484, Height = 605;

void At(float x, float y, float scale)
{
    glLoadIdentity();
    glTranslatef(x, y, -30.0f);
    glScalef(scale, scale, 0.0f);
}

class TextCoverageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(chdir(MakeScratchUnit("text-coverage").c_str()), 0);
        PlatformRegisterFontFile("data/fonts/Orvex.ttf");
        PlatformRegisterFontFile("data/fonts/Orvex-Bold.ttf");
        Window.ForceHeadless = true;
        DisplayConfig.Width = Width;
        DisplayConfig.Height = Height;
        ASSERT_TRUE(CreateDisplayWindow("text coverage test", Width, Height, 32, false));
    }
    static void TearDownTestSuite() { DestroyDisplayWindow(); }
    void SetUp() override { TextCoverageEnable(true); }
    void TearDown() override { TextCoverageEnable(true); }

    // One frame as the spine draws it: the text's frame start, the clear, the drawing. The
    // brightness (max of R, G, B) of every pixel.
    static std::vector<unsigned char> Frame(const std::function<void()>& draw)
    {
        TextFrameStart();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        draw();
        std::vector<unsigned char> rgb(Width * Height * 3), lit(Width * Height);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        for (size_t i = 0; i < lit.size(); ++i)
            lit[i] = std::max({rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]});
        return lit;
    }

    // Lit pixels of one picture (above `level`) with no pixel of the other lit within one
    // pixel: the light hinting moves horizontal edges by part of a pixel, no further.
    static int Unmatched(const std::vector<unsigned char>& a, int level, const std::vector<unsigned char>& b)
    {
        int count = 0;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                if (a[static_cast<size_t>(y) * Width + x] <= level)
                    continue;
                bool near = false;
                for (int dy = -1; dy <= 1 && !near; ++dy)
                    for (int dx = -1; dx <= 1 && !near; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        near = nx >= 0 && ny >= 0 && nx < Width && ny < Height && b[static_cast<size_t>(ny) * Width + nx] > 0;
                    }
                count += !near;
            }
        return count;
    }
};

// Texts of both slots, all alignments, the sizes the displays use (9 to 30 pixels an em) at
// fractional places, a scissored one, a translucent one and characters without glyphs.
void DrawMixedTexts()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float places[][3] = {{-5.13f, 9.71f, 0.38f}, {-0.377f, 3.05f, 0.781f}, {2.9f, -4.4f, 0.55f}, {-4.2f, 6.6f, 1.23f}};
    for (int slot : {2, 3})
        for (int alignment : {0, 1, 2})
            for (const auto& p : places) {
                At(p[0] + slot * 0.031f, p[1] - alignment * 1.7f, p[2]);
                glColor3f(0.0f, 1.0f, 1.0f);
                PrintText(slot, alignment, "OIL PSI %d", 88 + alignment);
            }
    At(-4, -9, 0.7f);
    glEnable(GL_SCISSOR_TEST);
    glScissor(50, 0, 60, 100);
    glColor3f(1, 0.6f, 0);
    PrintText(2, 1, "SCISSORED TEXT");
    glDisable(GL_SCISSOR_TEST);
    At(-4, -10, 0.7f);
    glColor4f(1, 1, 1, 0.5f);
    PrintText(2, 1, "HALF SEEN");
    At(-4, -11, 0.7f);
    glColor3f(1, 1, 1);
    PrintText(2, 1, "TAB\tBELL\x07" "END");
    glDisable(GL_BLEND);
}

TEST_F(TextCoverageTest, CoverageLiesOnTheOutlinesPixels)
{
    TextCoverageEnable(false);
    auto outline = Frame(DrawMixedTexts);
    TextCoverageEnable(true);
    TextCoverageReset();
    auto coverage = Frame(DrawMixedTexts);
    EXPECT_EQ(TextCountsNow().coverageTexts, 27);
    EXPECT_EQ(TextCountsNow().outlineTexts, 0);
    EXPECT_EQ(Unmatched(outline, 0, coverage), 0);    // no stroke lost
    // None out of place: a glyph a pixel off would leave hundreds; a few edge pixels of the
    // hinted strokes may stand a pixel and a half from the outline's.
    EXPECT_LT(Unmatched(coverage, 64, outline), 12);
    // The same in a batch, drawn together at its end, and a second time from the atlas.
    auto batched = Frame([] {
        TextBatchBegin();
        DrawMixedTexts();
        TextBatchEnd();
    });
    EXPECT_TRUE(batched == coverage);
    EXPECT_EQ(TextCountsNow().atlasResets, 0);
}

TEST_F(TextCoverageTest, PenEndsWhereTheGlyphListsLeaveIt)
{
    // Pairs printed one after the other on a line, as the soft-key rows are: the second
    // text starts where the first ended, from coverage as from the outlines.
    std::vector<float> ends[2];
    for (bool coverage : {false, true}) {
        TextCoverageEnable(coverage);
        Frame([&] {
            for (int slot : {2, 3}) {
                At(-3, slot, 0.73f);
                PrintText(slot, 1, "SUMRY ");
                PrintText(slot, 0, "ELEC");
                PrintText(slot, 2, "%d", 42);
                GLfloat m[16];
                glGetFloatv(GL_MODELVIEW_MATRIX, m);
                ends[coverage].insert(ends[coverage].end(), m, m + 16);
            }
        });
    }
    ASSERT_EQ(ends[0].size(), ends[1].size());
    EXPECT_EQ(std::memcmp(ends[0].data(), ends[1].data(), ends[0].size() * sizeof(float)), 0);
}

// A white text under a red quad and a green text over it: the quad covers the first and
// the second covers the quad, with the first waiting in the batch until the flush.
TEST_F(TextCoverageTest, BatchKeepsTheDrawingOrder)
{
    auto quad = [] {
        glColor3f(1, 0, 0);
        glLoadIdentity();
        glBegin(GL_QUADS);
        glVertex3f(-3, 0.1f, -30), glVertex3f(-1.5f, 0.1f, -30), glVertex3f(-1.5f, 1, -30), glVertex3f(-3, 1, -30);
        glEnd();
    };
    // The quad's pixels, less a pixel each side.
    auto alone = Frame(quad);
    int x0 = Width, y0 = Height, x1 = 0, y1 = 0;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            if (alone[static_cast<size_t>(y) * Width + x]) {
                x0 = std::min(x0, x + 1), x1 = std::max(x1, x - 1);
                y0 = std::min(y0, y + 1), y1 = std::max(y1, y - 1);
            }
    ASSERT_LT(x0, x1);
    ASSERT_LT(y0, y1);
    for (bool second : {false, true}) {
        Frame([&] {
            TextBatchBegin();
            At(-3, 0, 1.5f);
            glColor3f(1, 1, 1);
            PrintText(3, 1, "MMMM");
            TextBatchFlush();
            quad();
            if (second) {
                At(-3, 0, 1.5f);
                glColor3f(0, 1, 0);
                PrintText(3, 1, "MMMM");
            }
            TextBatchEnd();
        });
        // Inside the quad: no white (the quad covers the first text), green only over it.
        std::vector<unsigned char> rgb(static_cast<size_t>(x1 - x0) * (y1 - y0) * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x0, y0, x1 - x0, y1 - y0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        int white = 0, red = 0, green = 0;
        for (size_t i = 0; i < rgb.size(); i += 3) {
            white += rgb[i] > 128 && rgb[i + 1] > 128;
            red += rgb[i] > 128 && rgb[i + 1] < 128;
            green += rgb[i] < 128 && rgb[i + 1] > 128;
        }
        EXPECT_EQ(white, 0) << second;
        EXPECT_GT(red, 0) << second;
        EXPECT_EQ(green > 0, second) << second;
    }
}

TEST_F(TextCoverageTest, TurnedRecordedAndLargeTextIsFilledAsOutlines)
{
    TextCoverageReset();
    Frame([] {
        At(0, 0, 0.7f);
        glRotatef(33.0f, 0, 0, 1);
        PrintText(3, 1, "N1");   // turned
        At(0, 0, -0.7f);
        PrintText(2, 1, "N2");   // mirrored
        At(0, 0, 6.0f);
        PrintText(2, 1, "BIG");  // 146 pixels an em
        At(0, 0, 0.7f);
        const unsigned list = glGenLists(1);
        glNewList(list, GL_COMPILE);
        PrintText(2, 1, "33");   // recorded, as the rose's labels are
        glEndList();
        glDeleteLists(list, 1);
    });
    EXPECT_EQ(TextCountsNow().outlineTexts, 4);
    EXPECT_EQ(TextCountsNow().coverageTexts, 0);
}

// Far more sizes and characters than the atlas holds: the frame that fills it draws the rest
// as outlines, and the next frame starts with an empty atlas and does the same again.
TEST_F(TextCoverageTest, AFullAtlasStartsAfresh)
{
    auto many = [] {
        for (int i = 0; i < 800; ++i) {
            At(-8 + (i % 20) * 0.8f, -11 + (i / 40) * 1.1f, 0.6f + 0.015f * (i % 193));
            PrintText(i % 2 ? 3 : 2, 1, "%c%c%c", 'A' + i % 26, '0' + i % 10, 'a' + i % 26);
        }
    };
    TextCoverageReset();
    Frame(many);
    const TextCounts first = TextCountsNow();
    EXPECT_GT(first.outlineTexts, 0);
    EXPECT_EQ(first.outlineTexts + first.coverageTexts, 800);
    EXPECT_EQ(first.atlasResets, 0);
    Frame(many);
    EXPECT_EQ(TextCountsNow().atlasResets, 1);
    EXPECT_EQ(TextCountsNow().outlineTexts, 2 * first.outlineTexts);
}
} // namespace
