// The fuel page: fuel on board, the three tanks with their quantities and quantity scales,
// the feed to the engines with the cross-feed, and the fuel used since start.
// Owns: nothing between frames. Reads: Aircraft (tank capacities and levels, FuelTotal,
// FuelUsed; writes FuelLowLeft/FuelLowRight, recomputed as the derivation does).
#include "synoptics/synoptics.h"
#include "synoptics/synoptics_draw.h"

#include "simlink/aircraft.h"
#include "shell/saturate.h"

namespace {

int TankPounds(int capacity, float level)
{
    return SaturateToInt(capacity * static_cast<double>(level));
}

// A main tank is low from 330 lb down: the value, its pointer and a box turn amber.
void UpdateLowFuel()
{
    Aircraft.FuelLowLeft = Aircraft.TankCapacityLeft * static_cast<double>(Aircraft.TankLevelLeft) <= 330.0;
    Aircraft.FuelLowRight = Aircraft.TankCapacityRight * static_cast<double>(Aircraft.TankLevelRight) <= 330.0;
}

void DrawFuelTexts()
{
    const AircraftState& a = Aircraft;
    // The label's right-aligned place leaves it less room than its width before the total
    // ends: in any face it would run into the total's last figure. It is set narrowed, which
    // keeps a gap of a quarter em at every total.
    SynTextNarrowed(2.16f, -1.95f, 0.6f, 0.92f, 2, ColourCyan, "LBS ON BOARD");
    SynText(-1.4f, -1.95f, 0.6f, 2, ColourWhite, "%d", a.FuelTotal);
    SynText(-3.39f, -3.0f, 0.6f, 2, ColourCyan, "L WING");
    SynText(-3.99f, -3.69f, 0.6f, 0, a.FuelLowLeft ? ColourAmber : ColourWhite, "%d",
            TankPounds(a.TankCapacityLeft, a.TankLevelLeft));
    SynText(4.39f, -3.0f, 0.6f, 2, ColourCyan, "R WING");
    SynText(3.79f, -3.69f, 0.6f, 0, a.FuelLowRight ? ColourAmber : ColourWhite, "%d",
            TankPounds(a.TankCapacityRight, a.TankLevelRight));
    SynText(0.9f, -4.09f, 0.6f, 2, ColourCyan, "FUSELAGE");
    SynText(-0.2f, -4.69f, 0.6f, 0, ColourWhite, "%d", TankPounds(a.TankCapacityCentre, a.TankLevelCentre));
    SynText(-2.789f, -5.59f, 0.6f, 2, ColourCyan, "L ENG");
    SynText(3.49f, -5.59f, 0.6f, 2, ColourCyan, "R ENG");
    SynText(1.18f, -5.619f, 0.6f, 2, ColourCyan, "USED");
    SynText(-0.409f, -5.619f, 0.6f, 2, ColourWhite, "%d", a.FuelUsed);
    SynText(-2.63f, -2.79f, 1.0f, 1, ColourWhite, "-----------");   // the cross-feed line
}

void DrawTankOutlines()
{
    SynBox(-5.269f, -3.93f, 2.58f, 1.61f, ColourCyan);
    SynBox(2.5f, -3.93f, 2.58f, 1.61f, ColourCyan);
    SynBox(-1.7f, -4.91f, 3.05f, 1.45f, ColourCyan);
    if (Aircraft.FuelLowLeft)
        SynBox(-4.779f, -3.77f, 1.65f, 0.55f, ColourAmber);
    if (Aircraft.FuelLowRight)
        SynBox(2.95f, -3.77f, 1.65f, 0.55f, ColourAmber);
}

// From the fuselage tank over the cross-feed to the wings, and from each wing down to its
// engine.
void DrawFeedDiagram()
{
    SynTriangle(2.26f, -2.8f, -90.0f, 0.4f, 0.22f, ColourCyan);
    SynTriangle(-2.45f, -3.24f, 90.0f, 0.45f, 0.22f, ColourCyan);
    SynTriangle(-2.94f, -4.9f, -180.0f, 0.45f, 0.22f, ColourCyan);
    SynTriangle(3.34f, -4.9f, -180.0f, 0.45f, 0.22f, ColourCyan);
    SynLine(-3.18f, -4.9f, -3.18f, -3.91f, ColourCyan);
    SynLine(3.12f, -4.9f, 3.12f, -3.91f, ColourCyan);
    SynLine(-2.49f, -3.0f, -1.16f, -3.0f, ColourCyan);
    SynLine(2.28f, -3.0f, 0.95f, -3.0f, ColourCyan);
    SynLine(-1.18f, -2.98f, -1.18f, -3.46f, ColourCyan);
    SynLine(0.96f, -2.98f, 0.96f, -3.46f, ColourCyan);
}

// Each scale is a white bar (the wing bars with their amber low band at the foot) and a
// pointer whose height follows the tank level: at 0 % its tip sits at the foot of the bar,
// at 100 % one scale length higher. Levels outside 0..100 % move it off the bar; the
// simulator never sends them.
void DrawQuantityScales()
{
    const AircraftState& a = Aircraft;
    float centrePct = a.TankLevelCentre * 100, rightPct = a.TankLevelRight * 100, leftPct = a.TankLevelLeft * 100;
    SynBar(1.33f, -4.92f, 0.22f, 1.509f, ColourWhite);
    SynTriangle(1.76f, centrePct / 100 * 1.45f - 5.109f, 90.0f, 0.45f, 0.22f, ColourWhite);

    SynBar(5.079f, -3.939f, 0.22f, 1.65f, ColourWhite);
    SynBar(5.079f, -3.939f, 0.22f, 0.37f, ColourAmber);
    SynTriangle(5.51f, rightPct / 100 * 1.589f - 4.14f, 90.0f, 0.45f, 0.22f, a.FuelLowRight ? ColourAmber : ColourWhite);

    SynBar(-5.45f, -3.939f, 0.22f, 1.65f, ColourWhite);
    SynBar(-5.45f, -3.939f, 0.22f, 0.37f, ColourAmber);
    SynTriangle(-5.679f, leftPct / 100 * 1.589f - 3.679f, -90.0f, 0.45f, 0.22f, a.FuelLowLeft ? ColourAmber : ColourWhite);
}

} // namespace

void DrawFuelPage()
{
    UpdateLowFuel();
    SynSoftKeyFrame(3.249f, 4.927f);
    SynReturnLabel(4.04f, 0.55f);
    SynDivider();
    DrawFuelTexts();
    DrawTankOutlines();
    DrawFeedDiagram();
    DrawQuantityScales();
}
