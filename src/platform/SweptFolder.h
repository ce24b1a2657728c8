#pragma once
// The folder a sweep finishes the records of ended writers for
// (platform/PublishRecord.h), and what it tells of a record from its head
// alone: that the record is this folder's, that it is another folder's, or
// that its folder can never be met again, so that no later write need read
// it.
//
// A folder is gone for good only where that can be told without waiting on
// another process or machine: where the file system the record was made on
// is still where its path leads, but the folder is not there (removed, or
// another folder in its place), or where a record names by inode a folder
// whose path now leads into a FUSE or network mount (written before such
// file systems were told apart: the inode numbers there are new at each
// mount). A stick that is unplugged (its path gone, or an empty mount
// point of another file system there) comes back, and so does its record's
// match; a mount served elsewhere is never looked into.
#include "platform/MountTable.h"
#include "platform/PublishRecord.h"

#include <optional>
#include <string>
#include <sys/stat.h>

namespace velmor {

class SweptFolder {
public:
    // The open folder `folder`, reached as `path`.
    SweptFolder(int folder, const std::string& path);

    enum class Match { This, Other, Gone };
    // What the record whose folder fields `head` holds is to this folder.
    Match Of(const PublishRecord::Contents& head);

private:
    bool Gone(const PublishRecord::Contents& head);

    std::string m_path;
    struct stat m_here {};
    bool m_known = false;       // m_here was read
    bool m_inodesKept = true;
    std::optional<MountTable> m_mounts;   // read at the first record of another folder
};

} // namespace velmor
