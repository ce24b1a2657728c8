#include "platform/MountTable.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <string_view>

namespace velmor {

namespace {

constexpr const char* kMountList = "/proc/self/mountinfo";
constexpr int kPointField = 4;   // counted from 0; the optional fields end with "-"
constexpr const char* kFieldsEnd = "-";
constexpr int kOctalDigits = 3;
constexpr int kOctalBase = 8;
// Answered by a daemon or over a network: FUSE as "fuse", "fuseblk" or
// "fuse.<driver>", and the network file systems (platform/PublishRecord.cpp
// counts the same ones among those whose files are not found again by
// device and inode).
constexpr std::string_view kFuse = "fuse";
constexpr std::array<std::string_view, 9> kServedElsewhere = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "virtiofs", "ceph", "afs"};
// Mounts what it stands for, from anywhere, when a name under it is looked up.
constexpr std::string_view kMountsOnLook = "autofs";

// The kernel writes a space, tab, newline or backslash in a mount point as
// "\" and three octal digits.
std::string Unescaped(std::string_view text)
{
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        int value = 0, digits = 0;
        while (text[i] == '\\' && digits < kOctalDigits && i + 1 + digits < text.size() &&
               text[i + 1 + digits] >= '0' && text[i + 1 + digits] <= '7')
            value = value * kOctalBase + (text[i + 1 + digits++] - '0');
        if (digits == kOctalDigits) plain += char(value), i += kOctalDigits;
        else plain += text[i];
    }
    return plain;
}

// Whether the mount point `point` is `path` or one of the folders above it.
bool Covers(const std::string& point, const std::string& path)
{
    if (point == "/") return path.starts_with('/');
    return path.starts_with(point) && (path.size() == point.size() || path[point.size()] == '/');
}

bool ServedElsewhere(const std::string& type)
{
    return type.starts_with(kFuse) || std::find(kServedElsewhere.begin(), kServedElsewhere.end(), type) != kServedElsewhere.end();
}

} // namespace

MountTable MountTable::Read()
{
    MountTable table;
    std::ifstream list(kMountList);
    for (std::string line; std::getline(list, line);) {
        std::istringstream fields(line);
        std::string field, point;
        for (int i = 0; fields >> field && field != kFieldsEnd;)
            if (i++ == kPointField) point = Unescaped(field);
        std::string type;
        if (fields >> type && !point.empty()) table.m_mounts.push_back({point, type});
    }
    return table;
}

std::vector<const MountTable::Mount*> MountTable::OnTheWay(const std::string& path) const
{
    std::vector<const Mount*> way;
    for (const Mount& mount : m_mounts)
        if (Covers(mount.point, path)) way.push_back(&mount);
    return way;
}

bool MountTable::HoldingServedElsewhere(const std::string& path) const
{
    const Mount* holding = nullptr;
    for (const Mount* mount : OnTheWay(path))
        if (holding == nullptr || mount->point.size() >= holding->point.size()) holding = mount;
    return holding != nullptr && ServedElsewhere(holding->type);
}

bool MountTable::MayLookAt(const std::string& path) const
{
    const std::vector<const Mount*> way = OnTheWay(path);
    for (const Mount* mount : way)
        if (ServedElsewhere(mount->type) || mount->type == kMountsOnLook) return false;
    return !way.empty();
}

} // namespace velmor
