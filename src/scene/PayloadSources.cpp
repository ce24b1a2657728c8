// The data object's readers of the sources it reads itself: raw values,
// number text, text lines and STL meshes, from files next to the scene or
// from blocks of the open container.
#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "readers/ByteSource.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "scene/PayloadParsers.h"
#include "scene/SceneBlockStream.h"

#include <algorithm>
#include <cstring>

namespace velmor {
namespace {

bool IsBlockSource(const std::wstring& sourcePath) { return sourcePath.compare(0, 4, L"this") == 0; }

std::wstring Lower(std::wstring text)
{
    for (auto& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

// The whole bytes of a source, held while they are parsed.
class WholeSource {
public:
    bool OpenBlock(const std::wstring& blockName)
    {
        if (!block_.ReadSceneBlock(ScenePath, blockName)) return false;
        text_ = {reinterpret_cast<const char*>(block_.stream.Data()), static_cast<size_t>(block_.plainLength)};
        return true;
    }
    bool OpenFile(const std::wstring& path)
    {
        ByteSource source;
        if (!source.OpenFile(path) || source.Size() > SIZE_MAX || !file_.Commit(source.Size()) ||
            !source.ReadInto(file_.Data(), source.Size()))
            return false;
        text_ = {reinterpret_cast<const char*>(file_.Data()), static_cast<size_t>(source.Size())};
        return true;
    }
    std::string_view Text() const { return text_; }

private:
    SceneBlockStream block_;
    CommittedBuffer file_;
    std::string_view text_;
};

} // namespace

bool DataObject::ReadSource(uint64_t elements, int valuesPerElement)
{
    const std::wstring kind = Lower(sourceType);
    uint64_t values = 0;
    if (!CheckedMul(elements, static_cast<uint64_t>(valuesPerElement), values)) return false;
    if (kind == L"bin") return ReadBinary(values);
    if (kind == L"txt" || kind == L"text") return ReadTextSource(elements, valuesPerElement);
    return false;
}

bool DataObject::ReadBinary(uint64_t values)
{
    uint64_t bytes = 0;
    if (samples == nullptr || !CheckedMul(values, bytesPerComponent, bytes) || bytes > payloadBytes) return false;
    ByteSource source;
    if (!source.Open(ScenePath, sourcePath, SceneFolder + sourcePath)) return false;
    // A shorter source leaves the rest of the payload zero.
    return source.ReadInto(samples, std::min(bytes, source.Size()));
}

bool DataObject::ReadTextSource(uint64_t rows, int valuesPerRow)
{
    return IsBlockSource(sourcePath) ? ReadTextFromBlock(rows, valuesPerRow) : ReadTextFromFile(rows, valuesPerRow);
}

namespace {

bool ParseInto(DataObject& d, std::string_view text, bool fromBlock, uint64_t rows, int valuesPerRow)
{
    const NumberTextFormat format = NumberTextFormatOf(d.format);
    uint64_t bytes = 0;
    if (d.samples == nullptr || valuesPerRow < 0 || !CheckedMul(rows, static_cast<uint64_t>(valuesPerRow), bytes) ||
        !CheckedMul(bytes, static_cast<uint64_t>(format.bytes), bytes) || bytes > d.payloadBytes)
        return false;
    ParseNumberRows(text, fromBlock, rows, static_cast<uint64_t>(valuesPerRow), format, d.samples);
    return true;
}

} // namespace

bool DataObject::ReadTextFromBlock(uint64_t rows, int valuesPerRow)
{
    WholeSource source;
    return source.OpenBlock(sourcePath) && ParseInto(*this, source.Text(), true, rows, valuesPerRow);
}

bool DataObject::ReadTextFromFile(uint64_t rows, int valuesPerRow)
{
    WholeSource source;
    return source.OpenFile(SceneFolder + sourcePath) && ParseInto(*this, source.Text(), false, rows, valuesPerRow);
}

// A number grid at a reduction step keeps every step-th value along each
// axis, as volumes do, instead of the first values of its source.
bool DataObject::ReadReducedGrid()
{
    const ReducedGrid grid{sizeX, sizeY, sizeZ, static_cast<uint64_t>(reductionStep)};
    uint64_t keptBytes = 0;
    if (samples == nullptr || grid.Kept(sizeX) != countX || grid.Kept(sizeY) != countY || grid.Kept(sizeZ) != countZ ||
        !ElementCount(keptBytes) || !CheckedMul(keptBytes, bytesPerComponent, keptBytes) || keptBytes > payloadBytes)
        return false;
    const std::wstring kind = Lower(sourceType);
    const bool fromBlock = IsBlockSource(sourcePath);
    if (kind == L"txt" || kind == L"text") {
        const NumberTextFormat format = NumberTextFormatOf(this->format);
        if (format.bytes > bytesPerComponent) return false;
        WholeSource source;
        if (!(fromBlock ? source.OpenBlock(sourcePath) : source.OpenFile(SceneFolder + sourcePath))) return false;
        ParseReducedGridRows(source.Text(), fromBlock, grid, format, samples);
        return true;
    }
    if (kind != L"bin") return false;
    ByteSource source;
    if (!source.Open(ScenePath, sourcePath, SceneFolder + sourcePath)) return false;
    const uint64_t width = bytesPerComponent, rowBytes = sizeX * width;   // sizes fit: the kept grid did
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    for (uint64_t z = 0; z < sizeZ; ++z) {
        for (uint64_t y = 0; y < sizeY; ++y) {
            if (z % grid.step != 0 || y % grid.step != 0) {
                if (!source.Skip(rowBytes)) return true;   // a short source leaves zeros
                continue;
            }
            if (!source.ReadInto(row.data(), rowBytes)) return true;
            uint8_t* out = samples + ((z / grid.step) * countY + y / grid.step) * countX * width;
            for (uint64_t x = 0; x < countX; ++x) std::memcpy(out + x * width, row.data() + x * grid.step * width, width);
        }
    }
    return true;
}

bool DataObject::ReadTextLines()
{
    if (!textRecords) return false;
    WholeSource source;
    const bool fromBlock = IsBlockSource(sourcePath);
    if (!(fromBlock ? source.OpenBlock(sourcePath) : source.OpenFile(SceneFolder + sourcePath))) return false;
    SplitTextRecords(source.Text(), fromBlock, textRecords.get(), elementCount);
    return true;
}

bool DataObject::CountStlFacets(bool& binaryFile)
{
    binaryFile = false;
    const std::wstring path = SceneFolder + sourcePath;
    {
        ByteSource source;
        if (!source.OpenFile(path)) return false;
        const uint8_t* head = source.Size() >= kStlHeaderBytes ? source.Take(kStlHeaderBytes) : nullptr;
        const uint32_t count = head == nullptr ? 0 : StlCountField({reinterpret_cast<const char*>(head), kStlHeaderBytes});
        if (head != nullptr && IsBinaryStlLength(source.Size(), count)) {
            elementCount = count;
            binaryFile = true;
            return true;
        }
    }
    WholeSource text;
    if (!text.OpenFile(path)) return false;
    elementCount = CountTextStlFacets(text.Text(), [this](uint64_t count) {
        if (count % 100000 == 0) {
            SetProgressText(std::to_wstring(count) + L" end", 0, 0, 0);
            ResetProgress();
        } else {
            StepProgress(1.0);
        }
    });
    SetProgressText(L"file reading", 0, 0, 0);
    ResetProgress();
    return true;
}

bool DataObject::ReadStl(bool binaryFile)
{
    uint64_t bytes = 0;
    if (samples == nullptr || !CheckedMul(elementCount, 36, bytes) || bytes > payloadBytes) return false;
    auto* dest = reinterpret_cast<float*>(samples);
    // One hundred steps over the facets, whatever their number.
    const double stepPerFacet = elementCount == 0 ? 0.0 : 100.0 / static_cast<double>(elementCount);

    if (IsBlockSource(sourcePath)) {
        WholeSource block;
        return block.OpenBlock(sourcePath) && CopyBinaryStlFacets(block.Text(), elementCount, dest);
    }
    if (binaryFile) {
        ByteSource source;
        if (!source.OpenFile(SceneFolder + sourcePath) || !source.Skip(kStlHeaderBytes)) return false;
        constexpr uint64_t kChunk = ByteSource::kWindow / kStlFacetBytes;
        for (uint64_t done = 0; done < elementCount;) {
            const uint64_t n = std::min(kChunk, elementCount - done);
            const uint8_t* facets = source.Take(n * kStlFacetBytes);
            if (facets == nullptr) return false;
            for (uint64_t i = 0; i < n; ++i) std::memcpy(dest + (done + i) * 9, facets + i * kStlFacetBytes + 12, 36);
            done += n;
            StepProgress(static_cast<double>(n) * stepPerFacet);
        }
        return true;
    }
    WholeSource text;
    if (!text.OpenFile(SceneFolder + sourcePath)) return false;
    ParseTextStl(text.Text(), elementCount, dest, [&] { StepProgress(stepPerFacet); });
    return true;
}

} // namespace velmor
