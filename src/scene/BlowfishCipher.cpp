#include "scene/BlowfishCipher.h"

#include "platform/Memory.h"
#include "scene/BlowfishTables.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

namespace velmor {
namespace {

inline uint32_t Load32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

inline void Store32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// Below this a buffer is not worth the threads.
constexpr uint64_t kParallelMinBytes = 1u << 20;
constexpr uint64_t kBytesPerThread = 512u << 10;

} // namespace

BlowfishCipher::BlowfishCipher() { Reset(); }

BlowfishCipher::~BlowfishCipher()
{
    // No key-dependent table may outlive the object.
    SecureWipe(P, sizeof P);
    SecureWipe(S, sizeof S);
}

void BlowfishCipher::Reset()
{
    std::memcpy(P, kBlowfishInitP, sizeof P);
    std::memcpy(S, kBlowfishInitS, sizeof S);
}

int BlowfishCipher::SetKey(const uint8_t* key, size_t count)
{
    if (key == nullptr || count == 0 || count > 56) return -1;
    Reset();
    size_t k = 0;
    for (uint32_t& p : P) {
        uint32_t word = 0;
        for (int b = 0; b < 4; ++b) {
            word = (word << 8) | key[k];
            k = (k + 1) % count;
        }
        p ^= word;
    }
    uint32_t left = 0, right = 0;
    for (int i = 0; i < 18; i += 2) {
        EncipherBlock(left, right);
        P[i] = left;
        P[i + 1] = right;
    }
    for (auto& box : S) {
        for (int i = 0; i < 256; i += 2) {
            EncipherBlock(left, right);
            box[i] = left;
            box[i + 1] = right;
        }
    }
    return 0;
}

void BlowfishCipher::EncipherBlock(uint32_t& left, uint32_t& right) const
{
    uint32_t l = left ^ P[0], r = right;
    for (int i = 1; i <= 15; i += 2) {
        r ^= F(l) ^ P[i];
        l ^= F(r) ^ P[i + 1];
    }
    left = r ^ P[17];
    right = l;
}

void BlowfishCipher::DecipherBlock(uint32_t& left, uint32_t& right) const
{
    uint32_t l = left ^ P[17], r = right;
    for (int i = 16; i >= 2; i -= 2) {
        r ^= F(l) ^ P[i];
        l ^= F(r) ^ P[i - 1];
    }
    left = r ^ P[0];
    right = l;
}

void BlowfishCipher::EncryptBlock(uint8_t* block) const
{
    uint32_t l = Load32(block), r = Load32(block + 4);
    EncipherBlock(l, r);
    Store32(block, l);
    Store32(block + 4, r);
}

void BlowfishCipher::DecryptBlock(uint8_t* block) const
{
    uint32_t l = Load32(block), r = Load32(block + 4);
    DecipherBlock(l, r);
    Store32(block, l);
    Store32(block + 4, r);
}

void BlowfishCipher::DecryptRange(ChainMode mode, uint8_t* data, uint64_t blocks, uint32_t prevL, uint32_t prevR) const
{
    for (uint64_t i = 0; i < blocks; ++i, data += 8) {
        const uint32_t cl = Load32(data), cr = Load32(data + 4);
        uint32_t l, r;
        if (mode == ChainMode::Cfb) {
            l = prevL;
            r = prevR;
            EncipherBlock(l, r);
        } else {
            l = cl;
            r = cr;
            DecipherBlock(l, r);
        }
        if (mode == ChainMode::Cbc) {
            l ^= prevL;
            r ^= prevR;
        } else if (mode == ChainMode::Cfb) {
            l ^= cl;
            r ^= cr;
        }
        Store32(data, l);
        Store32(data + 4, r);
        prevL = cl;
        prevR = cr;
    }
}

// Each output block depends only on ciphertext, so the buffer splits into
// chunks that decrypt independently once every chunk's preceding ciphertext
// block is saved (decryption in place overwrites it).
void BlowfishCipher::DecryptChained(ChainMode mode, uint8_t* buffer, uint64_t length, const uint8_t* vector) const
{
    const uint64_t blocks = length / 8;
    uint64_t threads = 1;
    if (length >= kParallelMinBytes) {
        const uint64_t cores = std::max(1u, std::thread::hardware_concurrency());
        threads = std::clamp<uint64_t>(length / kBytesPerThread, 1, cores);
    }
    const uint64_t perChunk = (blocks + threads - 1) / threads;
    struct Chunk { uint64_t first, count; uint32_t prevL, prevR; };
    std::vector<Chunk> chunks;
    for (uint64_t first = 0; first < blocks; first += perChunk) {
        const uint8_t* prev = first == 0 ? vector : buffer + (first - 1) * 8;
        chunks.push_back({first, std::min(perChunk, blocks - first), Load32(prev), Load32(prev + 4)});
    }
    auto run = [&](const Chunk& c) { DecryptRange(mode, buffer + c.first * 8, c.count, c.prevL, c.prevR); };

    std::vector<std::thread> workers;
    std::vector<const Chunk*> leftOver;
    for (size_t i = 1; i < chunks.size(); ++i) {
        try {
            workers.emplace_back(run, std::cref(chunks[i]));
        } catch (const std::system_error&) {
            leftOver.push_back(&chunks[i]);   // no thread to be had: do it here
        }
    }
    if (!chunks.empty()) run(chunks[0]);
    for (const Chunk* c : leftOver) run(*c);
    for (auto& w : workers) w.join();
    for (auto& c : chunks) SecureWipe(&c, sizeof c);
}

int BlowfishCipher::Decrypt(uint8_t* buffer, uint64_t length, const char* mode, const uint8_t* iv) const
{
    if (buffer == nullptr) return -4;
    if (length % 8 != 0) return -1;
    if (mode == nullptr) return -2;
    uint8_t vector[8] = {};
    if (iv != nullptr) std::memcpy(vector, iv, sizeof vector);

    int result = 0;
    if (std::strcmp(mode, "ecb") == 0) {
        DecryptChained(ChainMode::Ecb, buffer, length, vector);
    } else if (std::strcmp(mode, "cbc") == 0) {
        DecryptChained(ChainMode::Cbc, buffer, length, vector);
    } else if (std::strcmp(mode, "cfb") == 0) {
        DecryptChained(ChainMode::Cfb, buffer, length, vector);
    } else if (std::strcmp(mode, "ofb") == 0) {
        uint32_t l = Load32(vector), r = Load32(vector + 4);
        for (uint64_t i = 0; i < length; i += 8) {
            EncipherBlock(l, r);
            Store32(buffer + i, Load32(buffer + i) ^ l);
            Store32(buffer + i + 4, Load32(buffer + i + 4) ^ r);
        }
        SecureWipe(&l, sizeof l);
        SecureWipe(&r, sizeof r);
    } else {
        result = -3;
    }
    SecureWipe(vector, sizeof vector);
    return result;
}

} // namespace velmor
