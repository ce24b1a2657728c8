#include "platform/HandoffRecord.h"

#include "platform/WideText.h"

namespace velmor {
namespace {

void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t Get32(std::string_view bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

} // namespace

std::string EncodeHandoffRecord(const std::wstring& path)
{
    const std::string text = WideToUtf16LE(path) + std::string(2, '\0');
    std::string out;
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(text.size()));
    return out + text;
}

uint64_t HandoffRecordLength(std::string_view bytes)
{
    if (bytes.size() < 8) return 0;
    return 8 + uint64_t{Get32(bytes, 4)};
}

std::optional<std::wstring> DecodeHandoffRecord(std::string_view bytes)
{
    if (bytes.size() < 8) return std::nullopt;
    const uint32_t count = Get32(bytes, 4);
    if (count < 2 || count % 2 != 0 || count > kHandoffMaxBytes || bytes.size() != 8 + uint64_t{count}) return std::nullopt;
    const std::string_view text = bytes.substr(8, count - 2);
    if (bytes[8 + count - 2] != '\0' || bytes[8 + count - 1] != '\0') return std::nullopt;
    for (size_t i = 0; i < text.size(); i += 2)
        if (text[i] == '\0' && text[i + 1] == '\0') return std::nullopt;   // a zero inside the path
    return Utf16LEToWidePath(text);
}

std::string EncodeHandoffReply(HandoffReply reply)
{
    std::string out;
    Put32(out, static_cast<uint32_t>(reply));
    return out;
}

std::optional<HandoffReply> DecodeHandoffReply(std::string_view bytes)
{
    if (bytes.size() != kHandoffReplyBytes) return std::nullopt;
    const uint32_t code = Get32(bytes, 0);
    for (const HandoffReply known : {HandoffReply::kAccepted, HandoffReply::kConfirmed})
        if (code == static_cast<uint32_t>(known)) return known;
    return std::nullopt;
}

} // namespace velmor
