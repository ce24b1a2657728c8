// The topographic map's buffer objects and drawing: one strip for the
// opaque body and the pick colour, strip by strip back to front for a
// transparent body.
#include "render/GLExtensions.h"
#include "render/GeometryRoutines.h"
#include "render/RenderSettings.h"
#include "scene/DataObject.h"
#include "units/CKxDrawUTopoMap.h"

#include <GL/gl.h>

namespace velmor {
namespace {

void DrainGLErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

bool HaveBufferObjects()
{
    return GLCaps.genBuffers != nullptr && GLCaps.bindBuffer != nullptr && GLCaps.bufferData != nullptr &&
           GLCaps.deleteBuffers != nullptr;
}

template <typename T>
bool Upload(GLenum target, uint32_t name, const std::vector<T>& values)
{
    GLCaps.bindBuffer(target, name);
    GLCaps.bufferData(target, static_cast<GLsizeiptr>(values.size() * sizeof(T)), values.data(), GL_DYNAMIC_DRAW);
    return glGetError() == GL_NO_ERROR;
}

void DrawIndexedStrip(const std::vector<uint32_t>& strip)
{
    glDrawElements(GL_TRIANGLE_STRIP, static_cast<GLsizei>(strip.size()), GL_UNSIGNED_INT, strip.data());
}

void EnableArrays(bool on)
{
    for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY})
        on ? glEnableClientState(array) : glDisableClientState(array);
}

} // namespace

bool CKxDrawUTopoMap::UploadBuffers()
{
    if (!HaveBufferObjects())
        return false;
    DrainGLErrors();
    GLuint names[4] = {};
    GLCaps.genBuffers(4, names);
    for (int k = 0; k < 4; ++k)
        glBuffers[k] = names[k];
    bool ok = glGetError() == GL_NO_ERROR && Upload(GL_ARRAY_BUFFER, glBuffers[0], vertices) &&
              Upload(GL_ARRAY_BUFFER, glBuffers[1], normals) && Upload(GL_ARRAY_BUFFER, glBuffers[2], texCoords);
    if (ok && !IsTransparent()) {
        ok = Upload(GL_ELEMENT_ARRAY_BUFFER, glBuffers[3], serpentine);
        serpentineInBuffer_ = ok;
    }
    GLCaps.bindBuffer(GL_ARRAY_BUFFER, 0);
    GLCaps.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    DrainGLErrors();
    return ok;
}

bool CKxDrawUTopoMap::BindArrays()
{
    if (glBuffersValid) {
        GLCaps.bindBuffer(GL_ARRAY_BUFFER, glBuffers[0]);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        GLCaps.bindBuffer(GL_ARRAY_BUFFER, glBuffers[1]);
        glNormalPointer(GL_FLOAT, 0, nullptr);
        GLCaps.bindBuffer(GL_ARRAY_BUFFER, glBuffers[2]);
        glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
        return true;
    }
    if (!EnsureVideoMemoryAll(VideoMegabytes(glBufferBytes)))
        return false;
    glVertexPointer(3, GL_FLOAT, 0, vertices.data());
    glNormalPointer(GL_FLOAT, 0, normals.data());
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
    return true;
}

void CKxDrawUTopoMap::DrawStrip()
{
    if (!BindArrays())
        return;
    // A map made transparent after its buffers were built has no index
    // buffer; its indices come from memory then.
    if (glBuffersValid && serpentineInBuffer_) {
        GLCaps.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, glBuffers[3]);
        glDrawElements(GL_TRIANGLE_STRIP, static_cast<GLsizei>(serpentine.size()), GL_UNSIGNED_INT, nullptr);
        GLCaps.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    } else {
        DrawIndexedStrip(serpentine);
    }
    if (glBuffersValid)
        GLCaps.bindBuffer(GL_ARRAY_BUFFER, 0);
}

void CKxDrawUTopoMap::DrawSorted()
{
    if (!BindArrays())
        return;
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    const double eye = CurrentRenderSettings().cameraDistance;
    const size_t nx = static_cast<size_t>(gridWidth), ny = static_cast<size_t>(gridHeight);
    const size_t corners[4] = {0, nx - 1, (ny - 1) * nx, (ny - 1) * nx + nx - 1};
    double distances[4];
    for (int k = 0; k < 4; ++k) {
        float p[3];
        TransformPoint(&vertices[3 * corners[k]], modelView, p);
        distances[k] = double(p[0]) * p[0] + double(p[1]) * p[1] + (p[2] - eye) * (p[2] - eye);
    }
    const TopoStripOrder order = ChooseSortedStrips(distances);
    const std::vector<std::vector<uint32_t>>& strips = order.family == TopoStripFamily::Rows           ? rowStrips
                                                       : order.family == TopoStripFamily::RowsReversed ? rowStripsReversed
                                                       : order.family == TopoStripFamily::Columns      ? columnStrips
                                                                                                       : columnStripsReversed;
    if (order.ascending)
        for (const auto& strip : strips)
            DrawIndexedStrip(strip);
    else
        for (auto strip = strips.rbegin(); strip != strips.rend(); ++strip)
            DrawIndexedStrip(*strip);
    if (glBuffersValid)
        GLCaps.bindBuffer(GL_ARRAY_BUFFER, 0);
}

void CKxDrawUTopoMap::DrawBody(bool transparent)
{
    glEnable(GL_TEXTURE_2D);
    colorLut.Update();
    SetUnitMaterial(selected);
    EnableArrays(true);
    glPushMatrix();
    ApplyUnitTransform();
    transparent ? DrawSorted() : DrawStrip();
    glPopMatrix();
    EnableArrays(false);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void CKxDrawUTopoMap::DrawPicked()
{
    SetPickColor(&pickId);
    EnableArrays(true);
    glPushMatrix();
    ApplyUnitTransform();
    DrawStrip();
    glPopMatrix();
    EnableArrays(false);
}

} // namespace velmor
