#pragma once
// The mounts this process sees, as the kernel lists them
// (/proc/self/mountinfo): which one a path leads into, told without asking
// any file system, and whether a mount on the way is served by another
// process or machine (FUSE, network shares, automounts), whose answers
// may never come.
#include <string>
#include <vector>

namespace velmor {

class MountTable {
public:
    // The mounts as they are now; none where the list cannot be read.
    static MountTable Read();

    // Whether the mount that the absolute path `path` (links resolved)
    // leads into is served elsewhere: the one whose mount point is its
    // longest leading part, the topmost of those stacked there.
    bool HoldingServedElsewhere(const std::string& path) const;
    // Whether `path` may be looked at without waiting on another process or
    // machine: no mount on the way to it, the one it leads into included,
    // is served elsewhere or mounted on a first look (autofs). False when
    // the list told nothing.
    bool MayLookAt(const std::string& path) const;

private:
    struct Mount {
        std::string point;
        std::string type;
    };
    std::vector<const Mount*> OnTheWay(const std::string& path) const;

    std::vector<Mount> m_mounts;   // in the kernel's order: a mount after those it covers
};

} // namespace velmor
