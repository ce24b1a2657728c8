#pragma once
// Turning attribute texts of scene XML and scene events into values.
// List parsers split at "," and need a fixed count of values: with fewer they
// return false and leave every output as it was, so callers' defaults stand.
#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

std::wstring TrimBlanks(const std::wstring& text);
size_t SplitTokens(const std::wstring& text, const std::wstring& delimiter, std::vector<std::wstring>& tokens);
// Only "on"/"ON" and "off"/"OFF" change the flag.
void ParseOnOff(const std::wstring& text, bool& flag);

// 8-bit text of the outside world (UTF-8, or CP932 where it is not UTF-8).
std::wstring ToWideString(const char* text);
std::string ToMultiByteString(const wchar_t* text);

bool ParseColor3(std::wstring text, float& r, float& g, float& b);
void ParseFloatClamped(float lower, float upper, std::wstring text, float& value);
bool ParseByte3(std::wstring text, uint8_t& a, uint8_t& b, uint8_t& c);

bool ParseInt64x4(std::wstring text, int64_t& a, int64_t& b, int64_t& c, int64_t& d);
bool ParseInt64x3(std::wstring text, int64_t& a, int64_t& b, int64_t& c);
bool ParseInt64x2(std::wstring text, int64_t& a, int64_t& b);
void ParseInt64x1(std::wstring text, int64_t& a);
bool ParseInt2(std::wstring text, int32_t& a, int32_t& b);
void ParseInt1(std::wstring text, int32_t& a);

// showError: a short list also shows "SetDoubleParam error.".
bool ParseDouble4(std::wstring text, double& a, double& b, double& c, double& d, bool showError = false);
bool ParseDouble3(std::wstring text, double& a, double& b, double& c, bool showError = false);
bool ParseDouble2(std::wstring text, double& a, double& b, bool showError = false);
bool ParseDouble1(std::wstring text, double& a, bool showError = false);

bool ParseFloat4(std::wstring text, float& a, float& b, float& c, float& d);
bool ParseFloat3(std::wstring text, float& a, float& b, float& c);
bool ParseFloat2(std::wstring text, float& a, float& b);
void ParseFloat1(std::wstring text, float& a);

} // namespace velmor
