// Any bytes as the source file of a data object, loaded the way a unit
// loads it: STL detection and reading, number text and raw values, number
// grids and volumes at a reduction step. The first byte picks the kind.
#include "FuzzFile.h"
#include "FuzzPayloadKind.h"
#include "scene/CVelmorDoc.h"
#include "scene/DataObject.h"

#include <cstdint>
#include <string>

using namespace velmor;

namespace {

constexpr fuzz::PayloadKind kKinds[] = {
    {L"STL", L"float", L"stl"},        {L"array_xyz", L"float", L"txt"}, {L"array_color", L"RGB", L"bin"},
    {L"gridXYZ", L"float", L"txt"},    {L"gridXYZ", L"short", L"bin"},   {L"volume", L"GRAY16", L"kxd"},
    {L"volume", L"RGB", L"raw"},       {L"array_text", L"text", L"txt"},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PretendSmallMachine();
    if (size < 1) return 0;
    const uint8_t pick = data[0];
    const fuzz::MemoryFile file(data + 1, size - 1);
    if (file.Ok()) {
        fuzz::SetReduction((pick & 0x10) != 0, (pick & 0x20) != 0);
        SceneFolder.clear();

        const fuzz::PayloadKind& kind = kKinds[pick % 8];
        DataObject object(L"fuzz");
        object.type = kind.type;
        object.format = kind.format;
        object.sourceType = kind.sourceType;
        object.sourcePath = file.Path();
        object.elementCount = 1 + (pick >> 6) * 3;
        object.sizeX = 1 + pick % 7;
        object.sizeY = 1 + pick % 5;
        object.sizeZ = 1 + pick % 3;
        object.reverseX = (pick & 0x40) != 0;
        object.reverseY = object.reverseZ = (pick & 0x80) != 0;
        object.LoadDataPayload();
    }
    return 0;
}
