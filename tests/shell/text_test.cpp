// Outline text through a real (offscreen) window: alignment rules read back from the trace.
#include "shell/config.h"
#include "cockpit/cockpit.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"
#include "support/support.h"

#include <GL/gl.h>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {
// One window for all text tests: creating GL contexts is the slow part.
class TextTest : public ::testing::Test {
protected:
    static std::string unit;
    static void SetUpTestSuite()
    {
        unit = MakeScratchUnit("text");
        ASSERT_EQ(chdir(unit.c_str()), 0);
        PlatformRegisterFontFile("data/fonts/Orvex.ttf");
        PlatformRegisterFontFile("data/fonts/Orvex-Bold.ttf");
        Window.ForceHeadless = true;
        DisplayConfig.Width = 484;
        DisplayConfig.Height = 605;
        ASSERT_TRUE(CreateDisplayWindow("text test", 484, 605, 32, false));
    }
    static void TearDownTestSuite() { DestroyDisplayWindow(); }

    // Prints each (slot, alignment, text) at the same point and returns the traced texts.
    std::vector<TraceText> PrintAt(float x, float y, std::initializer_list<std::tuple<int, int, const char*>> items)
    {
        std::string trace = unit + "/trace.jsonl";
        TextTraceOpen(trace.c_str());
        for (auto [slot, alignment, text] : items) {
            glLoadIdentity();
            glTranslatef(x, y, -30.0f);
            glScalef(0.75f, 0.75f, 0.0f);
            PrintText(slot, alignment, "%s", text);
        }
        TextTraceClose();
        return ReadTextTrace(trace);
    }
};
std::string TextTest::unit;

// Pixels per map unit at depth 30: the display height (605 px) spans 2 x 12.426 units.
const float PixelsPerUnit = 605.0f / (2 * 12.4264f);
} // namespace

TEST_F(TextTest, AlignmentRulesPlaceTheStartPoint)
{
    auto texts = PrintAt(0, 0, {{2, 1, "HDG"}, {2, 0, "HDG"}, {2, 2, "HDG"}});
    ASSERT_EQ(texts.size(), 3u);
    float centre = 433 / 2.0f;   // the display area is 433 pixels wide, at the left
    float last = 0;
    float width = TextWidth("HDG", &last) * 0.75f * PixelsPerUnit;
    float lastPx = last * 0.75f * PixelsPerUnit;
    EXPECT_NEAR(texts[0].x, centre, 1.0);
    EXPECT_NEAR(texts[1].x, centre - width / 2, 1.0);
    EXPECT_NEAR(texts[2].x, centre - width + lastPx, 1.0);
    EXPECT_NEAR(texts[0].y, 605 / 2.0, 1.0);
    EXPECT_NEAR(texts[0].em, 0.75f * PixelsPerUnit, 0.5);
    EXPECT_EQ(texts[1].align, 0);
    EXPECT_FALSE(texts[0].clipped);
}

TEST_F(TextTest, RightAlignedNumbersLineUpTheirLastDigits)
{
    auto texts = PrintAt(2, 3, {{2, 2, "123"}, {2, 2, "23"}, {3, 2, "123"}});
    ASSERT_EQ(texts.size(), 3u);
    float digit = Font.Metrics['1'].cellIncX * 0.75f * PixelsPerUnit;
    // The start of the last digit is the given point in both; the starts differ by one digit.
    EXPECT_NEAR(texts[1].x - texts[0].x, digit, 1.0);
    // Bold and normal share one metrics table, so both slots align alike.
    EXPECT_NEAR(texts[2].x, texts[0].x, 0.01);
}

TEST_F(TextTest, EmptyTextDrawsNothingAndMovesNothing)
{
    for (int alignment : {0, 1, 2}) {
        glLoadIdentity();
        glTranslatef(1, 1, -30);
        GLfloat before[16], after[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, before);
        PrintText(2, alignment, "%s", "");
        PrintText(2, alignment, nullptr);
        glGetFloatv(GL_MODELVIEW_MATRIX, after);
        EXPECT_EQ(std::memcmp(before, after, sizeof before), 0) << alignment;
    }
    EXPECT_TRUE(PrintAt(0, 0, {{2, 0, ""}}).empty());
}

TEST_F(TextTest, OverlongTextIsCutAt255Characters)
{
    std::string longText(1000, 'A');
    auto texts = PrintAt(0, 0, {{2, 1, longText.c_str()}});
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text.size(), 255u);
}

TEST_F(TextTest, ScissorBoxMarksTextOutsideItAsClipped)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 10, 10);
    auto texts = PrintAt(0, 0, {{2, 1, "X"}});
    glDisable(GL_SCISSOR_TEST);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0].clipped);
}

TEST_F(TextTest, GlyphsAreFilledWhereTheTraceSaysTheTextStarts)
{
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(0.0f, 1.0f, 1.0f);
    auto texts = PrintAt(-3, 0, {{3, 1, "MENU INOP 123\xB0"}});
    ASSERT_EQ(texts.size(), 1u);
    // Cyan pixels inside the first letter's cell, right of and above the start point.
    int x = static_cast<int>(texts[0].x), yTop = static_cast<int>(texts[0].y);
    std::vector<unsigned char> cell(40 * 20 * 3);
    glReadBuffer(GL_BACK);
    glReadPixels(x, 605 - yTop, 40, 20, GL_RGB, GL_UNSIGNED_BYTE, cell.data());
    int lit = 0;
    for (size_t i = 0; i < cell.size(); i += 3)
        lit += cell[i] < 64 && cell[i + 1] > 128 && cell[i + 2] > 128;
    EXPECT_GT(lit, 40);
    PlatformSaveScreenshot((unit + "/text.png").c_str());
}

// A drawing declared away from the waiting texts lets them wait (they end up over it, as
// after any later flush); one declared on them, or within a smoothed edge's reach of them,
// draws them first, so the drawing covers them.
TEST_F(TextTest, TextsWaitOnlyForDrawingsThatStayClearOfThem)
{
    auto litInBox = [](float x0, float y0, float x1, float y1) {
        const int px0 = static_cast<int>(433 / 2.0f + x0 * PixelsPerUnit), px1 = static_cast<int>(433 / 2.0f + x1 * PixelsPerUnit);
        const int py0 = static_cast<int>(605 / 2.0f + y0 * PixelsPerUnit), py1 = static_cast<int>(605 / 2.0f + y1 * PixelsPerUnit);
        std::vector<unsigned char> px(static_cast<size_t>(px1 - px0) * (py1 - py0) * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(px0, py0, px1 - px0, py1 - py0, GL_RGB, GL_UNSIGNED_BYTE, px.data());
        int lit = 0;
        for (size_t i = 0; i < px.size(); i += 3)
            lit += px[i + 1] > 128;
        return lit;
    };
    // "HDG" from (-2, 0), 0.75 em: about 1.6 x 0.6 units. An opaque black rectangle over
    // it, declared as lying from `declared` rightwards.
    auto frame = [&](float declared) {
        glClear(GL_COLOR_BUFFER_BIT);
        TextBatchBegin();
        glLoadIdentity();
        glTranslatef(-2, 0, -30.0f);
        glScalef(0.75f, 0.75f, 0.0f);
        glColor3f(0.0f, 1.0f, 0.0f);
        PrintText(2, 1, "HDG");
        glLoadIdentity();
        glTranslatef(0, 0, -30.0f);
        TextBatchFlushUnder(declared, -0.5f, declared + 1.0f, 1.0f);
        glColor3f(0.0f, 0.0f, 0.0f);
        glRectf(-3.0f, -1.0f, 1.0f, 1.5f);
        TextBatchEnd();
        return litInBox(-2.5f, -0.5f, 0.5f, 1.0f);
    };
    EXPECT_GT(frame(4.0f), 30);   // far to the right: the text waits and stays on top
    EXPECT_EQ(frame(-1.5f), 0);   // on the text: drawn first, then covered
    // Just right of the text's last letter, closer than a smoothed line's reach.
    float last = 0;
    const float end = -2 + TextWidth("HDG", &last) * 0.75f;
    EXPECT_EQ(frame(end + 2.0f / PixelsPerUnit), 0);
}
