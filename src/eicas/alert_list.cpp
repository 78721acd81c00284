// The crew alerting list right of the engine display, with the START, REV and DEP
// annunciations: warnings, cautions, advisories, one line each, closed by END.
// Owns: nothing of its own. Reads/writes: Eicas (advisory timers). Reads: Aircraft.
#include "eicas/eicas.h"

#include "platform/platform.h"
#include "shell/text.h"
#include "simlink/aircraft.h"

#include <GL/gl.h>

// START runs down beside the engine's readouts, one letter a line, green while the
// engine spools up and amber from 51 % N2, when the starter should have cut out.
static void DrawStartAnnunciation(float x, float n2)
{
    const DisplayColour& c = n2 >= 51 ? ColourAmber : ColourGreen;
    glLoadIdentity();
    glTranslatef(x, 3.29f, -30.0f);
    glScalef(0.62f, 0.62f, 0.0f);
    SetColour(c);
    for (char letter : {'S', 'T', 'A', 'R', 'T'}) {
        PrintText(2, 1, "%c", letter);
        glTranslatef(-0.459f, -0.859f, 0.0f);
    }
}

// Thrust levers in the reverse range: REV while the reversers travel, DEP once the
// lever is beyond 5 % reverse and they are deployed.
static void DrawReverseAnnunciation(float x, float throttle)
{
    if (throttle >= 0)
        return;
    bool deployed = throttle < -5;
    const DisplayColour& c = deployed ? ColourGreen : ColourWhite;
    glLoadIdentity();
    glTranslatef(x, 9.5f, -30.0f);
    glScalef(0.62f, 0.62f, 0.0f);
    SetColour(c);
    PrintText(2, 1, deployed ? "DEP" : "REV");
}

static void DrawEngineAnnunciations()
{
    if (Aircraft.StarterLeft == 1)
        DrawStartAnnunciation(-6.45f, Aircraft.N2Left);
    if (Aircraft.StarterRight == 1)
        DrawStartAnnunciation(0.35f, Aircraft.N2Right);
    DrawReverseAnnunciation(-4.99f, Eicas.ThrottleLeft);
    DrawReverseAnnunciation(-0.617f, Eicas.ThrottleRight);
}

// One line per active row, 0.6076 units apart. There is no paging: a long list runs on
// below the divider rather than hide a message.
static void DrawTableRows(CasMessage* rows, int count, const DisplayColour& colour, bool advisory, float nowMs,
                          bool phaseOn, int* line)
{
    for (int i = 0; i < count; ++i) {
        CasMessage& row = rows[i];
        if (advisory)
            UpdateAdvisoryBlink(&row, nowMs);
        if (row.active) {
            glLoadIdentity();
            glTranslatef(1.1f, 9.53f, -30.0f);
            glScalef(0.62f, 0.62f, 0.0f);
            glTranslatef(0.0f, -0.98f * static_cast<float>(*line), 0.0f);
            DisplayColour c = colour;
            if (row.unacknowledged && !phaseOn)
                c = {0.0f, 0.0f, 0.0f};
            if (advisory && i == EndRow) {
                c = ColourCyan;
                glScalef(1.13f, 1.13f, 0.0f);
                glTranslatef(2.95f, 0.0f, 0.0f);
            }
            SetColour(c);
            PrintText(3, 1, "%s", row.text);
            ++*line;
        }
        if (advisory)
            row.prevActive = row.active;
    }
}

void DrawAlertList()
{
    EvaluateAlerts();
    double now = PlatformMillis();
    bool phaseOn = AlertBlinkPhaseOn(now);
    DrawEngineAnnunciations();
    int line = 0;
    float nowMs = static_cast<float>(now);
    DrawTableRows(Eicas.WarningTable, WarningRows, ColourRed, false, nowMs, phaseOn, &line);
    DrawTableRows(Eicas.CautionTable, CautionRows, ColourAmber, false, nowMs, phaseOn, &line);
    DrawTableRows(Eicas.AdvisoryTable, AdvisoryRows, ColourWhite, true, nowMs, phaseOn, &line);
}
