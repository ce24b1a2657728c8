#pragma once
// Blowfish (64-bit blocks, 32- to 448-bit keys) with in-place decryption in
// ECB, CBC, CFB and OFB modes. Bytes map to 32-bit halves most significant
// byte first, by shifts, so results are the same on hosts of either order.
#include <cstddef>
#include <cstdint>

namespace velmor {

class BlowfishCipher {
public:
    BlowfishCipher();
    ~BlowfishCipher();
    BlowfishCipher(const BlowfishCipher&) = delete;
    BlowfishCipher& operator=(const BlowfishCipher&) = delete;

    void Reset();
    // -1 for a count of 0 or above 56 bytes (tables unchanged), else 0.
    int SetKey(const uint8_t* key, size_t count);

    uint32_t F(uint32_t x) const
    {
        return ((S[0][x >> 24] + S[1][(x >> 16) & 0xFF]) ^ S[2][(x >> 8) & 0xFF]) + S[3][x & 0xFF];
    }
    void EncipherBlock(uint32_t& left, uint32_t& right) const;
    void DecipherBlock(uint32_t& left, uint32_t& right) const;
    void EncryptBlock(uint8_t* block) const;
    void DecryptBlock(uint8_t* block) const;

    // In place. Results: 0 done, -1 length not a multiple of 8, -2 no mode,
    // -3 unknown mode ("ecb", "cbc", "cfb", "ofb"), -4 no buffer. Without a
    // vector the chain starts from eight zero bytes. Large ECB, CBC and CFB
    // buffers are split across threads; the output is the same.
    int Decrypt(uint8_t* buffer, uint64_t length, const char* mode, const uint8_t* iv = nullptr) const;

private:
    enum class ChainMode { Ecb, Cbc, Cfb };
    void DecryptRange(ChainMode mode, uint8_t* data, uint64_t blocks, uint32_t prevL, uint32_t prevR) const;
    void DecryptChained(ChainMode mode, uint8_t* buffer, uint64_t length, const uint8_t* vector) const;

    uint32_t P[18];
    uint32_t S[4][256];
};

} // namespace velmor
