// The electrical page: a one-line diagram of the two essential buses and the emergency bus
// with their voltages, the battery temperatures, both generators and the APU with their
// loads, and the external power point.
// Owns: nothing between frames. Reads: Aircraft (GenLeft/Right volts, GenAmpsLeft/Right),
// Shell.ShowingMfd.
#include "synoptics/synoptics.h"
#include "synoptics/synoptics_draw.h"

#include "simlink/aircraft.h"

#include <GL/gl.h>

namespace {

constexpr float ValueScale = 0.53f;
constexpr float AmpsNarrow = 0.82f;   // the generators' AMPS, narrowed to clear their loads

void DrawHeaders()
{
    SynText(-5.17f, -1.967f, 0.52f, 0, ColourCyan, "L ESS VOLT");
    SynTextAfter(7.57f, 0, 0, ColourCyan, "EMER BUS VOLTS");
    SynTextAfter(6.65f, 0, 0, ColourCyan, "R ESS VOLT");
}

// The live values and the cyan frames of the bus and battery readouts. The emergency bus
// shows 0.0: no emergency-bus switch is wired to the unit that would put the bus's own
// voltage here. No battery temperature sensors are either: the figures are fixed.
void DrawLiveValues()
{
    const AircraftState& a = Aircraft;
    SynText(-5.2f, -2.63f, ValueScale, 0, ColourWhite, "%2.1f", a.GenLeft);
    SynRect(-5.79f, -2.796f, -4.61f, -2.21f, ColourCyan);
    SynText(-0.1f, -2.63f, ValueScale, 0, ColourWhite, "0.0");
    SynRect(-0.72f, -2.796f, 0.46f, -2.21f, ColourCyan);
    SynText(5.25f, -2.63f, ValueScale, 0, ColourWhite, "%2.1f", a.GenRight);
    SynRect(4.609f, -2.796f, 5.789f, -2.21f, ColourCyan);
    SynText(-2.53f, -3.78f, ValueScale, 0, ColourWhite, "35");
    SynRect(-3.13f, -3.906f, -1.95f, -3.32f, ColourCyan);
    SynText(2.37f, -3.78f, ValueScale, 0, ColourWhite, "38");
    SynRect(1.76f, -3.906f, 2.94f, -3.32f, ColourCyan);
    SynText(-5.2f, -5.3f, ValueScale, 2, ColourWhite, "%2.1f", a.GenAmpsLeft);
    SynText(5.25f, -5.3f, ValueScale, 2, ColourWhite, "%2.1f", a.GenAmpsRight);
}

// The APU is not modelled: its load reads 0. Its legends follow the value.
void DrawApu()
{
    SynDisk(2.38f, -4.55f, ColourYellow);
    SynText(2.37f, -5.3f, ValueScale, 0, ColourWhite, "0");
    SynTextAfter(1.7f, 0, 0, ColourCyan, "AMPS");
    SynTextAfter(-2.86f, 1.13f, 0, ColourYellow, "A");
}

void DrawLegends()
{
    SynText(-2.68f, -2.63f, ValueScale, 0, ColourCyan, "- - - - - - - -");
    SynText(2.519f, -2.63f, ValueScale, 0, ColourCyan, "- - - - - - - -");
    // "C" with a small degree mark before it: the mark is a "0" drawn at a smaller,
    // half-turned scale above the letter.
    SynText(-0.15f, -3.78f, ValueScale, 0, ColourCyan, "BATT TEMPS");
    SynTextAfter(-2.0f, -1.13f, 0, ColourCyan, "C");
    glScalef(-0.77f, -0.77f, 1.0f);
    SynTextAfter(1.1f, -0.88f, 0, ColourCyan, "0");
    SynDisk(-5.22f, -4.55f, ColourCyan);
    SynDisk(5.21f, -4.55f, ColourCyan);
    // Each load's last figure starts 0.9 units left of its AMPS's middle, less than half the
    // word and a figure take: at full width the right load runs into its AMPS in any face,
    // the left one comes within a hair. Both AMPS are set narrowed alike; the generators'
    // names are placed from where the full-width word would leave the pen, as always.
    SynTextNarrowed(-4.2f, -5.3f, ValueScale, AmpsNarrow, 0, ColourCyan, "AMPS");
    SynTextAfter(-3.76f, 1.09f, 0, ColourCyan, "GEN L");
    SynTextNarrowed(6.15f, -5.29f, ValueScale, AmpsNarrow, 0, ColourCyan, "AMPS");
    SynTextAfter(-1.72f, 1.09f, 0, ColourCyan, "R GEN");
    SynText(-2.43f, -4.7f, 0.45f, 0, ColourCyan, "EXT PWR");
}

void DrawBusLines()
{
    SynLine(5.2f, -2.779f, 5.2f, -4.289f, ColourCyan);
    SynLine(-5.22f, -2.779f, -5.22f, -4.289f, ColourCyan);
    SynLine(-5.23f, -3.63f, -3.11f, -3.63f, ColourCyan);
    SynLine(2.97f, -3.63f, 5.18f, -3.63f, ColourCyan);
    SynLine(2.34f, -4.09f, 5.17f, -4.09f, ColourCyan);
    SynLine(-5.23f, -4.09f, -2.4f, -4.09f, ColourCyan);
    SynLine(2.36f, -4.09f, 2.36f, -4.26f, ColourCyan);
    SynLine(-2.44f, -4.09f, -2.44f, -4.36f, ColourCyan);
}

} // namespace

void DrawElecPage()
{
    SynDivider();
    DrawHeaders();
    SynReturnLabel(-3.26f, 0.62f);
    DrawLiveValues();
    DrawLegends();
    DrawApu();
    DrawBusLines();
    SynSoftKeyFrame(-4.277f, -2.303f);
}
