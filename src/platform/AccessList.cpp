#include "platform/AccessList.h"

#include <acl/libacl.h>
#include <cerrno>
#include <optional>
#include <string>
#include <sys/acl.h>
#include <sys/stat.h>
#include <utility>

namespace velmor {

namespace {

constexpr mode_t kClassBits = 07;
constexpr int kOwnerShift = 6;
constexpr int kGroupShift = 3;
constexpr acl_perm_t kPermissions[] = {ACL_READ, ACL_WRITE, ACL_EXECUTE};
// So that an entry's permissions read as a class's mode bits.
static_assert(ACL_READ == S_IROTH && ACL_WRITE == S_IWOTH && ACL_EXECUTE == S_IXOTH);

acl_t Acl(void* acl) { return static_cast<acl_t>(acl); }

// Calls `visit(entry, tag)` for each entry of `acl`.
template <typename Visit> void ForEachEntry(acl_t acl, Visit visit)
{
    acl_entry_t entry;
    acl_tag_t tag;
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY)
        if (acl_get_tag_type(entry, &tag) == 0) visit(entry, tag);
}

mode_t BitsOf(acl_entry_t entry)
{
    acl_permset_t permissions;
    mode_t bits = 0;
    if (acl_get_permset(entry, &permissions) != 0) return kClassBits;   // as wide as can be
    for (const acl_perm_t permission : kPermissions)
        if (acl_get_perm(permissions, permission) == 1) bits |= permission;
    return bits;
}

void SetBits(acl_entry_t entry, mode_t bits)
{
    acl_permset_t permissions;
    if (acl_get_permset(entry, &permissions) != 0) return;
    acl_clear_perms(permissions);
    for (const acl_perm_t permission : kPermissions)
        if ((bits & permission) != 0) acl_add_perm(permissions, permission);
    acl_set_permset(entry, permissions);
}

// The id a named entry names, where it can be read.
template <typename Id> std::optional<Id> QualifierOf(acl_entry_t entry)
{
    void* qualifier = acl_get_qualifier(entry);
    if (qualifier == nullptr) return std::nullopt;
    const Id id = *static_cast<const Id*>(qualifier);
    acl_free(qualifier);
    return id;
}

// How far `tag`'s class is shifted in a mode.
int ShiftOf(acl_tag_t tag) { return tag == ACL_USER_OBJ ? kOwnerShift : tag == ACL_OTHER ? 0 : kGroupShift; }

mode_t MaskOf(acl_t acl)
{
    mode_t mask = kClassBits;
    ForEachEntry(acl, [&](acl_entry_t entry, acl_tag_t tag) {
        if (tag == ACL_MASK) mask = BitsOf(entry);
    });
    return mask;
}

} // namespace

AccessList::~AccessList()
{
    if (m_acl != nullptr) acl_free(m_acl);
}

AccessList::AccessList(AccessList&& other) noexcept : m_acl(std::exchange(other.m_acl, nullptr)) {}

AccessList& AccessList::operator=(AccessList&& other) noexcept
{
    if (this != &other) {
        if (m_acl != nullptr) acl_free(m_acl);
        m_acl = std::exchange(other.m_acl, nullptr);
    }
    return *this;
}

AccessList AccessList::Of(int fd, mode_t mode)
{
    AccessList list;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    list.m_acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    static_assert(ENOTSUP == EOPNOTSUPP);
    if (list.m_acl == nullptr && errno == ENOTSUP) list.m_acl = acl_from_mode(mode);
    return list;
}

mode_t AccessList::ClassBits() const
{
    if (!Known()) return 0;
    const mode_t mask = MaskOf(Acl(m_acl));
    mode_t bits = 0;
    ForEachEntry(Acl(m_acl), [&](acl_entry_t entry, acl_tag_t tag) {
        if (tag == ACL_USER_OBJ || tag == ACL_OTHER) bits |= BitsOf(entry) << ShiftOf(tag);
        if (tag == ACL_GROUP_OBJ) bits |= (BitsOf(entry) & mask) << kGroupShift;
    });
    return bits;
}

void AccessList::Narrow(mode_t allowed)
{
    if (!Known()) return;
    ForEachEntry(Acl(m_acl), [&](acl_entry_t entry, acl_tag_t tag) {
        SetBits(entry, BitsOf(entry) & (allowed >> ShiftOf(tag)) & kClassBits);
    });
}

bool AccessList::GroupClassMayWrite(uid_t user, gid_t owningGroup, const std::function<bool(gid_t)>& usersOwn) const
{
    if (!Known()) return true;
    const bool maskLetsWrite = (MaskOf(Acl(m_acl)) & ACL_WRITE) != 0;
    bool mayWrite = false;
    ForEachEntry(Acl(m_acl), [&](acl_entry_t entry, acl_tag_t tag) {
        if (mayWrite || !maskLetsWrite || (BitsOf(entry) & ACL_WRITE) == 0) return;
        // An id that cannot be read may be anyone's.
        if (tag == ACL_USER) mayWrite = QualifierOf<uid_t>(entry) != user;
        if (tag == ACL_GROUP_OBJ) mayWrite = !usersOwn(owningGroup);
        if (tag == ACL_GROUP) {
            const std::optional<gid_t> group = QualifierOf<gid_t>(entry);
            mayWrite = !group || !usersOwn(*group);
        }
    });
    return mayWrite;
}

int AccessList::ApplyTo(int fd) const
{
    if (!Known()) return errno = EINVAL, -1;
    return acl_set_fd(fd, Acl(m_acl));
}

} // namespace velmor
