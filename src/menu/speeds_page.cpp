// The V-speeds page: the crew sets the take-off speeds V1, VR and V2 with soft keys 2-4 and
// the knob. The speeds leave this unit only through "accfg.ini", written by the menu when
// the page is left after a change.
// Owns: Menu.SpeedsChanged (with the menu). Reads: Menu.PrevMenuPage, Shell.PendingSoftKey
// and the knob flags (consumed). Writes: AircraftConfig.V1/VR/V2.
#include "menu/menu.h"

#include "map/display_lists.h"
#include "menu/aircraft_config.h"
#include "shell/colours.h"
#include "shell/shell.h"
#include "shell/text.h"

#include <GL/gl.h>

namespace {

void PrintAt(float x, float y, const DisplayColour& colour, const char* format, int value = 0)
{
    SetColour(colour);
    glLoadIdentity();
    glTranslatef(x, y, -30.0f);
    glScalef(0.62f, 0.62f, 1.0f);
    PrintText(2, 0, format, value);
}

// Bottom row: the return key, the three speeds in their colours, and "VSPDS SET".
void DrawSpeedValues()
{
    const float y = -7.389f;
    PrintAt(-5.299f, y, ColourWhite, "RTN");
    PrintAt(-1.59f, y, ColourWhite, "%d", AircraftConfig.V1);
    PrintAt(0.281f, y, ColourCyan, "%d", AircraftConfig.VR);
    PrintAt(2.18f, y, ColourGreen, "%d", AircraftConfig.V2);
    PrintAt(4.11f, y, ColourWhite, "VSPDS");
    glTranslatef(2.0f, 0, 0);
    PrintText(2, 0, "SET");
}

// Upper row: the speeds' names over their values, each legend following the last.
void DrawSpeedNames()
{
    PrintAt(-1.59f, -6.8f, ColourWhite, "V1");
    SetColour(ColourCyan);
    glTranslatef(2.5f, 0, 0);
    PrintText(2, 0, "VR");
    SetColour(ColourGreen);
    glTranslatef(2.66f, 0, 0);
    PrintText(2, 0, "V2");
    SetColour(ColourWhite);
    glTranslatef(2.59f, 0, 0);
    PrintText(2, 0, "FMS");
}

// The last soft key pressed selects a speed; its frame hangs down around name and value,
// and the knob steps the selected speed by one knot.
void AdjustSelectedSpeed()
{
    int* speed = nullptr;
    float frameX = 0;
    switch (Shell.PendingSoftKey) {
    case 2: speed = &AircraftConfig.V1, frameX = -2.26f; break;
    case 3: speed = &AircraftConfig.VR, frameX = -0.38f; break;
    case 4: speed = &AircraftConfig.V2, frameX = 1.49f; break;
    case 5: Shell.PendingSoftKey = 6; return;   // FMS: nothing to select on this aircraft
    default: return;                             // RTN is the menu's; key 1 has no legend
    }
    glLineWidth(2.0f);
    glLoadIdentity();
    glTranslatef(frameX, -6.24f, -30.0f);
    glScalef(1.36f, -1.25f, 1.0f);
    TextBatchFlush();
    glCallList(MapLists.UnitBoxList);
    if (Shell.KnobIncrement) {
        *speed += 1;
        Shell.KnobIncrement = false;
        Menu.SpeedsChanged = true;
    } else if (Shell.KnobDecrement) {
        *speed -= 1;
        Shell.KnobDecrement = false;
        Menu.SpeedsChanged = true;
    }
}

int ClampSpeed(int knots)
{
    return static_cast<int>(Clamp(static_cast<float>(knots), 0.0f, 300.0f));
}

} // namespace

void DrawSpeedsPage()
{
    // Just entered: the other unit may have written new speeds since we last looked.
    if (Menu.PrevMenuPage != PageSpeeds)
        ReadAircraftConfig();
    DrawSpeedValues();
    DrawSpeedNames();
    AdjustSelectedSpeed();
    // Speeds typed into the file outside 0..300 knots are limited on the first frame shown.
    AircraftConfig.V1 = ClampSpeed(AircraftConfig.V1);
    AircraftConfig.VR = ClampSpeed(AircraftConfig.VR);
    AircraftConfig.V2 = ClampSpeed(AircraftConfig.V2);
}
