// Connection to the simulator module and the per-frame exchanges: the acquisition batch,
// the display reversion byte and the read-modify-write of the shared panel flag byte.
// Owns: Aircraft.Raw, Cockpit (DisplayReversion, PrevDisplayReversion, PanelFlags,
// PanelNotifyPending). Reads: Shell (ConfiguredMode, ShowingMfd). Writes: Shell.LinkConnected,
// Aircraft (reset to the no-simulator picture when the link is lost).
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "platform/platform.h"
#include "simlink/simlink.h"

#include <cstdint>
#include <string>

// ---------------------------------------------------------------------------------------
// Connection and acquisition
// ---------------------------------------------------------------------------------------

void ConnectSimulator()
{
    // Any simulator version is accepted. The attempt goes step by step, one look a frame,
    // so a missing or stopped module costs the frame a system call or two, never a wait;
    // failed attempts are retried after a short back-off.
    SimLink.SendTimeoutMs = ExchangeTimeoutUnitMs;
    SimLink.SendAttempts = ExchangeAttemptsUnit;
    Shell.LinkConnected = SimLinkConnectStep(0, PlatformMillis()) == SimLinkPhase::Open;
    // A reason other than "no module" is said once (again only after a connection, or when
    // it changes): the unit retries a few times a second and would otherwise flood the log.
    // Said from the frame, not from the attempt at start-up, so error.log (cleared while the
    // window is made) keeps it.
    static std::string said;
    if (Shell.LinkConnected)
        said.clear();
    else if (!SimLink.Failure.empty() && SimLink.Failure != said) {
        said = SimLink.Failure;
        ReportProblem("cannot connect to the simulator module: " + said);
    }
}

void ConnectSimulatorAtStart(int waitMs)
{
    // At start-up the unit may wait a little for a module that is there, so its first frame
    // already shows the simulator; a missing module is found out at once.
    SimLink.SendTimeoutMs = ExchangeTimeoutUnitMs;
    SimLink.SendAttempts = ExchangeAttemptsUnit;
    double until = PlatformMillis() + waitMs;
    SimLinkPhase phase = SimLinkConnectStep(0, PlatformMillis());
    while (phase == SimLinkPhase::Handshaking && PlatformMillis() < until) {
        PlatformSleepMs(1);
        phase = SimLinkConnectStep(0, PlatformMillis());
    }
    Shell.LinkConnected = phase == SimLinkPhase::Open;
}

void NoteLinkLost()
{
    // The module has gone (killed, stopped, or answering nonsense): the unit shows what it
    // shows with no simulator, as at a start without one, rather than values frozen at the
    // moment of the loss, and the next frames look for a module again. The knob counter is
    // kept so that the loss does not read as a turn of the knob.
    uint8_t knobRaw = Aircraft.Raw.KnobCounter;
    int knob = Aircraft.KnobCounter;
    AircraftReset();
    Aircraft.Raw.KnobCounter = knobRaw;
    Aircraft.KnobCounter = knob;
    Shell.LinkConnected = false;
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
    // as it was, and the conversions below start from those again. A link that closed
    // under the exchange (the module went away) ends the frame's exchanges.
    QueueAcquisitionBatch();
    SimLinkProcess();
    if (!SimLinkIsOpen()) {
        NoteLinkLost();
        return;
    }

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
    if (!SimLinkIsOpen())
        NoteLinkLost();
}

