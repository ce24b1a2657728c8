#include "scene/AttributeParsers.h"

#include "platform/MessageSink.h"
#include "platform/NumberParse.h"
#include "platform/WideText.h"

#include <algorithm>
#include <array>

namespace velmor {
namespace {

constexpr wchar_t kBlanks[] = L" \t\n\r";

// Splits the text at "," and converts the first N tokens; outputs are only
// written when all N are there.
template <size_t N, typename T, typename Convert>
bool ParseList(const std::wstring& text, const std::array<T*, N>& outputs, Convert convert)
{
    std::vector<std::wstring> tokens;
    if (SplitTokens(text, L",", tokens) < N) return false;
    for (size_t i = 0; i < N; ++i) *outputs[i] = convert(tokens[i]);
    return true;
}

double ToDouble(const std::wstring& t) { return ParseLeadingDouble(t); }
float ToFloat(const std::wstring& t) { return NarrowToFloat(ParseLeadingDouble(t)); }
int32_t ToInt32(const std::wstring& t) { return ParseLeadingInt32(t); }
int64_t ToInt64(const std::wstring& t) { return ParseLeadingInt64(t); }

template <size_t N>
bool ParseDoubles(const std::wstring& text, const std::array<double*, N>& outputs, bool showError)
{
    if (ParseList<N>(text, outputs, ToDouble)) return true;
    if (showError) ShowMessage(L"SetDoubleParam error.");
    return false;
}

} // namespace

std::wstring TrimBlanks(const std::wstring& text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::wstring::npos) return text;
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

size_t SplitTokens(const std::wstring& text, const std::wstring& delimiter, std::vector<std::wstring>& tokens)
{
    tokens.clear();
    size_t p = 0;
    if (!delimiter.empty()) {
        for (size_t q = text.find(delimiter, p); q != std::wstring::npos; q = text.find(delimiter, p)) {
            tokens.push_back(TrimBlanks(text.substr(p, q - p)));
            p = q + 1;
        }
    }
    tokens.push_back(TrimBlanks(text.substr(std::min(p, text.size()))));
    return tokens.size();
}

void ParseOnOff(const std::wstring& text, bool& flag)
{
    if (text == L"on") flag = true;
    else if (text == L"off") flag = false;
    else if (text == L"ON") flag = true;
    else if (text == L"OFF") flag = false;
}

std::wstring ToWideString(const char* text) { return text ? DataTextToWide(text) : std::wstring(); }
std::string ToMultiByteString(const wchar_t* text) { return text ? WideToUtf8(text) : std::string(); }

bool ParseColor3(std::wstring text, float& r, float& g, float& b)
{
    return ParseList<3>(text, std::array{&r, &g, &b},
                        [](const std::wstring& t) { return NarrowToFloat(ParseLeadingDouble(t) / 255.0); });
}

void ParseFloatClamped(float lower, float upper, std::wstring text, float& value)
{
    ParseList<1>(text, std::array{&value}, [&](const std::wstring& t) {
        return std::min(upper, std::max(lower, ToFloat(t)));
    });
}

bool ParseByte3(std::wstring text, uint8_t& a, uint8_t& b, uint8_t& c)
{
    return ParseList<3>(text, std::array{&a, &b, &c},
                        [](const std::wstring& t) { return static_cast<uint8_t>(ToInt32(t) & 0xFF); });
}

bool ParseInt64x4(std::wstring text, int64_t& a, int64_t& b, int64_t& c, int64_t& d)
{
    return ParseList<4>(text, std::array{&a, &b, &c, &d}, ToInt64);
}
bool ParseInt64x3(std::wstring text, int64_t& a, int64_t& b, int64_t& c)
{
    return ParseList<3>(text, std::array{&a, &b, &c}, ToInt64);
}
bool ParseInt64x2(std::wstring text, int64_t& a, int64_t& b) { return ParseList<2>(text, std::array{&a, &b}, ToInt64); }
void ParseInt64x1(std::wstring text, int64_t& a) { ParseList<1>(text, std::array{&a}, ToInt64); }
bool ParseInt2(std::wstring text, int32_t& a, int32_t& b) { return ParseList<2>(text, std::array{&a, &b}, ToInt32); }
void ParseInt1(std::wstring text, int32_t& a) { ParseList<1>(text, std::array{&a}, ToInt32); }

bool ParseDouble4(std::wstring text, double& a, double& b, double& c, double& d, bool showError)
{
    return ParseDoubles<4>(text, std::array{&a, &b, &c, &d}, showError);
}
bool ParseDouble3(std::wstring text, double& a, double& b, double& c, bool showError)
{
    return ParseDoubles<3>(text, std::array{&a, &b, &c}, showError);
}
bool ParseDouble2(std::wstring text, double& a, double& b, bool showError)
{
    return ParseDoubles<2>(text, std::array{&a, &b}, showError);
}
bool ParseDouble1(std::wstring text, double& a, bool showError) { return ParseDoubles<1>(text, std::array{&a}, showError); }

bool ParseFloat4(std::wstring text, float& a, float& b, float& c, float& d)
{
    return ParseList<4>(text, std::array{&a, &b, &c, &d}, ToFloat);
}
bool ParseFloat3(std::wstring text, float& a, float& b, float& c)
{
    return ParseList<3>(text, std::array{&a, &b, &c}, ToFloat);
}
bool ParseFloat2(std::wstring text, float& a, float& b) { return ParseList<2>(text, std::array{&a, &b}, ToFloat); }
void ParseFloat1(std::wstring text, float& a) { ParseList<1>(text, std::array{&a}, ToFloat); }

} // namespace velmor
