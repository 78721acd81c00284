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
        return;
    }
    ++Requests;
    ModuleMode mode = Mode;
    if (mode == ModuleMode::Late) {
        PlatformSleepMs(LateMs);
        PlatformModuleAnswer(client, request.sequence, 1);
        return;
    }
    uint32_t result = 0;
    auto* block = static_cast<unsigned char*>(PlatformOpenMapping(request.blockName, SimBlockSize));
    if (block && mode != ModuleMode::AnswerZero)
        result = SimProcessBlock(block, SimBlockSize, Space);
    if (block && mode == ModuleMode::Scribble && ScribbleWith)
        ScribbleWith(block);
    if (block)
        PlatformUnmapView(block, SimBlockSize);
    if (block && mode == ModuleMode::Resize)
        PlatformResizeMappingName(request.blockName, ResizeTo);
    if (block && mode == ModuleMode::Replace)
        PlatformReplaceMappingName(request.blockName, SimBlockSize);
    PlatformModuleAnswer(client, request.sequence, result);
}
