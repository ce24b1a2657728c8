#pragma once
// Builds scene containers in memory for tests; the program itself only
// reads them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmor::test {

struct ContainerBlock {
    std::string plain;
    uint8_t material[16] = {};
    // When set, written as the block's length instead of plain.size().
    bool overrideLength = false;
    uint64_t length = 0;
};

// Blowfish-CBC with a zero vector over `plain` zero-padded to 16 bytes.
std::string EncryptBlockPayload(std::string_view plain, const uint8_t material[16]);

// Header ("velmor00" + method + 20 filler bytes) and the blocks back to back.
std::string MakeContainer(const std::vector<ContainerBlock>& blocks, std::string_view method = "0001");
// Convenience: blocks with distinct key material derived from their index.
std::string MakeContainer(const std::vector<std::string>& plains);

} // namespace velmor::test
