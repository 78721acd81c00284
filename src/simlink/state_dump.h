// --dump-state: the aircraft state once per frame as one JSON object per line, so the
// conversions and the cockpit logic can be checked from outside the program.
#pragma once

// Opens (truncates) the dump file; false when it cannot be created.
bool StateDumpOpen(const char* path);
// Notes what this frame's acquisition produced before the menu consumes it (the soft key
// the cockpit pressed). Called by RenderFrame right after the conversion.
void StateDumpNoteAcquired();
// Writes this frame's object. Called once at the end of every frame; nothing when closed.
void StateDumpFrame(long frame);
void StateDumpClose();

// Formats one frame's object (no line end) into `buffer`; returns its length, or the
// length it would need when the buffer is too small (as snprintf does).
int StateDumpFormat(long frame, char* buffer, int size);
