#pragma once
// The access ACL of a file or folder, which the kernel checks before its
// mode: under an ACL the mode's group bits show the mask, which bounds the
// named users', the owning group's and the named groups' entries, not what
// the owning group may do. Where the file system keeps no ACLs, the one its
// mode makes stands for it.
#include <functional>
#include <sys/types.h>

namespace velmor {

class AccessList {
public:
    AccessList() = default;   // unknown
    ~AccessList();
    AccessList(AccessList&& other) noexcept;
    AccessList& operator=(AccessList&& other) noexcept;
    AccessList(const AccessList&) = delete;
    AccessList& operator=(const AccessList&) = delete;

    // The ACL of what `fd` is open on (a path descriptor will do: it is read
    // through /proc, and unknown where /proc is missing), whose mode is `mode`.
    static AccessList Of(int fd, mode_t mode);

    bool Known() const { return m_acl != nullptr; }
    // The owner's, the owning group's (within the mask) and others' bits:
    // what each class may do without the named entries.
    mode_t ClassBits() const;
    // Takes from each entry what `allowed` does not give its class (the
    // owner, the group class, others).
    void Narrow(mode_t allowed);
    // Whether an entry of the group class lets anyone but `user` write:
    // another named user, or a group (the owning group `owningGroup` among
    // them) that `usersOwn` does not call the user's alone.
    bool GroupClassMayWrite(uid_t user, gid_t owningGroup, const std::function<bool(gid_t)>& usersOwn) const;
    // Sets it on the open file `fd`: 0, or -1 with errno set.
    int ApplyTo(int fd) const;

private:
    void* m_acl = nullptr;   // acl_t
};

} // namespace velmor
