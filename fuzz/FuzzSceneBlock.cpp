// Any bytes as a scene file: the header check and the block reader must
// neither crash nor leak, whatever the lengths say.
#include "scene/SceneBlockStream.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ClassifySceneHeader(data, size);
    const int fd = memfd_create("scene", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        const std::wstring path = L"/proc/self/fd/" + std::to_wstring(fd);
        for (const wchar_t* name : {L"", L"this1", L"this2", L"this7"}) {
            SceneBlockStream block;
            if (block.ReadSceneBlock(path, name)) {
                uint8_t sink[64];
                while (block.stream.Read(sink, sizeof sink) == sizeof sink) {}
            }
        }
    }
    close(fd);
    return 0;
}
