#include "platform/glyphs/GlyphLists.h"

#include "platform/glyphs/GlyphFace.h"

#include <GL/gl.h>

#include <cmath>

namespace velmor {

void BuildBitmapLists(const GlyphFace& face, std::wstring_view text, uint32_t base)
{
    // glBitmap copies its rows when the list is compiled, with the unpack
    // state in force at that moment.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    MonoGlyph glyph;
    for (size_t i = 0; i < text.size(); ++i) {
        glNewList(base + static_cast<GLuint>(i), GL_COMPILE);
        if (face.RenderMono(static_cast<char32_t>(text[i]), glyph)) {
            const GLubyte* bits = glyph.rows.empty() ? nullptr : glyph.rows.data();
            glBitmap(glyph.width, glyph.height, static_cast<GLfloat>(-glyph.left),
                     static_cast<GLfloat>(glyph.height - glyph.top), static_cast<GLfloat>(glyph.advance), 0, bits);
        }
        glEndList();
    }
    glPopClientAttrib();
}

namespace {

void EmitFaces(const GlyphOutline& outline, float extrusion)
{
    const auto& t = outline.triangles;
    glBegin(GL_TRIANGLES);
    glNormal3f(0, 0, 1);
    for (const OutlinePoint& p : t)
        glVertex3d(p.x, p.y, 0);
    glNormal3f(0, 0, -1);
    for (size_t i = 0; i + 2 < t.size(); i += 3) {   // reversed, so that it faces -z
        glVertex3d(t[i].x, t[i].y, -extrusion);
        glVertex3d(t[i + 2].x, t[i + 2].y, -extrusion);
        glVertex3d(t[i + 1].x, t[i + 1].y, -extrusion);
    }
    glEnd();
}

void EmitSides(const GlyphOutline& outline, float extrusion)
{
    glBegin(GL_QUADS);
    for (const auto& contour : outline.contours) {
        if (contour.size() < 2)
            continue;
        for (size_t i = 0; i < contour.size(); ++i) {
            const OutlinePoint& a = contour[i];
            const OutlinePoint& b = contour[(i + 1) % contour.size()];
            const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
            if (length == 0)
                continue;
            // Along a clockwise outer contour the right-hand normal points outwards.
            const double turn = outline.outerClockwise ? 1.0 : -1.0;
            glNormal3d(turn * dy / length, -turn * dx / length, 0);
            glVertex3d(a.x, a.y, 0);
            glVertex3d(a.x, a.y, -extrusion);
            glVertex3d(b.x, b.y, -extrusion);
            glVertex3d(b.x, b.y, 0);
        }
    }
    glEnd();
}

} // namespace

void BuildOutlineLists(const GlyphFace& face, std::wstring_view text, uint32_t base, float extrusion)
{
    GlyphOutline outline;
    for (size_t i = 0; i < text.size(); ++i) {
        glNewList(base + static_cast<GLuint>(i), GL_COMPILE);
        if (face.Outline(static_cast<char32_t>(text[i]), outline)) {
            EmitFaces(outline, extrusion);
            EmitSides(outline, extrusion);
            glTranslated(outline.advance, 0, 0);
        }
        glEndList();
    }
}

} // namespace velmor
