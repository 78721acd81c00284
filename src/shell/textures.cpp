// The bezel textures: both pictures become mipmapped textures once at start-up, and the
// overlay picture is drawn as one quad over the display at the end of every frame.
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
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-0.7164f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(0.7164f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(0.7164f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-0.7164f, 1.0f);
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
}
