// The fuzzer's platform: just the IPC and time services the link client takes.
#include "fake_module.h"

#include "platform/platform.h"
#include "sim.h"

#include <cstring>

const uint8_t* FakeModuleScribble = nullptr;
size_t FakeModuleScribbleSize = 0;

alignas(8) static unsigned char Block[32768];
static SimOffsetSpace Space;

int PlatformProcessId() { return 4242; }
void PlatformSleepMs(int) {}
double PlatformMillis() { return 0; }
int PlatformFindModuleWindow(const char*) { return 3; }
void PlatformForgetModuleWindow(int) {}
uint32_t PlatformRegisterMessage(const char*) { return 0xC123; }
uint16_t PlatformAddAtom(const char*) { return 0xC000; }
void PlatformDeleteAtom(uint16_t) {}
int PlatformCreateMapping(const char*, uint32_t) { return 5; }
int64_t PlatformMappingSize(int) { return sizeof Block; }
void PlatformCloseMapping(int, const char*) {}
std::string PlatformModuleUnreachableReason(const char*) { return ""; }

bool PlatformPutBlock(int, const void* data, uint32_t size)
{
    std::memcpy(Block, data, size);
    return true;
}

bool PlatformGetBlock(int, void* data, uint32_t size)
{
    std::memcpy(data, Block, size);
    return true;
}

bool PlatformPostMessage(int, uint32_t, uint16_t, uint32_t, uint32_t* sequence, int, int)
{
    SimPublishVersions(Space, 0x20260105, 8);
    SimProcessBlock(Block, sizeof Block, Space);
    if (FakeModuleScribble && FakeModuleScribbleSize >= 2) {
        size_t position = (FakeModuleScribble[0] | (FakeModuleScribble[1] << 8)) % sizeof Block;
        size_t n = FakeModuleScribbleSize - 2;
        if (n > sizeof Block - position)
            n = sizeof Block - position;
        std::memcpy(Block + position, FakeModuleScribble + 2, n);
    }
    *sequence = 1;
    return true;
}

int PlatformAwaitAnswer(int, uint32_t, int, uint32_t* result)
{
    *result = 1;
    return 1;
}
