#pragma once
// One decrypted block of a scene container, readable as a stream.
//
// Container: "velmor00" and the method "0001" in a 32-byte header, then
// blocks back to back: a 64-bit little-endian plain length L, 16 bytes of key
// material, and L rounded up to 16 bytes of Blowfish-CBC ciphertext (zero
// vector). Block 0 is the scene text; "this<N>" in a scene names block N.
#include "platform/Memory.h"
#include "platform/MemoryStream.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmor {

enum class SceneFileKind { PlainText, Container, UnknownMethod };
// Looks at the first bytes of a scene file (up to 32; the text ends at the
// first zero byte): "velmor00" marks a container, which must name method
// "0001".
SceneFileKind ClassifySceneHeader(const uint8_t* bytes, size_t count);

class SceneBlockStream {
public:
    SceneBlockStream() = default;
    ~SceneBlockStream() { FreeBlock(); }
    SceneBlockStream(const SceneBlockStream&) = delete;
    SceneBlockStream& operator=(const SceneBlockStream&) = delete;

    // Reads, decrypts and publishes one block. False on any failure (no such
    // block, truncated file, lengths that do not fit, no memory), with
    // nothing left allocated.
    bool ReadSceneBlock(std::wstring path, std::wstring blockName);
    void FreeBlock();

    // Block number of a name: "" and anything up to four characters is 0;
    // otherwise characters 4..11 read as a decimal integer, negatives as 0.
    static uint64_t BlockNumberOf(const std::wstring& name);

    // Positioned at the start of the block's plain bytes.
    MemoryStream stream;
    uint64_t plainLength = 0;

private:
    // The decrypted bytes, padded to 16, behind the stream; held once.
    CommittedBuffer memory_;
};

} // namespace velmor
