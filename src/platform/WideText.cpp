#include "platform/WideText.h"

#include <cerrno>
#include <iconv.h>

namespace velmor {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
// A path byte that is not UTF-8 becomes this plus the byte (0x80..0xFF).
constexpr char32_t kByteCharacterBase = 0xDC00;
constexpr char32_t kFirstByteCharacter = 0xDC80;
constexpr char32_t kLastByteCharacter = 0xDCFF;

bool IsByteCharacter(uint32_t c) { return c >= kFirstByteCharacter && c <= kLastByteCharacter; }

// Decodes one UTF-8 sequence at bytes[i]; returns its length, or 0 when it is
// not a valid, shortest-form sequence of a scalar value.
size_t DecodeUtf8(std::string_view bytes, size_t i, char32_t& out)
{
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) { out = b0; return 1; }
    size_t len;
    char32_t cp, min;
    if ((b0 & 0xE0) == 0xC0) { len = 2; cp = b0 & 0x1F; min = 0x80; }
    else if ((b0 & 0xF0) == 0xE0) { len = 3; cp = b0 & 0x0F; min = 0x800; }
    else if ((b0 & 0xF8) == 0xF0) { len = 4; cp = b0 & 0x07; min = 0x10000; }
    else return 0;
    if (bytes.size() - i < len) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    out = cp;
    return len;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = kReplacement;
    if (cp > 0x10FFFF) cp = kReplacement;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Sort key that orders code points as their UTF-16 code units would.
uint32_t Utf16OrderKey(wchar_t ch)
{
    const auto c = static_cast<uint32_t>(ch);
    if (c < 0xD800) return c;
    if (c <= 0xDFFF) return 0xD800 + ((c - 0xD800) << 10);       // stray surrogate
    if (c <= 0xFFFF) return 0x10D800 + (c - 0xE000);              // after all supplementary
    return 0xD800 + (c - 0x10000);                                 // as its high surrogate
}

} // namespace

namespace {

// A byte that is not part of valid UTF-8 becomes U+FFFD in text, and its
// byte character in a path.
std::wstring DecodeUtf8(std::string_view bytes, bool keepBytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp;
        const size_t len = DecodeUtf8(bytes, i, cp);
        if (len == 0) {
            const auto byte = static_cast<unsigned char>(bytes[i++]);
            out += static_cast<wchar_t>(keepBytes ? kByteCharacterBase + byte : kReplacement);
            continue;
        }
        out += static_cast<wchar_t>(cp);
        i += len;
    }
    return out;
}

} // namespace

std::wstring Utf8ToWide(std::string_view bytes) { return DecodeUtf8(bytes, false); }

std::string WideToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t ch : text) AppendUtf8(out, static_cast<char32_t>(ch));
    return out;
}

bool IsValidUtf8(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp;
        const size_t len = DecodeUtf8(bytes, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string WideToUtf16LE(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&out](uint32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    for (wchar_t ch : text) {
        auto c = static_cast<uint32_t>(ch);
        if (c > 0x10FFFF) c = kReplacement;
        if (c >= 0x10000) {
            c -= 0x10000;
            put(0xD800 | (c >> 10));
            put(0xDC00 | (c & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

namespace {

std::wstring DecodeUtf16LE(std::string_view bytes, bool keepByteCharacters)
{
    std::wstring out;
    const size_t units = bytes.size() / 2;
    out.reserve(units);
    auto unit = [&bytes](size_t k) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * k])) |
               (static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * k + 1])) << 8);
    };
    for (size_t k = 0; k < units; ++k) {
        const uint32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            const uint32_t low = unit(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        const bool lone = u >= 0xD800 && u <= 0xDFFF && !(keepByteCharacters && IsByteCharacter(u));
        out += static_cast<wchar_t>(lone ? kReplacement : u);
    }
    return out;
}

} // namespace

std::wstring Utf16LEToWide(std::string_view bytes) { return DecodeUtf16LE(bytes, false); }
std::wstring Utf16LEToWidePath(std::string_view bytes) { return DecodeUtf16LE(bytes, true); }

std::optional<std::string> ConvertCharset(std::string_view bytes, const char* from, const char* to)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    out.resize(bytes.size() * 2 + 16);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    size_t used = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* dst = out.data() + used;
        size_t outLeft = out.size() - used;
        const size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
        used = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) { out.resize(out.size() * 2); continue; }
        ok = false;   // EILSEQ or EINVAL: bytes that are not text in `from`
        break;
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(used);
    return out;
}

std::wstring Cp932ToWide(std::string_view bytes)
{
    if (auto whole = ConvertCharset(bytes, "CP932", "UTF-8")) return Utf8ToWide(*whole);
    // Decode character by character so that one bad byte costs one
    // replacement character, not the whole text.
    std::wstring out;
    size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) { out += static_cast<wchar_t>(b); ++i; continue; }
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        const size_t take = (lead && i + 1 < bytes.size()) ? 2 : 1;
        if (auto u = ConvertCharset(bytes.substr(i, take), "CP932", "UTF-8"); u && !u->empty()) {
            out += Utf8ToWide(*u);
            i += take;
        } else {
            out += static_cast<wchar_t>(kReplacement);
            ++i;
        }
    }
    return out;
}

std::wstring DataTextToWide(std::string_view bytes)
{
    return IsValidUtf8(bytes) ? Utf8ToWide(bytes) : Cp932ToWide(bytes);
}

int CompareUtf16(std::wstring_view a, std::wstring_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        return Utf16OrderKey(a[i]) < Utf16OrderKey(b[i]) ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::wstring WideFromPathBytes(std::string_view bytes) { return DecodeUtf8(bytes, true); }

std::string PathBytesFromWide(std::wstring_view path)
{
    std::string out;
    out.reserve(path.size());
    for (wchar_t ch : path) {
        const auto c = static_cast<uint32_t>(ch);
        if (IsByteCharacter(c)) out += static_cast<char>(c - kByteCharacterBase);
        else AppendUtf8(out, static_cast<char32_t>(c));
    }
    return out;
}

std::filesystem::path PathFromWide(std::wstring_view text)
{
    return std::filesystem::path(PathBytesFromWide(text));
}

std::wstring PathDisplayText(std::wstring_view path)
{
    return DataTextToWide(PathBytesFromWide(path));
}

std::wstring WideFromPath(const std::filesystem::path& path)
{
    return DataTextToWide(path.native());
}

} // namespace velmor
