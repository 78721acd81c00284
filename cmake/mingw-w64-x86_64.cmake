# Cross build for 64-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The posix flavour of the compiler brings std::thread and std::mutex (winpthreads); the
# programs link the C and C++ runtimes and winpthreads statically, so they need no DLL
# beside them, only the system's own (opengl32, glu32, gdi32, user32, winmm, kernel32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVEX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVEX_MINGW_PREFIX}-windres)

# Headers and libraries come from the MinGW tree only; the host's /usr/include never enters
# the cross build (header-only CLI11 is copied in by itself, see cmake/windows.cmake).
set(CMAKE_FIND_ROOT_PATH /usr/${ORVEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine on the build machine.
find_program(ORVEX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ORVEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVEX_WINE})
endif()
