#pragma once
// Volume data objects for the volume unit's tests: payloads filled in
// memory, so that AcquireData finds them loaded and hands them out at once.
#include "scene/DataObject.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

namespace velmor::test {

// A loaded "volume" of nx x ny x nz samples of `bytes` width; `value`
// gives the sample of voxel (i, j, k) in stored units.
inline std::unique_ptr<DataObject> MakeVolume(uint64_t nx, uint64_t ny, uint64_t nz, int bytes,
                                              const std::function<uint32_t(uint64_t, uint64_t, uint64_t)>& value)
{
    auto data = std::make_unique<DataObject>(L"volume");
    data->type = L"volume";
    data->format = bytes == 1 ? L"GRAY" : L"GRAY16";
    data->sizeX = data->countX = nx;
    data->sizeY = data->countY = ny;
    data->sizeZ = data->countZ = nz;
    EXPECT_TRUE(data->AllocDataBuffer());
    for (uint64_t k = 0; k < nz; ++k)
        for (uint64_t j = 0; j < ny; ++j)
            for (uint64_t i = 0; i < nx; ++i) {
                const uint64_t at = (i + nx * (j + ny * k)) * uint64_t(bytes);
                const uint32_t v = value(i, j, k);
                if (bytes == 1) data->samples[at] = static_cast<uint8_t>(v);
                else {
                    const uint16_t wide = static_cast<uint16_t>(v);
                    std::memcpy(data->samples + at, &wide, 2);
                }
            }
    if (bytes == 1) data->BuildHistogram8(data->samples);
    else data->BuildHistogram16(data->samples);
    return data;
}

} // namespace velmor::test
