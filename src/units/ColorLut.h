#pragma once
// The texture of every unit that shows sampled data as a picture, and the
// square section texture that paints a plane through a volume with one of
// three fixed colour tables ("GRAY", "RGB", "RGB2").
//
// The arithmetic (tables, sizes, the section sampler) needs no GL and lives
// in the core library; creating, filling and binding the textures lives in
// the GL layer. A unit owns its ColorLut by value; the texture name is
// released exactly once, by Delete or the destructor.
#include "platform/Memory.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velmor {

class DataObject;

// Half size of the section grid before SetupSection, in the units of the
// plane the clip cap draws (its quad spans -3.4641..3.4641).
inline constexpr double kSectionHalfSize = 3.4641;

// The smallest power of two not below `count` (1 stays 1, 256 stays 256);
// 0 for a count of 0 and for one whose power of two does not fit 64 bits.
uint64_t RoundUpToPowerOfTwo(uint64_t count);

// Values per texel the texture takes for a sample of `channels` components:
// 1 luminance, 2 luminance with alpha, 3 RGB, 4 RGBA; 0 for any other count,
// which no texture is made for.
int TexelComponents(uint8_t channels);

// Index 0..255 into a colour table for `value` over the window [low, high]:
// (value - low) x 255 / (high - low), limited to 0..255 and truncated. An
// empty window (high == low) is a step at `low`; NaN gives 0.
int ColorTableIndex(double value, double low, double high);

// The part of the section grid one Apply fills: columns and rows of the
// section texture, inclusive; empty when last < first.
struct SectionRect {
    int64_t firstColumn = 0, lastColumn = -1;
    int64_t firstRow = 0, lastRow = -1;
    bool Empty() const { return lastColumn < firstColumn || lastRow < firstRow; }
    int64_t Width() const { return Empty() ? 0 : lastColumn - firstColumn + 1; }
    int64_t Height() const { return Empty() ? 0 : lastRow - firstRow + 1; }
};

// The plane of a section in volume sample units relative to the volume's
// centre: texture columns run along `column`, rows along `row`.
struct SectionFrame {
    double column[3] = {1, 0, 0};
    double row[3] = {0, 1, 0};
    double origin[3] = {0, 0, 0};
    // From a column-major 4x4 matrix that carries a point (u, v, 0) of the
    // plane into sample coordinates: its first, second and fourth columns.
    static SectionFrame FromMatrix(const double matrix[16]);
    bool Finite() const;
};

class ColorLut {
public:
    ColorLut();
    ~ColorLut();
    ColorLut(const ColorLut&) = delete;
    ColorLut& operator=(const ColorLut&) = delete;

    // Fills one table: "GRAY" 256 bytes, "RGB" and any other name ("RGB2")
    // 256 x 3 bytes.
    static void BuildTable(std::wstring_view tableName, uint8_t* destination);
    // The table Apply maps through: "GRAY", "RGB", or "RGB2" for any other name.
    const uint8_t* Table(std::wstring_view tableName) const;

    // Sizes from a DataObject of type "image" or "volume"; other types change
    // nothing. The GL layer's overload takes the non-power-of-two flag from
    // the context's capabilities.
    void ChooseSize(const DataObject& data, bool nonPowerOfTwo);
    void ChooseSize(const DataObject& data);

    // A new texture of textureWidth x textureHeight with no data; false (and
    // nothing left behind) when the sizes or format cannot be had or GL
    // reports an error. GL layer.
    bool Create();
    // Uploads sourceSamples into the bound texture, repeating the last column,
    // the last row and the last sample beside the picture. Does nothing
    // without a texture or when the source holds fewer bytes than the
    // picture needs. GL layer.
    void Update();
    // Deletes the texture (once) and releases the section buffers.
    void Delete();

    // Sizes of the section grid and texture for a plane of half-width
    // `extent` (in `lengthUnit`) through the volume `data`. An extent or
    // pitch that gives no finite, positive grid leaves sectionSamples 0.
    void SetupSection(const DataObject& data, double extent, std::wstring_view lengthUnit, bool nonPowerOfTwo);
    void SetupSection(const DataObject& data, double extent, std::wstring_view lengthUnit);
    // The section texture and its buffers; false, with everything deleted,
    // when a buffer cannot be committed or GL reports an error. GL layer.
    bool CreateSection(std::wstring_view tableName);
    // Samples the plane `frame` (a column-major matrix, see SectionFrame)
    // through the volume into the section texture, mapped through the named
    // table over [low, high]. `volumeBytes` is the size of the sample buffer;
    // a buffer smaller than the volume's samples is not read. GL layer.
    void Apply(const uint8_t* volumeSamples, uint64_t volumeBytes, double low, double high,
               std::wstring_view tableName, const double frame[16]);

    // The GL-free half of Apply: fills sectionWork with the interpolated
    // samples and textureBuffer with the texels of the returned rectangle,
    // packed row by row (1 or 3 components of 1 or 2 bytes). The rectangle
    // covers the texels inside the volume and the ones the previous call
    // filled, which are cleared, so that no part of an earlier plane stays
    // in the texture. Empty when there is nothing to upload.
    SectionRect SampleSection(const uint8_t* volumeSamples, uint64_t volumeBytes, double low, double high,
                              std::wstring_view tableName, const SectionFrame& frame);
    // Commits textureBuffer and sectionWork for sectionSamples; false when
    // the sizes overflow or memory cannot be had.
    bool CommitSectionBuffers();

    uint32_t textureId = 0;
    uint64_t imageWidth = 0, imageHeight = 0, imageDepth = 0;
    uint64_t textureWidth = 0, textureHeight = 0;
    uint64_t sectionSize = 0;
    uint64_t sectionSamples = 0;
    CommittedBuffer sectionWork;
    uint8_t bytesPerChannel = 1;
    uint8_t grayTable[256];
    uint8_t rgbTable[256][3];
    uint8_t rgb2Table[256][3];
    double sectionScale = kSectionHalfSize;
    const uint8_t* sourceSamples = nullptr;
    uint64_t sourceBytes = 0;   // bytes readable at sourceSamples
    uint8_t channels = 1;
    CommittedBuffer textureBuffer;

private:
    // Installed by the GL layer when it generates a name, so that the core
    // half can release the texture without linking GL.
    void (*deleteTexture_)(uint32_t) = nullptr;
    // Filled part of the section texture since CreateSection.
    SectionRect filledRect_;
    friend struct ColorLutGL;
};

} // namespace velmor
