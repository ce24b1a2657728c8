// The draw-unit operations that talk to GL.
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"
#include "render/Quaternion.h"

#include <GL/gl.h>

namespace velmor {

void CKxDrawUnit::SetPickColor(uint32_t* id)
{
    *id = ++PickCounter;
    const GLubyte bytes[4] = {static_cast<GLubyte>(*id & 0xff), static_cast<GLubyte>((*id >> 8) & 0xff),
                              static_cast<GLubyte>((*id >> 16) & 0xff), static_cast<GLubyte>((*id >> 24) & 0xff)};
    glColor4ubv(bytes);
}

void CKxDrawUnit::SetUnitMaterial(bool isSelected)
{
    const Material& m = isSelected ? HighlightMaterial : material;
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m.ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m.diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
}

void CKxDrawUnit::SetUnlitColor(bool isSelected, bool transparent)
{
    const Material& m = isSelected ? HighlightMaterial : material;
    GLfloat colour[3];
    for (int i = 0; i < 3; ++i) {
        colour[i] = m.ambient[i] * 1.6666666f + m.diffuse[i] * 0.71428573f;
        if (transparent)
            colour[i] *= 0.65f;
    }
    glColor3fv(colour);
}

void CKxDrawUnit::ApplyUnitRotation(const float rot[4])
{
    double turn[4];
    if (DrawingRotation(rot, turn))
        glRotated(turn[0], turn[1], turn[2], turn[3]);
}

void CKxDrawUnit::ApplyUnitTransform()
{
    if (owner == nullptr || owner->layer != 1)
        return;
    glTranslated(translation[0], translation[1], translation[2]);
    glScaled(scale[0], scale[1], scale[2]);
    glTranslated(-pivot[0], -pivot[1], -pivot[2]);
    if (topGroup != nullptr)
        glTranslated(-topGroup->centre[0], -topGroup->centre[1], -topGroup->centre[2]);
}

} // namespace velmor
