#pragma once
// Paths walked name by name, as the kernel walks them, under one rule the
// kernel keeps only while fs.protected_symlinks is set: a link that sits in
// a folder that is sticky and writable by everyone (such as /tmp) is
// followed only when it belongs to the walking user or to the folder's
// owner. Anyone may plant a link there, and a write through another user's
// link would land in whatever file that user chose.
//
// Names this program makes up itself (a series' slices and note, which the
// user never sees before they are replaced) follow only the user's own links
// at the end of the path, in any folder: in a folder shared with a group, a
// member's link there would otherwise take the write to whatever file it
// names.
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace velmor {

// Whether `user` may follow `link`, an entry of `folder`.
bool MayFollowLink(const struct stat& folder, const struct stat& link, uid_t user);
// Whether `user` may put a file of its own in the place of `file`, an entry
// of `folder`: in a sticky folder others may write to, only its own files
// and the folder owner's, as the kernel's protected-regular rule has it at
// its strictest for a plain open.
bool MayReplaceFile(const struct stat& folder, const struct stat& file, uid_t user);

// Which links at the end of a path are followed: as the rule above says, or
// only the walking user's own.
enum class LastLinks { ByRule, OwnOnly };

// An open folder (a path descriptor: it needs no read permission) and the
// path it was reached by, with every link on the way resolved.
class FolderHandle {
public:
    FolderHandle() = default;
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // Walks to the folder `folder`. False when a name on the way is missing,
    // no folder, or a link the rule does not let this user follow.
    bool Open(const std::filesystem::path& folder);
    // Walks to the folder of the file `target` names, following a link in
    // the last name too; `name` becomes the file's name in it, which need
    // not exist yet. False as for Open, and when `target` names no file
    // name at all ("/", "..").
    bool OpenFileFolder(const std::filesystem::path& target, std::string& name, LastLinks links = LastLinks::ByRule);

    bool IsOpen() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }
    const std::filesystem::path& Path() const { return m_path; }

private:
    bool Walk(const std::filesystem::path& path, std::string* lastName, LastLinks links);
    bool Enter(int fd, const std::filesystem::path& path);
    void Close();

    int m_fd = -1;
    std::filesystem::path m_path;
};

} // namespace velmor
