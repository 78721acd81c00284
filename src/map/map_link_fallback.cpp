// Stand-ins for the two simulator link calls the map page makes, used only while the
// build has no link client: they refuse every request, as a link that is down does.
// The real client's definitions take precedence over these weak ones.
#include "simlink/simlink.h"

__attribute__((weak)) bool SimLinkRead(uint32_t, uint32_t, void*)
{
    return false;
}

__attribute__((weak)) bool SimLinkProcess()
{
    return false;
}
