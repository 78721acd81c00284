// The aural alert: one detached thread per raised message, each playing the chime once.
// Owns: nothing but the count Eicas.ChimesStarted. Reads: data/MCRChime.wav.
#include "eicas/eicas.h"
#include "platform/platform.h"

#include <thread>

void ChimeThread()
{
    // Synchronous: the thread lives exactly as long as the sound.
    PlatformPlaySoundSync("data/MCRChime.wav");
}

void StartChime()
{
    // One thread per raised row, never waited for: overlapping chimes simply overlap.
    ++Eicas.ChimesStarted;
    try {
        std::thread(ChimeThread).detach();
    } catch (...) {
        // No thread to be had: the message still shows and blinks, only silently.
    }
}
