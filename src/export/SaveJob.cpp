#include "export/SaveJob.h"

namespace velmor {

namespace {

constexpr const wchar_t* kCaption = L"Please wait...";
constexpr int32_t kProgressRange = 100;
constexpr int32_t kSaved = 0;

} // namespace

bool SaveJob::Run(const std::function<bool()>& save)
{
    SaveJob job(save);
    return job.RunWithProgress(kCaption, false, kShowDelayMs, kProgressRange, &job, &Worker) == kSaved;
}

uint32_t SaveJob::Worker(void* param)
{
    auto& job = *static_cast<SaveJob*>(param);
    if (job.m_save()) job.result = kSaved;
    return 1;
}

} // namespace velmor
