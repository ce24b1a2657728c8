#pragma once
// The record a second start hands to the running copy: u32 code 0, u32 byte
// count, then the path as UTF-16LE with its terminating zero; and the two
// short replies of the exchange around it.
#include <cstddef>
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

// After the record: the running copy answers kAccepted once it has a
// well-formed record, and the later start, having heard that, sends
// kConfirmed and ends. The copy opens the file only on kConfirmed. A later
// start that hears nothing in time gives up, closes and opens the file
// itself; a copy that was stopped meanwhile and reads the record late finds
// the other end gone without a confirmation, so the file is never opened
// twice. Each is a u32 code, little-endian like the record.
enum class HandoffReply : uint32_t { kAccepted = 1, kConfirmed = 2 };
constexpr size_t kHandoffReplyBytes = 4;
std::string EncodeHandoffReply(HandoffReply reply);
// The reply that `bytes` is exactly; nullopt for anything else.
std::optional<HandoffReply> DecodeHandoffReply(std::string_view bytes);

} // namespace velmor
