#include "export/ExportFile.h"

#include "platform/FilePaths.h"

namespace velmor {

namespace {

constexpr size_t kBufferBytes = size_t{1} << 20;

} // namespace

ExportFile::~ExportFile() { Abandon(); }

bool ExportFile::Create(const std::filesystem::path& path)
{
    Abandon();
    failed_ = false;
    path_ = path;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        failed_ = true;
        return false;
    }
    std::setvbuf(file_, nullptr, _IOFBF, kBufferBytes);
    return true;
}

bool ExportFile::Write(const void* bytes, size_t count)
{
    if (file_ == nullptr) failed_ = true;
    if (failed_) return false;
    if (count != 0 && std::fwrite(bytes, 1, count, file_) != count) failed_ = true;
    return !failed_;
}

bool ExportFile::Flush()
{
    if (file_ == nullptr) failed_ = true;
    if (!failed_ && std::fflush(file_) != 0) failed_ = true;
    return !failed_;
}

bool ExportFile::Close()
{
    if (file_ == nullptr) return false;
    Flush();
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    if (failed_) RemovePartialOutput(path_);
    return !failed_;
}

void ExportFile::Abandon()
{
    if (file_ == nullptr) return;
    failed_ = true;
    Close();
}

} // namespace velmor
