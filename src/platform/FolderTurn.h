#pragma once
// Publishes into one folder take turns. A series publish (with its sweep
// of what ended writers' publishes did in the folder), a single file's
// rename and a sweep before a write each hold the folder's turn from before
// they look at its names until they are done, so that two publishes of one
// series at the same moment never leave the folder holding files of both.
// A turn is waited for no longer than WriterLock::kWaitBound: a series
// publish that cannot have its folders' turns by then fails before any
// rename, while a single file's rename goes on without (one rename cannot
// leave two series mixed). A sweep before a write does not wait: where a
// publish is at work, the publish of the write sweeps in its own turn. A
// turn is a lock on a file in the writer's private folder
// (platform/WriterLock.h) named for the folder's device and inode,
// `turn-<device>-<inode>`, which its holder removes as it lets go. Without
// a private folder there are no turns, as there are no records.
#include "platform/WriterLock.h"

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace velmor {

class FolderTurn {
public:
    // A folder by its device and inode.
    using Folder = std::pair<dev_t, ino_t>;

    // Waits for the turns of `folders`, all within one bound. Every process
    // takes them in one order, so that two never wait for each other.
    explicit FolderTurn(std::vector<Folder> folders);
    // The turn of the open folder `folder`, when nobody has it now.
    explicit FolderTurn(int folder);
    ~FolderTurn();   // lets go
    FolderTurn(const FolderTurn&) = delete;
    FolderTurn& operator=(const FolderTurn&) = delete;

    // Whether this holds a turn: false without a private folder.
    bool Held() const { return !m_held.empty(); }
    // Whether another process held a turn past the bound; this holds none then.
    bool Missed() const { return m_missed; }

private:
    FolderTurn(std::vector<Folder> folders, WriterLock::Deadline deadline);
    // False when another process holds it still at `deadline`.
    bool Take(const Folder& folder, WriterLock::Deadline deadline);
    void LetGo();

    int m_privateFolder = -1;   // a descriptor of its own, for letting go
    std::vector<std::pair<int, std::string>> m_held;   // each lock and its name
    bool m_missed = false;
};

} // namespace velmor
