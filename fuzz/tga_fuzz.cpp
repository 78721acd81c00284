// The bezel pictures' TGA decoder on arbitrary bytes: it must never read outside the
// buffer, loop or allocate without bound; a picture it accepts must be exactly as large
// as its header says, in 3 or 4 bytes per pixel.
#include "shell/textures.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TgaImage image;
    const char* why = nullptr;
    if (DecodeTga(data, size, &image, &why)) {
        if (image.BytesPerPixel != 3 && image.BytesPerPixel != 4)
            std::abort();
        if (image.Width < 1 || image.Height < 1 || image.Width > TgaMaxSide || image.Height > TgaMaxSide)
            std::abort();
        if (image.Pixels.size() != static_cast<size_t>(image.Width) * image.Height * image.BytesPerPixel)
            std::abort();
    } else if (!why || !image.Pixels.empty()) {
        std::abort();
    }
    return 0;
}
