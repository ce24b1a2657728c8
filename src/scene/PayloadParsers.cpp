#include "scene/PayloadParsers.h"

#include "platform/NumberParse.h"
#include "platform/WideText.h"

#include <cstring>

namespace velmor {
namespace {

// Calls `onLine` for each line: from a file split at LF (a trailing CR
// dropped), from a block split at runs of CR and LF with empty lines skipped.
template <typename OnLine>
void ForEachLine(std::string_view text, bool fromBlock, OnLine onLine)
{
    size_t pos = 0;
    while (pos < text.size()) {
        if (fromBlock) {
            while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
            if (pos >= text.size()) return;
            size_t end = text.find_first_of("\r\n", pos);
            if (end == std::string_view::npos) end = text.size();
            if (!onLine(text.substr(pos, end - pos))) return;
            pos = end;
            continue;
        }
        size_t end = text.find('\n', pos);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!onLine(line)) return;
        pos = next;
    }
}

void StoreValue(std::string_view token, NumberTextFormat format, uint8_t* at)
{
    if (format.isFloat) {
        const float v = NarrowToFloat(ParseLeadingDouble(token));
        std::memcpy(at, &v, sizeof v);
        return;
    }
    const auto v = static_cast<uint64_t>(ParseLeadingInt64(token));
    for (int b = 0; b < format.bytes; ++b) at[b] = static_cast<uint8_t>(v >> (8 * b));
}

void ParseRow(std::string_view line, uint64_t valuesPerRow, NumberTextFormat format, uint8_t* row)
{
    size_t pos = 0;
    for (uint64_t k = 0; k < valuesPerRow; ++k) {
        while (pos < line.size() && line[pos] == ' ') ++pos;
        if (pos >= line.size()) return;   // the rest stays 0
        size_t end = line.find(' ', pos);
        if (end == std::string_view::npos) end = line.size();
        StoreValue(line.substr(pos, end - pos), format, row + k * format.bytes);
        pos = end;
    }
}

bool ContainsText(std::string_view line, std::string_view what) { return line.find(what) != std::string_view::npos; }

float ReadFloat(std::string_view& rest)
{
    const char* end = nullptr;
    const double v = ParseDoubleAt(rest.data(), rest.data() + rest.size(), &end);
    rest.remove_prefix(static_cast<size_t>(end - rest.data()));
    return NarrowToFloat(v);
}

} // namespace

NumberTextFormat NumberTextFormatOf(const std::wstring& format)
{
    if (format == L"byte" || format == L"ubyte" || format == L"GRAY" || format == L"RGB") return {1, false};
    if (format == L"short" || format == L"ushort" || format == L"GRAY16" || format == L"RGB16") return {2, false};
    if (format == L"uint") return {4, false};
    if (format == L"float") return {4, true};
    return {};
}

void ParseNumberRows(std::string_view text, bool fromBlock, uint64_t rows, uint64_t valuesPerRow,
                     NumberTextFormat format, uint8_t* dest)
{
    if (format.bytes == 0 || rows == 0) return;
    const uint64_t rowBytes = valuesPerRow * static_cast<uint64_t>(format.bytes);
    uint64_t row = 0;
    ForEachLine(text, fromBlock, [&](std::string_view line) {
        ParseRow(line, valuesPerRow, format, dest + row * rowBytes);
        return ++row < rows;
    });
}

void ParseReducedGridRows(std::string_view text, bool fromBlock, const ReducedGrid& grid, NumberTextFormat format,
                          uint8_t* dest)
{
    if (format.bytes == 0 || grid.step == 0 || grid.sizeX == 0 || grid.sizeY == 0 || grid.sizeZ == 0) return;
    const uint64_t keptX = grid.Kept(grid.sizeX), keptY = grid.Kept(grid.sizeY);
    uint64_t x = 0, y = 0, z = 0;
    ForEachLine(text, fromBlock, [&](std::string_view line) {
        if (x % grid.step == 0 && y % grid.step == 0 && z % grid.step == 0) {
            const uint64_t kept = ((z / grid.step) * keptY + y / grid.step) * keptX + x / grid.step;
            ParseRow(line, 1, format, dest + kept * static_cast<uint64_t>(format.bytes));
        }
        if (++x == grid.sizeX) {
            x = 0;
            if (++y == grid.sizeY) {
                y = 0;
                ++z;
            }
        }
        return z < grid.sizeZ;
    });
}

std::vector<std::wstring> SplitTextRecords(std::string_view text, bool fromBlock, uint64_t count)
{
    std::vector<std::wstring> records(static_cast<size_t>(count));
    SplitTextRecords(text, fromBlock, records.data(), count);
    return records;
}

uint64_t SplitTextRecords(std::string_view text, bool fromBlock, std::wstring* records, uint64_t count)
{
    uint64_t stored = 0;
    if (count == 0) return 0;
    ForEachLine(text, fromBlock, [&](std::string_view line) {
        records[stored] = DataTextToWide(line);
        return ++stored < count;
    });
    return stored;
}

bool IsBinaryStlLength(uint64_t length, uint32_t count)
{
    return length == kStlHeaderBytes + kStlFacetBytes * uint64_t{count};
}

uint32_t StlCountField(std::string_view head)
{
    if (head.size() < kStlHeaderBytes) return 0;
    const auto* p = reinterpret_cast<const uint8_t*>(head.data()) + 80;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}

bool CopyBinaryStlFacets(std::string_view bytes, uint64_t facets, float* dest)
{
    if (bytes.size() < kStlHeaderBytes || (bytes.size() - kStlHeaderBytes) / kStlFacetBytes < facets) return false;
    const char* facet = bytes.data() + kStlHeaderBytes;
    for (uint64_t i = 0; i < facets; ++i, facet += kStlFacetBytes) std::memcpy(dest + i * 9, facet + 12, 36);
    return true;
}

uint64_t CountTextStlFacets(std::string_view text, const std::function<void(uint64_t)>& onThousand)
{
    uint64_t count = 0;
    ForEachLine(text, false, [&](std::string_view line) {
        if (ContainsText(line, "endfacet") && ++count % 1000 == 0 && onThousand) onThousand(count);
        return true;
    });
    return count;
}

// Deviation from a literal "x up to the first space, y up to the next one":
// the numbers are read one after another over any run of blanks, which is
// the same for single spaces and right for aligned columns.
uint64_t ParseTextStl(std::string_view text, uint64_t maxFacets, float* dest, const std::function<void()>& onFacet)
{
    uint64_t stored = 0;
    int vertex = -1;   // -1: outside a facet; 0..2: the next vertex line
    ForEachLine(text, false, [&](std::string_view line) {
        if (vertex < 0) {
            if (ContainsText(line, "outer loop")) {
                if (stored >= maxFacets) return false;
                vertex = 0;
                if (onFacet) onFacet();
            }
            return true;
        }
        const size_t start = line.find_first_of("-0123456789.");
        std::string_view rest = start == std::string_view::npos ? std::string_view() : line.substr(start);
        float* out = dest + stored * 9 + vertex * 3;
        for (int k = 0; k < 3; ++k) out[k] = ReadFloat(rest);
        if (++vertex == 3) {
            vertex = -1;
            ++stored;
        }
        return true;
    });
    if (vertex >= 0) ++stored;   // a facet cut short keeps what it had, zeros for the rest
    return stored;
}

} // namespace velmor
