// The alert evaluation as the frame runs it: decisions, the exchanges of the shared flag
// byte 0x73D5 with the simulator module, and the chime threads.
// Owns: nothing of its own. Reads/writes: Eicas, Cockpit.PanelFlags.
#include "eicas/eicas.h"
#include "platform/platform.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"

#include <thread>

void EvaluateAlerts()
{
    EvaluateAlertConditions();
    // The panel and the MFD unit write this byte too, so it is read fresh just before
    // our bits are changed and written straight back. A failed exchange keeps the last
    // value; the list works on regardless.
    if (SimLinkRead(PanelFlagsOffset, 1, &Cockpit.PanelFlags))
        SimLinkProcess();
    int chimes = 0;
    Cockpit.PanelFlags = ApplyAlertEdges(Cockpit.PanelFlags, &chimes);
    for (int i = 0; i < chimes; ++i)
        StartChime();
    if (SimLinkWrite(PanelFlagsOffset, 1, &Cockpit.PanelFlags))
        SimLinkProcess();
}

void ChimeThread()
{
    // Synchronous: the thread lives exactly as long as the sound.
    PlatformPlaySoundSync("data/MCRChime.wav");
}

void StartChime()
{
    // One thread per raised row, never waited for: overlapping chimes simply overlap.
    ++Eicas.ChimesStarted;
    try {
        std::thread(ChimeThread).detach();
    } catch (...) {
        // No thread to be had: the message still shows and blinks, only silently.
    }
}
