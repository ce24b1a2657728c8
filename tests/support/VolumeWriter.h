#pragma once
// Volume files for tests: random samples with zero margins, written as
// "raw" or as "kxd" row records, and the reference placement of a reader.
#include <cstdint>
#include <string>
#include <vector>

namespace velmor::test {

struct TestVolume {
    int64_t x = 0, y = 0, z = 0;
    int bytes = 1;                 // per value
    std::vector<uint8_t> values;   // file order: z, then y from the top, then x; little-endian

    uint32_t At(int64_t i, int64_t j, int64_t k) const;
};

// Values in the inner part, zeros in a margin of varying width on each row.
TestVolume RandomVolume(int64_t x, int64_t y, int64_t z, int bytes, unsigned seed);
std::string RawBytes(const TestVolume& v);
std::string KxdBytes(const TestVolume& v);
// What a reader must store: every n-th slice, row and column, rows of each
// slice in reverse file order.
std::vector<uint8_t> ReferenceLoad(const TestVolume& v, int n);

} // namespace velmor::test
