# The built-in flight is the shipped timeline file, embedded as bytes at build time into
# ${ORVEX_BUILTIN_FLIGHT_CPP} (set by the includer). Shared by the Linux and Windows builds.
set(ORVEX_BUILTIN_FLIGHT ${CMAKE_SOURCE_DIR}/data/flight/builtin-flight.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ORVEX_BUILTIN_FLIGHT})
file(READ ${ORVEX_BUILTIN_FLIGHT} flight_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," flight_bytes "${flight_hex}")
file(WRITE ${ORVEX_BUILTIN_FLIGHT_CPP}.new
  "// Generated from data/flight/builtin-flight.txt.\n"
  "static const unsigned char Flight[] = {${flight_bytes} 0};\n"
  "const char* SimBuiltinFlightText() { return reinterpret_cast<const char*>(Flight); }\n")
configure_file(${ORVEX_BUILTIN_FLIGHT_CPP}.new ${ORVEX_BUILTIN_FLIGHT_CPP} COPYONLY)
