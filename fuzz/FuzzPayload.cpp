// Any bytes as a payload source: number text, text lines, STL in both forms
// and run-length volumes. The first byte picks the reader and its shape.
#include "FuzzFile.h"
#include "readers/VolumeFileReader.h"
#include "scene/PayloadParsers.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace velmor;

namespace {

void Kxd(std::string_view body, uint8_t shape)
{
    const fuzz::MemoryFile file(body.data(), body.size());
    if (file.Ok()) {
        const VolumeLayout layout{1 + shape % 17, 1 + shape % 5, 1 + shape % 3, 1 << (shape % 3), 1 + (shape >> 7), 1};
        std::vector<uint8_t> dest(static_cast<size_t>(layout.KeptX() * layout.KeptY() * layout.KeptZ()) * layout.SampleBytes());
        std::vector<uint8_t> work(layout.SliceBytes());
        ByteSource source;
        if (source.OpenFile(file.Path())) ReadKxdVolume(layout, source, dest.data(), work.data());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const uint8_t pick = data[0];
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (pick % 4) {
    case 0: {
        static const wchar_t* formats[] = {L"byte", L"GRAY16", L"uint", L"float"};
        const uint64_t rows = 1 + pick % 13, perRow = 1 + (pick >> 4) % 4;
        std::vector<uint8_t> dest(rows * perRow * 4);
        ParseNumberRows(body, (pick & 8) != 0, rows, perRow, NumberTextFormatOf(formats[(pick >> 2) % 4]), dest.data());
        SplitTextRecords(body, (pick & 8) != 0, rows);
        break;
    }
    case 1: {
        const uint32_t count = StlCountField(body);
        if (IsBinaryStlLength(body.size(), count)) {
            std::vector<float> dest(static_cast<size_t>(count) * 9);
            CopyBinaryStlFacets(body, count, dest.data());
        }
        break;
    }
    case 2: {
        const uint64_t facets = CountTextStlFacets(body);
        std::vector<float> dest(static_cast<size_t>(facets) * 9 + 9);
        ParseTextStl(body, facets, dest.data());
        break;
    }
    default: Kxd(body, pick); break;
    }
    return 0;
}
