#pragma once
// Locale-independent number reading with the lenient rules scene texts rely
// on: leading blanks skipped, optional sign, the longest valid prefix read,
// no digits give 0. No inf, nan or hex. Integers saturate at their limits.
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmor {

double ParseLeadingDouble(std::string_view text);
double ParseLeadingDouble(std::wstring_view text);
int32_t ParseLeadingInt32(std::string_view text);
int32_t ParseLeadingInt32(std::wstring_view text);
int64_t ParseLeadingInt64(std::string_view text);
int64_t ParseLeadingInt64(std::wstring_view text);

// Like ParseLeadingDouble on bytes, but also reports where the number ended
// (the start of the text when there was none), for readers of number lists.
double ParseDoubleAt(const char* first, const char* last, const char** end);

// Narrowing that stays finite: values beyond float's range become its limits.
float NarrowToFloat(double value);

// A length or factor typed or read as text: the leading number when it is a
// float above 0 (not rounded to 0, not beyond float's range); nullopt for
// anything else, text without a number included.
std::optional<float> ParsePositiveFloat(std::wstring_view text);
// The same test for a value already read.
bool IsPositiveFloat(double value);

} // namespace velmor
