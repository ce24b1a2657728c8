// The volume unit's texture and the drawing of its slice stacks.
#include "render/GLExtensions.h"
#include "render/RenderSettings.h"
#include "scene/DataObject.h"
#include "units/CKxDrawUVolumeR.h"

#include <GL/gl.h>

namespace velmor {

namespace {

bool CreateVolumeTexture(CKxDrawUVolumeR& unit)
{
    if (unit.volumeData == nullptr) return false;
    unit.colorLut.ChooseSize(*unit.volumeData);
    return unit.colorLut.Create();
}

// The slices are summed (or their largest taken), so fog that mixed each
// toward the background colour would add that colour once a slice, empty
// slices too, and fill the volume's box with it. Toward black, fog only fades
// the far slices: depth cueing without adding colour.
void DrawUnlitStack(CKxDrawUVolumeR& unit)
{
    static const GLfloat kFadeToBlack[4] = {0, 0, 0, 0};
    GLfloat fogColour[4] = {};
    const bool fog = glIsEnabled(GL_FOG) == GL_TRUE;
    if (fog) {
        glGetFloatv(GL_FOG_COLOR, fogColour);
        glFogfv(GL_FOG_COLOR, kFadeToBlack);
    }
    glDisable(GL_LIGHTING);
    unit.DrawSliceStack();
    glEnable(GL_LIGHTING);
    if (fog) glFogfv(GL_FOG_COLOR, fogColour);
}

void SetBlendEquation(GLenum mode)
{
    if (GLCaps.blendEquation != nullptr) GLCaps.blendEquation(mode);
}

} // namespace

void InstallVolumeUnitDrawing()
{
    VolumeUnitGL.createTexture = &CreateVolumeTexture;
    VolumeUnitGL.drawSliceStack = &DrawUnlitStack;
}

void CKxDrawUVolumeR::DrawSliceStack()
{
    if (!ReadyToDraw()) return;
    if (renderingType == L"A") {
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    } else if (renderingType == L"B") {
        glBlendFunc(GL_ONE, GL_ONE);
        SetBlendEquation(GL_MAX);
    }
    glColor4f(1, 1, 1, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, colorLut.textureId);
    glPushMatrix();
    ApplyUnitTransform();
    glScaled(pitch[0], pitch[1], pitch[2]);
    if (voxels.bytesPerSample == 1) DrawVolumeSlices8();
    else DrawVolumeSlices16();
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    SetBlendEquation(GL_FUNC_ADD);
}

void CKxDrawUVolumeR::DrawVolumeSlices8() { DrawVolumeSlices<uint8_t>(GL_UNSIGNED_BYTE); }
void CKxDrawUVolumeR::DrawVolumeSlices16() { DrawVolumeSlices<uint16_t>(GL_UNSIGNED_SHORT); }

template <typename Sample> void CKxDrawUVolumeR::DrawVolumeSlices(unsigned type)
{
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    const SliceAxis chosen = ChooseSliceAxis(modelView, CurrentRenderSettings().cameraDistance);
    const int axis = chosen.axis;
    // Layer width and height, and the layer count, of each axis's display volume.
    const uint64_t widths[3] = {voxels.ny, voxels.nx, voxels.nx};
    const uint64_t heights[3] = {voxels.nz, voxels.nz, voxels.ny};
    const uint64_t layers[3] = {voxels.nx, voxels.ny, voxels.nz};
    const uint64_t layerSamples = widths[axis] * heights[axis];
    const auto* volume = reinterpret_cast<const Sample*>(displayVolume[axis].Data());
    const float* quads = sliceQuads[axis].get();

    glTexCoordPointer(2, GL_FLOAT, 0, &sliceTexCoords[axis][0][0]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(clearWidth), GLsizei(clearHeight), GL_LUMINANCE, type,
                    clearBuffer.Data());
    for (const SliceStep& step : SliceSteps(layers[axis], sliceCount[axis], chosen.direction)) {
        if (step.layer >= 0)
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(widths[axis]), GLsizei(heights[axis]), GL_LUMINANCE,
                            type, volume + uint64_t(step.layer) * layerSamples);
        glVertexPointer(3, GL_FLOAT, 0, quads + size_t(step.quad) * 12);
        glDrawArrays(GL_QUADS, 0, 4);
    }
}

} // namespace velmor
