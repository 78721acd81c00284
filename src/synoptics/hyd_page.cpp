// The hydraulic page: the two engine-driven pumps feeding the main system from the
// reservoir, the auxiliary pump and the brake accumulator, with the system pressure.
// Owns: nothing between frames. Reads: Aircraft (HydPressLeft/Right), Shell.ShowingMfd.
#include "synoptics/synoptics.h"
#include "synoptics/synoptics_draw.h"

#include "simlink/aircraft.h"
#include "shell/text.h"

#include <GL/gl.h>

#include <initializer_list>

namespace {

void DrawEnginePumps()
{
    SynLine(-5.419f, -5.13f, -0.7f, -5.13f, ColourCyan);
    for (float x : {-5.39f, -2.37f, -0.73f})
        SynLine(x, -4.86f, x, -5.13f, ColourCyan);
    SynDisk(-5.4f, -4.43f, ColourCyan);
    SynDisk(-2.389f, -4.43f, ColourCyan);
    SynText(-5.5f, -4.59f, 0.62f, 1, ColourCyan, "L");
    SynText(-2.54f, -4.59f, 0.5f, 1, ColourCyan, "R");
    SynBox(-4.55f, -4.67f, 1.33f, 0.5f, ColourCyan);
    SynLine(-5.08f, -4.44f, -4.53f, -4.44f, ColourCyan);
    SynLine(-3.22f, -4.44f, -2.67f, -4.44f, ColourCyan);
    SynLine(-3.89f, -1.53f, -3.89f, -4.19f, ColourCyan);
}

void DrawReservoir()
{
    static const float outline[][2] = {{-1.88f, -4.86f}, {-1.88f, -2.198f}, {0.782f, -2.198f}, {0.782f, -4.092f},
                                       {2.523f, -4.092f}, {2.523f, -4.86f},  {1.09f, -4.86f},   {1.09f, -4.297f},
                                       {0.782f, -4.297f}, {0.782f, -4.86f},  {-1.88f, -4.86f}};
    glLoadIdentity();
    glLineWidth(2.0f);
    SetColour(ColourCyan);
    TextBatchFlush();
    glBegin(GL_LINE_STRIP);
    for (const auto& p : outline)
        glVertex3f(p[0], p[1], -30.0f);
    glEnd();
}

void DrawAuxPumpAndAccumulator()
{
    SynLine(1.93f, -5.13f, 2.98f, -5.13f, ColourCyan);
    SynLine(1.96f, -4.86f, 1.96f, -5.13f, ColourCyan);
    SynDisk(3.4f, -5.1f, ColourCyan);
    SynText(3.29f, -5.24f, 0.5f, 1, ColourCyan, "A");
    SynLine(3.42f, -1.53f, 3.42f, -4.82f, ColourCyan);
    SynBox(3.97f, -3.44f, 1.33f, 0.5f, ColourCyan);
    SynLine(3.43f, -3.21f, 4.01f, -3.21f, ColourCyan);
}

void DrawArrowsAndLabels()
{
    SynTriangle(3.21f, -1.73f, 0, 0.39f, 0.24f, ColourCyan);
    SynTriangle(-4.09f, -1.73f, 0, 0.39f, 0.24f, ColourCyan);
    SynTriangle(-5.6f, -4.94f, 0, 0.39f, 0.24f, ColourCyan);
    SynTriangle(-2.57f, -4.94f, 0, 0.39f, 0.24f, ColourCyan);
    SynTriangle(2.89f, -4.97f, -90.0f, 0.34f, 0.24f, ColourCyan);
    SynText(-5.41f, -3.79f, 0.62f, 1, ColourCyan, "MAIN");
    SynText(-5.41f, -5.6f, 0.62f, 1, ColourCyan, "ENGINE PUMPS");
    SynText(-1.93f, -2.04f, 0.62f, 1, ColourCyan, "RESERVOIR");
    SynText(1.48f, -5.61f, 0.62f, 1, ColourCyan, "AUX");
    // BRAKE stands over ACCUM 0.44 units apart, and at the page's 0.62 the capitals are as
    // tall as that: the two lines would touch in any face. The pair is set at 0.54, which
    // leaves a clear pixel row between them at the default window; their places stay.
    SynText(3.83f, -2.23f, 0.54f, 1, ColourCyan, "BRAKE");
    SynText(3.83f, -2.67f, 0.54f, 1, ColourCyan, "ACCUM");
    SynText(4.29f, -3.91f, 0.62f, 1, ColourCyan, "PSI");
    SynText(4.03f, -5.63f, 0.62f, 1, ColourCyan, "PUMP");
}

} // namespace

void DrawHydPage()
{
    SynSoftKeyFrame(-2.219f, -0.541f);
    SynReturnLabel(-1.48f, 0.55f);
    SynDivider();
    DrawEnginePumps();
    DrawReservoir();
    DrawAuxPumpAndAccumulator();
    DrawArrowsAndLabels();
    // Both pumps feed one system: it and the brake accumulator show the mean of the two
    // pump pressures, in whole psi.
    int psi = (Aircraft.HydPressLeft + Aircraft.HydPressRight) / 2;
    SynText(-3.59f, -4.58f, 0.5f, 2, ColourWhite, "%d", psi);
    SynText(4.91f, -3.35f, 0.5f, 2, ColourWhite, "%d", psi);
}
