// An interface module inside the test process: answers the offset protocol with the
// stand-in's own request processing, and can misbehave on demand.
#pragma once

#include "sim.h"
#include "support/support.h"

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

enum class ModuleMode {
    Normal,      // performs the block and answers 1
    AnswerZero,  // performs nothing and answers 0
    Late,        // answers 1 after LateMs without touching the block
    Scribble,    // performs the block, then overwrites it with ScribbleWith(block)
    Resize,      // performs the block, then makes its object ResizeTo bytes long
};

struct TestModule {
    SimOffsetSpace Space{};
    std::atomic<ModuleMode> Mode{ModuleMode::Normal};
    std::atomic<int> Requests{0};
    int LateMs = 150;
    uint32_t ResizeTo = 100;
    void (*ScribbleWith)(unsigned char* block) = nullptr;

    bool Start(const char* windowClass = "UIPCMAIN");
    void Stop();
    ~TestModule() { Stop(); }

private:
    void Serve();
    void Answer(int client);
    std::string Class;
    int Listener = -1;
    std::atomic<bool> Stopping{false};
    std::thread Thread;
    std::vector<int> Clients;
    std::map<int, int> Blocks;  // client socket -> the block it handed over
};
