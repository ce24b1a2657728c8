// Any bytes as a scene file: the header check and the block reader must
// neither crash nor leak, whatever the lengths say.
#include "FuzzFile.h"
#include "scene/SceneBlockStream.h"

#include <cstdint>

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ClassifySceneHeader(data, size);
    const fuzz::MemoryFile file(data, size);
    if (file.Ok()) {
        for (const wchar_t* name : {L"", L"this1", L"this2", L"this7"}) {
            SceneBlockStream block;
            if (block.ReadSceneBlock(file.Path(), name)) {
                uint8_t sink[64];
                while (block.stream.Read(sink, sizeof sink) == sizeof sink) {}
            }
        }
    }
    return 0;
}
