// Sound on Windows: the chime thread plays a WAV file synchronously with PlaySoundA from
// memory, read with the same bounds as every file the unit reads whole.
// Owns: nothing.
#include "platform/platform.h"
#include "platform/platform_win32.h"

#include <mmsystem.h>

#include <mutex>

void PlatformPlaySoundSync(const char* path)
{
    if (!path)
        return;
    // A chime is a few hundred KiB; 16 MiB is over a minute of CD-quality stereo. A pipe or
    // device in the file's place is refused instead of hanging the sound thread.
    std::string bytes;
    if (!PlatformReadWholeFile(path, 16u << 20, &bytes))
        return;
    // PlaySound plays one sound per process: a second call cuts the first short. The chime
    // threads take turns here, so each chime is heard whole, one after the other.
    static std::mutex playing;
    std::lock_guard<std::mutex> lock(playing);
    // Without a sound device PlaySound fails at once; the chime is then silent, as on Linux.
    PlaySoundA(bytes.data(), nullptr, SND_MEMORY | SND_SYNC | SND_NODEFAULT);
}
