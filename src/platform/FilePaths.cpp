#include "platform/FilePaths.h"

#include "platform/WideText.h"

#include <cwctype>
#include <system_error>

namespace velmor {
namespace {

std::wstring Folded(std::wstring text)
{
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

// The one entry of `folder` whose name equals `name` ignoring case, or empty.
std::filesystem::path UniqueCaseMatch(const std::filesystem::path& folder, const std::wstring& name)
{
    const std::wstring wanted = Folded(name);
    std::filesystem::path found;
    int matches = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (Folded(WideFromPath(it->path().filename())) == wanted) {
            found = it->path().filename();
            if (++matches > 1) return {};
        }
    }
    return found;
}

} // namespace

std::filesystem::path ResolveScenePath(const std::wstring& path)
{
    std::wstring slashed = path;
    for (auto& c : slashed) if (c == L'\\') c = L'/';
    std::filesystem::path exact = PathFromWide(slashed);
    std::error_code ec;
    if (exact.empty() || std::filesystem::exists(exact, ec)) return exact;

    std::filesystem::path resolved;
    bool matching = true;   // once a component is missing, the rest cannot exist
    for (const auto& part : exact) {
        const std::filesystem::path candidate = resolved / part;
        if (!matching || part == "/" || std::filesystem::exists(candidate, ec)) {
            resolved = candidate;
            continue;
        }
        const std::filesystem::path match = UniqueCaseMatch(resolved, WideFromPath(part));
        if (match.empty()) { matching = false; resolved = candidate; }
        else resolved /= match;
    }
    return resolved;
}

} // namespace velmor
