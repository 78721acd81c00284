# orvex-sim.exe: the module stand-in on Windows, a module window answering the offset
# protocol. The flight, the offset space and the request processing are the Linux sources;
# only the transport is the window's (sim_serve_window.cpp). Included from cmake/windows.cmake.
set(ORVEX_BUILTIN_FLIGHT_CPP ${CMAKE_BINARY_DIR}/tools/sim/builtin_flight.cpp)
include(${CMAKE_CURRENT_LIST_DIR}/builtin_flight.cmake)

set(sim_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(orvex_sim_lib STATIC
  ${sim_dir}/sim_block.cpp ${sim_dir}/sim_flight.cpp ${sim_dir}/sim_publish.cpp ${sim_dir}/sim_route.cpp
  ${sim_dir}/sim_server.cpp ${sim_dir}/sim_serve_window.cpp ${sim_dir}/sim_hostile.cpp
  ${sim_dir}/sim_flightgear.cpp ${sim_dir}/fg_parse.cpp
  ${CMAKE_SOURCE_DIR}/src/map/geodesy.cpp
  ${ORVEX_BUILTIN_FLIGHT_CPP})
target_include_directories(orvex_sim_lib PUBLIC ${sim_dir})
target_link_libraries(orvex_sim_lib PUBLIC orvex_platform)

# A console program: it prints "ready" and the names it sees, and ends on Ctrl+C.
add_executable(orvex-sim ${sim_dir}/sim_main.cpp)
target_link_libraries(orvex-sim PRIVATE orvex_sim_lib CLI11::CLI11)
set_target_properties(orvex-sim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
