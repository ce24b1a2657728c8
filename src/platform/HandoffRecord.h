#pragma once
// The record a second start hands to the running copy: u32 code 0, u32 byte
// count, then the path as UTF-16LE with its terminating zero.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmor {

std::string EncodeHandoffRecord(const std::wstring& path);
// The path of a well-formed record (byte count matching what follows, even,
// ending in a zero code unit, no zero before it); nullopt for anything else.
// An empty path means "come to the front" only.
std::optional<std::wstring> DecodeHandoffRecord(std::string_view bytes);
// How many bytes the record that starts `bytes` needs; 0 until its header is there.
uint64_t HandoffRecordLength(std::string_view bytes);

constexpr uint32_t kHandoffMaxBytes = 1u << 20;

} // namespace velmor
