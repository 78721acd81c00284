// "MFD.ini": window size and position, frame style, bezel, display unit and three folders.
#pragma once

#include <string>

constexpr int ConfigPathMax = 500;   // 499 characters and the terminator

// The display configuration of this process; one instance, `DisplayConfig`. Frameless,
// BezelShown and ConfiguredMode live in Shell (read from and written to this file too).
struct DisplayConfigState {
    int Width = 445, Height = 540;      // saved width is the display width (height x 0.7165)
    int X = 0, Y = 0;                   // outer top-left corner on the screen
    char PlanPath[ConfigPathMax] = {};
    char Du2Path[ConfigPathMax] = {};
    char Du3Path[ConfigPathMax] = {};
    bool KeepFile = false;              // the file could not be read: never written over at exit
};
extern DisplayConfigState DisplayConfig;
void DisplayConfigReset();

bool ConfigFileExists();
void WriteConfig(bool defaults);
void ReadConfig();

// The text of the file, and the reader over a text; file-free so tests can feed any bytes.
std::string FormatConfigText(bool defaults);
// Returns the problems found, "" for none: each names its field, and the value used instead
// (the built-in one for a value that is no number, the nearer limit for one out of range).
std::string ParseConfigText(const std::string& text);
