// EICAS: the engine indication (dials, readouts, annunciations) and the crew alerting
// list with its master caution/warning bits and chime.
// Reads AircraftState and the cockpit byte 0x73D5 (PanelFlags); writes 0x73D5 back.
#pragma once

#include "shell/colours.h"
#include "shell/textures.h"

#include <cstdint>

// One row of an alert table. The text never changes; everything else is per-run state.
struct CasMessage {
    const char* text = "";         // side column ("L   ", "R   ", "L R ", four blanks) + name
    bool active = false;           // condition held at the last evaluation
    bool prevActive = false;       // active at the evaluation before (edge detection)
    bool unacknowledged = false;   // raised and not acknowledged: the row blinks
    bool acknowledged = false;     // set by an acknowledgement, cleared when raised again
    float firstSeenMs = 0;         // advisories: clock when last raised
    float lastSeenMs = 0;          // advisories: clock at the last drawing while unacknowledged
};

constexpr int WarningRows = 19;
constexpr int CautionRows = 32;
constexpr int AdvisoryRows = 27;
constexpr int EndRow = AdvisoryRows - 1;   // the cyan END marker, always active

// Program-wide EICAS state; one instance, `Eicas`, living for the whole run.
// The derived engine state is recomputed at every alert evaluation and read by the next
// frame's engine display; the tables survive frames and are cleared at each power-up.
struct EicasState {
    bool EngineRunningLeft = false, EngineRunningRight = false;
    bool HighPower = false;
    bool SpoilersExtended = false;
    float ThrottleLeft = 0, ThrottleRight = 0;   // lever percent, negative in reverse

    CasMessage WarningTable[WarningRows];        // red
    CasMessage CautionTable[CautionRows];        // amber
    CasMessage AdvisoryTable[AdvisoryRows];      // white, END cyan

    long ChimesStarted = 0;                      // chime threads started this run

    StillPixels EngineFaces;                     // the dials' ticks and white scales, at the display's size
};
extern EicasState Eicas;
// Start-of-run values: derived state zero, every row cleared, texts in place.
void EicasReset();

// Shared helpers.
bool InRange(float value, float low, float high);   // inclusive; false for NaN
float N1Reference(float oatC, float altitudeFt);    // take-off N1 target, percent
void UpdateDerivedEngineState();
void DrawArc(float radius, float startDeg, float endDeg);
bool AircraftOnGround();   // the simulator's on-ground word, low byte

// How a readout is shown: its colour and, when boxed, the highlight box's lower-left corner.
struct ReadoutLook {
    const DisplayColour* colour;
    bool boxed;
    float boxX, boxY;
};
bool N1OverSpeed(float n1);
ReadoutLook N2Look(float n2);
ReadoutLook OilTempLook(int tempC, bool left);
ReadoutLook OilPressLook(double psi, bool left, uint32_t simVersion);
bool FlapBoxShown(float flapAngle, bool highPower);

// The display entry and its two halves.
void DrawEicasDisplay();
void DrawEngineDisplay();
// Makes the dials' faces for the display's size; draws into the back buffer, so it runs
// before a frame's clear.
void PrepareEngineDisplay();
void DrawAlertList();
void EvaluateAlerts();

// The decisions of EvaluateAlerts, apart from the simulator exchanges, so they can be
// driven directly: the conditions with pair rows and shutdown suppression (steps before
// the read of 0x73D5), then the edges, master bits and acknowledgement applied to the
// byte as read. Returns the byte to write; *chimes receives the number of rows raised.
void EvaluateAlertConditions();
uint8_t ApplyAlertEdges(uint8_t panelFlags, int* chimes);
// Advisory bookkeeping done while drawing: start of the five-second blink, its end.
void UpdateAdvisoryBlink(CasMessage* row, float nowMs);
// Blink phase of unacknowledged rows at clock t: lit in the second half of each second.
bool AlertBlinkPhaseOn(double nowMs);

// Chime: one detached thread per raised row, playing "data/MCRChime.wav" once.
void StartChime();
void ChimeThread();
