// The TGA reader for the bezel pictures: true-colour pictures, run-length encoded (type 10)
// at 24 or 32 bits, or uncompressed at 16 (5-5-5), 24 or 32 bits. No OpenGL here, so tests
// and the fuzzer feed it any bytes.
// Owns: nothing. Reads: the picture file.
//
// Every picture file may be damaged or hostile. What the reader does with one:
// - shorter than the 18-byte header, or an identification field running past the end:
//   refused;
// - width or height 0, or over TgaMaxSide: refused;
// - run-length pictures of a depth other than 24 or 32, other pictures of a depth other
//   than 16, 24 or 32: refused;
// - pixel data that ends before every pixel is filled: refused; half a bezel would either
//   hide part of the display or leave it unframed, and the unit refuses to start with it
//   just as with a missing file;
// - a run-length packet that runs past the last pixel: cut at the last pixel, the picture
//   is complete and kept;
// - anything after the last pixel (a footer, an extension area): ignored.
// The colour map type and the image descriptor are not consulted; a picture with a colour
// map is not a bezel picture and reads as noise.
#include "shell/textures.h"

#include "platform/platform.h"

#include <cstdio>

namespace {
constexpr size_t TgaHeaderSize = 18;
constexpr int TgaTypeRunLength = 10;

// The largest file worth reading: header, the longest identification field and the worst
// case of run-length data (one count byte per 32-bit pixel). Anything beyond cannot belong
// to a picture the reader would accept.
constexpr size_t TgaLargestUsefulFile =
    TgaHeaderSize + 255 + static_cast<size_t>(TgaMaxSide) * TgaMaxSide * 5;

bool Refuse(TgaImage* image, const char** why, const char* reason)
{
    *image = TgaImage{};
    if (why)
        *why = reason;
    return false;
}

// The file's blue, green, red (and alpha) bytes as red, green, blue (and alpha).
inline void StoreSwapped(const uint8_t* from, uint8_t* to, int bytesPerPixel)
{
    to[0] = from[2];
    to[1] = from[1];
    to[2] = from[0];
    if (bytesPerPixel == 4)
        to[3] = from[3];
}

bool DecodeRunLength(const uint8_t* data, size_t size, size_t at, TgaImage* image, const char** why)
{
    const size_t bpp = static_cast<size_t>(image->BytesPerPixel);
    const size_t pixels = static_cast<size_t>(image->Width) * image->Height;
    // A packet holds at most 128 pixels in 1 + bpp bytes; fewer bytes than that cannot fill
    // the picture, so a header claiming a huge picture in a small file is refused before
    // anything is allocated.
    if (size - at < (pixels + 127) / 128 * (1 + bpp))
        return Refuse(image, why, "the pixel data ends before the picture is complete");
    image->Pixels.resize(pixels * bpp);
    uint8_t* out = image->Pixels.data();
    size_t stored = 0;
    while (stored < pixels) {
        if (at >= size)
            return Refuse(image, why, "the pixel data ends before the picture is complete");
        uint8_t count = data[at++];
        bool repeated = count >= 128;
        size_t n = repeated ? count - 127u : count + 1u;
        if (n > pixels - stored)
            n = pixels - stored;   // a packet running past the last pixel is cut there
        if (repeated) {
            if (size - at < bpp)
                return Refuse(image, why, "the pixel data ends before the picture is complete");
            uint8_t pixel[4];
            StoreSwapped(data + at, pixel, image->BytesPerPixel);
            at += bpp;
            for (size_t i = 0; i < n; ++i, out += bpp)
                for (size_t b = 0; b < bpp; ++b)
                    out[b] = pixel[b];
        } else {
            if ((size - at) / bpp < n)
                return Refuse(image, why, "the pixel data ends before the picture is complete");
            for (size_t i = 0; i < n; ++i, at += bpp, out += bpp)
                StoreSwapped(data + at, out, image->BytesPerPixel);
        }
        stored += n;
    }
    return true;
}

bool DecodeUncompressed(const uint8_t* data, size_t size, size_t at, int depth, TgaImage* image, const char** why)
{
    const size_t pixels = static_cast<size_t>(image->Width) * image->Height;
    const size_t fileBytes = static_cast<size_t>(depth / 8);
    if ((size - at) / fileBytes < pixels)
        return Refuse(image, why, "the pixel data ends before the picture is complete");
    const size_t bpp = static_cast<size_t>(image->BytesPerPixel);
    image->Pixels.resize(pixels * bpp);
    uint8_t* out = image->Pixels.data();
    const uint8_t* in = data + at;
    for (size_t i = 0; i < pixels; ++i, in += fileBytes, out += bpp) {
        if (depth == 16) {
            // 5-5-5 little-endian, the top bit (an attribute bit) ignored; each 5-bit
            // channel times 8, so full intensity is 248.
            unsigned p = in[0] | (in[1] << 8);
            out[0] = static_cast<uint8_t>(((p >> 10) & 31) * 8);
            out[1] = static_cast<uint8_t>(((p >> 5) & 31) * 8);
            out[2] = static_cast<uint8_t>((p & 31) * 8);
        } else {
            StoreSwapped(in, out, image->BytesPerPixel);
        }
    }
    return true;
}
} // namespace

bool DecodeTga(const uint8_t* data, size_t size, TgaImage* image, const char** why)
{
    *image = TgaImage{};
    if (!data || size < TgaHeaderSize)
        return Refuse(image, why, "the file is shorter than a TGA header");
    const size_t idLength = data[0];
    const int type = data[2];
    const int width = data[12] | (data[13] << 8);
    const int height = data[14] | (data[15] << 8);
    const int depth = data[16];
    const size_t at = TgaHeaderSize + idLength;
    if (at > size)
        return Refuse(image, why, "the identification field runs past the end of the file");
    if (width == 0 || height == 0)
        return Refuse(image, why, "the picture has no pixels");
    if (width > TgaMaxSide || height > TgaMaxSide)
        return Refuse(image, why, "the picture is larger than 8192 x 8192 pixels");
    image->Width = width;
    image->Height = height;

    if (type == TgaTypeRunLength) {
        if (depth != 24 && depth != 32)
            return Refuse(image, why, "run-length pictures must have 24 or 32 bits per pixel");
        image->BytesPerPixel = depth / 8;
        return DecodeRunLength(data, size, at, image, why);
    }
    // Every other image type is read as uncompressed true colour.
    if (depth != 16 && depth != 24 && depth != 32)
        return Refuse(image, why, "only 16, 24 and 32 bits per pixel are supported");
    image->BytesPerPixel = depth == 32 ? 4 : 3;
    return DecodeUncompressed(data, size, at, depth, image, why);
}

bool LoadTga(const char* path, TgaImage* image)
{
    *image = TgaImage{};
    std::string file = PlatformPath(path);
    // Read the whole file (up to the largest size a picture can use) and decode it from
    // memory, so the decoder alone decides what is inside the file. A FIFO or a device is
    // refused before any read.
    std::string bytes, readWhy;
    if (!PlatformReadFileStart(file.c_str(), TgaLargestUsefulFile, &bytes, &readWhy)) {
        // The line on standard output is the one the unit has always given; the file and
        // the reason go to standard error beside it.
        std::fputs("\nUnable to load TGA File!\n", stdout);
        std::fprintf(stderr, "orvex: %s: %s\n", file.c_str(),
                     PlatformPathExists(file.c_str()) ? readWhy.c_str() : "missing");
        return false;
    }
    const char* why = "the file cannot be read";
    if (!DecodeTga(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image, &why)) {
        std::fprintf(stderr, "orvex: %s: %s\n", file.c_str(), why);
        *image = TgaImage{};
        return false;
    }
    return true;
}
