#include "support/ContainerWriter.h"

#include "scene/BlowfishCipher.h"
#include "scene/SceneBlockKey.h"

#include <cstring>

namespace velmor::test {

std::string EncryptBlockPayload(std::string_view plain, const uint8_t material[16])
{
    std::string data(plain);
    data.resize((data.size() + 15) / 16 * 16, '\0');
    uint8_t key[kBlockKeyBytes];
    DeriveBlockKey(material, key);
    BlowfishCipher cipher;
    cipher.SetKey(key, sizeof key);
    uint8_t chain[8] = {};
    for (size_t i = 0; i < data.size(); i += 8) {
        auto* block = reinterpret_cast<uint8_t*>(data.data() + i);
        for (int k = 0; k < 8; ++k) block[k] ^= chain[k];
        cipher.EncryptBlock(block);
        std::memcpy(chain, block, 8);
    }
    return data;
}

std::string MakeContainer(const std::vector<ContainerBlock>& blocks, std::string_view method)
{
    std::string out = "velmor00";
    out += method;
    out.resize(32, 'x');
    for (const auto& b : blocks) {
        const uint64_t length = b.overrideLength ? b.length : b.plain.size();
        for (int i = 0; i < 8; ++i) out += static_cast<char>((length >> (8 * i)) & 0xFF);
        out.append(reinterpret_cast<const char*>(b.material), 16);
        out += EncryptBlockPayload(b.plain, b.material);
    }
    return out;
}

std::string MakeContainer(const std::vector<std::string>& plains)
{
    std::vector<ContainerBlock> blocks;
    for (size_t i = 0; i < plains.size(); ++i) {
        ContainerBlock b;
        b.plain = plains[i];
        for (int k = 0; k < 16; ++k) b.material[k] = static_cast<uint8_t>(i * 37 + k * 11 + 5);
        blocks.push_back(b);
    }
    return MakeContainer(blocks);
}

} // namespace velmor::test
