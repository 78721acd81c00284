// The few zlib calls orvex-navdata makes, over plain files, for the Windows build (MinGW has
// no zlib package). A gzip-compressed input is refused with a message saying to unpack it;
// a plain file reads exactly as zlib reads it.
#pragma once

#include <cstdio>
#include <cstring>

using gzFile = std::FILE*;
constexpr int Z_OK = 0;
constexpr int Z_STREAM_END = 1;
constexpr int Z_ERRNO = -1;

inline gzFile gzopen(const char* path, const char* mode)
{
    std::FILE* file = std::fopen(path, mode);
    if (!file)
        return nullptr;
    unsigned char magic[2] = {};
    size_t got = std::fread(magic, 1, 2, file);
    if (got == 2 && magic[0] == 0x1F && magic[1] == 0x8B) {
        std::fprintf(stderr, "orvex-navdata: %s is gzip-compressed; this build reads plain files: unpack it first\n",
                     path);
        std::fclose(file);
        return nullptr;
    }
    std::rewind(file);
    return file;
}
inline int gzbuffer(gzFile file, unsigned size)
{
    return std::setvbuf(file, nullptr, _IOFBF, size);
}
inline char* gzgets(gzFile file, char* buffer, int size)
{
    return std::fgets(buffer, size, file);
}
inline const char* gzerror(gzFile file, int* error)
{
    *error = std::ferror(file) ? Z_ERRNO : Z_OK;
    return *error ? "read error" : "";
}
inline long gzoffset(gzFile file)
{
    return std::ftell(file);
}
inline int gzclose(gzFile file)
{
    return std::fclose(file);
}
