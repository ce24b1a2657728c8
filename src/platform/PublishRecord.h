#pragma once
// The record of a series publish, kept in the writer's private folder
// (platform/WriterLock.h) from before its first rename in a folder until
// its old files are gone: for each name, the finished file it places there,
// the temporary that holds it until then, and the old file it sets aside
// under a hidden name. A record whose writer has ended is finished by the
// next write into that folder: one cut off before its last rename is rolled
// back, one that completed loses its old files.
//
// Nothing of it is read from the shared folder: a kept copy goes back only
// when the file under its name is the very one the record set aside, every
// name is one plain name in the folder and used from the folder's
// descriptor, and a placed file goes only once its old file is back, so no
// name that held a file before the publish is left empty.
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace velmor {

// A file told from any other that later takes its name, whose inode may be
// the same one freed and given again; where the folder's file system does
// not find its files again by device and inode after a remount (FAT, FUSE,
// network shares), by its size and time, which a placed file may share
// with its old one: there an old file is moved aside, never linked, and
// told from the placed one by the name it is under.
struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long seconds = 0;
    long long nanoseconds = 0;
    long long size = 0;

    static FileIdentity Of(const struct stat& info);
    bool Matches(const FileIdentity& other, bool inodesKept) const;
    bool operator==(const FileIdentity&) const = default;
};

// What a publish does to one name of its folder.
struct PublishEntry {
    std::string name;
    std::string temporary;   // holds `placed` until the rename
    FileIdentity placed;
    std::string aside;       // empty when the name held no file
    FileIdentity kept;       // the old file set aside
};

// The identity of the file `name` holds in the open folder; false when it
// holds none (or a link, which no publish places or keeps).
bool IdentityAt(int folder, const std::string& name, FileIdentity& identity);
// Whether the folder's file system keeps its files' device and inode
// numbers across mounts; a test may put another answer in place (nullptr
// restores it).
bool KeepsInodes(int folder);
using KeepsInodesCall = bool (*)(int folder);
KeepsInodesCall ReplaceKeepsInodesForTest(KeepsInodesCall call);

class PublishRecord {
public:
    PublishRecord() = default;
    ~PublishRecord();   // a record still open stays for the sweep
    PublishRecord(const PublishRecord&) = delete;
    PublishRecord& operator=(const PublishRecord&) = delete;

    // Writes the record of publish `number` into the open folder `folder`
    // (reached as `path`) on the disk. False when the writer has no private
    // folder or it cannot take the record; the publish then goes on without.
    bool Begin(int folder, const std::string& path, unsigned long long number, const std::vector<PublishEntry>& entries);
    // Every rename is done and on the disk: the record says so.
    void Complete();
    // The record goes.
    void End();
    bool IsOpen() const { return !m_name.empty(); }

    // Finishes the records of ended writers for the open folder `folder`
    // (reached as `path`): rolls back a cut-off publish, removes the old
    // files of a completed one. A record that is malformed or too large is
    // set aside unread by later sweeps, and steers nothing; so is one whose
    // folder can never be met again (platform/SweptFolder.h). Of a record of
    // another folder only the head is read.
    static void Sweep(int folder, const std::string& path);

    // Undoes the entry in the open folder; false while its old file stays
    // under `aside` (a later file holds the name, or renaming failed).
    static bool RollBack(int folder, const PublishEntry& entry, bool inodesKept);
    // Moves the old file aside before the placed one takes its name, or
    // sees that the name is still free; false when the name no longer
    // holds what the record says (a file moved that proves another goes
    // back to its name).
    static bool SetAside(int folder, const PublishEntry& entry, bool inodesKept);
    // Removes the old file of a completed entry.
    static void DropKept(int folder, const PublishEntry& entry, bool inodesKept);

    // The record's bytes, and what they say; false for anything malformed.
    struct Contents {
        unsigned long long device = 0, inode = 0;
        bool inodesKept = true;
        std::string path;
        std::vector<PublishEntry> entries;
    };
    static std::string Encode(const Contents& contents);
    static bool Decode(std::string_view bytes, Contents& contents);

private:
    std::string m_name;   // in the private folder
    std::string m_writer;
    unsigned long long m_number = 0;
};

} // namespace velmor
