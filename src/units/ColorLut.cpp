#include "units/ColorLut.h"

#include "platform/CheckedMath.h"
#include "render/GeometryRoutines.h"
#include "scene/DataObject.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace velmor {

namespace {

// Largest edge of a section grid: its area times six bytes must stay far
// from overflowing, and no GL takes a texture edge beyond the int range.
constexpr uint64_t kMaxSectionSamples = uint64_t{1} << 30;

uint8_t Truncate(double value) { return static_cast<uint8_t>(value); }

void BuildGray(uint8_t* table)
{
    for (int i = 0; i < 255; ++i)
        table[i] = Truncate((i - 0) * 255.0 / (255 - 0));
    table[255] = 255;
}

// Equal segments over 0..255: inside segment k, with t running from 0
// toward `span`, `colour` (k, t) gives the entry; entries from 255 on are `last`.
template <typename Colour>
void BuildSegmented(uint8_t* table, int segments, double span, const std::array<uint8_t, 3>& last, Colour colour)
{
    std::vector<int> breaks(static_cast<size_t>(segments) + 1);
    for (int k = 0; k <= segments; ++k)
        breaks[k] = static_cast<int>(k * 255.0 / segments);
    for (int i = 0; i < 256; ++i) {
        std::array<uint8_t, 3> entry = last;
        for (int k = 0; k < segments; ++k)
            if (i >= breaks[k] && i < breaks[k + 1])
                entry = colour(k, Truncate((i - breaks[k]) * span / (breaks[k + 1] - breaks[k])));
        std::memcpy(table + 3 * i, entry.data(), 3);
    }
}

// Blue, cyan, green, yellow, red.
void BuildRgb(uint8_t* table)
{
    BuildSegmented(table, 4, 255.0, {255, 0, 0}, [](int k, uint8_t t) {
        const std::array<uint8_t, 3> rgb[4] = {{0, t, 255}, {0, 255, uint8_t(255 - t)}, {t, 255, 0}, {255, uint8_t(255 - t), 0}};
        return rgb[k];
    });
}

// Dark blue to dark red through cyan, green and yellow.
void BuildRgb2(uint8_t* table)
{
    BuildSegmented(table, 8, 128.0, {128, 0, 0}, [](int k, uint8_t u) {
        const uint8_t up = uint8_t(128 + u), down = uint8_t(128 - u), fall = uint8_t(255 - u);
        const std::array<uint8_t, 3> rgb[8] = {{0, 0, up},      {0, u, 255},    {0, up, 255},   {u, 255, fall},
                                               {up, 255, down}, {255, fall, 0}, {255, down, 0}, {fall, 0, 0}};
        return rgb[k];
    });
}

uint64_t RoundedSize(uint64_t count, bool nonPowerOfTwo)
{
    return nonPowerOfTwo ? count : RoundUpToPowerOfTwo(count);
}

// Columns of one row of the section grid that lie inside the volume; false
// when the row misses it. `base` is the row line at column offset 0.
struct SectionGeometry {
    const SectionFrame& frame;
    double n, scale, spacing;
    double dims[3];

    bool RowColumns(const double base[3], int64_t& first, int64_t& last) const
    {
        double entry = 1.0, exit = n - 2.0;
        for (int k = 0; k < 3; ++k) {
            const double a = frame.column[k], p = base[k];
            if (std::fabs(a) > 1e-6) {
                const double c0 = (scale + (-1.0 - p) / a) / spacing - 0.5;
                const double c1 = (scale + (dims[k] - p) / a) / spacing - 0.5;
                if (!std::isfinite(c0) || !std::isfinite(c1))
                    return false;
                entry = std::max(entry, std::min(c0, c1));
                exit = std::min(exit, std::max(c0, c1));
            } else if (!(p > -1.0 && p < dims[k])) {
                return false;
            }
        }
        const double firstColumn = std::ceil(entry + 1e-5), lastColumn = std::floor(exit - 1e-5);
        if (!(firstColumn <= lastColumn))
            return false;
        first = static_cast<int64_t>(firstColumn);
        last = static_cast<int64_t>(lastColumn);
        return true;
    }

    double Offset(int64_t index) const { return ((index + 0.5) / n) * 2.0 * scale - scale; }

    void RowBase(int64_t row, double base[3]) const
    {
        const double offset = Offset(row);
        for (int k = 0; k < 3; ++k)
            base[k] = frame.origin[k] + offset * frame.row[k] + dims[k] * 0.5 - 0.5;
    }
};

// Trilinear interpolation of the 8 samples around a position; samples
// outside the volume contribute nothing.
class VolumeReader {
public:
    VolumeReader(const uint8_t* samples, uint64_t nx, uint64_t ny, uint64_t nz, int bytes)
        : samples_(samples), n_{nx, ny, nz}, bytes_(bytes) {}

    double Interpolate(const double position[3]) const
    {
        int64_t lower[3];
        double fraction[3];
        for (int k = 0; k < 3; ++k) {
            if (!(position[k] > -2.0 && position[k] < static_cast<double>(n_[k]) + 1.0))
                return 0.0;
            const double floorValue = std::floor(position[k]);
            lower[k] = static_cast<int64_t>(floorValue);
            fraction[k] = position[k] - floorValue;
        }
        double sum = 0.0;
        for (int corner = 0; corner < 8; ++corner) {
            double weight = 1.0;
            int64_t at[3];
            bool inside = true;
            for (int k = 0; k < 3; ++k) {
                const int step = (corner >> k) & 1;
                at[k] = lower[k] + step;
                weight *= step ? fraction[k] : 1.0 - fraction[k];
                inside = inside && at[k] >= 0 && static_cast<uint64_t>(at[k]) < n_[k];
            }
            if (inside && weight != 0.0)
                sum += weight * Sample(static_cast<uint64_t>(at[0]) + n_[0] * (static_cast<uint64_t>(at[1]) + n_[1] * static_cast<uint64_t>(at[2])));
        }
        return sum;
    }

private:
    double Sample(uint64_t index) const
    {
        if (bytes_ == 1)
            return samples_[index];
        uint16_t value;
        std::memcpy(&value, samples_ + 2 * index, 2);
        return value;
    }
    const uint8_t* samples_;
    uint64_t n_[3];
    int bytes_;
};

SectionRect Union(const SectionRect& a, const SectionRect& b)
{
    if (a.Empty())
        return b;
    if (b.Empty())
        return a;
    return {std::min(a.firstColumn, b.firstColumn), std::max(a.lastColumn, b.lastColumn),
            std::min(a.firstRow, b.firstRow), std::max(a.lastRow, b.lastRow)};
}

} // namespace

uint64_t RoundUpToPowerOfTwo(uint64_t count)
{
    if (count == 0 || count > (uint64_t{1} << 63))
        return 0;
    uint64_t size = 1;
    while (size < count)
        size <<= 1;
    return size;
}

int TexelComponents(uint8_t channels) { return channels >= 1 && channels <= 4 ? channels : 0; }

int ColorTableIndex(double value, double low, double high)
{
    if (high == low)
        return value >= low ? 255 : 0;
    const double t = (value - low) * 255.0 / (high - low);
    if (!(t > 0.0))
        return 0;
    if (t > 255.0)
        return 255;
    return static_cast<int>(t);
}

SectionFrame SectionFrame::FromMatrix(const double matrix[16])
{
    SectionFrame frame;
    for (int k = 0; k < 3; ++k) {
        frame.column[k] = matrix[k];
        frame.row[k] = matrix[4 + k];
        frame.origin[k] = matrix[12 + k];
    }
    return frame;
}

bool SectionFrame::Finite() const
{
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(column[k]) || !std::isfinite(row[k]) || !std::isfinite(origin[k]))
            return false;
    return true;
}

ColorLut::ColorLut()
{
    BuildTable(L"GRAY", grayTable);
    BuildTable(L"RGB", &rgbTable[0][0]);
    BuildTable(L"RGB2", &rgb2Table[0][0]);
}

ColorLut::~ColorLut() { Delete(); }

void ColorLut::BuildTable(std::wstring_view tableName, uint8_t* destination)
{
    if (tableName == L"GRAY")
        BuildGray(destination);
    else if (tableName == L"RGB")
        BuildRgb(destination);
    else
        BuildRgb2(destination);
}

const uint8_t* ColorLut::Table(std::wstring_view tableName) const
{
    if (tableName == L"GRAY")
        return grayTable;
    if (tableName == L"RGB")
        return &rgbTable[0][0];
    return &rgb2Table[0][0];
}

void ColorLut::ChooseSize(const DataObject& data, bool nonPowerOfTwo)
{
    if (data.type == L"image") {
        imageWidth = data.countX;
        imageHeight = data.countY;
        sourceSamples = data.samples;
        sourceBytes = data.samples ? data.payloadBytes : 0;
        textureWidth = RoundedSize(imageWidth, nonPowerOfTwo);
        textureHeight = RoundedSize(imageHeight, nonPowerOfTwo);
    } else if (data.type == L"volume") {
        imageWidth = data.countX;
        imageHeight = data.countY;
        imageDepth = data.countZ;
        // The volume unit uploads its slices itself.
        sourceSamples = nullptr;
        sourceBytes = 0;
        const uint64_t x = RoundedSize(imageWidth, nonPowerOfTwo);
        const uint64_t y = RoundedSize(imageHeight, nonPowerOfTwo);
        const uint64_t z = RoundedSize(imageDepth, nonPowerOfTwo);
        textureWidth = std::max(x, y);
        textureHeight = std::max(y, z);
    } else {
        return;
    }
    bytesPerChannel = data.bytesPerComponent;
    channels = data.components;
}

void ColorLut::Delete()
{
    if (textureId != 0) {
        if (deleteTexture_ != nullptr)
            deleteTexture_(textureId);
        textureId = 0;
    }
    textureBuffer.Reset();
    sectionWork.Reset();
    filledRect_ = {};
}

void ColorLut::SetupSection(const DataObject& data, double extent, std::wstring_view lengthUnit, bool nonPowerOfTwo)
{
    sectionScale = kSectionHalfSize;
    imageWidth = data.countX;
    imageHeight = data.countY;
    imageDepth = data.countZ;
    const float* pitch = data.voxelPitch.loadedPitch;
    const double smallest = std::min({pitch[0], pitch[1], pitch[2]});
    const double factor = UnitFactor(lengthUnit, data.voxelPitch.unit);
    const double x = extent / (smallest * factor) * kSectionHalfSize;
    // A zero or negative pitch or extent, or a NaN anywhere, gives no grid
    // rather than an undefined conversion.
    if (std::isfinite(x) && x > 0.0 && std::ceil(x) <= static_cast<double>(kMaxSectionSamples)) {
        sectionSamples = static_cast<uint64_t>(std::ceil(x));
        sectionScale = sectionSamples / x * kSectionHalfSize;
    } else {
        sectionSamples = 0;
    }
    sectionSize = RoundedSize(sectionSamples, nonPowerOfTwo);
    bytesPerChannel = data.bytesPerComponent;
    channels = data.components;
}

bool ColorLut::CommitSectionBuffers()
{
    uint64_t area = 0, texelBytes = 0, workBytes = 0;
    if (sectionSamples == 0 || sectionSamples > kMaxSectionSamples || !CheckedMul(sectionSamples, sectionSamples, area) ||
        !CheckedMul(area, 3 * 2, texelBytes) || !CheckedMul(area, 2, workBytes))
        return false;
    return textureBuffer.Commit(texelBytes) && sectionWork.Commit(workBytes);
}

SectionRect ColorLut::SampleSection(const uint8_t* volumeSamples, uint64_t volumeBytes, double low, double high,
                                    std::wstring_view tableName, const SectionFrame& frame)
{
    const uint64_t n = sectionSamples;
    if (channels != 1 || n == 0 || textureBuffer.Data() == nullptr || sectionWork.Data() == nullptr ||
        sectionWork.Size() < n * n * 2 || textureBuffer.Size() < n * n * 6)
        return {};
    const int sampleBytes = bytesPerChannel == 1 ? 1 : 2;
    std::memset(sectionWork.Data(), 0, n * n * 2);
    const SectionRect previous = filledRect_;
    filledRect_ = {};

    uint64_t voxels = 0, neededBytes = 0;
    const bool volumeReadable = volumeSamples != nullptr && imageWidth != 0 && imageHeight != 0 && imageDepth != 0 &&
                                CheckedMul(imageWidth, imageHeight, voxels) && CheckedMul(voxels, imageDepth, voxels) &&
                                CheckedMul(voxels, sampleBytes, neededBytes) && neededBytes <= volumeBytes;
    const double scale = sectionScale;
    const SectionGeometry geometry{frame, static_cast<double>(n), scale, 2.0 * scale / static_cast<double>(n),
                                   {static_cast<double>(imageWidth), static_cast<double>(imageHeight), static_cast<double>(imageDepth)}};

    // First pass: the rows and columns that meet the volume.
    std::vector<std::pair<int64_t, int64_t>> spans;
    SectionRect inside;
    if (volumeReadable && frame.Finite() && std::isfinite(scale) && scale > 0.0) {
        spans.assign(n, {0, -1});
        for (uint64_t r = 0; r < n; ++r) {
            double base[3];
            geometry.RowBase(static_cast<int64_t>(r), base);
            int64_t first, last;
            if (!geometry.RowColumns(base, first, last))
                continue;
            spans[r] = {first, last};
            inside = Union(inside, SectionRect{first, last, static_cast<int64_t>(r), static_cast<int64_t>(r)});
        }
    }

    const SectionRect upload = Union(inside, previous);
    if (upload.Empty())
        return {};
    const bool gray = tableName == L"GRAY";
    const uint8_t* table = Table(tableName);
    const int components = gray ? 1 : 3;
    const uint64_t texelBytes = static_cast<uint64_t>(components) * sampleBytes;
    const uint64_t rowBytes = static_cast<uint64_t>(upload.Width()) * texelBytes;
    uint8_t* texels = textureBuffer.Data();
    std::memset(texels, 0, rowBytes * static_cast<uint64_t>(upload.Height()));

    // Second pass: interpolate, keep the raw value and colour the texel.
    const VolumeReader reader(volumeSamples, imageWidth, imageHeight, imageDepth, sampleBytes);
    const double largest = sampleBytes == 1 ? 255.0 : 65535.0;
    for (int64_t r = inside.firstRow; r <= inside.lastRow; ++r) {
        const auto [first, last] = spans[static_cast<uint64_t>(r)];
        double base[3];
        geometry.RowBase(r, base);
        for (int64_t c = first; c <= last; ++c) {
            const double offset = geometry.Offset(c);
            const double position[3] = {base[0] + offset * frame.column[0], base[1] + offset * frame.column[1],
                                        base[2] + offset * frame.column[2]};
            const double value = reader.Interpolate(position);
            const double rounded = std::min(std::floor(value + 0.5), largest);
            const uint64_t cell = static_cast<uint64_t>(r) * n + static_cast<uint64_t>(c);
            if (sampleBytes == 1) {
                sectionWork.Data()[cell] = static_cast<uint8_t>(rounded);
            } else {
                const uint16_t stored = static_cast<uint16_t>(rounded);
                std::memcpy(sectionWork.Data() + 2 * cell, &stored, 2);
            }
            const int index = ColorTableIndex(value, low, high);
            const uint8_t* colour = gray ? table + index : table + 3 * index;
            uint8_t* texel = texels + static_cast<uint64_t>(r - upload.firstRow) * rowBytes +
                             static_cast<uint64_t>(c - upload.firstColumn) * texelBytes;
            for (int k = 0; k < components; ++k) {
                if (sampleBytes == 1) {
                    texel[k] = colour[k];
                } else {
                    const uint16_t wide = static_cast<uint16_t>(colour[k] * 256);
                    std::memcpy(texel + 2 * k, &wide, 2);
                }
            }
        }
    }
    filledRect_ = inside;
    return upload;
}

} // namespace velmor
