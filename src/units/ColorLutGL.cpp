// The ColorLut operations that talk to GL: texture creation, uploads and
// deletion. Sizes, tables and the section sampler are in ColorLut.cpp.
#include "platform/CheckedMath.h"
#include "render/GLExtensions.h"
#include "units/ColorLut.h"

#include <GL/gl.h>

#include <climits>

namespace velmor {

namespace {

void DrainGLErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

// True when no call since the last drain failed; leaves no error behind.
bool NoGLErrors()
{
    const bool ok = glGetError() == GL_NO_ERROR;
    DrainGLErrors();
    return ok;
}

GLenum PictureFormat(int components)
{
    switch (components) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    default: return GL_RGBA;
    }
}

GLenum ChannelType(uint8_t bytesPerChannel) { return bytesPerChannel == 1 ? GL_UNSIGNED_BYTE : GL_UNSIGNED_SHORT; }

bool FitsGLSize(uint64_t size) { return size != 0 && size <= static_cast<uint64_t>(INT_MAX); }

} // namespace

struct ColorLutGL {
    static void DeleteName(uint32_t id)
    {
        const GLuint name = id;
        glDeleteTextures(1, &name);
    }

    // A new texture name, bound, with clamped edges and linear filtering.
    static void NewBoundTexture(ColorLut& lut)
    {
        GLuint name = 0;
        glGenTextures(1, &name);
        lut.textureId = name;
        lut.deleteTexture_ = &DeleteName;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
};

void ColorLut::ChooseSize(const DataObject& data) { ChooseSize(data, GLCaps.nonPowerOfTwoSupported != 0); }

void ColorLut::SetupSection(const DataObject& data, double extent, std::wstring_view lengthUnit)
{
    SetupSection(data, extent, lengthUnit, GLCaps.nonPowerOfTwoSupported != 0);
}

bool ColorLut::Create()
{
    Delete();
    const int components = TexelComponents(channels);
    if (components == 0 || !FitsGLSize(textureWidth) || !FitsGLSize(textureHeight))
        return false;
    DrainGLErrors();
    ColorLutGL::NewBoundTexture(*this);
    const GLenum format = PictureFormat(components);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), static_cast<GLsizei>(textureWidth),
                 static_cast<GLsizei>(textureHeight), 0, format, ChannelType(bytesPerChannel), nullptr);
    const bool ok = NoGLErrors();
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!ok)
        Delete();
    return ok;
}

void ColorLut::Update()
{
    if (textureId == 0)
        return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, textureId);
    const int components = TexelComponents(channels);
    const uint64_t sampleBytes = static_cast<uint64_t>(components) * (bytesPerChannel == 1 ? 1 : 2);
    const uint64_t w = imageWidth, h = imageHeight, tw = textureWidth, th = textureHeight;
    // The picture must lie inside the texture and inside the source buffer.
    uint64_t pixels = 0;
    if (sourceSamples == nullptr || components == 0 || w == 0 || h == 0 || w > tw || h > th || !FitsGLSize(tw) ||
        !FitsGLSize(th) || !CheckedMul(w, h, pixels) || pixels > sourceBytes / sampleBytes)
        return;
    const GLenum format = PictureFormat(components), type = ChannelType(bytesPerChannel);
    const GLsizei width = static_cast<GLsizei>(w), height = static_cast<GLsizei>(h);
    // Column w, row h and texel (w, h) repeat the picture's edge, so that
    // linear filtering at the edge stays inside the picture's colours.
    if (w < tw)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 1, 0, width, height, format, type, sourceSamples);
    if (h < th)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, height, width, 1, format, type, sourceSamples + (h - 1) * w * sampleBytes);
    if (w < tw && h < th)
        glTexSubImage2D(GL_TEXTURE_2D, 0, width, height, 1, 1, format, type, sourceSamples + (h * w - 1) * sampleBytes);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, type, sourceSamples);
}

bool ColorLut::CreateSection(std::wstring_view tableName)
{
    Delete();
    const bool tooLarge = GLCaps.maxTextureSize > 0 && sectionSize > static_cast<uint64_t>(GLCaps.maxTextureSize);
    if (sectionSamples == 0 || sectionSize < sectionSamples || !FitsGLSize(sectionSize) || tooLarge)
        return false;
    const GLenum format = channels == 1 && tableName == L"GRAY" ? GL_LUMINANCE : GL_RGB;
    const GLenum type = ChannelType(bytesPerChannel);
    DrainGLErrors();
    ColorLutGL::NewBoundTexture(*this);
    bool ok = CommitSectionBuffers();
    if (ok) {
        const GLsizei size = static_cast<GLsizei>(sectionSize), samples = static_cast<GLsizei>(sectionSamples);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), size, size, 0, format, type, nullptr);
        // Texels the sampler never reaches read as black, not as whatever
        // the driver left in new storage.
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, samples, samples, format, type, textureBuffer.Data());
    }
    ok = NoGLErrors() && ok;
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!ok)
        Delete();
    return ok;
}

void ColorLut::Apply(const uint8_t* volumeSamples, uint64_t volumeBytes, double low, double high,
                     std::wstring_view tableName, const double frame[16])
{
    if (channels != 1)
        return;
    const SectionRect rect =
        SampleSection(volumeSamples, volumeBytes, low, high, tableName, SectionFrame::FromMatrix(frame));
    if (rect.Empty() || textureId == 0)
        return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(rect.firstColumn), static_cast<GLint>(rect.firstRow),
                    static_cast<GLsizei>(rect.Width()), static_cast<GLsizei>(rect.Height()),
                    tableName == L"GRAY" ? GL_LUMINANCE : GL_RGB, ChannelType(bytesPerChannel), textureBuffer.Data());
}

} // namespace velmor
