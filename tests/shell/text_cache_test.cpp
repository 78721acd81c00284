// The text cache: a text printed at one place three frames running comes back from the cache
// as the very pixels its glyphs fill, leaves the pen where the glyphs leave it, and keeps
// its place in the drawing order inside a batch.
#include "shell/config.h"
#include "cockpit/cockpit.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"
#include "support/support.h"

#include <GL/gl.h>
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

class TextCacheTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(chdir(MakeScratchUnit("text-cache").c_str()), 0);
        PlatformRegisterFontFile("data/fonts/Orvex.ttf");
        PlatformRegisterFontFile("data/fonts/Orvex-Bold.ttf");
        Window.ForceHeadless = true;
        DisplayConfig.Width = Width;
        DisplayConfig.Height = Height;
        ASSERT_TRUE(CreateDisplayWindow("text cache test", Width, Height, 32, false));
    }
    static void TearDownTestSuite() { DestroyDisplayWindow(); }
    void SetUp() override { TextCacheEnable(true); }
    void TearDown() override { TextCacheEnable(true); }

    // One frame as the spine draws it: the cache's start, the clear, the drawing. The pixels.
    static std::vector<unsigned char> Frame(const std::function<void()>& draw)
    {
        TextCacheFrameStart();
        glClearColor(0.1f, 0.2f, 0.3f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        draw();
        std::vector<unsigned char> pixels(Width * Height * 3);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    static size_t Differing(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
    {
        size_t n = 0;
        for (size_t i = 0; i < a.size(); i += 3)
            n += std::memcmp(&a[i], &b[i], 3) != 0;
        return n;
    }
};

// Texts of both slots, all alignments, odd scales and fractional places, a turned one, a
// scissored one, one in a translucent colour and characters without glyphs.
void DrawMixedTexts()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float places[][3] = {{-5.13f, 9.71f, 0.62f}, {-0.377f, 3.05f, 0.781f}, {2.9f, -4.4f, 0.55f}};
    for (int slot : {2, 3})
        for (int alignment : {0, 1, 2})
            for (const auto& p : places) {
                At(p[0] + slot * 0.031f, p[1] - alignment * 1.7f, p[2]);
                glColor3f(0.0f, 1.0f, 1.0f);
                PrintText(slot, alignment, "OIL PSI %d", 88 + alignment);
            }
    At(0, 0, 0.7f);
    glRotatef(33.0f, 0, 0, 1);
    glColor3f(1, 1, 1);
    PrintText(3, 1, "N1 92.4\xB0");
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

TEST_F(TextCacheTest, CachedTextsArePixelForPixelTheGlyphs)
{
    TextCacheEnable(false);
    auto glyphs = Frame(DrawMixedTexts);
    TextCacheEnable(true);
    for (int frame = 0; frame < 3; ++frame)
        Frame(DrawMixedTexts);   // the third copies each text into the cache at the next frame's start
    auto cached = Frame(DrawMixedTexts);
    TextCacheCounts counts = TextCacheCountsNow();
    EXPECT_EQ(Differing(glyphs, cached), 0u);
    // Everything but the translucent text came from the cache in the last frame.
    EXPECT_EQ(counts.fills, 21);
    EXPECT_EQ(counts.hits, 21);
    // The same in a batch, with the glyphs' blending on as the displays leave it.
    auto batched = Frame([] {
        TextBatchBegin();
        DrawMixedTexts();
        TextBatchEnd();
    });
    EXPECT_EQ(Differing(glyphs, batched), 0u);
}

TEST_F(TextCacheTest, PenEndsWhereTheGlyphListsLeaveIt)
{
    // Pairs printed one after the other on a line, as the soft-key rows are: the second
    // text starts where the first ended, from the cache as from the glyphs.
    std::vector<float> ends[2];
    for (int round = 0; round < 4; ++round) {
        Frame([&] {
            for (int slot : {2, 3}) {
                At(-3, slot, 0.73f);
                PrintText(slot, 1, "SUMRY ");
                PrintText(slot, 1, "ELEC");
                GLfloat m[16];
                glGetFloatv(GL_MODELVIEW_MATRIX, m);
                if (round == 0 || round == 3)
                    ends[round == 3].insert(ends[round == 3].end(), m, m + 16);
            }
        });
    }
    EXPECT_GT(TextCacheCountsNow().hits, 0);
    ASSERT_EQ(ends[0].size(), ends[1].size());
    EXPECT_EQ(std::memcmp(ends[0].data(), ends[1].data(), ends[0].size() * sizeof(float)), 0);
}

// A white text under a red quad and a green text over it: the quad covers the first and
// the second covers the quad, with the first text cached and waiting in the batch.
TEST_F(TextCacheTest, BatchKeepsTheDrawingOrder)
{
    auto draw = [](bool second) {
        TextBatchBegin();
        At(-3, 0, 1.5f);
        glColor3f(1, 1, 1);
        PrintText(3, 1, "MMMM");
        TextBatchFlush();
        glColor3f(1, 0, 0);
        glBegin(GL_QUADS);
        glVertex3f(-3, 0.2f, -30), glVertex3f(-1.5f, 0.2f, -30), glVertex3f(-1.5f, 1, -30), glVertex3f(-3, 1, -30);
        glEnd();
        if (second) {
            At(-3, 0, 1.5f);
            glColor3f(0, 1, 0);
            PrintText(3, 1, "MMMM");
        }
        At(-3, -3, 1.5f);
        glColor3f(1, 1, 1);
        PrintText(3, 1, "WWWW");
        At(-3, -3, 1.5f);
        glColor3f(0, 0, 1);
        // Two readings in turn: never the one of the frame before, so always glyphs.
        static int reading = 0;
        reading ^= 1;
        PrintText(3, 1, "%d", 1000 + reading);
        TextBatchEnd();
    };
    for (bool second : {false, true}) {
        TextCacheEnable(false);
        auto glyphs = Frame([&] { draw(second); });
        TextCacheEnable(true);
        for (int frame = 0; frame < 3; ++frame)
            Frame([&] { draw(second); });
        auto cached = Frame([&] { draw(second); });   // the glyphs' frame's reading again
        EXPECT_GT(TextCacheCountsNow().hits, 0) << second;
        EXPECT_EQ(Differing(glyphs, cached), 0u) << second;
    }
}

TEST_F(TextCacheTest, ChangingTextsStayGlyphsAndAFullCacheStartsAfresh)
{
    // A readout that changes every frame is never copied.
    for (int frame = 0; frame < 5; ++frame)
        Frame([&] {
            At(0, 0, 0.6f);
            PrintText(2, 1, "%d", 1000 + frame);
        });
    EXPECT_EQ(TextCacheCountsNow().fills, 0);
    // Far more steady texts than the cache holds: it empties itself and the picture stays right.
    auto many = [] {
        for (int i = 0; i < 900; ++i) {
            At(-6 + (i % 30) * 0.4f, -11 + (i / 30) * 0.75f, 0.3f);
            PrintText(2, 1, "%03d", i);
        }
    };
    TextCacheEnable(false);
    auto glyphs = Frame(many);
    TextCacheEnable(true);
    std::vector<unsigned char> cached;
    for (int frame = 0; frame < 6; ++frame)
        cached = Frame(many);
    EXPECT_GT(TextCacheCountsNow().resets, 0);
    EXPECT_EQ(Differing(glyphs, cached), 0u);
}
} // namespace
