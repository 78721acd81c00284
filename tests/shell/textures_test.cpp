// The TGA reader of the bezel pictures on hand-made files: run-length packets, the three
// depths, and damaged files that must be refused or bounded without reading past the end.
#include "shell/textures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Header(int type, int width, int height, int depth, int idLength = 0)
{
    Bytes h(18, 0);
    h[0] = static_cast<uint8_t>(idLength);
    h[2] = static_cast<uint8_t>(type);
    h[12] = width & 0xFF, h[13] = (width >> 8) & 0xFF;
    h[14] = height & 0xFF, h[15] = (height >> 8) & 0xFF;
    h[16] = static_cast<uint8_t>(depth);
    return h;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool Decode(const Bytes& file, TgaImage* image)
{
    // A copy on the heap of exactly the file's size, so a read past it is a real overrun.
    Bytes exact(file);
    exact.shrink_to_fit();
    return DecodeTga(exact.data(), exact.size(), image);
}

Bytes Pixel(const TgaImage& image, int index)
{
    auto at = image.Pixels.begin() + index * image.BytesPerPixel;
    return Bytes(at, at + image.BytesPerPixel);
}
} // namespace

TEST(TgaReader, RunLengthPacketsRepeatAndCopyPixels)
{
    // 4 x 2 at 32 bits: count 0x85 repeats one pixel six times, then two literal pixels.
    Bytes file = Header(10, 4, 2, 32) + Bytes{0x85, 10, 20, 30, 200} + Bytes{0x01, 1, 2, 3, 4, 5, 6, 7, 8};
    TgaImage image;
    ASSERT_TRUE(Decode(file, &image));
    EXPECT_EQ(image.BytesPerPixel, 4);
    EXPECT_EQ(image.Width, 4);
    EXPECT_EQ(image.Height, 2);
    ASSERT_EQ(image.Pixels.size(), 32u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Pixel(image, i), (Bytes{30, 20, 10, 200})) << "pixel " << i;   // BGRA -> RGBA
    EXPECT_EQ(Pixel(image, 6), (Bytes{3, 2, 1, 4}));
    EXPECT_EQ(Pixel(image, 7), (Bytes{7, 6, 5, 8}));

    // At 24 bits, with an identification field that is skipped.
    Bytes rgb = Header(10, 3, 1, 24, 4) + Bytes{'B', 'Z', 'L', '1'} + Bytes{0x81, 1, 2, 3, 0x00, 4, 5, 6};
    ASSERT_TRUE(Decode(rgb, &image));
    EXPECT_EQ(image.BytesPerPixel, 3);
    EXPECT_EQ(image.Pixels, (Bytes{3, 2, 1, 3, 2, 1, 6, 5, 4}));
}

TEST(TgaReader, UncompressedDepths)
{
    TgaImage image;
    // 24 bits: blue, green, red in the file become red, green, blue; rows stay in file order.
    ASSERT_TRUE(Decode(Header(2, 2, 1, 24) + Bytes{1, 2, 3, 4, 5, 6}, &image));
    EXPECT_EQ(image.BytesPerPixel, 3);
    EXPECT_EQ(image.Pixels, (Bytes{3, 2, 1, 6, 5, 4}));
    // 32 bits keep their alpha.
    ASSERT_TRUE(Decode(Header(2, 1, 1, 32) + Bytes{1, 2, 3, 99}, &image));
    EXPECT_EQ(image.Pixels, (Bytes{3, 2, 1, 99}));
    // 16 bits, 5-5-5 little-endian: 0x7FFF is 248 in every channel, the top bit ignored;
    // 0x801F is pure blue, 0x7C00 pure red.
    ASSERT_TRUE(Decode(Header(2, 3, 1, 16) + Bytes{0xFF, 0x7F, 0x1F, 0x80, 0x00, 0x7C}, &image));
    EXPECT_EQ(image.BytesPerPixel, 3);
    EXPECT_EQ(image.Pixels, (Bytes{248, 248, 248, 0, 0, 248, 248, 0, 0}));
    // Any image type but 10 reads as uncompressed true colour.
    ASSERT_TRUE(Decode(Header(3, 1, 1, 24) + Bytes{1, 2, 3}, &image));
    EXPECT_EQ(image.Pixels, (Bytes{3, 2, 1}));
}

TEST(TgaReader, RunPastTheLastPixelIsCutThere)
{
    TgaImage image;
    // A run of 128 into a 2 x 2 picture, and a literal packet of 3 with room for 1.
    ASSERT_TRUE(Decode(Header(10, 2, 2, 24) + Bytes{0xFF, 9, 8, 7}, &image));
    EXPECT_EQ(image.Pixels.size(), 12u);
    EXPECT_EQ(Pixel(image, 3), (Bytes{7, 8, 9}));
    ASSERT_TRUE(Decode(Header(10, 2, 1, 24) + Bytes{0x80, 1, 1, 1, 0x02, 2, 2, 2}, &image));
    EXPECT_EQ(image.Pixels, (Bytes{1, 1, 1, 2, 2, 2}));
}

TEST(TgaReader, DamagedFilesAreRefused)
{
    TgaImage image;
    const char* why = nullptr;
    struct Case {
        const char* what;
        Bytes file;
    };
    const Case cases[] = {
        {"empty", {}},
        {"header cut short", Bytes(17, 0)},
        {"identification field past the end", Header(2, 1, 1, 24, 200) + Bytes{1, 2, 3}},
        {"no pixels", Header(2, 0, 5, 24)},
        {"wider than 8192", Header(2, 8193, 1, 24) + Bytes(8193 * 3, 0)},
        {"8192 x 8192 claimed by a tiny file", Header(10, 8192, 8192, 32) + Bytes{0xFF, 1, 2, 3, 4}},
        {"uncompressed data ends early", Header(2, 2, 2, 24) + Bytes(11, 0)},
        {"16-bit data ends early", Header(2, 2, 1, 16) + Bytes{0xFF}},
        {"run-length data ends inside a pixel", Header(10, 1, 1, 32) + Bytes{0x80, 1, 2}},
        {"run-length data ends before the last pixel", Header(10, 200, 1, 24) + Bytes{0xFF, 1, 2, 3, 0x00}},
        {"literal packet longer than the file", Header(10, 4, 1, 24) + Bytes{0x03, 1, 2, 3, 4, 5, 6}},
        {"run-length at 16 bits", Header(10, 1, 1, 16) + Bytes{0x80, 1, 2}},
        {"8 bits per pixel", Header(2, 1, 1, 8) + Bytes{1}},
    };
    for (const Case& c : cases) {
        image.Pixels.assign(3, 7);
        why = nullptr;
        Bytes exact(c.file);
        EXPECT_FALSE(DecodeTga(exact.data(), exact.size(), &image, &why)) << c.what;
        EXPECT_TRUE(image.Pixels.empty()) << c.what;
        EXPECT_EQ(image.Width, 0) << c.what;
        EXPECT_NE(why, nullptr) << c.what;
    }
    // The largest picture accepted is 8192 on a side.
    EXPECT_TRUE(Decode(Header(2, 8192, 1, 24) + Bytes(8192 * 3, 0), &image));
}

// The bezel's clear window, which the frame's strips leave out: found inside a frame with
// rounded inner corners and a stray opaque pixel, never covering a pixel with any alpha.
TEST(BezelClearWindow, LiesInsideTheTransparentPartLessTheMargin)
{
    TgaImage image;
    image.BytesPerPixel = 4;
    image.Width = 40;
    image.Height = 60;
    image.Pixels.assign(40 * 60 * 4, 255);
    auto alpha = [&](int x, int y) -> uint8_t& { return image.Pixels[(static_cast<size_t>(y) * 40 + x) * 4 + 3]; };
    for (int y = 5; y < 52; ++y)       // the window: columns 4..35, rows 5..51
        for (int x = 4; x < 36; ++x)
            alpha(x, y) = 0;
    alpha(4, 5) = alpha(35, 51) = 128;   // rounded corners, half covered
    alpha(30, 40) = 1;                   // a stray, nearly clear pixel inside
    float w[4];
    FindClearWindow(image, 2, w);
    ASSERT_LT(w[0], w[2]);
    ASSERT_LT(w[1], w[3]);
    const int x0 = static_cast<int>(w[0] * 40 + 0.5f), x1 = static_cast<int>(w[2] * 40 + 0.5f);
    const int y0 = static_cast<int>(w[1] * 60 + 0.5f), y1 = static_cast<int>(w[3] * 60 + 0.5f);
    for (int y = y0 - 2; y < y1 + 2; ++y)   // the margin is clear too
        for (int x = x0 - 2; x < x1 + 2; ++x)
            ASSERT_EQ(alpha(x, y), 0) << x << "," << y;
    EXPECT_GT((x1 - x0) * (y1 - y0), 20 * 20);   // and most of the window is left out of the strips

    // No alpha, or an opaque centre: no window, the whole picture is drawn.
    image.Pixels.assign(40 * 60 * 4, 255);
    FindClearWindow(image, 2, w);
    EXPECT_EQ(w[2], 0.0f);
    image.BytesPerPixel = 3;
    image.Pixels.assign(40 * 60 * 3, 0);
    FindClearWindow(image, 2, w);
    EXPECT_EQ(w[2], 0.0f);
}

// The frame's pixels drawn each frame: the rectangles must hold every pixel the frame
// covers (a pixel left out would show the display through the bezel) and, where the
// frame has a window, leave the window out. A frame with its window off-centre, a stray
// covered pixel in the window, one without a window and an empty one.
TEST(BezelClearWindow, RectanglesHoldEveryCoveredPixelAndLeaveTheWindowOut)
{
    const int width = 50, height = 70;
    auto covers = [&](const std::vector<uint8_t>& mask, int count, const int (&rects)[4][4]) {
        int drawnInWindow = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                bool inside = false;
                for (int i = 0; i < count; ++i)
                    inside = inside || (x >= rects[i][0] && x < rects[i][2] && y >= rects[i][1] && y < rects[i][3]);
                EXPECT_TRUE(inside || !mask[static_cast<size_t>(y) * width + x]) << x << "," << y;
                drawnInWindow += inside && x >= 10 && x < 40 && y >= 12 && y < 60;
            }
        return drawnInWindow;
    };
    int rects[4][4];
    std::vector<uint8_t> mask(width * height, 0);
    for (int y = 2; y < 66; ++y)   // a frame round rows 2..65, columns 3..46
        for (int x = 3; x < 47; ++x)
            mask[static_cast<size_t>(y) * width + x] = !(x >= 8 && x < 42 && y >= 10 && y < 62);
    mask[static_cast<size_t>(11) * width + 9] = 1;   // a rounded corner pokes into the window
    ASSERT_EQ(BezelRectangles(mask, width, height, rects), 4);
    EXPECT_LT(covers(mask, 4, rects), 30 * 48 / 4);   // most of the window is left out

    std::fill(mask.begin(), mask.end(), 1);            // no window: one rectangle, all of it
    ASSERT_EQ(BezelRectangles(mask, width, height, rects), 1);
    covers(mask, 1, rects);
    std::fill(mask.begin(), mask.end(), 0);            // nothing covered: nothing to draw
    EXPECT_EQ(BezelRectangles(mask, width, height, rects), 0);
}
