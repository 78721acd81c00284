// The in-process test module.
#include "test_module.h"

#include "platform/platform.h"

#include <cstring>

bool TestModule::Start(const char* windowClass)
{
    Class = windowClass;
    SimPublishVersions(Space, 0x20260105, 8);
    std::string why;
    Listener = PlatformModuleListen(windowClass, &why);
    if (Listener < 0)
        return false;
    Thread = std::thread([this] { Serve(); });
    return true;
}

void TestModule::Stop()
{
    if (Listener < 0)
        return;
    Stopping = true;
    Thread.join();
    for (int c : Clients)
        PlatformModuleDropClient(c);
    Clients.clear();
    for (auto& [client, block] : Blocks)
        PlatformCloseBlock(block);
    Blocks.clear();
    PlatformModuleStopListening(Listener, Class.c_str());
    Listener = -1;
}

void TestModule::Serve()
{
    while (!Stopping) {
        std::vector<int> fds{Listener};
        fds.insert(fds.end(), Clients.begin(), Clients.end());
        bool ready[64] = {};
        if (PlatformWaitReadable(fds.data(), ready, static_cast<int>(fds.size()), 10) == 0)
            continue;
        for (size_t i = 1; i < fds.size(); ++i)
            if (ready[i])
                Answer(fds[i]);
        if (ready[0]) {
            int c = PlatformModuleAccept(Listener);
            if (c >= 0)
                Clients.push_back(c);
        }
    }
}

void TestModule::Answer(int client)
{
    PlatformModuleRequest request;
    if (!PlatformModuleReceive(client, &request)) {
        PlatformModuleDropClient(client);
        std::erase(Clients, client);
        if (auto held = Blocks.find(client); held != Blocks.end()) {
            PlatformCloseBlock(held->second);
            Blocks.erase(held);
        }
        return;
    }
    // The block comes with the first request that names it on a connection.
    if (request.block >= 0) {
        if (auto held = Blocks.find(client); held != Blocks.end())
            PlatformCloseBlock(held->second);
        Blocks[client] = request.block;
    }
    int memory = Blocks.count(client) ? Blocks[client] : -1;
    ++Requests;
    ModuleMode mode = Mode;
    if (mode == ModuleMode::Late) {
        PlatformSleepMs(LateMs);
        PlatformModuleAnswer(client, request.sequence, 1);
        return;
    }
    uint32_t result = 0;
    auto* block = static_cast<unsigned char*>(PlatformMapBlock(memory, SimBlockSize));
    if (block && mode != ModuleMode::AnswerZero)
        result = SimProcessBlock(block, SimBlockSize, Space);
    if (block && mode == ModuleMode::Scribble && ScribbleWith)
        ScribbleWith(block);
    if (block)
        PlatformUnmapView(block, SimBlockSize);
    if (block && mode == ModuleMode::Resize)
        PlatformResizeBlock(memory, ResizeTo);
    PlatformModuleAnswer(client, request.sequence, result);
}
