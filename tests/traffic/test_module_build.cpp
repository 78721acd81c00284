// The in-process interface module of the link tests, built into the traffic tests too: the
// traffic poll is checked against the same request processing the stand-in uses.
#include "simlink/test_module.cpp"
