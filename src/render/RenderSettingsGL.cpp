// The GL half of the render settings: lights, fog and the depth texture.
#include "render/RenderPassRules.h"
#include "render/RenderSettings.h"

#include <GL/gl.h>

#include <new>

namespace velmor {

namespace {

void SendLight(GLenum light, const float ambient[4], const float diffuse[4], const float specular[4])
{
    glLightfv(light, GL_AMBIENT, ambient);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_SPECULAR, specular);
}

void FreeDepthTextureOf(RenderSettings& settings) { settings.FreeDepthTexture(); }

// GL takes a light's position through the model-view matrix of the moment;
// with the identity the lights stand where the picture's corners say,
// whatever the last frame left in the matrix.
void PositionLight(GLenum light, const float position[4])
{
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glLightfv(light, GL_POSITION, position);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(mode));
}

} // namespace

void RenderSettings::Init()
{
    cameraPosition[0] = 0;
    cameraPosition[1] = 0;
    cameraPosition[2] = 7.0f;
    ApplyLightPosition();
    for (int i = 0; i < 3; ++i) {
        light1Position[i] = cameraPosition[i];
        light3Position[i] = -cameraPosition[i];
    }
    light1Position[3] = light3Position[3] = 0;
    PositionLight(GL_LIGHT1, light1Position);
    PositionLight(GL_LIGHT3, light3Position);
    cameraDistance = 7.0f;
    light1Intensity = 1.0f;
    SetLightMode(0);
    int start = 0, end = 0;
    FogRange(cameraDistance, start, end);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, static_cast<float>(start));
    glFogf(GL_FOG_END, static_cast<float>(end));
    SetBackgroundColor(0, 0, 0);
    ResetPassState(*this);
}

void RenderSettings::ApplyLightPosition()
{
    PlaceLights(*this);
    PositionLight(GL_LIGHT0, light0Position);
    PositionLight(GL_LIGHT2, light2Position);
}

void RenderSettings::SetLightMode(uint32_t mode)
{
    ComputeLightColours(*this, mode);
    SendLight(GL_LIGHT0, light0Ambient, light0Diffuse, light0Specular);
    SendLight(GL_LIGHT1, light1Ambient, light1Diffuse, light1Specular);
    SendLight(GL_LIGHT2, light2Ambient, light2Diffuse, light2Specular);
    SendLight(GL_LIGHT3, light3Ambient, light3Diffuse, light3Specular);
}

void RenderSettings::SetBackgroundColor(uint8_t r, uint8_t g, uint8_t b)
{
    backgroundColor[0] = r / 255.0f;
    backgroundColor[1] = g / 255.0f;
    backgroundColor[2] = b / 255.0f;
    backgroundColor[3] = 1.0f;
    glFogfv(GL_FOG_COLOR, backgroundColor);
}

void RenderSettings::CreateDepthTexture()
{
    FreeDepthTexture();
    const uint64_t bytes = uint64_t{textureWidth} * textureHeight * 4;
    if (bytes == 0)
        return;
    depthTextureBuffer = new (std::nothrow) uint8_t[bytes]();
    if (depthTextureBuffer == nullptr)
        return;
    ReleaseDepthTexture = FreeDepthTextureOf;
    GLuint name = 0;
    glGenTextures(1, &name);
    depthTexture = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, static_cast<GLsizei>(textureWidth),
                 static_cast<GLsizei>(textureHeight), 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, depthTextureBuffer);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
    glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE, GL_ALPHA);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void RenderSettings::FreeDepthTexture()
{
    if (depthTextureBuffer == nullptr)
        return;
    const GLuint name = depthTexture;
    glDeleteTextures(1, &name);
    depthTexture = 0;
    delete[] depthTextureBuffer;
    depthTextureBuffer = nullptr;
}

} // namespace velmor
