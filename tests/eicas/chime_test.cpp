// The chime through the platform's sound service: SDL's disk driver records what was
// played, so the test can prove the chime's samples went out; a missing file is silent.
#include "eicas/eicas.h"
#include "support/support.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(Chime, PlaysTheShippedWavOnceAndIsSilentWithoutIt)
{
    std::string dir = MakeScratchDir("chime");
    std::string raw = dir + "/played.raw";
    // ctest runs each test in a process of its own, so the driver chosen here holds.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    ASSERT_EQ(chdir(ORVEX_SOURCE_DIR), 0);   // the chime is found as data/MCRChime.wav

    ChimeThread();
    std::string wav = ReadFile(std::string(ORVEX_SOURCE_DIR) + "/data/MCRChime.wav");
    std::string played = ReadFile(raw);
    ASSERT_GT(wav.size(), 1000u);
    std::string samples = wav.substr(44);   // the canonical RIFF header of our file
    // The device may write a buffer of silence before it is unpaused; after that the
    // chime's samples follow whole and in order.
    size_t at = played.find(samples.substr(0, 4096));
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(played.substr(at, samples.size()), samples);

    ASSERT_EQ(chdir(dir.c_str()), 0);   // no data/ here: no chime, no harm
    auto start = std::chrono::steady_clock::now();
    ChimeThread();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));

    // A FIFO nobody writes, then an endless device, in the sound's place: no wait, no chime.
    ASSERT_EQ(mkdir("data", 0700), 0);
    ASSERT_EQ(mkfifo("data/MCRChime.wav", 0600), 0);
    ChimeThread();
    ASSERT_EQ(unlink("data/MCRChime.wav"), 0);
    ASSERT_EQ(symlink("/dev/zero", "data/MCRChime.wav"), 0);
    ChimeThread();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}
