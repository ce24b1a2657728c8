#include "render/GLExtensionRules.h"

#include "platform/NumberParse.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>
#include <vector>

namespace velmor {

float ParseGLVersion(const char* versionString)
{
    if (versionString == nullptr)
        return 0.0f;
    return static_cast<float>(ParseLeadingDouble(std::string_view(versionString)) + 0.000001);
}

bool MeetsGLVersionRequirement(float version) { return version >= 1.2f; }

bool IsWholeWordIn(std::string_view list, std::string_view name)
{
    // An empty name or one with a blank would match inside other names.
    if (name.empty() || name.find(' ') != std::string_view::npos)
        return false;
    for (size_t at = list.find(name); at != std::string_view::npos; at = list.find(name, at + 1)) {
        const size_t end = at + name.size();
        const bool startsWord = at == 0 || list[at - 1] == ' ';
        const bool endsWord = end == list.size() || list[end] == ' ';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

std::string ClassifyGLVendor(std::string_view vendor)
{
    std::string lower(vendor);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find("ati technologies") != std::string::npos)
        return "amd";
    if (lower.find("nvidia corporation") != std::string::npos)
        return "nvidia";
    if (lower.find("intel") != std::string::npos)
        return "intel";
    return "other";
}

FreeVideoMemoryQuery ChooseFreeVideoMemoryQuery(std::string_view vendorName, bool hasAtiMeminfo, bool hasNvxMemoryInfo)
{
    if (vendorName == "amd" && hasAtiMeminfo)
        return FreeVideoMemoryQuery::AtiTextureFree;
    if (vendorName == "nvidia" && hasNvxMemoryInfo)
        return FreeVideoMemoryQuery::NvxCurrentAvailable;
    // Drivers under other vendor strings (Mesa's among them) offer the same
    // queries; they are as good there.
    if (hasNvxMemoryInfo)
        return FreeVideoMemoryQuery::NvxCurrentAvailable;
    if (hasAtiMeminfo)
        return FreeVideoMemoryQuery::AtiTextureFree;
    return FreeVideoMemoryQuery::None;
}

int64_t UsableVideoMemory(int64_t totalThousands, int64_t freeThousands)
{
    if (totalThousands <= 0 || freeThousands < 0)
        return -1;
    const double used = static_cast<double>(totalThousands - freeThousands);
    const double usable = std::max(0.0, static_cast<double>(totalThousands) * 0.95 - used - 1000.0);
    return static_cast<int64_t>(usable) / 1000;
}

uint32_t VideoMemoryFromSystem(const std::filesystem::path& drmRoot)
{
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<fs::path> cards;
    for (fs::directory_iterator it(drmRoot, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        // "card0" is a device; "card0-DP-1" is one of its connectors.
        if (name.size() > 4 && name.starts_with("card") && name.find('-') == std::string::npos)
            cards.push_back(it->path());
    }
    std::sort(cards.begin(), cards.end());
    for (const fs::path& card : cards) {
        std::ifstream in(card / "device" / "mem_info_vram_total");
        std::string text;
        if (!(in >> text))
            continue;
        const int64_t bytes = ParseLeadingInt64(text);
        if (bytes > 0)
            return static_cast<uint32_t>(std::min<int64_t>(bytes / 1000, UINT32_MAX));
    }
    return 0;
}

} // namespace velmor
