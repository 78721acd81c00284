# orvex-panel.exe: the cockpit panel stand-in, a second client of the module protocol on
# Windows. Included from cmake/windows.cmake.
add_executable(orvex-panel ${CMAKE_CURRENT_LIST_DIR}/panel.cpp)
target_link_libraries(orvex-panel PRIVATE orvex_core CLI11::CLI11)
set_target_properties(orvex-panel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
target_include_directories(orvex-panel PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../sim)
