// Any bytes as the plain text of a container block that a data object names
// as its source ("this1"): arrays, number grids, text lines, STL facets,
// whole volumes and single pictures read from the block the way a unit
// loads them. Four leading bytes pick the kind, the sizes, mirroring and
// reduction; the rest becomes block 1 of a freshly written container.
#include "FuzzFile.h"
#include "FuzzPayloadKind.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"
#include "support/ContainerWriter.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace velmor;

namespace {

constexpr fuzz::PayloadKind kKinds[] = {
    {L"STL", L"float", L"stl"},         {L"array_xyz", L"float", L"txt"},   {L"array_color", L"RGB", L"bin"},
    {L"gridXYZ", L"float", L"txt"},     {L"gridXYZ", L"short", L"bin"},     {L"volume", L"GRAY16", L"kxd"},
    {L"volume", L"RGB", L"raw"},        {L"array_text", L"text", L"txt"},   {L"array_xy", L"float", L"bin"},
    {L"gridXY", L"float", L"txt"},      {L"volume", L"GRAY", L"kxd"},       {L"image", L"GRAY", L"png"},
    {L"image", L"RGB", L"jpg"},         {L"image", L"RGB", L"bmp"},         {L"image", L"GRAY16", L"tif"},
    {L"image", L"GRAY16", L"dcm"},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PretendSmallMachine();
    if (size < 4) return 0;
    const uint8_t pick = data[0], flags = data[3];
    const std::string body(reinterpret_cast<const char*>(data + 4), size - 4);
    const std::string container = test::MakeContainer(std::vector<std::string>{"<?xml version=\"1.0\"?><scene/>", body});
    fuzz::MemoryFile file(container.data(), container.size());
    if (!file.Ok()) return 0;

    fuzz::SetReduction((flags & 0x10) != 0, (flags & 0x20) != 0);
    ScenePath = file.Path();
    SceneFolder = L"/proc/self/fd/";

    const fuzz::PayloadKind& kind = kKinds[pick % 16];
    DataObject object(L"fuzz");
    object.type = kind.type;
    object.format = kind.format;
    object.sourceType = kind.sourceType;
    // Block 2 does not exist: the reader must say so rather than read block 1's tail.
    object.sourcePath = (flags & 0x80) != 0 ? L"this2" : L"this1";
    object.elementCount = 1 + data[1] % 32;
    object.sizeX = 1 + data[1] % 16;
    object.sizeY = 1 + data[2] % 16;
    object.sizeZ = 1 + (pick >> 4) % 4;
    object.reverseX = (flags & 0x01) != 0;
    object.reverseY = (flags & 0x02) != 0;
    object.reverseZ = (flags & 0x04) != 0;
    object.LoadDataPayload();
    return 0;
}
