// The module's transport on Windows: a top-level window of the options' class answers
// the registered message "FsasmLib:IPC" for every client in the session, one message at
// a time, over the one offset space.
// Owns: nothing beyond the space it is given. Reads: FgBridge's socket (the loop wakes
// often while it bridges).
#include "sim.h"
#include "sim_flightgear.h"

#include "platform/platform.h"

#include <cstdlib>
#include <cstring>

static SimOffsetSpace* ServedSpace = nullptr;

// A sent message does not say who sent it, so the creator's process id is taken from the
// name itself; the name must still be in the clients' exact scheme, or it is not opened.
static bool SimBlockNameWellFormed(const char* name)
{
    static const char Prefix[] = "FsasmLib:IPC:";
    if (std::strncmp(name, Prefix, sizeof Prefix - 1) != 0)
        return false;
    unsigned long pid = std::strtoul(name + sizeof Prefix - 1, nullptr, 16);
    return pid > 0 && pid <= 0x7FFFFFFF && SimBlockNameBelongsTo(name, static_cast<int>(pid));
}

static uint32_t SimAnswerBlock(const char* blockName, unsigned char* block, uint32_t size)
{
    if (!SimBlockNameWellFormed(blockName))
        return 0;
    SimNoteBlockName(blockName);
    uint32_t result = SimProcessBlock(block, size, *ServedSpace);
    if (SimHostileActive())
        SimHostileAfterProcess(block, -1);   // no block descriptor here: shrink and sizes are refused on Windows
    return result;
}

bool SimServeOpen(const SimOptions& options, SimOffsetSpace* space, std::string* why)
{
    ServedSpace = space;
    return PlatformModuleCreateWindow(options.WindowClass.c_str(), "FsasmLib:IPC", SimBlockSize, SimAnswerBlock, why);
}

bool SimServeFor(int timeoutMs)
{
    // Requests are answered inside the wait as they come. FlightGear's packets do not wake
    // a window, so while bridging the loop comes round every few milliseconds for them.
    return PlatformModulePump(FgBridge.Socket >= 0 && timeoutMs > 5 ? 5 : timeoutMs);
}

void SimServeClose(const SimOptions&)
{
    PlatformModuleDestroyWindow();
    ServedSpace = nullptr;
}
