// The stand-in's request processing: well-formed blocks act in order, malformed ones get
// answer 0 and change nothing. (The library announcement is checked by simlink_test's
// handshake, which opens again after it.)
#include "sim.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// Builds a block the way a client does.
struct BlockBuilder {
    std::vector<unsigned char> bytes = std::vector<unsigned char>(SimBlockSize, 0);
    size_t at = 0;
    void Word(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at++] = static_cast<unsigned char>(v >> (8 * i));
    }
    size_t Read(uint32_t offset, uint32_t size)
    {
        Word(1), Word(offset), Word(size), Word(0);
        size_t data = at;
        at += size;
        return data;
    }
    void Write(uint32_t offset, std::initializer_list<unsigned char> data)
    {
        Word(2), Word(offset), Word(static_cast<uint32_t>(data.size()));
        for (unsigned char b : data)
            bytes[at++] = b;
    }
};

std::unique_ptr<SimOffsetSpace> MakeSpace()
{
    auto space = std::make_unique<SimOffsetSpace>();
    for (uint32_t i = 0; i < SimSpaceSize; ++i)
        space->Bytes[i] = static_cast<unsigned char>(i * 7);
    SimPublishVersions(*space, 0x20260105, 8);
    return space;
}

TEST(SimProcessBlock, PerformsRequestsInOrder)
{
    auto space = MakeSpace();
    BlockBuilder b;
    b.Write(0x100, {1, 2, 3});
    size_t first = b.Read(0x100, 4);
    b.Write(0xFFFE, {9, 9});  // the very end of the space
    size_t last = b.Read(0xFFFE, 2);
    EXPECT_EQ(SimProcessBlock(b.bytes.data(), b.bytes.size(), *space), 1u);
    EXPECT_EQ(b.bytes[first], 1);
    EXPECT_EQ(b.bytes[first + 2], 3);
    EXPECT_EQ(b.bytes[first + 3], static_cast<unsigned char>(0x103 * 7));
    EXPECT_EQ(b.bytes[last + 1], 9);
}

TEST(SimProcessBlock, MalformedBlocksGetZeroAndChangeNothing)
{
    using Spoil = void (*)(BlockBuilder&);
    const Spoil spoils[] = {
        [](BlockBuilder& b) { b.Word(3); },                                    // unknown type
        [](BlockBuilder& b) { b.Read(0xFFFF, 2); },                            // past the space
        [](BlockBuilder& b) { b.Read(0x10, 0xFFFFFFF0); },                     // size wraps
        [](BlockBuilder& b) { b.Word(2), b.Word(0xFFFFFFFF), b.Word(2); },     // offset wraps
        [](BlockBuilder& b) { b.Read(0, 32512 - 16 - 8 - 16); },               // no room for the end
        [](BlockBuilder& b) {                                                  // no end marker at all
            while (b.at + 16 <= SimBlockSize)
                b.Write(0x200, {1, 1, 1, 1});
        },
    };
    for (Spoil spoil : spoils) {
        auto space = MakeSpace();
        auto before = MakeSpace();
        BlockBuilder b;
        b.Write(0x300, {0xAA});  // a good request first: it must not happen either
        b.Read(0x300, 1);
        spoil(b);
        std::vector<unsigned char> copy = b.bytes;
        EXPECT_EQ(SimProcessBlock(b.bytes.data(), b.bytes.size(), *space), 0u);
        EXPECT_EQ(b.bytes, copy);
        EXPECT_EQ(std::memcmp(space->Bytes, before->Bytes, SimSpaceSize), 0);
    }
}

}  // namespace
