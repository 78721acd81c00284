// Connection to the simulator module and the per-frame exchanges: the acquisition batch,
// the display reversion byte and the read-modify-write of the shared panel flag byte.
// Owns: Aircraft.Raw, Cockpit (DisplayReversion, PrevDisplayReversion, PanelFlags,
// PanelNotifyPending). Reads: Shell (ConfiguredMode, ShowingMfd). Writes: Shell.LinkConnected.
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"

#include <cstdint>

// ---------------------------------------------------------------------------------------
// Connection and acquisition
// ---------------------------------------------------------------------------------------

void ConnectSimulator()
{
    // Any simulator version is accepted; a failed open is retried by the next frame.
    Shell.LinkConnected = SimLinkOpen(0);
}

// The batch: every row of the acquisition table, the GPS identifier and this unit's three
// cockpit bytes. The knob, soft keys and dimming of the other unit live one byte away;
// reading only our own keeps a press on the other bezel from acting here.
static void QueueAcquisitionBatch()
{
#define ORVEX_QUEUE_READ(offset, type, name, kind) \
    SimLinkRead(offset, sizeof(Aircraft.Raw.name), &Aircraft.Raw.name);
    ORVEX_ACQUISITION_TABLE(ORVEX_QUEUE_READ)
#undef ORVEX_QUEUE_READ
    SimLinkRead(GpsNextIdentOffset, sizeof Aircraft.Raw.GpsNextIdent, Aircraft.Raw.GpsNextIdent);
    bool unit2 = Shell.ConfiguredMode != 0;
    SimLinkRead(unit2 ? KnobCounterOffsetDu2 : KnobCounterOffsetDu3, 1, &Aircraft.Raw.KnobCounter);
    SimLinkRead(unit2 ? SoftKeyMaskOffsetDu2 : SoftKeyMaskOffsetDu3, 1, &Aircraft.Raw.SoftKeyMask);
    SimLinkRead(unit2 ? DimLevelOffsetDu2 : DimLevelOffsetDu3, 1, &Aircraft.Raw.DimLevel);
}

void AcquireAircraftState()
{
    // The individual results are not examined: a failed exchange leaves every raw value
    // as it was, and the conversions below start from those again.
    QueueAcquisitionBatch();
    SimLinkProcess();

    // The reversion byte goes in an exchange of its own. The temporary starts from the
    // last known state, so a failed exchange keeps the display as it is instead of
    // swapping it back and forth with every hiccup of the link.
    uint8_t reversionByte = Cockpit.DisplayReversion ? 1 : 0;
    SimLinkRead(DisplayReversionOffset, 1, &reversionByte);
    SimLinkProcess();
    Cockpit.DisplayReversion = (reversionByte & 1) != 0;
    if (Cockpit.DisplayReversion != Cockpit.PrevDisplayReversion) {
        ApplyDisplayReversion(Cockpit.DisplayReversion);
        Cockpit.PrevDisplayReversion = Cockpit.DisplayReversion;
    }

    // 0x73D5 is shared by the panel and both units without a lock: read it, change only
    // our own bits, write the whole byte back, each step its own exchange so the window
    // in which another writer's change can be lost stays as short as one exchange.
    SimLinkRead(PanelFlagsOffset, 1, &Cockpit.PanelFlags);
    SimLinkProcess();
    if (Shell.ShowingMfd && Cockpit.PanelNotifyPending) {
        Cockpit.PanelFlags |= PanelFlagConfigChanged;
        Cockpit.PanelNotifyPending = false;
    }
    SimLinkWrite(PanelFlagsOffset, 1, &Cockpit.PanelFlags);
    SimLinkProcess();
}

