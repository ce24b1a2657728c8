// Any bytes arriving on the single-instance socket, in pieces of a size the
// first byte picks, framed and decoded as the running copy does. A decoded
// path must survive encoding again and the conversions the opener applies.
#include "platform/HandoffRecord.h"
#include "platform/WideText.h"
#include "scene/PathParts.h"

#include <cstdint>
#include <string>
#include <string_view>

using namespace velmor;

namespace {

void Use(const std::wstring& path)
{
    if (DecodeHandoffRecord(EncodeHandoffRecord(path)) != path) __builtin_trap();
    // The bytes it names come back from their wide form (the wide form itself
    // need not: byte characters may spell UTF-8 together).
    const std::string bytes = PathBytesFromWide(path);
    if (PathBytesFromWide(WideFromPathBytes(bytes)) != bytes) __builtin_trap();
    PathFromWide(path);
    GetFileNamePart(path);
    GetExtensionPart(path);
    GetFolderPart(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const size_t piece = 1 + data[0] % 32;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string buffer;
    for (size_t at = 0; at < bytes.size(); at += piece) {
        buffer.append(bytes.substr(at, piece));
        const uint64_t need = HandoffRecordLength(buffer);
        if (need > 8 + uint64_t{kHandoffMaxBytes} || buffer.size() > 8 + uint64_t{kHandoffMaxBytes}) return 0;
        if (need == 0 || buffer.size() < need) continue;
        if (const auto path = DecodeHandoffRecord(buffer)) Use(*path);
        return 0;
    }
    return 0;
}
