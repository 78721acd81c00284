# orvex-navdata.exe: the navigation data converter on Windows. MinGW has no zlib package, so
# this build reads plain (unpacked) files only and says so for a compressed one.
# Included from cmake/windows.cmake.
add_executable(orvex-navdata ${CMAKE_CURRENT_LIST_DIR}/main.cpp ${CMAKE_CURRENT_LIST_DIR}/convert.cpp
  ${CMAKE_SOURCE_DIR}/src/map/geodesy.cpp)
target_include_directories(orvex-navdata PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(orvex-navdata PRIVATE ORVEX_NAVDATA_PLAIN_ONLY)
target_link_libraries(orvex-navdata PRIVATE orvex_platform CLI11::CLI11)
set_target_properties(orvex-navdata PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
