// The bezel pictures: the program's own Truevision TGA reader, the textures made from the
// pictures at start-up and the bezel overlay drawn over the display at the end of a frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Texture state; one instance, `Textures`. The names live as long as the rendering context;
// TexturesReset() forgets them (for tests that open a fresh context).
struct TextureState {
    unsigned Slots[8] = {};   // OpenGL texture names by slot; 3: "MFD_NoBezel", 4: "MFD_Overlay"
    // Each slot's clear window: texture coordinates of a rectangle where the picture is
    // fully transparent, with a margin for filtering (left, bottom, right, top); all zero
    // when the picture has none.
    float Clear[8][4] = {};
    // The overlay's frame as the display shows it: its filtered texels at the display's
    // window pixels, made at the display's size (see PrepareBezelPixels).
    struct Pixels {
        unsigned Texture = 0;
        int ViewWidth = 0, ViewHeight = 0;      // the display area it was made for
        int TexWidth = 0, TexHeight = 0;        // the texture's size (powers of two)
        int Rects[4][4] = {};                   // pixel rectangles to draw: x0, y0, x1, y1 (ends open)
        int RectCount = 0;
    } Bezel;
};
extern TextureState Textures;
void TexturesReset();

constexpr int TextureSlotNoBezel = 3;   // loaded (it must exist) but never drawn
constexpr int TextureSlotOverlay = 4;   // the bezel overlay

// A decoded picture. Rows are in the file's order: the first row read is the bottom row
// of the picture, which is where texture coordinate t = 0 lies.
struct TgaImage {
    int BytesPerPixel = 0;        // 3 (R, G, B) or 4 (R, G, B, A)
    int Width = 0, Height = 0;
    std::vector<uint8_t> Pixels;  // Width * Height * BytesPerPixel bytes
};

// Pictures larger than this either way are refused: the texture would not fit any display
// unit's memory budget, and a header claiming more is far likelier a damaged file.
constexpr int TgaMaxSide = 8192;

// Decodes a whole TGA file held in memory. Reads only data[0..size). On any malformed or
// unsupported file it returns false, leaves *image empty and, when `why` is given, points
// it at a short reason in words; see the file's comments for what counts as malformed.
bool DecodeTga(const uint8_t* data, size_t size, TgaImage* image, const char** why = nullptr);

// Reads the file `path` (Windows-style separators allowed) and decodes it. A file that
// cannot be opened writes "\nUnable to load TGA File!\n" to standard output; a file that
// cannot be decoded says why on standard error. False in both cases.
bool LoadTga(const char* path, TgaImage* image);

// Loads `path` into a mipmapped 2D texture whose name goes into slots[slot]. A picture
// that cannot be loaded ends the program at once with exit code 0 (never returns).
void LoadTexture(unsigned* slots, const char* path, int slot);

// The bezel picture (slot 4) over the display area: its frame, leaving out the clear window.
void DrawBezelOverlay();

// Makes the frame's pixels for the current display area when it has none of that size yet.
// It draws into the back buffer, so it runs before a frame clears it.
void PrepareBezelPixels();

// A part of a display that stays the same from frame to frame while the display keeps its
// size (the engine dials' scales, say), kept as its own pixels: drawn once into the cleared
// back buffer with the state a frame draws it with, read back, and from then on copied
// onto each frame's pixels one to one. A frame that used to draw it as hundreds of smoothed
// line segments then draws one textured rectangle, with the same pixels, as long as
// nothing under it was drawn before it in the frame.
struct StillPixels {
    unsigned Texture = 0;
    int ViewWidth = 0, ViewHeight = 0;   // the display area it was made for
    bool Blending = false;               // whether blending was on when it was drawn
    int TexWidth = 0, TexHeight = 0;     // the texture's size (powers of two)
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;  // its pixels' rectangle in the display area (ends open)
};

// True when `still` was made for the current display area and blending state.
bool StillPixelsCurrent(const StillPixels& still);

// Makes `still` from what `draw` draws, when it is not current. It draws into the back
// buffer, so it runs before a frame clears it.
void PrepareStillPixels(StillPixels& still, void (*draw)());

// Copies the pixels `draw` changed onto the frame, where it drew them; the others stay.
void DrawStillPixels(const StillPixels& still);

// The pixel rectangles (x0, y0, x1, y1, ends open) that hold every covered pixel of a
// width x height mask: the box round the covered pixels less the box round the uncovered
// pixels inside it, as up to four strips. Returns how many.
int BezelRectangles(const std::vector<uint8_t>& covered, int width, int height, int rects[4][4]);

// The largest clear window found by growing a rectangle out from the picture's centre while
// every pixel in it has alpha 0, less `margin` pixels each side; in texture coordinates
// (left, bottom, right, top), or all zero for a picture without alpha or a clear centre.
void FindClearWindow(const TgaImage& image, int margin, float window[4]);
