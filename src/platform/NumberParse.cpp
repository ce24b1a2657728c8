#include "platform/NumberParse.h"

#include <algorithm>
#include <charconv>
#include <cfloat>
#include <limits>
#include <string>

namespace velmor {
namespace {

bool IsBlank(unsigned c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(unsigned c) { return c >= '0' && c <= '9'; }
bool IsNumberChar(unsigned c)
{
    return IsDigit(c) || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

// Positions of the optional sign and of the digits after the blanks.
struct Prefix {
    size_t digits = 0;   // index of the first character after blanks and sign
    bool negative = false;
    bool any = false;    // a digit, or a point followed by a digit, follows
};

template <typename Char>
Prefix ScanPrefix(std::basic_string_view<Char> text, bool allowPoint)
{
    Prefix p;
    size_t i = 0;
    while (i < text.size() && IsBlank(static_cast<unsigned>(text[i]))) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        p.negative = text[i] == '-';
        ++i;
    }
    p.digits = i;
    if (i < text.size() && IsDigit(static_cast<unsigned>(text[i]))) p.any = true;
    else if (allowPoint && i + 1 < text.size() && text[i] == '.' && IsDigit(static_cast<unsigned>(text[i + 1])))
        p.any = true;
    return p;
}

// Copies the run of characters that may belong to a number into ASCII bytes.
template <typename Char>
std::string NumberRun(std::basic_string_view<Char> text, size_t from)
{
    std::string run;
    for (size_t i = from; i < text.size() && IsNumberChar(static_cast<unsigned>(text[i])); ++i)
        run += static_cast<char>(text[i]);
    return run;
}

double ParseUnsignedDouble(const char* first, const char* last, const char** end)
{
    double value = 0.0;
    const auto r = std::from_chars(first, last, value, std::chars_format::general);
    *end = r.ptr;
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; decide between overflow and underflow.
        const std::string_view s(first, static_cast<size_t>(r.ptr - first));
        const auto e = s.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && s.find('-', e) != std::string_view::npos;
        return tiny ? 0.0 : DBL_MAX;
    }
    if (r.ec != std::errc()) { *end = first; return 0.0; }
    return value;
}

template <typename Int>
Int ParseUnsignedInt(const char* first, const char* last, bool negative)
{
    // Read the magnitude as unsigned so that the most negative value parses.
    uint64_t magnitude = 0;
    const auto r = std::from_chars(first, last, magnitude, 10);
    constexpr auto maxPos = static_cast<uint64_t>(std::numeric_limits<Int>::max());
    const uint64_t maxNeg = maxPos + 1;
    if (r.ec == std::errc::result_out_of_range) magnitude = UINT64_MAX;
    if (negative) {
        if (magnitude >= maxNeg) return std::numeric_limits<Int>::min();
        return static_cast<Int>(-static_cast<int64_t>(magnitude));
    }
    return magnitude >= maxPos ? std::numeric_limits<Int>::max() : static_cast<Int>(magnitude);
}

template <typename Char>
double ParseDoubleGeneric(std::basic_string_view<Char> text)
{
    const Prefix p = ScanPrefix(text, true);
    if (!p.any) return 0.0;
    const std::string run = NumberRun(text, p.digits);
    const char* end = nullptr;
    const double v = ParseUnsignedDouble(run.data(), run.data() + run.size(), &end);
    return p.negative ? -v : v;
}

template <typename Int, typename Char>
Int ParseIntGeneric(std::basic_string_view<Char> text)
{
    const Prefix p = ScanPrefix(text, false);
    if (!p.any) return 0;
    std::string run;
    for (size_t i = p.digits; i < text.size() && IsDigit(static_cast<unsigned>(text[i])); ++i)
        run += static_cast<char>(text[i]);
    return ParseUnsignedInt<Int>(run.data(), run.data() + run.size(), p.negative);
}

} // namespace

double ParseDoubleAt(const char* first, const char* last, const char** end)
{
    const std::string_view text(first, static_cast<size_t>(last - first));
    const Prefix p = ScanPrefix(text, true);
    *end = first;
    if (!p.any) return 0.0;
    const double v = ParseUnsignedDouble(first + p.digits, last, end);
    return p.negative ? -v : v;
}

double ParseLeadingDouble(std::string_view text)
{
    const char* end = nullptr;
    return ParseDoubleAt(text.data(), text.data() + text.size(), &end);
}
double ParseLeadingDouble(std::wstring_view text) { return ParseDoubleGeneric(text); }
int32_t ParseLeadingInt32(std::string_view text) { return ParseIntGeneric<int32_t>(text); }
int32_t ParseLeadingInt32(std::wstring_view text) { return ParseIntGeneric<int32_t>(text); }
int64_t ParseLeadingInt64(std::string_view text) { return ParseIntGeneric<int64_t>(text); }
int64_t ParseLeadingInt64(std::wstring_view text) { return ParseIntGeneric<int64_t>(text); }

float NarrowToFloat(double value)
{
    return static_cast<float>(std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

bool IsPositiveFloat(double value)
{
    return value > 0 && value <= static_cast<double>(FLT_MAX) && static_cast<float>(value) > 0;
}

std::optional<float> ParsePositiveFloat(std::wstring_view text)
{
    const double value = ParseLeadingDouble(text);
    if (!IsPositiveFloat(value)) return std::nullopt;
    return static_cast<float>(value);
}

} // namespace velmor
