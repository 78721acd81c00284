// The alert evaluation as the frame runs it: decisions, the exchanges of the shared flag
// byte 0x73D5 with the simulator module, and one chime per raised row.
// Owns: nothing of its own. Reads/writes: Eicas, Cockpit.PanelFlags.
#include "eicas/eicas.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"

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
