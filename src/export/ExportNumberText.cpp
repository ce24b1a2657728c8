#include "export/ExportNumberText.h"

#include <charconv>

namespace velmor {

namespace {

std::string Format(double value, std::chars_format format, int precision)
{
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0");
}

} // namespace

std::string FormatG(double value) { return Format(value, std::chars_format::general, 6); }
std::string FormatFixed6(double value) { return Format(value, std::chars_format::fixed, 6); }

} // namespace velmor
