#include "scene/DataObject.h"
#include "support/gl/HeadlessGL.h"
#include "units/ColorLut.h"

#include <GL/gl.h>

#include <cstring>
#include <vector>

using namespace velmor;
using velmor::test::GLFramebuffer;
using velmor::test::GLTest;
using velmor::test::Rgba;

namespace {

// A loaded picture over a caller's buffer; the buffer is handed back before
// the data object goes, so that it never releases memory it does not own.
struct LoadedPicture : DataObject {
    LoadedPicture(const wchar_t* kind, uint64_t x, uint64_t y, uint8_t componentCount, uint8_t bytes,
                  std::vector<uint8_t>& buffer)
        : DataObject(L"picture")
    {
        type = kind;
        countX = x, countY = y, countZ = 1;
        components = componentCount;
        bytesPerComponent = bytes;
        samples = buffer.data();
        payloadBytes = buffer.size();
    }
    ~LoadedPicture() { samples = nullptr; }
};

GLint TextureLevelValue(GLenum name)
{
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
    return value;
}

} // namespace

class ColorLutGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        UseFlatUnitOrtho();
    }
    // The texels of the bound texture's level 0, `components` bytes each.
    static std::vector<uint8_t> Texels(GLenum format, int components)
    {
        std::vector<uint8_t> texels(static_cast<size_t>(TextureLevelValue(GL_TEXTURE_WIDTH)) *
                                    TextureLevelValue(GL_TEXTURE_HEIGHT) * components);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }
    // Draws the bound texture over the whole framebuffer, texel for pixel.
    static void DrawTexture(float s, float t)
    {
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex2f(-1, -1);
        glTexCoord2f(s, 0), glVertex2f(1, -1);
        glTexCoord2f(s, t), glVertex2f(1, 1);
        glTexCoord2f(0, t), glVertex2f(-1, 1);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }
    void UseFramebuffer(int width, int height)
    {
        framebuffer_.reset();
        framebuffer_ = std::make_unique<GLFramebuffer>(width, height);
        ASSERT_TRUE(framebuffer_->Complete());
    }
};

TEST_F(ColorLutGLTest, CreateDefinesAnEmptyTextureOfTheChosenSize)
{
    std::vector<uint8_t> pixels(300 * 200 * 3);
    LoadedPicture image(L"image", 300, 200, 3, 1, pixels);
    ColorLut lut;
    lut.ChooseSize(image);   // the context offers non-power-of-two textures
    EXPECT_EQ(lut.textureWidth, 300u);
    lut.ChooseSize(image, false);
    ASSERT_TRUE(lut.Create());
    ASSERT_NE(lut.textureId, 0u);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    glBindTexture(GL_TEXTURE_2D, lut.textureId);
    EXPECT_EQ(TextureLevelValue(GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(TextureLevelValue(GL_TEXTURE_HEIGHT), 256);
    EXPECT_EQ(TextureLevelValue(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_CLAMP_TO_EDGE);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(ColorLutGLTest, UpdateRepeatsTheLastColumnRowAndSample)
{
    std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    LoadedPicture image(L"image", 3, 3, 1, 1, pixels);
    ColorLut lut;
    lut.ChooseSize(image, false);
    ASSERT_TRUE(lut.Create());
    lut.Update();
    const std::vector<uint8_t> expected = {1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 7, 8, 9, 9};
    EXPECT_EQ(Texels(GL_LUMINANCE, 1), expected);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<uint32_t>(bound), lut.textureId);   // left bound for the draw
}

TEST_F(ColorLutGLTest, PictureDrawsTexelForPixel)
{
    std::vector<uint8_t> pixels = {10, 20, 30, 40, 50, 60, 70, 80, 90,   // bottom row
                                   15, 25, 35, 45, 55, 65, 75, 85, 95};
    LoadedPicture image(L"image", 3, 2, 3, 1, pixels);
    ColorLut lut;
    lut.ChooseSize(image, false);
    ASSERT_EQ(lut.textureWidth, 4u);
    ASSERT_TRUE(lut.Create());
    UseFramebuffer(4, 2);
    lut.Update();
    DrawTexture(1, 1);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = &pixels[(y * 3 + std::min(x, 2)) * 3];
            EXPECT_EQ(Pixel(x, y), (Rgba{p[0], p[1], p[2], 255})) << x << ',' << y;
        }
}

TEST_F(ColorLutGLTest, SixteenBitAndTwoComponentPictures)
{
    std::vector<uint8_t> pixels(4);
    const uint16_t values[2] = {0xFFFF, 0x8080};
    std::memcpy(pixels.data(), values, 4);
    LoadedPicture gray(L"image", 2, 1, 1, 2, pixels);
    ColorLut lut;
    lut.ChooseSize(gray, true);
    ASSERT_TRUE(lut.Create());
    lut.Update();
    EXPECT_EQ(Texels(GL_LUMINANCE, 1), (std::vector<uint8_t>{255, 128}));

    // Two components a sample read as luminance with alpha, two values a texel.
    std::vector<uint8_t> pairs = {200, 100};
    LoadedPicture paired(L"image", 1, 1, 2, 1, pairs);
    lut.ChooseSize(paired, true);
    ASSERT_TRUE(lut.Create());
    lut.Update();
    EXPECT_EQ(Texels(GL_LUMINANCE_ALPHA, 2), (std::vector<uint8_t>{200, 100}));
}

TEST_F(ColorLutGLTest, UpdateDoesNotReadPastTheSource)
{
    std::vector<uint8_t> pixels = {1, 2, 3, 4};
    LoadedPicture image(L"image", 2, 2, 1, 1, pixels);
    ColorLut lut;
    lut.ChooseSize(image, true);
    ASSERT_TRUE(lut.Create());
    lut.Update();
    pixels = {9, 9, 9, 9};
    lut.sourceBytes = 3;
    lut.Update();
    EXPECT_EQ(Texels(GL_LUMINANCE, 1), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(ColorLutGLTest, TextureNamesAreReleasedExactlyOnce)
{
    GLuint first = 0, second = 0;
    {
        std::vector<uint8_t> pixels = {1};
        LoadedPicture image(L"image", 1, 1, 1, 1, pixels);
        ColorLut lut;
        lut.ChooseSize(image, true);
        ASSERT_TRUE(lut.Create());
        first = lut.textureId;
        ASSERT_TRUE(lut.Create());   // a second Create replaces the first texture
        EXPECT_FALSE(glIsTexture(first));
        second = lut.textureId;
        lut.Delete();
        EXPECT_EQ(lut.textureId, 0u);
        EXPECT_FALSE(glIsTexture(second));
        lut.Delete();
        // Someone else now holds the same name; the destructor must not take it.
        glGenTextures(1, &first);
        glBindTexture(GL_TEXTURE_2D, first);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    EXPECT_TRUE(glIsTexture(first));
    glDeleteTextures(1, &first);

    std::vector<uint8_t> pixels = {1};
    LoadedPicture image(L"image", 1, 1, 1, 1, pixels);
    auto lut = std::make_unique<ColorLut>();
    lut->ChooseSize(image, true);
    ASSERT_TRUE(lut->Create());
    const GLuint name = lut->textureId;
    lut.reset();
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(ColorLutGLTest, CreateFailsWithNothingLeftBehind)
{
    ColorLut lut;
    lut.textureWidth = static_cast<uint64_t>(GLCaps.maxTextureSize) * 2;
    lut.textureHeight = 1;
    EXPECT_FALSE(lut.Create());
    EXPECT_EQ(lut.textureId, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    lut.textureWidth = uint64_t{1} << 40;   // beyond what a GL size can say
    EXPECT_FALSE(lut.Create());
    lut.textureWidth = 4;
    lut.channels = 5;
    EXPECT_FALSE(lut.Create());
    lut.channels = 1;
    lut.textureHeight = 0;
    EXPECT_FALSE(lut.Create());
    EXPECT_EQ(lut.textureId, 0u);
}

class ColorLutSectionGLTest : public ColorLutGLTest {
protected:
    static constexpr int kSide = 8;
    void SetUp() override
    {
        ColorLutGLTest::SetUp();
        lut.imageWidth = lut.imageHeight = lut.imageDepth = kSide;
        lut.channels = 1;
        lut.bytesPerChannel = 1;
        lut.sectionSamples = 16;
        lut.sectionSize = 16;
        lut.sectionScale = 8.0;
        volume.resize(kSide * kSide * kSide);
        for (int z = 0; z < kSide; ++z)
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x)
                    volume[x + kSide * (y + kSide * z)] = static_cast<uint8_t>(x * 30 + y + z);
    }
    // The plane z = `z` with texel (c, r) on voxel (c - 4, r - 4).
    static std::vector<double> SliceZ(double z)
    {
        std::vector<double> m(16, 0.0);
        m[0] = m[5] = m[10] = m[15] = 1.0;
        m[14] = z - 3.5;
        return m;
    }
    void Apply(const wchar_t* table, double z) { lut.Apply(volume.data(), volume.size(), 0, 255, table, SliceZ(z).data()); }
    ColorLut lut;
    std::vector<uint8_t> volume;
};

TEST_F(ColorLutSectionGLTest, GraySectionShowsTheSliceAndBlackAround)
{
    ASSERT_TRUE(lut.CreateSection(L"GRAY"));
    glBindTexture(GL_TEXTURE_2D, lut.textureId);
    EXPECT_EQ(TextureLevelValue(GL_TEXTURE_INTERNAL_FORMAT), GL_LUMINANCE);
    EXPECT_EQ(Texels(GL_LUMINANCE, 1), std::vector<uint8_t>(256, 0));
    Apply(L"GRAY", 6);
    UseFramebuffer(16, 16);
    glBindTexture(GL_TEXTURE_2D, lut.textureId);
    DrawTexture(1, 1);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) {
            const bool inside = r >= 4 && r <= 11 && c >= 4 && c <= 11;
            const uint8_t v = inside ? volume[(c - 4) + kSide * ((r - 4) + kSide * 6)] : 0;
            ASSERT_EQ(Pixel(c, r), (Rgba{v, v, v, 255})) << c << ',' << r;
        }
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(ColorLutSectionGLTest, ColourSectionAndAPlaneMovedOffTheVolume)
{
    ASSERT_TRUE(lut.CreateSection(L"RGB"));
    Apply(L"RGB", 0);
    glBindTexture(GL_TEXTURE_2D, lut.textureId);
    EXPECT_EQ(TextureLevelValue(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    std::vector<uint8_t> texels = Texels(GL_RGB, 3);
    // Voxel (7, 0, 0) holds 210: RGB entry 210 is (255, 255 - trunc(19 x 255 / 64), 0).
    const uint8_t* texel = &texels[(4 * 16 + 11) * 3];
    EXPECT_EQ((Rgba{texel[0], texel[1], texel[2], 0}), (Rgba{255, 180, 0, 0}));
    Apply(L"RGB", 40);
    EXPECT_EQ(Texels(GL_RGB, 3), std::vector<uint8_t>(16 * 16 * 3, 0));
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(ColorLutSectionGLTest, CreateSectionRefusesGridsItCannotHold)
{
    lut.sectionSamples = 0;
    EXPECT_FALSE(lut.CreateSection(L"GRAY"));
    lut.sectionSamples = lut.sectionSize = static_cast<uint64_t>(GLCaps.maxTextureSize) * 2;
    EXPECT_FALSE(lut.CreateSection(L"GRAY"));
    EXPECT_EQ(lut.textureId, 0u);
    EXPECT_EQ(lut.textureBuffer.Data(), nullptr);
    EXPECT_EQ(lut.sectionWork.Data(), nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Without a texture the sampler still fills the section samples.
    lut.sectionSamples = lut.sectionSize = 16;
    ASSERT_TRUE(lut.CommitSectionBuffers());
    Apply(L"GRAY", 1);
    EXPECT_EQ(lut.sectionWork.Data()[4 * 16 + 5], volume[1 + kSide * kSide]);
}
