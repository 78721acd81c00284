// A stand-in for the IPC transport inside the fuzzer: the block is a static buffer and the
// "module" performs requests with the stand-in's own processing, then lays the fuzzer's
// bytes over the block (position from the first two bytes) and answers 1.
#pragma once

#include <cstddef>
#include <cstdint>

extern const uint8_t* FakeModuleScribble;
extern size_t FakeModuleScribbleSize;
