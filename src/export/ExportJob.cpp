#include "export/ExportJob.h"

#include "export/ExportMessages.h"
#include "platform/WideText.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

namespace velmor {

namespace {

// A message box taller than the screen would hide its button.
constexpr size_t kKeptCopiesNamed = 8;

} // namespace

std::wstring FileWriteErrorText(const std::vector<std::filesystem::path>& keptCopies)
{
    std::wstring text = kFileWriteError;
    if (!keptCopies.empty()) text += L"\nThe old files that could not be put back are kept as:";
    for (size_t i = 0; i < keptCopies.size() && i < kKeptCopiesNamed; ++i) text += L"\n" + WideFromPath(keptCopies[i]);
    if (keptCopies.size() > kKeptCopiesNamed)
        text += L"\nand " + std::to_wstring(keptCopies.size() - kKeptCopiesNamed) + L" more beside them.";
    return text;
}

ExportJob::ExportJob(const VoxelGrid* voxelGrid, std::wstring folder) : grid(voxelGrid), outputFolder(std::move(folder))
{
}

ExportJob::ExportJob(ImageRecord* imageRecord) : ExportJob(nullptr, std::wstring())
{
    image = imageRecord;
}

void ExportJob::ReadClock(std::string* stamp)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    creationDate = text;
    std::snprintf(text, sizeof text, "%02d%02d%02d", local.tm_hour, local.tm_min, local.tm_sec);
    creationTime = text;
    if (stamp != nullptr) {
        std::snprintf(text, sizeof text, "%s%s%04d", creationDate.c_str(), creationTime.c_str(), int(millis));
        *stamp = text;
    }
}

bool ExportJob::StageSeriesFile(AtomicFile& file)
{
    if (!file.Finish()) return false;
    m_series.push_back(std::move(file));
    return true;
}

std::wstring ExportJob::FileWriteErrorMessage() const { return FileWriteErrorText(m_keptCopies); }

bool ExportJob::PublishSeriesWithNote()
{
    // The series and its note take their names together or not at all.
    const bool published = WriteVoxelExportNote(m_noteSource) && PublishSeries();
    m_series.clear();
    return published;
}

bool ExportJob::PublishSeries()
{
    const bool published = AtomicFile::PublishAll(m_series, &m_keptCopies);
    m_series.clear();
    return published;
}

std::filesystem::path SliceFilePath(const std::wstring& folder, int64_t fileIndex, const wchar_t* extension)
{
    wchar_t name[32];
    std::swprintf(name, 32, L"%04lld%ls", static_cast<long long>(fileIndex), extension);
    return PathFromWide(folder) / PathFromWide(name);
}

} // namespace velmor
