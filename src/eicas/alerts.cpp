// Crew alerting decisions: the three message tables, their conditions, pair rows and
// shutdown suppression, rising edges, master caution/warning and acknowledgement.
// Owns: Eicas (tables and derived engine state). Reads: Aircraft, Shell.PrevBatteryMaster.
#include "eicas/eicas.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <cmath>

// Texts exactly as the crew sees them: a four-character side column, then the name.
// A null entry would be a bug; rows without a condition keep their text for completeness.
static const char* const WarningTexts[WarningRows] = {
    "    APU FIRE",        "    EMER/PARK BRK",  "    ENTRY DOOR",       "    GEAR",
    "L   FUEL PRESS LOW",  "R   FUEL PRESS LOW", "L R FUEL PRESS LOW",   "    UNL",
    "L   GEN FAIL",        "R   GEN FAIL",       "L R GEN FAIL",         "L   OIL PRESS LOW",
    "R   OIL PRESS LOW",   "L R OIL PRESS LOW",  "    SPOILERS EXT",     "    TAKEOFF TRIM",
    "L R BLEED_AIR_LEAK",  "    WING STAB LEAK", "    PIT TRIM BIAS",
};
static const char* const CautionTexts[CautionRows] = {
    "    AUX HYD PUMP LOW", "    BRAKE ACUM PRESS", "    EMER BATT LOW",    "    EMER BUS VOLTS",
    "    GEAR",             "    ENTRY DOOR",       "    MAIN HYD PRESS",   "    OXYGEN OFF",
    "    SPOILERS EXT",     "L   FUEL PRESS LOW",   "R   FUEL PRESS LOW",   "L R FUEL PRESS LOW",
    "L   GEN FAIL",         "R   GEN FAIL",         "L R GEN FAIL",         "L   OIL PRESS LOW",
    "R   OIL PRESS LOW",    "L R OIL PRESS LOW",    "L   FUEL QTY LOW",     "R   FUEL QTY LOW",
    "L R FUEL QTY LOW",     "L R PITOT HT",         "L R NAC HT",           "    EMER LIGHTS",
    "    ANTI SKID FAIL",   "L R EMER PRESS ON",    "    ELEVATOR DISC",    "    FLAPS FAIL",
    "    FLAPS FAULT",      "L   AOA HT FAIL",      "R   AOA HT FAIL",      "    RUD BOOST INOP",
};
static const char* const AdvisoryTexts[AdvisoryRows] = {
    "    AUTOSPLR ARM",   "    APU AVAILABLE",  "    EMER/PARK BRK",  "L   ENG SHUTDOWN",
    "R   ENG SHUTDOWN",   "L R ENG SHUTDOWN",  "    SPOILERS EXT",   "L   HYD PUMP LOW",
    "R   HYD PUMP LOW",   "L R HYD PUMP LOW",  "    TAKEOFF TRIM",   "    BUS TIE CLOSED",
    "    EMER LIGHTS",    "    PAX OXY DEPLOY", "    PACK HI FLOW",   "    EMER DEPRESS",
    "L R FWSOV CLSD",     "L   STBY PUMP ON",  "R   STBY PUMP ON",   "L R STBY PUMP ON",
    "    FUEL XFLOW OPEN", "    ELEVATOR DISC", "    WG STAB HT OK",  "    GPWS FAIL",
    "    PIT TRIM BIAS",  "    RUD BOOST INOP", "END",
};

// Rows without a condition in this aircraft's wiring (no APU availability, bleed leak,
// hydraulic or oxygen sensing reaches the simulator) are simply never set active.

static void ClearRows(CasMessage* rows, const char* const* texts, int count)
{
    for (int i = 0; i < count; ++i) {
        rows[i] = CasMessage{};
        rows[i].text = texts[i];
    }
}

static void ClearAllRows()
{
    ClearRows(Eicas.WarningTable, WarningTexts, WarningRows);
    ClearRows(Eicas.CautionTable, CautionTexts, CautionRows);
    ClearRows(Eicas.AdvisoryTable, AdvisoryTexts, AdvisoryRows);
}

void EicasReset()
{
    Eicas = EicasState{};
    ClearAllRows();
}

static EicasState InitialEicasState()
{
    EicasState e{};
    ClearRows(e.WarningTable, WarningTexts, WarningRows);
    ClearRows(e.CautionTable, CautionTexts, CautionRows);
    ClearRows(e.AdvisoryTable, AdvisoryTexts, AdvisoryRows);
    return e;
}
EicasState Eicas = InitialEicasState();

// Sets the left and right rows, then the pair row when both hold; the pair replaces the
// two single lines so the crew reads one message for one cause.
static void SetPairRows(CasMessage* table, int left, bool leftHolds, bool rightHolds)
{
    table[left].active = leftHolds;
    table[left + 1].active = rightHolds;
    table[left + 2].active = leftHolds && rightHolds;
    if (table[left + 2].active)
        table[left].active = table[left + 1].active = false;
}

// A take-off with the trims outside the green band: nose-down pitch trim below 1.5
// units on the readout, or rudder or aileron trim beyond one degree either way.
static bool TrimBad()
{
    const AircraftState& a = Aircraft;
    return a.PitchTrim * 0.6667 * 57.29 < 1.5 || std::fabs(a.RudderTrim * 57.29) > 1.0 ||
           std::fabs(a.AileronTrim * 57.29) > 1.0;
}

static void EvaluateWarningConditions()
{
    const AircraftState& a = Aircraft;
    CasMessage* w = Eicas.WarningTable;
    bool hp = Eicas.HighPower;
    w[0].active = a.FireFlags != 0;
    w[1].active = a.ParkingBrake != 0 && hp;
    w[2].active = a.DoorFlags != 0;
    w[3].active = a.IndicatedAirspeed >= 250 && a.GearLever != 0;
    SetPairRows(w, 4, a.FuelPressLeft < 2.4 && hp, a.FuelPressRight < 2.4 && hp);
    SetPairRows(w, 8, a.GenLeft < 5.0 && hp, a.GenRight < 5.0 && hp);
    // Oil pressure: the pair is decided first and each single row stands down for it.
    w[13].active = a.OilPressLeft < 49 && a.OilPressRight < 49;
    w[11].active = a.OilPressLeft < 49 && !w[13].active;
    w[12].active = a.OilPressRight < 49 && !w[13].active;
    // The caution row 8 seen here is the previous evaluation's: spoilers out in the air
    // already cautioned, so touching down with them out does not also warn.
    w[14].active = Eicas.SpoilersExtended && hp && AircraftOnGround() && !Eicas.CautionTable[8].active;
    w[15].active = AircraftOnGround() && hp && TrimBad();
}

static void EvaluateCautionConditions()
{
    const AircraftState& a = Aircraft;
    CasMessage* c = Eicas.CautionTable;
    bool hp = Eicas.HighPower;
    c[8].active = !AircraftOnGround() && a.SpoilerAngleLeft > 0 && a.SpoilerAngleRight > 0 && a.FlapAngle > 3;
    SetPairRows(c, 9, a.FuelPressLeft < 5.0 && !hp, a.FuelPressRight < 5.0 && !hp);
    SetPairRows(c, 12, a.GenLeft < 5.0 && !hp, a.GenRight < 5.0 && !hp);
    SetPairRows(c, 18, a.FuelLowLeft, a.FuelLowRight);
    c[21].active = a.PitotHeat == 0;
}

static void EvaluateAdvisoryConditions()
{
    const AircraftState& a = Aircraft;
    CasMessage* v = Eicas.AdvisoryTable;
    // These two look at this evaluation's warning and caution rows: the advisory is the
    // quiet form of the same message and gives way to the louder one.
    v[2].active = a.ParkingBrake != 0 && !Eicas.WarningTable[1].active;
    SetPairRows(v, 3, a.EngineStateLeft == 0 && a.StarterLeft != 1, a.EngineStateRight == 0 && a.StarterRight != 1);
    v[0].active = a.SpoilersArmed != 0 && !Eicas.SpoilersExtended;
    v[6].active = Eicas.SpoilersExtended && !Eicas.CautionTable[8].active;
    v[9].active = !Eicas.EngineRunningLeft && !Eicas.EngineRunningRight;
    v[7].active = !Eicas.EngineRunningLeft && !v[9].active;
    v[8].active = !Eicas.EngineRunningRight && !v[9].active;
    v[10].active = a.BatteryMaster != 0 && AircraftOnGround() && !Eicas.HighPower && TrimBad();
    v[EndRow].active = true;
}

// A shut-down engine does not also report its oil pressure, fuel pressure, generator
// and hydraulic pump: the shutdown message says it all.
static void SuppressShutDownEngines()
{
    CasMessage* w = Eicas.WarningTable;
    CasMessage* c = Eicas.CautionTable;
    CasMessage* v = Eicas.AdvisoryTable;
    if (v[5].active) {
        w[13].active = c[11].active = c[14].active = v[9].active = false;
    } else if (v[3].active) {
        w[11].active = c[9].active = c[12].active = v[7].active = false;
    } else if (v[4].active) {
        w[12].active = c[10].active = c[13].active = v[8].active = false;
    }
}

void EvaluateAlertConditions()
{
    UpdateDerivedEngineState();
    // Unpowered last frame (or the first frame): every row starts afresh, so whatever
    // holds at power-up is raised, blinks and chimes again.
    if (Shell.PrevBatteryMaster == 0)
        ClearAllRows();
    EvaluateWarningConditions();
    EvaluateCautionConditions();
    EvaluateAdvisoryConditions();
    SuppressShutDownEngines();
}

// Rising edge of one row: blink, forget an earlier acknowledgement, and cancel an
// acknowledge request still pending from before, so that an old press of the panel's
// button cannot acknowledge a message the crew has not seen yet.
static bool RaiseOnEdge(CasMessage* row, uint8_t* panelFlags)
{
    if (!row->active || row->prevActive)
        return false;
    row->unacknowledged = true;
    row->acknowledged = false;
    *panelFlags &= static_cast<uint8_t>(~PanelFlagAcknowledge);
    return true;
}

static bool AnyUnacknowledged(const CasMessage* rows, int count)
{
    for (int i = 0; i < count; ++i)
        if (rows[i].active && rows[i].unacknowledged)
            return true;
    return false;
}

static void AcknowledgeRows(CasMessage* rows, int count)
{
    for (int i = 0; i < count; ++i) {
        rows[i].unacknowledged = false;
        rows[i].acknowledged = true;
    }
}

static void SetBit(uint8_t* flags, uint8_t bit, bool on)
{
    *flags = on ? static_cast<uint8_t>(*flags | bit) : static_cast<uint8_t>(*flags & ~bit);
}

uint8_t ApplyAlertEdges(uint8_t panelFlags, int* chimes)
{
    int raised = 0;
    for (CasMessage& row : Eicas.CautionTable) {
        raised += RaiseOnEdge(&row, &panelFlags);
        row.prevActive = row.active;
    }
    for (CasMessage& row : Eicas.WarningTable) {
        raised += RaiseOnEdge(&row, &panelFlags);
        row.prevActive = row.active;
    }
    // Advisories remember their previous state while drawing (the five-second timer
    // needs to see the edge there too); END never chimes and never blinks.
    for (int i = 0; i < AdvisoryRows; ++i)
        if (RaiseOnEdge(&Eicas.AdvisoryTable[i], &panelFlags) && i != EndRow)
            ++raised;
    Eicas.AdvisoryTable[EndRow].unacknowledged = false;
    Eicas.AdvisoryTable[EndRow].acknowledged = true;

    SetBit(&panelFlags, PanelFlagMasterCaution, AnyUnacknowledged(Eicas.CautionTable, CautionRows));
    SetBit(&panelFlags, PanelFlagMasterWarning, AnyUnacknowledged(Eicas.WarningTable, WarningRows));

    // An acknowledgement is taken only when there is something to acknowledge; the master
    // bits written this time stay as computed and fall at the next evaluation.
    bool pending = AnyUnacknowledged(Eicas.WarningTable, WarningRows) ||
                   AnyUnacknowledged(Eicas.CautionTable, CautionRows) ||
                   AnyUnacknowledged(Eicas.AdvisoryTable, AdvisoryRows);
    if (pending && (panelFlags & PanelFlagAcknowledge)) {
        AcknowledgeRows(Eicas.WarningTable, WarningRows);
        AcknowledgeRows(Eicas.CautionTable, CautionRows);
        AcknowledgeRows(Eicas.AdvisoryTable, AdvisoryRows);
        panelFlags &= static_cast<uint8_t>(~PanelFlagAcknowledge);
    }
    if (chimes)
        *chimes = raised;
    return panelFlags;
}

void UpdateAdvisoryBlink(CasMessage* row, float nowMs)
{
    if (row->active && row->unacknowledged) {
        if (!row->prevActive)
            row->firstSeenMs = nowMs;
        row->lastSeenMs = nowMs;
        // Advisories need no action from the crew: they stop blinking on their own.
        if (row->lastSeenMs - row->firstSeenMs > 5000)
            row->unacknowledged = false;
    }
}

bool AlertBlinkPhaseOn(double nowMs)
{
    return std::fmod(nowMs, 1000.0) > 500.0;
}
