// The simulator link's client transport on a Windows build that has no transport file yet
// (platform_ipc_win32.cpp replaces this file in the build when it is present): no module
// window is ever found, so the unit runs dark and keeps looking, exactly as it does on
// Linux with no module running. Nothing here pretends to talk to a module.
// Owns: nothing.
#include "platform/platform.h"

int PlatformFindModuleWindow(const char*) { return -1; }
void PlatformForgetModuleWindow(int) {}
uint32_t PlatformRegisterMessage(const char* name) { return name && *name ? 1 : 0; }
uint16_t PlatformAddAtom(const char*) { return 0; }
void PlatformDeleteAtom(uint16_t) {}
int PlatformCreateMapping(const char*, uint32_t) { return -1; }
int64_t PlatformMappingSize(int) { return -1; }
bool PlatformPutBlock(int, const void*, uint32_t) { return false; }
bool PlatformGetBlock(int, void*, uint32_t) { return false; }
void PlatformUnmapView(void*, uint32_t) {}
void PlatformCloseMapping(int, const char*) {}
void PlatformRemoveStaleMappings(const char*) {}
bool PlatformPostMessage(int, uint32_t, uint16_t, uint32_t, uint32_t*, int, int) { return false; }
int PlatformAwaitAnswer(int, uint32_t, int, uint32_t*) { return -1; }
