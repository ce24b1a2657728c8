#include "scene/SceneBlockStream.h"

#include "platform/CheckedMath.h"
#include "platform/NumberParse.h"
#include "platform/ReadOnlyFile.h"
#include "platform/WideText.h"
#include "scene/BlowfishCipher.h"
#include "scene/SceneBlockKey.h"

#include <algorithm>
#include <string_view>

namespace velmor {
namespace {

constexpr uint64_t kHeaderBytes = 32;
constexpr uint64_t kBlockHeadBytes = 8 + kBlockKeyBytes;

uint64_t LoadLE64(const uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Reads the length and key material of the block at `offset` and checks
// that its padded ciphertext lies inside the file.
bool ReadBlockHead(const ReadOnlyFile& file, uint64_t fileSize, uint64_t offset, uint8_t head[kBlockHeadBytes],
                   uint64_t& plain, uint64_t& padded)
{
    if (offset > fileSize || fileSize - offset < kBlockHeadBytes) return false;
    if (!file.ReadExactlyAt(offset, head, kBlockHeadBytes)) return false;
    plain = LoadLE64(head);
    if (!CheckedRoundUp(plain, 16, padded)) return false;
    return padded <= fileSize - offset - kBlockHeadBytes;
}

} // namespace

SceneFileKind ClassifySceneHeader(const uint8_t* bytes, size_t count)
{
    std::string_view text(reinterpret_cast<const char*>(bytes), std::min<size_t>(count, kHeaderBytes));
    text = text.substr(0, text.find('\0'));
    if (text.substr(0, 8) != "velmor00") return SceneFileKind::PlainText;
    return text.substr(8, 4) == "0001" ? SceneFileKind::Container : SceneFileKind::UnknownMethod;
}

uint64_t SceneBlockStream::BlockNumberOf(const std::wstring& name)
{
    if (name.size() <= 4) return 0;
    const int64_t n = ParseLeadingInt64(std::wstring_view(name).substr(4, 8));
    return n < 0 ? 0 : static_cast<uint64_t>(n);
}

bool SceneBlockStream::ReadSceneBlock(std::wstring path, std::wstring blockName)
{
    FreeBlock();
    const uint64_t number = BlockNumberOf(blockName);
    ReadOnlyFile file(PathFromWide(path));
    uint64_t fileSize = 0;
    if (!file.RegularSize(fileSize)) return false;

    uint8_t head[kBlockHeadBytes];
    uint64_t offset = kHeaderBytes, plain = 0, padded = 0;
    for (uint64_t i = 0;; ++i) {
        if (!ReadBlockHead(file, fileSize, offset, head, plain, padded)) return false;
        if (i == number) break;
        offset += kBlockHeadBytes + padded;   // cannot wrap: both lie inside the file
    }

    CommittedBuffer data;
    if (!HasFreeMemory(padded) || !data.Commit(padded)) return false;
    if (!file.ReadExactlyAt(offset + kBlockHeadBytes, data.Data(), padded)) return false;

    uint8_t key[kBlockKeyBytes];
    DeriveBlockKey(head + 8, key);
    {
        BlowfishCipher cipher;
        cipher.SetKey(key, sizeof key);
        if (padded > 0) cipher.Decrypt(data.Data(), padded, "cbc");
    }
    SecureWipe(key, sizeof key);
    SecureWipe(head, sizeof head);

    memory_ = std::move(data);
    plainLength = plain;
    stream = MemoryStream(memory_.Data(), plainLength);
    return true;
}

void SceneBlockStream::FreeBlock()
{
    stream = MemoryStream();
    plainLength = 0;
    memory_.Reset();
}

} // namespace velmor
