// The bezel textures: both pictures become mipmapped textures once at start-up, and the
// overlay picture's frame is drawn over the display at the end of every frame.
// Owns: Textures. Reads: nothing else.
#include "shell/textures.h"
#include "shell/program_info.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <cstdlib>

TextureState Textures;

void TexturesReset()
{
    Textures = TextureState{};
}

void LoadTexture(unsigned* slots, const char* path, int slot)
{
    TgaImage image;
    if (!LoadTga(path, &image)) {
        // A unit without its bezel pictures is not installed completely: it ends at once,
        // with no message box, before anything else of the start-up runs. The exit code is
        // ExitNotInstalled, not 0, so a launcher or script sees the unit did not run.
        // _Exit skips the teardown on purpose: it would save "MFD.ini" and release a
        // context that is still being set up. Standard output goes to a pipe or file in
        // most installations and is then buffered, so the one line is flushed first.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(ExitNotInstalled);
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    slots[slot] = name;
    glBindTexture(GL_TEXTURE_2D, name);
    GLenum format = image.BytesPerPixel == 4 ? GL_RGBA : GL_RGB;
    // Rows are packed tight (733 RGB pixels make 2199 bytes); the default 4-byte row
    // alignment would read past the end of every row but the first.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The mipmap builder scales sides that are not powers of two to the nearest power.
    gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format), image.Width, image.Height, format, GL_UNSIGNED_BYTE,
                      image.Pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // The filtered picture reaches a few texels past each picture pixel (the scaling to a
    // power of two, the linear filter at a reduced level); 8 pixels keep the frame whole
    // down to windows a sixth of the picture's size.
    FindClearWindow(image, 8, Textures.Clear[slot]);
}

namespace {
// Grows a rectangle (inclusive ends) out from the middle of a width x height grid, one
// row or column a side at a time, each side while what it adds is clear. False when the
// middle itself is not clear.
template <typename Clear>
bool GrowClearRectangle(int width, int height, Clear clear, int& x0, int& y0, int& x1, int& y1)
{
    x0 = x1 = width / 2;
    y0 = y1 = height / 2;
    if (!clear(x0, y0))
        return false;
    auto clearRow = [&](int y, int from, int to) {
        for (int x = from; x <= to; ++x)
            if (!clear(x, y))
                return false;
        return true;
    };
    auto clearColumn = [&](int x, int from, int to) {
        for (int y = from; y <= to; ++y)
            if (!clear(x, y))
                return false;
        return true;
    };
    for (bool grew = true; grew;) {
        grew = false;
        if (x0 > 0 && clearColumn(x0 - 1, y0, y1))
            --x0, grew = true;
        if (x1 + 1 < width && clearColumn(x1 + 1, y0, y1))
            ++x1, grew = true;
        if (y0 > 0 && clearRow(y0 - 1, x0, x1))
            --y0, grew = true;
        if (y1 + 1 < height && clearRow(y1 + 1, x0, x1))
            ++y1, grew = true;
    }
    return true;
}
} // namespace

void FindClearWindow(const TgaImage& image, int margin, float window[4])
{
    window[0] = window[1] = window[2] = window[3] = 0;
    if (image.BytesPerPixel != 4 || image.Width <= 0 || image.Height <= 0)
        return;
    auto clear = [&](int x, int y) { return image.Pixels[(static_cast<size_t>(y) * image.Width + x) * 4 + 3] == 0; };
    int x0, y0, x1, y1;
    if (!GrowClearRectangle(image.Width, image.Height, clear, x0, y0, x1, y1))
        return;
    x0 += margin;
    y0 += margin;
    x1 -= margin;
    y1 -= margin;
    if (x1 <= x0 || y1 <= y0)
        return;
    // Pixel edges: pixel i spans i/W .. (i+1)/W; the rows run from t = 0 at the bottom.
    window[0] = static_cast<float>(x0) / image.Width;
    window[1] = static_cast<float>(y0) / image.Height;
    window[2] = static_cast<float>(x1 + 1) / image.Width;
    window[3] = static_cast<float>(y1 + 1) / image.Height;
}

int BezelRectangles(const std::vector<uint8_t>& covered, int width, int height, int rects[4][4])
{
    if (width <= 0 || height <= 0 || covered.size() < static_cast<size_t>(width) * height)
        return 0;
    auto at = [&](int x, int y) { return covered[static_cast<size_t>(y) * width + x] != 0; };
    int bx0 = width, by0 = height, bx1 = -1, by1 = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (at(x, y))
                bx0 = std::min(bx0, x), by0 = std::min(by0, y), bx1 = std::max(bx1, x), by1 = std::max(by1, y);
    if (bx1 < 0)
        return 0;
    auto set = [](int* r, int x0, int y0, int x1, int y1) { r[0] = x0, r[1] = y0, r[2] = x1, r[3] = y1; };
    int hx0, hy0, hx1, hy1;
    auto open = [&](int x, int y) { return !at(x, y); };
    // Without a hole strictly inside the box the box itself is drawn.
    if (!GrowClearRectangle(width, height, open, hx0, hy0, hx1, hy1) || hx0 <= bx0 || hy0 <= by0 || hx1 >= bx1 ||
        hy1 >= by1) {
        set(rects[0], bx0, by0, bx1 + 1, by1 + 1);
        return 1;
    }
    set(rects[0], bx0, by0, bx1 + 1, hy0);           // below the hole
    set(rects[1], bx0, hy1 + 1, bx1 + 1, by1 + 1);   // above it
    set(rects[2], bx0, hy0, hx0, hy1 + 1);           // left of it
    set(rects[3], hx1 + 1, hy0, bx1 + 1, hy1 + 1);   // right of it
    return 4;
}

// The quad lies at depth 2.575, where the 45-degree projection spans +-1.0666 vertically:
// the picture covers the middle 93.76 % of the display each way and a point p % across or
// down the display is at (p - 3.12) / 93.76 of the picture. scripts/make-bezel places the
// soft keys and the knob under their click regions with that.
//
// The frame is drawn as the strips round the clear window (four quads in all): the window
// is most of the picture, and its transparent texels change no pixel.
static void DrawBezelStrips()
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -0.15f);
    glTranslatef(0.0f, 0.0f, -2.425f);
    const float* w = Textures.Clear[TextureSlotOverlay];
    const bool hole = w[2] > w[0] && w[3] > w[1];
    const float strips[4][4] = {
        {0, 0, 1, hole ? w[1] : 1},   // below the window (or the whole picture)
        {0, w[3], 1, 1},              // above it
        {0, w[1], w[0], w[3]},        // left of it
        {w[2], w[1], 1, w[3]},        // right of it
    };
    glBegin(GL_QUADS);
    for (int i = 0; i < (hole ? 4 : 1); ++i) {
        const float* r = strips[i];
        const float x0 = -0.7164f + r[0] * 1.4328f, x1 = -0.7164f + r[2] * 1.4328f;
        const float y0 = -1.0f + r[1] * 2.0f, y1 = -1.0f + r[3] * 2.0f;
        glTexCoord2f(r[0], r[1]);
        glVertex2f(x0, y0);
        glTexCoord2f(r[2], r[1]);
        glVertex2f(x1, y0);
        glTexCoord2f(r[2], r[3]);
        glVertex2f(x1, y1);
        glTexCoord2f(r[0], r[3]);
        glVertex2f(x0, y1);
    }
    glEnd();
}

// The picture's frame never changes while the display area keeps its size, but drawn from
// the mipmaps every frame, a software rasteriser filtered and blended every texel of it
// anew: about a fifth of a unit's processor time. So the strips are drawn once per display
// size, exactly as a frame would draw them, and their colour and alpha read back: one
// texel per window pixel. A frame then copies those texels with the nearest filter and the
// same blending, so every pixel comes out as before. Covered pixels whose alpha is 0 leave
// the display as it is and are not drawn at all, which leaves only the frame's own band.
namespace {
constexpr GLenum CombineMode = 0x8570;      // GL_COMBINE (OpenGL 1.3; not in every gl.h)
constexpr GLenum CombineRgb = 0x8571;       // GL_COMBINE_RGB
constexpr GLenum Source0Rgb = 0x8580;       // GL_SOURCE0_RGB
constexpr GLenum Operand0Rgb = 0x8590;      // GL_OPERAND0_RGB

int PowerOfTwoAtLeast(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

// RGBA texels one to one onto window pixels: the texture (made when `name` is 0) gets them
// unfiltered, and stays bound.
void UploadPixelTexture(unsigned& name, int width, int height, const std::vector<uint8_t>& rgba)
{
    if (!name)
        glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

// One pass of the strips into the cleared back buffer, read back as RGB rows (bottom up).
void ReadStripsPass(int width, int height, std::vector<uint8_t>& rgb)
{
    glClear(GL_COLOR_BUFFER_BIT);
    DrawBezelStrips();
    rgb.resize(static_cast<size_t>(width) * height * 3);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
}
} // namespace

void PrepareBezelPixels()
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2], height = viewport[3];
    TextureState::Pixels& bezel = Textures.Bezel;
    if (width <= 0 || height <= 0 || (bezel.Texture && bezel.ViewWidth == width && bezel.ViewHeight == height))
        return;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT | GL_PIXEL_MODE_BIT);
    GLint packAlignment = 4, unpackAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glClearColor(0, 0, 0, 0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, Textures.Slots[TextureSlotOverlay]);
    // The colour, as the frame's modulation by white gives it; then the alpha, put into
    // the colour channels; then which pixels the strips cover at all.
    std::vector<uint8_t> colour, alpha, covered;
    glColor3f(1.0f, 1.0f, 1.0f);
    ReadStripsPass(width, height, colour);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, CombineMode);
    glTexEnvi(GL_TEXTURE_ENV, CombineRgb, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, Source0Rgb, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, Operand0Rgb, GL_SRC_ALPHA);
    ReadStripsPass(width, height, alpha);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_TEXTURE_2D);
    ReadStripsPass(width, height, covered);

    const size_t pixels = static_cast<size_t>(width) * height;
    bezel.TexWidth = PowerOfTwoAtLeast(width);
    bezel.TexHeight = PowerOfTwoAtLeast(height);
    std::vector<uint8_t> rgba(static_cast<size_t>(bezel.TexWidth) * bezel.TexHeight * 4, 0), drawn(pixels, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const bool inside = covered[i * 3] != 0 && alpha[i * 3] != 0;
            uint8_t* texel = &rgba[(static_cast<size_t>(y) * bezel.TexWidth + x) * 4];
            if (inside) {
                texel[0] = colour[i * 3], texel[1] = colour[i * 3 + 1], texel[2] = colour[i * 3 + 2];
                texel[3] = alpha[i * 3];
                drawn[i] = 1;
            }
        }
    }
    bezel.RectCount = BezelRectangles(drawn, width, height, bezel.Rects);
    UploadPixelTexture(bezel.Texture, bezel.TexWidth, bezel.TexHeight, rgba);
    bezel.ViewWidth = width;
    bezel.ViewHeight = height;
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    glPopAttrib();
}

// Draws the frame's texels one to one onto the display's pixels: an orthographic pixel
// projection, quads on pixel edges, texture coordinates at texel edges.
static void DrawBezelPixels(const TextureState::Pixels& bezel)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, bezel.ViewWidth, 0, bezel.ViewHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, bezel.Texture);
    const float sx = 1.0f / static_cast<float>(bezel.TexWidth), sy = 1.0f / static_cast<float>(bezel.TexHeight);
    glBegin(GL_QUADS);
    for (int i = 0; i < bezel.RectCount; ++i) {
        const int* r = bezel.Rects[i];
        const float x0 = static_cast<float>(r[0]), y0 = static_cast<float>(r[1]);
        const float x1 = static_cast<float>(r[2]), y1 = static_cast<float>(r[3]);
        glTexCoord2f(x0 * sx, y0 * sy);
        glVertex2f(x0, y0);
        glTexCoord2f(x1 * sx, y0 * sy);
        glVertex2f(x1, y0);
        glTexCoord2f(x1 * sx, y1 * sy);
        glVertex2f(x1, y1);
        glTexCoord2f(x0 * sx, y1 * sy);
        glVertex2f(x0, y1);
    }
    glEnd();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    // The model-view the strips leave, for whatever follows.
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -0.15f);
    glTranslatef(0.0f, 0.0f, -2.425f);
}

void DrawBezelOverlay()
{
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const TextureState::Pixels& bezel = Textures.Bezel;
    const bool prepared = bezel.Texture && bezel.ViewWidth == viewport[2] && bezel.ViewHeight == viewport[3];
    if (prepared)
        DrawBezelPixels(bezel);
    // The picture's texture stays bound after the frame, as it always was.
    glBindTexture(GL_TEXTURE_2D, Textures.Slots[TextureSlotOverlay]);
    if (!prepared)
        DrawBezelStrips();   // not made for this size: filtered from the mipmaps
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
}

// ---------------------------------------------------------------------------------------
// Still pixels: a display's unchanging part, kept as its own pixels.
// ---------------------------------------------------------------------------------------

bool StillPixelsCurrent(const StillPixels& still)
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    return still.Texture && still.ViewWidth == viewport[2] && still.ViewHeight == viewport[3] &&
           still.Blending == (glIsEnabled(GL_BLEND) == GL_TRUE);
}

void PrepareStillPixels(StillPixels& still, void (*draw)())
{
    if (StillPixelsCurrent(still))
        return;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2], height = viewport[3];
    if (width <= 0 || height <= 0)
        return;
    const bool blending = glIsEnabled(GL_BLEND) == GL_TRUE;
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    // What the frame's clear leaves, then what the drawing makes of it: the pixels that
    // differ are the part's own. Reading the background rather than assuming black keeps
    // this right whatever the clear colour.
    const size_t pixels = static_cast<size_t>(width) * height;
    std::vector<uint8_t> background(pixels * 3), drawn(pixels * 3);
    glClear(GL_COLOR_BUFFER_BIT);
    glReadPixels(viewport[0], viewport[1], width, height, GL_RGB, GL_UNSIGNED_BYTE, background.data());
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    draw();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    glReadPixels(viewport[0], viewport[1], width, height, GL_RGB, GL_UNSIGNED_BYTE, drawn.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);

    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = (static_cast<size_t>(y) * width + x) * 3;
            if (std::memcmp(&background[i], &drawn[i], 3) != 0)
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        }
    still.ViewWidth = width;
    still.ViewHeight = height;
    still.Blending = blending;
    if (x1 < 0) {   // nothing drawn: nothing to copy
        still.X0 = still.Y0 = still.X1 = still.Y1 = 0;
        if (!still.Texture)
            glGenTextures(1, &still.Texture);
        return;
    }
    still.X0 = x0, still.Y0 = y0, still.X1 = x1 + 1, still.Y1 = y1 + 1;
    still.TexWidth = PowerOfTwoAtLeast(still.X1 - x0);
    still.TexHeight = PowerOfTwoAtLeast(still.Y1 - y0);
    // Alpha marks the changed pixels; the alpha test leaves the rest of the frame alone.
    std::vector<uint8_t> rgba(static_cast<size_t>(still.TexWidth) * still.TexHeight * 4, 0);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const size_t i = (static_cast<size_t>(y) * width + x) * 3;
            uint8_t* texel = &rgba[(static_cast<size_t>(y - y0) * still.TexWidth + (x - x0)) * 4];
            if (std::memcmp(&background[i], &drawn[i], 3) != 0) {
                std::memcpy(texel, &drawn[i], 3);
                texel[3] = 255;
            }
        }
    GLint unpackAlignment = 4, bound = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    UploadPixelTexture(still.Texture, still.TexWidth, still.TexHeight, rgba);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
}

void DrawStillPixels(const StillPixels& still)
{
    if (!still.Texture || still.X1 <= still.X0)
        return;
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, still.ViewWidth, 0, still.ViewHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, still.Texture);
    const float x0 = static_cast<float>(still.X0), y0 = static_cast<float>(still.Y0);
    const float x1 = static_cast<float>(still.X1), y1 = static_cast<float>(still.Y1);
    const float s1 = (x1 - x0) / static_cast<float>(still.TexWidth), t1 = (y1 - y0) / static_cast<float>(still.TexHeight);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y0);
    glTexCoord2f(s1, 0);
    glVertex2f(x1, y0);
    glTexCoord2f(s1, t1);
    glVertex2f(x1, y1);
    glTexCoord2f(0, t1);
    glVertex2f(x0, y1);
    glEnd();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}
