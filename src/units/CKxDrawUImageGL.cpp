// The image unit's drawing: its picture on the rectangle, the disc or the
// sphere, and the same shape in its pick colour.
#include "units/CKxDrawUImage.h"
#include "units/ImageShapes.h"

#include <GL/gl.h>

namespace velmor {
namespace {

void EmitVertex(const ShapeVertex& v)
{
    glTexCoord2f(v.s, v.t);
    glNormal3fv(v.normal);
    glVertex3fv(v.position);
}

// Keeps the origin where the current transform puts it but drops the
// rotation and scale, so that the shape faces the viewer at its own size.
void FaceTheViewer()
{
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glLoadIdentity();
    glTranslatef(modelView[12], modelView[13], modelView[14]);
}

} // namespace

void CKxDrawUImage::DrawShape(bool transparent)
{
    glPushMatrix();
    ApplyUnitTransform();
    glTranslatef(position[0], position[1], position[2]);
    ApplyUnitRotation(rotation);
    if (shape == L"flat" || shape == L"circle") {
        if (facing)
            FaceTheViewer();
        if (shape == L"flat") {
            glBegin(GL_QUADS);
            ForFlatQuad(halfWidth, halfHeight, texMaxS, texMaxT, EmitVertex);
        } else {
            glBegin(GL_TRIANGLE_FAN);
            ForDiscFan(halfWidth, halfHeight, divide, texMaxS, texMaxT, EmitVertex);
        }
        glEnd();
    }
    if (shape == L"sphere") {
        const auto drawSphere = [this] {
            glBegin(GL_QUADS);
            ForSphereQuads(size / 2, divide, texMaxS, texMaxT, EmitVertex);
            glEnd();
        };
        if (!transparent) {
            drawSphere();
        } else {
            // Back faces first, so that the near side blends over the far one.
            const GLboolean culling = glIsEnabled(GL_CULL_FACE);
            GLint cullMode = GL_BACK;
            glGetIntegerv(GL_CULL_FACE_MODE, &cullMode);
            glEnable(GL_CULL_FACE);
            glCullFace(GL_FRONT);
            drawSphere();
            glCullFace(GL_BACK);
            drawSphere();
            glCullFace(static_cast<GLenum>(cullMode));
            if (!culling)
                glDisable(GL_CULL_FACE);
        }
    }
    glPopMatrix();
}

void CKxDrawUImage::DrawTextured(bool transparent)
{
    glEnable(GL_TEXTURE_2D);
    ColorLut& lut = selected && selectedImageData != nullptr ? selectedLut : imageLut;
    lut.Update();
    SetUnitMaterial(selected);
    DrawShape(transparent);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void CKxDrawUImage::DrawPicked()
{
    SetPickColor(&pickId);
    DrawShape(false);
}

} // namespace velmor
