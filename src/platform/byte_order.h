// Little-endian 32-bit words, the byte order of the module's request block and of the
// transport's request and answer headers, whatever the machine: the module can be a
// 32-bit program on another architecture. Header only, so the stand-in and the fuzzers
// take it without linking anything.
#pragma once

#include <cstdint>

inline void PutWord(unsigned char* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline uint32_t GetWord(const unsigned char* at)
{
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<uint32_t>(at[3]) << 24);
}
