// Sound through SDL2 audio: one synchronous playback of a WAV file per call, from any
// thread (the chime threads). Without a sound card it falls back to SDL's silent dummy
// driver; without the file it returns at once.
// Owns: the audio subsystem's start-up and the count of open playback devices.
#include "platform/platform.h"

#include <SDL.h>

#include <mutex>
#include <string>

static std::mutex AudioMutex;       // guards start-up, driver fallback, open and close
static int OpenDevices = 0;

// Opens a playback device for the WAV's own format. On a machine with no sound card the
// default driver starts but cannot open a device; then, if nobody else is playing, the
// subsystem is restarted on the dummy driver so that playback runs (silently) as usual.
static SDL_AudioDeviceID OpenPlaybackDevice(const SDL_AudioSpec* spec)
{
    std::lock_guard<std::mutex> lock(AudioMutex);
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return 0;
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, spec, nullptr, 0);
    if (device == 0 && OpenDevices == 0) {
        SDL_AudioQuit();
        if (SDL_AudioInit("dummy") == 0)
            device = SDL_OpenAudioDevice(nullptr, 0, spec, nullptr, 0);
    }
    if (device != 0)
        ++OpenDevices;
    return device;
}

static void ClosePlaybackDevice(SDL_AudioDeviceID device)
{
    std::lock_guard<std::mutex> lock(AudioMutex);
    SDL_CloseAudioDevice(device);
    --OpenDevices;
}

void PlatformPlaySoundSync(const char* path)
{
    if (!path)
        return;
    std::string file = PlatformPath(path);
    // The sound is read as every file the unit reads whole: a regular file of bounded size
    // (a chime is a few hundred KiB; 16 MiB is over a minute of CD-quality stereo), so a
    // FIFO or a link to a device in its place cannot hang the sound thread or fill memory.
    std::string bytes;
    if (!PlatformReadWholeFile(file.c_str(), 16u << 20, &bytes))
        return;
    SDL_AudioSpec spec{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    {
        // Decoding touches no audio device; the lock keeps SDL's error string sane.
        std::lock_guard<std::mutex> lock(AudioMutex);
        SDL_RWops* in = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
        if (!in || !SDL_LoadWAV_RW(in, 1, &spec, &samples, &length))
            return;
    }
    spec.callback = nullptr;   // queued playback
    SDL_AudioDeviceID device = OpenPlaybackDevice(&spec);
    if (device == 0) {
        SDL_FreeWAV(samples);
        return;
    }
    SDL_QueueAudio(device, samples, length);
    SDL_PauseAudioDevice(device, 0);

    // Wait for the queue to drain, then one device buffer more so the tail is heard.
    // The wait is bounded by the sound's own length plus a margin: a stalled device
    // must not keep the thread alive for ever.
    int frameBytes = SDL_AUDIO_BITSIZE(spec.format) / 8 * (spec.channels ? spec.channels : 1);
    double seconds = spec.freq > 0 ? double(length) / frameBytes / spec.freq : 0;
    Uint32 limitMs = static_cast<Uint32>(seconds * 1000) + 2000;
    Uint32 start = SDL_GetTicks();
    while (SDL_GetQueuedAudioSize(device) > 0 && SDL_GetTicks() - start < limitMs)
        SDL_Delay(10);
    if (spec.freq > 0)
        SDL_Delay(static_cast<Uint32>(1000.0 * spec.samples / spec.freq) + 10);

    ClosePlaybackDevice(device);
    SDL_FreeWAV(samples);
}
