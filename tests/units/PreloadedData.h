#pragma once
// Data objects whose payload is already in memory, so that acquiring them
// reads nothing.
#include "platform/Memory.h"
#include "scene/DataObject.h"

#include <cstring>
#include <vector>

namespace velmor::test {

template <typename T>
void Preload(DataObject& d, const std::vector<T>& values, uint64_t elements)
{
    d.FreeBuffers();
    d.payloadBytes = values.size() * sizeof(T);
    d.samples = static_cast<uint8_t*>(CommitMemory(d.payloadBytes));
    std::memcpy(d.samples, values.data(), d.payloadBytes);
    d.elementCount = elements;
}

} // namespace velmor::test
