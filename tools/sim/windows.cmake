# orvex-sim.exe: the module stand-in on Windows, a module window answering the offset
# protocol. The flight, the offset space and the request processing are the Linux sources;
# only the transport is the window's (sim_serve_window.cpp). Included from cmake/windows.cmake.
set(ORVEX_BUILTIN_FLIGHT ${CMAKE_SOURCE_DIR}/data/flight/builtin-flight.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ORVEX_BUILTIN_FLIGHT})
file(READ ${ORVEX_BUILTIN_FLIGHT} flight_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," flight_bytes "${flight_hex}")
file(WRITE ${CMAKE_BINARY_DIR}/tools/sim/builtin_flight.cpp.new
  "// Generated from data/flight/builtin-flight.txt.\n"
  "static const unsigned char Flight[] = {${flight_bytes} 0};\n"
  "const char* SimBuiltinFlightText() { return reinterpret_cast<const char*>(Flight); }\n")
configure_file(${CMAKE_BINARY_DIR}/tools/sim/builtin_flight.cpp.new ${CMAKE_BINARY_DIR}/tools/sim/builtin_flight.cpp COPYONLY)

set(sim_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(orvex_sim_lib STATIC
  ${sim_dir}/sim_block.cpp ${sim_dir}/sim_flight.cpp ${sim_dir}/sim_publish.cpp ${sim_dir}/sim_route.cpp
  ${sim_dir}/sim_server.cpp ${sim_dir}/sim_serve_window.cpp ${sim_dir}/sim_hostile.cpp
  ${sim_dir}/sim_flightgear.cpp ${sim_dir}/fg_parse.cpp
  ${CMAKE_SOURCE_DIR}/src/map/geodesy.cpp
  ${CMAKE_BINARY_DIR}/tools/sim/builtin_flight.cpp)
target_include_directories(orvex_sim_lib PUBLIC ${sim_dir})
target_link_libraries(orvex_sim_lib PUBLIC orvex_platform)

# A console program: it prints "ready" and the names it sees, and ends on Ctrl+C.
add_executable(orvex-sim ${sim_dir}/sim_main.cpp)
target_link_libraries(orvex-sim PRIVATE orvex_sim_lib CLI11::CLI11)
set_target_properties(orvex-sim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
