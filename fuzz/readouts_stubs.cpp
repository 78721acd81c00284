// What the readouts fuzzer's drawing needs and does not exercise: GL calls that do nothing,
// the text drawer reduced to its formatting, no simulator link, no navigation data, and the
// program-wide state records the drawing reads.
#include "map/display_lists.h"
#include "map/map.h"
#include "menu/aircraft_config.h"
#include "menu/menu.h"
#include "navdb/navdb.h"
#include "plan/plan.h"
#include "platform/platform.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/textures.h"
#include "shell/window.h"
#include "simlink/simlink.h"
#include "traffic/traffic.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstdarg>
#include <cstdio>

ShellState Shell;
DisplayConfigState DisplayConfig;
AircraftConfigState AircraftConfig;
MapState Map;
MapListsState MapLists;
MenuState Menu;
NavDatabaseState NavDatabase;
FlightPlanState FlightPlan;
WindowState Window;
SimLinkState SimLink;

float Clamp(float value, float low, float high)
{
    return value < low ? low : value > high ? high : value;
}

// The text drawer's own first step: the readout formatted into its 256-byte buffer.
void PrintText(int, int, const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
}

void PlatformGetClientSize(int* w, int* h) { *w = 433, *h = 605; }
void PlatformSetTitle(const char*) {}
bool SimLinkRead(uint32_t, uint32_t, void*) { return false; }
bool SimLinkProcess() { return false; }
void DrawAirports() {}
void DrawNavaids() {}
void DrawRoute() {}
void SelectNearby(std::vector<NavRecord>&) {}
int MapRangeNm() { return 10; }
float TextWidth(const char*, float* lastAdvance) { return *lastAdvance = 0.5f, 1.0f; }
// No text cache and no trace: batches have nothing waiting, and nothing is traced.
void TextBatchFlush() {}
void TextBatchFlushUnder(float, float, float, float) {}
// No kept pixels: the dials' faces are drawn as lines, through the stubs below.
bool StillPixelsCurrent(const StillPixels&) { return false; }
void PrepareStillPixels(StillPixels&, void (*)()) {}
void DrawStillPixels(const StillPixels&) {}
bool TextTraceActive() { return false; }
void TraceRoseLabels() {}
// The rose's ticks and labels are fixed figures, nothing of the readouts.
void DrawRoseFigure() {}
// The alert list's own exchange with the module; the fuzzer calls the decisions directly.
void EvaluateAlerts() {}

extern "C" {
void glBegin(GLenum) {}
void glEnd() {}
void glCallList(GLuint) {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glDisable(GLenum) {}
void glEnable(GLenum) {}
void glLineWidth(GLfloat) {}
void glLoadIdentity() {}
void glPopMatrix() {}
void glPushMatrix() {}
void glRotatef(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glScalef(GLfloat, GLfloat, GLfloat) {}
void glScissor(GLint, GLint, GLsizei, GLsizei) {}
void glTranslatef(GLfloat, GLfloat, GLfloat) {}
void glVertex2f(GLfloat, GLfloat) {}
void glVertex3f(GLfloat, GLfloat, GLfloat) {}
void glRectf(GLfloat, GLfloat, GLfloat, GLfloat) {}
void gluDisk(GLUquadric*, GLdouble, GLdouble, GLint, GLint) {}
void gluPartialDisk(GLUquadric*, GLdouble, GLdouble, GLint, GLint, GLdouble, GLdouble) {}
}
