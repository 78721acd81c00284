// Window procedure and bezel hit test. The cockpit presses the same soft keys and turns the
// same knob through the simulator; both paths feed the one-shot PendingSoftKey and knob flags.
// Owns: Input. Writes: Shell.Keys, Active, MouseX/Y, PendingSoftKey, knob flags, QuitPosted;
// the window placement record.
#include "shell/input.h"

#include "shell/config.h"
#include "shell/shell.h"
#include "shell/window.h"

InputState Input;

void SetSoftKeyRegions()
{
    static const BezelRegion regions[6] = {
        {17, 24, 87, 90}, {27, 34, 87, 90}, {38, 45, 87, 90},
        {49, 56, 87, 90}, {59, 66, 87, 90}, {70, 76, 87, 90},
    };
    for (int i = 0; i < 6; ++i)
        Input.SoftKeyRegions[i] = regions[i];
}

void WindowProc(const PlatformEvent& event)
{
    switch (event.type) {
    case PlatformEventType::Moved:
        RefreshPlacement();
        break;
    case PlatformEventType::Size:
        // Decision: the display follows the window's size. The unit this program plays kept
        // the viewport, projection and saved size of the window's creation, so a resized
        // window showed the old picture in its lower-left corner and the size was never
        // saved. Cockpit builders size a display window to the monitor behind a bezel
        // cut-out and expect it to fill: here every size change scales the display area with
        // the window's height (its width stays 0.7165 times the height) and becomes the size
        // saved in MFD.ini at exit.
        ResizeScene(event.x, event.y);
        break;
    case PlatformEventType::Activate:
        Shell.Active = !event.minimised;
        break;
    case PlatformEventType::Close:
        Shell.QuitPosted = true;
        break;
    case PlatformEventType::KeyDown:
        Shell.Keys[event.vk & 0xFF] = true;   // auto-repeat sets it again
        Input.KeyUnseen[event.vk & 0xFF] = true;
        Input.ReleaseWaiting[event.vk & 0xFF] = false;
        break;
    case PlatformEventType::KeyUp:
        // Decision: a key released before any frame ran keeps its flag until a frame has
        // acted on it. Events are drained before each frame, so a quick tap (down and up in
        // the same few milliseconds, as from a fast typist or a key macro) would otherwise
        // never be seen by the frame.
        if (Input.KeyUnseen[event.vk & 0xFF])
            Input.ReleaseWaiting[event.vk & 0xFF] = true;
        else
            Shell.Keys[event.vk & 0xFF] = false;
        break;
    case PlatformEventType::LeftButton:
        Shell.MouseX = event.x;
        Shell.MouseY = event.y;
        HitTestBezel();
        break;
    case PlatformEventType::None:
        break;
    }
}

void InputFrameConsumed()
{
    for (int vk = 0; vk < 256; ++vk) {
        if (Input.ReleaseWaiting[vk])
            Shell.Keys[vk] = false;
        Input.ReleaseWaiting[vk] = false;
        Input.KeyUnseen[vk] = false;
    }
}

void HitTestBezel()
{
    float width = DisplayConfig.Width > 0 ? static_cast<float>(DisplayConfig.Width) : 1.0f;
    float height = DisplayConfig.Height > 0 ? static_cast<float>(DisplayConfig.Height) : 1.0f;
    float x = Shell.MouseX / width * 100.0f;
    float y = Shell.MouseY / height * 100.0f;
    Shell.KnobDecrement = false;
    Shell.KnobIncrement = false;
    // Knob: turn down from 83 up to (not including) 87, turn up from 87 to 91.
    if (x >= 83 && x < 87 && y >= 87 && y <= 92) {
        Shell.KnobDecrement = true;
        return;
    }
    if (x >= 87 && x <= 91 && y >= 87 && y <= 92) {
        Shell.KnobIncrement = true;
        return;
    }
    // Every soft key shares the first key's row; only the x bounds tell them apart.
    const BezelRegion& row = Input.SoftKeyRegions[0];
    if (y < row.yFrom || y > row.yTo)
        return;
    for (int key = 0; key < 6; ++key) {
        if (x >= Input.SoftKeyRegions[key].xFrom && x <= Input.SoftKeyRegions[key].xTo) {
            Shell.PendingSoftKey = key;
            return;
        }
    }
}
