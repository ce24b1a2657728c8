#include "units/CKxDrawUTopoMap.h"

#include "platform/CheckedMath.h"
#include "processing/MaterialPresets.h"
#include "render/GeometryRoutines.h"
#include "render/RenderSettings.h"
#include "scene/ApplicationSettings.h"
#include "scene/DataObject.h"
#include "units/UnitBox.h"

#include <cstring>
#include <limits>
#include <new>

namespace velmor {
namespace {

// Largest grid: every strip is drawn with a GL count of twice its vertices.
constexpr uint64_t kMaxGridVertices = std::numeric_limits<int32_t>::max() / 2;

template <typename T>
void Free(std::vector<T>& v)
{
    v.clear();
    v.shrink_to_fit();
}

} // namespace

TopoStripOrder ChooseSortedStrips(const double d[4])
{
    int nearest = 0;
    for (int k = 1; k < 4; ++k)
        if (d[k] < d[nearest])
            nearest = k;
    switch (nearest) {
    case 0: return d[2] < d[1] ? TopoStripOrder{TopoStripFamily::ColumnsReversed, false}
                               : TopoStripOrder{TopoStripFamily::RowsReversed, false};
    case 1: return d[3] < d[0] ? TopoStripOrder{TopoStripFamily::ColumnsReversed, true}
                               : TopoStripOrder{TopoStripFamily::Rows, false};
    case 2: return d[0] < d[3] ? TopoStripOrder{TopoStripFamily::Columns, false}
                               : TopoStripOrder{TopoStripFamily::RowsReversed, true};
    default: return d[1] < d[2] ? TopoStripOrder{TopoStripFamily::Columns, true}
                                : TopoStripOrder{TopoStripFamily::Rows, true};
    }
}

// A largest height of 0 (all cells at or below 0) or a smallest of 0 would
// divide by zero: such cells take the hue of height 0 on their side.
float AutoColorHue(float h, float hMax, float hMin)
{
    if (h >= 0)
        return hMax > 0 ? 120.0f - h / hMax * 120.0f : 120.0f;
    return hMin < 0 ? 200.0f + h / hMin * 40.0f : 200.0f;
}

CKxDrawUTopoMap::CKxDrawUTopoMap(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"TopoMap"; }

CKxDrawUTopoMap::~CKxDrawUTopoMap()
{
    ClearArrays();
    autoColorData.reset();
    FreeGLBuffers();
}

void CKxDrawUTopoMap::Load()
{
    const LoadStatus code = LoadGrid();
    if (code != kLoaded) {
        ReportLoadFailure(code == kLoadReadFailure ? L"data file read error" : L"memory error");
        Release();
        FreeWork();
        valid = false;
        return;
    }
    valid = true;
}

LoadStatus CKxDrawUTopoMap::LoadGrid()
{
    LoadStatus code = kLoaded;
    if (heightData != nullptr)
        code = heightData->AcquireData(this);
    if (code == kLoaded && imageData != nullptr)
        code = imageData->AcquireData(this);
    if (code != kLoaded)
        return code;
    if (heightData == nullptr && imageData == nullptr)
        return kLoadReadFailure;

    const float* heights = nullptr;
    const DataObject& shapeSource = heightData != nullptr ? *heightData : *imageData;
    if (heightData != nullptr) {
        // A grid needs two vertices a row and a column, and one float for
        // each of them in the payload.
        const uint64_t nx = heightData->countX, ny = heightData->countY;
        uint64_t count = 0;
        if (nx < 2 || ny < 2 || !CheckedMul(nx, ny, count))
            return kLoadReadFailure;
        if (count > kMaxGridVertices)
            return kLoadMemoryShortage;
        if (heightData->samples == nullptr || heightData->payloadBytes / sizeof(float) < count)
            return kLoadReadFailure;
        gridWidth = static_cast<int32_t>(nx);
        gridHeight = static_cast<int32_t>(ny);
        heights = reinterpret_cast<const float*>(heightData->samples);
    } else {
        gridWidth = gridHeight = 2;
    }

    if (extent[0] == 0 && extent[2] == 0) {
        const float x = static_cast<float>(shapeSource.countX), y = static_cast<float>(shapeSource.countY);
        if (!(x > 0 && y > 0))
            return kLoadReadFailure;
        if (x <= y) {
            extent[0] = -x / y, extent[2] = x / y, extent[1] = -1, extent[3] = 1;
        } else {
            extent[0] = -1, extent[2] = 1, extent[1] = -y / x, extent[3] = y / x;
        }
    }

    if (!BuildGrid(heights))
        return kLoadMemoryShortage;
    if (imageData == nullptr) {
        if (!MakeAutoColor(heights))
            return kLoadMemoryShortage;
        colorLut.ChooseSize(*autoColorData, PictureUnitGL.nonPowerOfTwoTextures);
    } else {
        colorLut.ChooseSize(*imageData, PictureUnitGL.nonPowerOfTwoTextures);
    }
    if (PictureUnitGL.createTexture == nullptr || !PictureUnitGL.createTexture(colorLut))
        return kLoadMemoryShortage;
    if (!BuildTexCoords())
        return kLoadMemoryShortage;
    if (glBuffersDirty)
        BuildGLBuffers();
    return kLoaded;
}

bool CKxDrawUTopoMap::BuildGrid(const float* heights)
{
    ClearArrays();
    const uint64_t nx = static_cast<uint64_t>(gridWidth), ny = static_cast<uint64_t>(gridHeight);
    const uint64_t count = nx * ny, stripPairs = 2 * nx * (ny - 1);
    // Two float triples a vertex, four strip families and the serpentine.
    if (nx < 2 || ny < 2 || count > kMaxGridVertices ||
        !CheckFreeMemory(count * 6 * sizeof(float) + 5 * stripPairs * sizeof(uint32_t)))
        return false;
    try {
        vertices.resize(count * 3);
        rowStrips.assign(ny - 1, std::vector<uint32_t>(2 * nx));
        rowStripsReversed.assign(ny - 1, std::vector<uint32_t>(2 * nx));
        columnStrips.assign(nx - 1, std::vector<uint32_t>(2 * ny));
        columnStripsReversed.assign(nx - 1, std::vector<uint32_t>(2 * ny));
        serpentine.resize(stripPairs);
        normals.resize(count * 3);
    } catch (const std::bad_alloc&) {
        ClearArrays();
        return false;
    }

    const float x0 = extent[0], y0 = extent[1], x1 = extent[2], y1 = extent[3];
    const auto at = [nx](uint64_t i, uint64_t j) { return static_cast<uint32_t>(j * nx + i); };
    for (uint64_t j = 0; j < ny; ++j)
        for (uint64_t i = 0; i < nx; ++i) {
            float* v = &vertices[3 * at(i, j)];
            v[0] = x0 + (x1 - x0) / static_cast<float>(nx - 1) * static_cast<float>(i);
            v[1] = y0 + (y1 - y0) / static_cast<float>(ny - 1) * static_cast<float>(j);
            v[2] = heights != nullptr ? heights[at(i, j)] : 0.0f;
        }

    for (uint64_t j = 0; j + 1 < ny; ++j)
        for (uint64_t i = 0; i < nx; ++i) {
            rowStrips[j][2 * i] = at(i, j);
            rowStrips[j][2 * i + 1] = at(i, j + 1);
            rowStripsReversed[j][2 * i] = at(nx - 1 - i, j + 1);
            rowStripsReversed[j][2 * i + 1] = at(nx - 1 - i, j);
        }
    for (uint64_t i = 0; i + 1 < nx; ++i)
        for (uint64_t j = 0; j < ny; ++j) {
            columnStrips[i][2 * j] = at(i, j);
            columnStrips[i][2 * j + 1] = at(i + 1, j);
            columnStripsReversed[i][2 * j] = at(i + 1, ny - 1 - j);
            columnStripsReversed[i][2 * j + 1] = at(i, ny - 1 - j);
        }
    for (uint64_t j = 0; j + 1 < ny; ++j) {
        const auto& strip = j % 2 == 0 ? rowStrips[j] : rowStripsReversed[j];
        std::memcpy(&serpentine[j * 2 * nx], strip.data(), strip.size() * sizeof(uint32_t));
    }

    // Each cell is split along its diagonal from (i + 1, j) to (i, j + 1).
    const auto normalOf = [&](uint64_t ia, uint64_t ja, uint64_t ib, uint64_t jb, uint64_t ic, uint64_t jc, float* out) {
        TriangleNormal(&vertices[3 * at(ia, ja)], &vertices[3 * at(ib, jb)], &vertices[3 * at(ic, jc)], out);
    };
    for (uint64_t j = 0; j < ny; ++j)
        for (uint64_t i = 0; i < nx; ++i) {
            float around[6][3];
            int n = 0;
            const bool right = i + 1 < nx, up = j + 1 < ny, left = i > 0, down = j > 0;
            if (right && up)
                normalOf(i, j, i + 1, j, i, j + 1, around[n++]);
            if (left && up) {
                normalOf(i - 1, j, i, j, i - 1, j + 1, around[n++]);
                normalOf(i, j, i, j + 1, i - 1, j + 1, around[n++]);
            }
            if (right && down) {
                normalOf(i, j - 1, i + 1, j - 1, i, j, around[n++]);
                normalOf(i + 1, j - 1, i + 1, j, i, j, around[n++]);
            }
            if (left && down)
                normalOf(i, j - 1, i, j, i - 1, j, around[n++]);
            MeanDirection(&around[0][0], n, &normals[3 * at(i, j)]);
        }
    return true;
}

bool CKxDrawUTopoMap::MakeAutoColor(const float* heights)
{
    autoColorData.reset();
    const uint64_t nx = static_cast<uint64_t>(gridWidth), ny = static_cast<uint64_t>(gridHeight);
    if (nx < 2 || ny < 2)
        return false;
    try {
        autoColorData = std::make_unique<DataObject>(L"auto_Color");
    } catch (const std::bad_alloc&) {
        return false;
    }
    DataObject& picture = *autoColorData;
    picture.type = L"image";
    picture.format = L"RGB";
    picture.countX = picture.sizeX = nx - 1;
    picture.countY = picture.sizeY = ny - 1;
    if (!picture.AllocDataBuffer()) {
        autoColorData.reset();
        return false;
    }
    const auto height = [&](uint64_t i, uint64_t j) { return heights != nullptr ? heights[j * nx + i] : 0.0f; };
    float hMax = -3.4028235e38f, hMin = 3.4028235e38f;
    for (uint64_t j = 0; j < ny; ++j)
        for (uint64_t i = 0; i < nx; ++i) {
            hMax = std::max(hMax, height(i, j));
            hMin = std::min(hMin, height(i, j));
        }
    for (uint64_t j = 0; j + 1 < ny; ++j)
        for (uint64_t i = 0; i + 1 < nx; ++i) {
            const float h = (height(i, j) + height(i + 1, j) + height(i, j + 1) + height(i + 1, j + 1)) / 4;
            uint8_t* texel = picture.samples + 3 * (j * (nx - 1) + i);
            HueToRgb(texel[0], texel[1], texel[2], AutoColorHue(h, hMax, hMin), 1.0f, 1.0f);
        }
    return true;
}

bool CKxDrawUTopoMap::BuildTexCoords()
{
    Free(texCoords);
    const uint64_t nx = static_cast<uint64_t>(gridWidth), ny = static_cast<uint64_t>(gridHeight);
    if (colorLut.textureWidth == 0 || colorLut.textureHeight == 0 || !CheckFreeMemory(nx * ny * 2 * sizeof(float)))
        return false;
    try {
        texCoords.resize(nx * ny * 2);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const float sMax = static_cast<float>(colorLut.imageWidth) / static_cast<float>(colorLut.textureWidth);
    const float tMax = static_cast<float>(colorLut.imageHeight) / static_cast<float>(colorLut.textureHeight);
    for (uint64_t j = 0; j < ny; ++j)
        for (uint64_t i = 0; i < nx; ++i) {
            texCoords[2 * (j * nx + i)] = static_cast<float>(i) / static_cast<float>(nx - 1) * sMax;
            texCoords[2 * (j * nx + i) + 1] = static_cast<float>(j) / static_cast<float>(ny - 1) * tMax;
        }
    return true;
}

void CKxDrawUTopoMap::BuildGLBuffers()
{
    const uint64_t count = static_cast<uint64_t>(gridWidth) * static_cast<uint64_t>(gridHeight);
    glBufferBytes = count * 12 + count * 12 + count * 8;
    if (!IsTransparent())
        glBufferBytes += serpentine.size() * sizeof(uint32_t);
    if (!CurrentApplicationSettings().useVBO) {
        glBuffersValid = false;
        return;
    }
    FreeGLBuffers();
    const bool made = EnsureVideoMemory(VideoMegabytes(glBufferBytes)) &&
                      PictureUnitGL.uploadTopoMapBuffers != nullptr && PictureUnitGL.uploadTopoMapBuffers(*this);
    if (!made) {
        FreeGLBuffers();
        return;
    }
    glBuffersDirty = false;
    glBuffersValid = true;
}

bool CKxDrawUTopoMap::FreeGLBuffers()
{
    bool held = false;
    for (uint32_t name : glBuffers)
        held = held || name != 0;
    if (held && PictureUnitGL.deleteBuffers != nullptr)
        PictureUnitGL.deleteBuffers(glBuffers);
    for (uint32_t& name : glBuffers)
        name = 0;
    glBuffersValid = false;
    glBuffersDirty = true;
    serpentineInBuffer_ = false;
    return held;
}

void CKxDrawUTopoMap::ClearArrays()
{
    Free(vertices);
    Free(rowStrips);
    Free(rowStripsReversed);
    Free(columnStrips);
    Free(columnStripsReversed);
    Free(serpentine);
    Free(normals);
}

void CKxDrawUTopoMap::Release()
{
    if (heightData != nullptr)
        heightData->ReleaseData(this);
    if (imageData != nullptr)
        imageData->ReleaseData(this);
    colorLut.Delete();
    ClearArrays();
    autoColorData.reset();
    Free(texCoords);
}

bool CKxDrawUTopoMap::IsTransparent() const
{
    return !IsOpaque() || (imageData != nullptr && imageData->components == 4);
}

UnitPassWork CKxDrawUTopoMap::PassWork(int pass) const
{
    // A released map keeps its flag but has nothing left to draw.
    return ChoosePassWork(pass, !hidden && valid && !vertices.empty() && !texCoords.empty(), IsTransparent());
}

void CKxDrawUTopoMap::Draw(int pass)
{
    const UnitPassWork work = PassWork(pass);
    if (work != UnitPassWork::Nothing && PictureUnitGL.drawTopoMap != nullptr)
        PictureUnitGL.drawTopoMap(*this, work);
}

void CKxDrawUTopoMap::GetBounds(double minimum[3], double maximum[3])
{
    const double zMin = heightData != nullptr ? heightData->boundsMin[0] : 0.0;
    const double zMax = heightData != nullptr ? heightData->boundsMax[0] : 0.0;
    const double low[3] = {extent[0], extent[1], zMin};
    const double high[3] = {extent[2], extent[3], zMax};
    WriteUnitBox(low, high, lengthFactor, minimum, maximum);
}

} // namespace velmor
