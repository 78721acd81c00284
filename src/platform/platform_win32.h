// What the Win32 files of the platform layer share among themselves; never included above
// platform/ (it brings <windows.h>).
#pragma once

#include <windows.h>

#include <string>

// The window's device context while the window exists (its class has CS_OWNDC), else null.
HDC Win32WindowDc();

// The system's message for the last error (or `code`), without the trailing line break.
std::string Win32ErrorText(DWORD code = GetLastError());

// Whether the process `pid` still runs (a stale temporary's or block's owner).
bool Win32ProcessAlive(unsigned long pid);

// A PNG file of RGB rows, top row first (the screenshot's encoder).
bool Win32WritePng(FILE* file, const unsigned char* rgbTopDown, int width, int height);
