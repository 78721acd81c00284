# The Windows build (cross-compiled with cmake/mingw-w64-x86_64.cmake): the display unit on the
# Win32 backend of the platform list, the unit tests that need no window, and the zip a
# Windows user unpacks. Included from the top-level CMakeLists.txt instead of the Linux part.

# CLI11 is header-only. Only its own folder is copied into the build, so no other header of
# the host's /usr/include can slip into a Windows program.
find_path(ORVEX_CLI11_HOST_DIR CLI/CLI.hpp PATHS /usr/include /usr/local/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT ORVEX_CLI11_HOST_DIR)
  message(FATAL_ERROR "CLI11 headers not found (Debian package libcli11-dev)")
endif()
file(COPY ${ORVEX_CLI11_HOST_DIR}/CLI DESTINATION ${CMAKE_BINARY_DIR}/cli11)
add_library(orvex_cli11 INTERFACE)
target_include_directories(orvex_cli11 SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/cli11)
add_library(CLI11::CLI11 ALIAS orvex_cli11)

set(ORVEX_UNIT_DIR ${CMAKE_BINARY_DIR}/unit)

# platform/: the Win32 file set (platform_win32_*.cpp), plus the simulator link's transport
# (platform_ipc_win32.cpp) where present; the Linux files are never compiled here.
file(GLOB ORVEX_PLATFORM_SOURCES CONFIGURE_DEPENDS src/platform/platform_win32_*.cpp src/platform/platform_*_win32.cpp)
if(EXISTS ${CMAKE_SOURCE_DIR}/src/platform/platform_ipc_win32.cpp)
  list(REMOVE_ITEM ORVEX_PLATFORM_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/platform_win32_link_absent.cpp)
endif()
add_library(orvex_platform STATIC ${ORVEX_PLATFORM_SOURCES})
target_include_directories(orvex_platform PUBLIC src)
target_compile_definitions(orvex_platform PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_link_libraries(orvex_platform PUBLIC opengl32 glu32 gdi32 user32 winmm ws2_32 shlwapi)

set(ORVEX_CORE_SOURCES)
foreach(sub ${ORVEX_SUBSYSTEMS})
  file(GLOB sub_sources CONFIGURE_DEPENDS src/${sub}/*.cpp)
  list(APPEND ORVEX_CORE_SOURCES ${sub_sources})
endforeach()
add_library(orvex_core STATIC ${ORVEX_CORE_SOURCES})
target_include_directories(orvex_core PUBLIC src)
target_link_libraries(orvex_core PUBLIC orvex_platform PRIVATE CLI11::CLI11)

# A window program: no console is opened when it is started from Explorer; started from a
# console, its standard error still reaches a redirection (automation runs use that).
add_executable(orvex WIN32 src/main.cpp)
target_link_libraries(orvex PRIVATE orvex_core)
set_target_properties(orvex PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ORVEX_UNIT_DIR})

add_custom_target(orvex_runtime_files ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVEX_UNIT_DIR}/data ${ORVEX_UNIT_DIR}/textures
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data ${ORVEX_UNIT_DIR}/data
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/textures ${ORVEX_UNIT_DIR}/textures
  COMMENT "Laying out the display-unit installation folder")
add_dependencies(orvex orvex_runtime_files)

# The other programs join the Windows build through a windows.cmake of their own.
foreach(tool sim panel navdata)
  if(EXISTS ${CMAKE_SOURCE_DIR}/tools/${tool}/windows.cmake)
    include(${CMAKE_SOURCE_DIR}/tools/${tool}/windows.cmake)
  endif()
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/windows-zip.cmake)

if(ORVEX_TESTS)
  enable_testing()
  add_subdirectory(tests/windows)
endif()
