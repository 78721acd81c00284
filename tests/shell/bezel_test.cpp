// The bezel from outside: what a screenshot of a running unit shows through and around the
// picture, where the drawn keys lie, and a unit whose pictures are missing.
#include "support/support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace {
// The unit's display area at the default 605-pixel height.
constexpr int DisplayW = 433, DisplayH = 605;

struct Shot {
    int width = 0, height = 0;
    std::string rgb;   // 3 bytes a pixel, rows top down
    int At(int x, int y, int channel) const
    {
        return static_cast<unsigned char>(rgb[(static_cast<size_t>(y) * width + x) * 3 + channel]);
    }
    int Brightness(int x, int y) const { return At(x, y, 0) + At(x, y, 1) + At(x, y, 2); }
    // A point given in percent of the display area.
    int BrightnessAt(float xPercent, float yPercent) const
    {
        return Brightness(static_cast<int>(xPercent * DisplayW / 100), static_cast<int>(yPercent * DisplayH / 100));
    }
};

// Runs the unit for some frames and reads its screenshot back as raw RGB.
Shot RunAndShoot(const std::string& unit, int frames = 30)
{
    std::string out;
    Shot shot;
    std::string png = unit + "/shot.png";
    EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames " + std::to_string(frames) +
                             " --screenshot " + png, &out), 0) << out;
    EXPECT_EQ(RunCommand("convert " + png + " -depth 8 rgb:" + unit + "/shot.rgb", &out), 0) << out;
    shot.rgb = ReadFile(unit + "/shot.rgb");
    shot.width = 484, shot.height = 605;
    EXPECT_EQ(shot.rgb.size(), static_cast<size_t>(shot.width) * shot.height * 3);
    if (shot.rgb.size() != static_cast<size_t>(shot.width) * shot.height * 3)
        shot.rgb.assign(static_cast<size_t>(shot.width) * shot.height * 3, 0);
    return shot;
}

void WriteConfig(const std::string& unit, int bezel)
{
    WriteFile(unit + "/MFD.ini", "[X_SIZE,Y_SIZE]\n484,605\n[X_POSITION,Y_POSISTION]\n100,100\n"
                                 "[FRAMELESS_WINDOW(0-1)]\n0\n[DISPLAY_BEZEL(0-1)]\n" + std::to_string(bezel) +
                                 "\n[MFD=0,EICAS=1]\n0\n[PLANPATH]\n\"c:\\\"\n[PATH_TO_DU2]\n\"c:\\\"\n"
                                 "[PATH_TO_DU3]\n\"c:\\\"");
}

// An uncompressed 24-bit TGA of one colour.
std::string SolidTga(int width, int height, uint8_t r, uint8_t g, uint8_t b)
{
    std::string file(18, '\0');
    file[2] = 2;
    file[12] = static_cast<char>(width & 0xFF), file[13] = static_cast<char>(width >> 8);
    file[14] = static_cast<char>(height & 0xFF), file[15] = static_cast<char>(height >> 8);
    file[16] = 24;
    for (int i = 0; i < width * height; ++i)
        file += std::string{static_cast<char>(b), static_cast<char>(g), static_cast<char>(r)};
    return file;
}
} // namespace

TEST(Bezel, OpaquePictureHidesTheWholeDisplay)
{
    std::string unit = MakeScratchUnit("bezel-opaque");
    WriteConfig(unit, 1);
    WriteFile(unit + "/textures/MFD_Overlay.tga", SolidTga(64, 64, 40, 90, 160));
    Shot shot = RunAndShoot(unit);
    // The quad covers the middle 93.76 % of the display: x 13.5..419.5, y 18.9..586.1.
    int wrong = 0;
    for (int y = 21; y <= 584; ++y)
        for (int x = 16; x <= 417; ++x)
            if (std::abs(shot.At(x, y, 0) - 40) > 1 || std::abs(shot.At(x, y, 1) - 90) > 1 ||
                std::abs(shot.At(x, y, 2) - 160) > 1)
                ++wrong;
    EXPECT_EQ(wrong, 0);
    // Outside the quad the display is not covered (black there on this map).
    EXPECT_EQ(shot.Brightness(5, 5), 0);
}

TEST(Bezel, MissingPictureEndsTheUnitWithOneLine)
{
    for (const char* name : {"MFD_Overlay.tga", "MFD_NoBezel.tga"}) {
        std::string unit = MakeScratchUnit("bezel-missing");
        std::remove((unit + "/textures/" + name).c_str());
        std::string out;
        int rc = RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 30 --screenshot " + unit +
                                "/shot.png 2>" + unit + "/stderr.txt",
                            &out);
        EXPECT_EQ(rc, 4) << name;   // did not run: a launcher must be able to tell
        EXPECT_EQ(out, "\nUnable to load TGA File!\n") << name;
        EXPECT_NE(ReadFile(unit + "/stderr.txt").find(std::string(name) + ": missing"), std::string::npos) << name;
        EXPECT_FALSE(FileExists(unit + "/shot.png")) << name;   // no frame was drawn
    }
    // A damaged picture also ends the unit, and says why on standard error.
    std::string unit = MakeScratchUnit("bezel-damaged");
    WriteFile(unit + "/textures/MFD_Overlay.tga", SolidTga(64, 64, 1, 2, 3).substr(0, 500));
    std::string out;
    EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 30", &out), 4);
    EXPECT_NE(out.find("MFD_Overlay.tga: the pixel data ends before the picture is complete"), std::string::npos)
        << out;
}

TEST(Bezel, ShippedBezelFramesTheDisplayWithKeysUnderTheirClickRegions)
{
    std::string plain = MakeScratchUnit("bezel-off");
    WriteConfig(plain, 0);
    Shot without = RunAndShoot(plain);
    std::string framed = MakeScratchUnit("bezel-on");
    WriteConfig(framed, 1);
    Shot with = RunAndShoot(framed);

    // Through the window the display shows: the map's bright pixels are where they were
    // without the bezel (lines may differ by their anti-aliasing only).
    int lit = 0, missing = 0;
    for (int y = DisplayH * 10 / 100; y < DisplayH * 82 / 100; ++y)
        for (int x = DisplayW * 8 / 100; x < DisplayW * 92 / 100; ++x)
            if (without.Brightness(x, y) > 600) {
                ++lit;
                if (with.Brightness(x, y) < 300)
                    ++missing;
            }
    EXPECT_GT(lit, 200);
    EXPECT_LT(missing, lit / 20);

    // The frame covers the display below the window, at the top and at the sides.
    for (auto [x, y] : {std::pair{50.0f, 95.0f}, {10.0f, 86.5f}, {50.0f, 4.2f}, {4.2f, 50.0f}, {95.8f, 50.0f}}) {
        EXPECT_GT(with.BrightnessAt(x, y), 60) << x << "," << y;
        EXPECT_EQ(without.BrightnessAt(x, y), 0) << x << "," << y;
    }
    // The key caps are lighter than the grained frame and lie inside their click regions:
    // each key is cap-coloured across its region, the frame shows between the keys and
    // above and below them.
    const float keys[6][2] = {{17, 24}, {27, 34}, {38, 45}, {49, 56}, {59, 66}, {70, 76}};
    int frame = with.BrightnessAt(50, 95);
    int cap = with.BrightnessAt(20.5f, 88.5f);
    EXPECT_GT(cap, frame + 50);
    auto isFrame = [&](float x, float y) { return with.BrightnessAt(x, y) < cap - 40; };
    for (int k = 0; k < 6; ++k) {
        float middle = (keys[k][0] + keys[k][1]) / 2;
        for (float x : {keys[k][0] + 1.2f, middle, keys[k][1] - 1.2f})
            EXPECT_NEAR(with.BrightnessAt(x, 88.5f), cap, 15) << "key " << k << " at x " << x;
        EXPECT_TRUE(isFrame(middle, 85.8f)) << "above key " << k;
        EXPECT_TRUE(isFrame(middle, 91.2f)) << "below key " << k;
        if (k < 5) {
            EXPECT_TRUE(isFrame((keys[k][1] + keys[k + 1][0]) / 2, 88.5f)) << "after key " << k;
        }
    }
    // The knob sits on its two turn areas: lighter than the frame at both halves' middles,
    // the frame beyond them.
    EXPECT_GT(with.BrightnessAt(85, 89.5f), frame + 40);
    EXPECT_GT(with.BrightnessAt(89, 89.5f), frame + 40);
    EXPECT_TRUE(isFrame(87, 94.5f));
    EXPECT_TRUE(isFrame(80.5f, 89.5f));
}
