// The bezel textures: both pictures become mipmapped textures once at start-up, and the
// overlay picture's frame is drawn over the display at the end of every frame.
// Owns: Textures. Reads: nothing else.
#include "shell/textures.h"
#include "shell/program_info.h"

#include <GL/gl.h>
#include <GL/glu.h>

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

void FindClearWindow(const TgaImage& image, int margin, float window[4])
{
    window[0] = window[1] = window[2] = window[3] = 0;
    if (image.BytesPerPixel != 4 || image.Width <= 0 || image.Height <= 0)
        return;
    auto clear = [&](int x, int y) { return image.Pixels[(static_cast<size_t>(y) * image.Width + x) * 4 + 3] == 0; };
    auto clearRow = [&](int y, int x0, int x1) {
        for (int x = x0; x <= x1; ++x)
            if (!clear(x, y))
                return false;
        return true;
    };
    auto clearColumn = [&](int x, int y0, int y1) {
        for (int y = y0; y <= y1; ++y)
            if (!clear(x, y))
                return false;
        return true;
    };
    int x0 = image.Width / 2, x1 = x0, y0 = image.Height / 2, y1 = y0;
    if (!clear(x0, y0))
        return;
    // Grow one pixel a side at a time, each side while the row or column it adds is clear.
    for (bool grew = true; grew;) {
        grew = false;
        if (x0 > 0 && clearColumn(x0 - 1, y0, y1))
            --x0, grew = true;
        if (x1 + 1 < image.Width && clearColumn(x1 + 1, y0, y1))
            ++x1, grew = true;
        if (y0 > 0 && clearRow(y0 - 1, x0, x1))
            --y0, grew = true;
        if (y1 + 1 < image.Height && clearRow(y1 + 1, x0, x1))
            ++y1, grew = true;
    }
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

// The quad lies at depth 2.575, where the 45-degree projection spans +-1.0666 vertically:
// the picture covers the middle 93.76 % of the display each way and a point p % across or
// down the display is at (p - 3.12) / 93.76 of the picture. scripts/make-bezel places the
// soft keys and the knob under their click regions with that.
void DrawBezelOverlay()
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -0.15f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, Textures.Slots[TextureSlotOverlay]);
    glTranslatef(0.0f, 0.0f, -2.425f);
    // The frame is drawn as the strips round the clear window (four quads in all): the
    // window is most of the picture, and blending its transparent texels, each filtered from
    // the mipmaps, cost a software rasteriser about as much as the whole display. The strips
    // sample the texture exactly where the one quad did, so the pixels are the same.
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
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
}
