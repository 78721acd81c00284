// The screenshot's PNG encoder on Windows, where no PNG library comes with the compiler:
// 8-bit RGB, no filter, one zlib stream compressed with fixed Huffman codes and a greedy
// match search over the last 32 KiB. A display frame is mostly black runs and repeated
// rows, which this shrinks to a few percent; a frame of 484 x 605 takes a few milliseconds.
// Owns: nothing.
#include "platform/platform_win32.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

uint32_t Crc32(const unsigned char* data, size_t size, uint32_t crc = 0)
{
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const std::vector<unsigned char>& data)
{
    uint32_t a = 1, b = 0;
    for (unsigned char byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

// Deflate's bit stream: values least significant bit first, Huffman codes most significant first.
struct BitWriter {
    std::vector<unsigned char> out;
    uint32_t buffer = 0;
    int count = 0;
    void Put(uint32_t value, int bits)
    {
        buffer |= value << count;
        count += bits;
        while (count >= 8) {
            out.push_back(static_cast<unsigned char>(buffer));
            buffer >>= 8;
            count -= 8;
        }
    }
    void PutCode(uint32_t code, int bits)
    {
        uint32_t reversed = 0;
        for (int i = 0; i < bits; ++i)
            reversed |= ((code >> i) & 1) << (bits - 1 - i);
        Put(reversed, bits);
    }
    void Flush()
    {
        if (count > 0)
            out.push_back(static_cast<unsigned char>(buffer));
        buffer = 0;
        count = 0;
    }
};

// The fixed literal/length code.
void PutSymbol(BitWriter& w, int symbol)
{
    if (symbol < 144)
        w.PutCode(0x30 + symbol, 8);
    else if (symbol < 256)
        w.PutCode(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        w.PutCode(symbol - 256, 7);
    else
        w.PutCode(0xC0 + symbol - 280, 8);
}

const int LengthBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const int DistanceBase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int DistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void PutMatch(BitWriter& w, int length, int distance)
{
    int l = 28;
    while (LengthBase[l] > length)
        --l;
    PutSymbol(w, 257 + l);
    w.Put(static_cast<uint32_t>(length - LengthBase[l]), LengthExtra[l]);
    int d = 29;
    while (DistanceBase[d] > distance)
        --d;
    w.PutCode(static_cast<uint32_t>(d), 5);
    w.Put(static_cast<uint32_t>(distance - DistanceBase[d]), DistanceExtra[d]);
}

std::vector<unsigned char> ZlibCompress(const std::vector<unsigned char>& data)
{
    BitWriter w;
    w.out = {0x78, 0x01};
    w.Put(1, 1);   // the only block, and the last
    w.Put(1, 2);   // fixed Huffman codes
    constexpr int HashBits = 15, Window = 32768, MaxLength = 258;
    std::vector<int> head(1 << HashBits, -1);
    auto hash = [&](size_t i) {
        return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & ((1 << HashBits) - 1);
    };
    size_t i = 0;
    const size_t n = data.size();
    while (i < n) {
        int length = 0, distance = 0;
        if (i + 2 < n) {
            int h = hash(i);
            int candidate = head[h];
            head[h] = static_cast<int>(i);
            if (candidate >= 0 && i - candidate <= Window) {
                size_t limit = n - i < MaxLength ? n - i : MaxLength;
                size_t k = 0;
                while (k < limit && data[candidate + k] == data[i + k])
                    ++k;
                if (k >= 3) {
                    length = static_cast<int>(k);
                    distance = static_cast<int>(i - candidate);
                }
            }
        }
        if (length) {
            PutMatch(w, length, distance);
            // The skipped positions enter the table too, so later runs find their start.
            for (size_t j = i + 1; j < i + length && j + 2 < n; ++j)
                head[hash(j)] = static_cast<int>(j);
            i += length;
        } else {
            PutSymbol(w, data[i]);
            ++i;
        }
    }
    PutSymbol(w, 256);
    w.Flush();
    uint32_t adler = Adler32(data);
    for (int shift = 24; shift >= 0; shift -= 8)
        w.out.push_back(static_cast<unsigned char>(adler >> shift));
    return w.out;
}

void PutBigEndian(std::vector<unsigned char>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

bool WriteChunk(FILE* file, const char type[4], const std::vector<unsigned char>& body)
{
    std::vector<unsigned char> chunk;
    PutBigEndian(chunk, static_cast<uint32_t>(body.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    PutBigEndian(chunk, Crc32(chunk.data() + 4, chunk.size() - 4));
    return std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
}

} // namespace

bool Win32WritePng(FILE* file, const unsigned char* rgbTopDown, int width, int height)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::fwrite(signature, 1, 8, file) != 8)
        return false;
    std::vector<unsigned char> header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});   // 8 bits, RGB, deflate, no filter kinds, no interlace
    const size_t row = static_cast<size_t>(width) * 3;
    std::vector<unsigned char> raw;
    raw.reserve((row + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);   // filter: none
        raw.insert(raw.end(), rgbTopDown + y * row, rgbTopDown + (y + 1) * row);
    }
    return WriteChunk(file, "IHDR", header) && WriteChunk(file, "IDAT", ZlibCompress(raw)) && WriteChunk(file, "IEND", {});
}
