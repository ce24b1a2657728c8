#pragma once
// A file written whole or not at all. The bytes go to a temporary file in
// the target's own folder, which is flushed to the disk and only then
// renamed over the target: a full disk, a refused write or a killed
// program leaves whatever was there before and nothing under the target's
// name. Targets that are not regular files (a device, a pipe) cannot be
// replaced and are written in place.
//
// Writers use either the buffered Write/Stream side or the Descriptor,
// never both on one file.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

namespace velmor {

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();   // whatever was not published is removed
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&& other) noexcept;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Opens the temporary file for `target`. False when it cannot be made,
    // or when the target is a folder (no file could ever replace it).
    bool Create(const std::filesystem::path& target);

    bool Write(const void* bytes, size_t count);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    bool Flush();
    // The buffered stream of the file, for libraries that write to one.
    std::FILE* Stream();
    // The file descriptor, for libraries that do their own writing; they
    // report what failed with MarkFailed.
    int Descriptor() const { return m_fd; }
    void MarkFailed() { m_failed = true; }

    // Flushes, syncs to the disk and closes; the file keeps its temporary
    // name until Publish. False (and the file removed) when anything since
    // Create failed.
    bool Finish();
    // Renames the finished file over its target and syncs the folder.
    bool Publish();
    bool Commit() { return Finish() && Publish(); }
    // Closes and removes the temporary file.
    void Discard();
    // Publishes finished files in their order, syncing each folder once: a
    // series appears only when every one of its files is complete. False
    // when one could not be renamed; the files after it are removed.
    static bool PublishAll(std::vector<AtomicFile>& files);

    bool Failed() const { return m_failed; }
    bool IsOpen() const { return m_fd >= 0; }
    const std::filesystem::path& Target() const { return m_target; }
    // Empty for a target written in place.
    const std::filesystem::path& TemporaryPath() const { return m_temporary; }

private:
    bool Rename();
    void CloseQuietly();
    void Reset();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::FILE* m_stream = nullptr;
    int m_fd = -1;
    bool m_failed = false;
    bool m_finished = false;
};

} // namespace velmor
