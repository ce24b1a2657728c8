#include "scene/BackgroundJob.h"

#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

namespace velmor {
namespace {

// Without an installed host a job still runs on its own thread, so that the
// worker's thread-local assumptions hold the same in every setting.
class PlainThreadHost final : public JobHost {
public:
    void Run(BackgroundJob&, const std::function<void()>& work) override { std::thread(work).join(); }
    void Post(const ProgressMessage&) override {}
};

PlainThreadHost gPlainHost;
std::atomic<JobHost*> gHost{&gPlainHost};

std::mutex gCaptionMutex;
std::wstring gCaption;
bool gCancelAllowed = false;

void PostTo(JobHost* target, ProgressMessage message)
{
    if (target != nullptr) target->Post(message);
}

} // namespace

JobHost* SetJobHost(JobHost* host)
{
    JobHost* previous = gHost.exchange(host != nullptr ? host : &gPlainHost);
    return previous == &gPlainHost ? nullptr : previous;
}

JobHost* CurrentJobHost() { return gHost.load(); }

void SetProgressCaption(const std::wstring& caption, bool cancelAllowed)
{
    std::lock_guard lock(gCaptionMutex);
    gCaption = caption;
    gCancelAllowed = cancelAllowed;
}

std::wstring ProgressCaption()
{
    std::lock_guard lock(gCaptionMutex);
    return gCaption;
}

bool CancelAllowed()
{
    std::lock_guard lock(gCaptionMutex);
    return gCancelAllowed;
}

bool BackgroundJob::RunJob(void* param, WorkerProc proc)
{
    if (progressRange < 0 || proc == nullptr) return false;
    if (canCancel) cancelled = false;
    progressAccumulator = 0.0;
    JobHost* host = CurrentJobHost();
    progressWindow = progressRange > 0 ? host : nullptr;
    PostTo(progressWindow, {ProgressMessage::Kind::Start, progressInterval, progressRange, {}});

    host->Run(*this, [this, param, proc] {
        try {
            proc(param);
        } catch (...) {
            // A worker must not take the program down; the job just fails.
            result = failureResult;
        }
    });

    PostTo(progressWindow, {ProgressMessage::Kind::End, 0, 0, {}});
    return true;
}

int32_t BackgroundJob::RunWithProgress(const std::wstring& caption, bool cancelAllowed, int32_t interval, int32_t range,
                                       void* param, WorkerProc proc)
{
    result = -1;
    SetProgressCaption(caption, cancelAllowed);
    canCancel = cancelAllowed;
    progressInterval = interval;
    progressRange = range;
    RunJob(param, proc);
    return result;
}

void BackgroundJob::StepProgress(double fraction)
{
    if (!std::isfinite(fraction)) return;
    progressAccumulator += fraction;
    if (progressAccumulator < 1.0) return;
    const double whole = std::floor(progressAccumulator);
    progressAccumulator -= whole;
    PostTo(progressWindow, {ProgressMessage::Kind::Step, static_cast<int64_t>(whole), 0, {}});
}

void BackgroundJob::ResetProgress()
{
    PostTo(progressWindow, {ProgressMessage::Kind::SetPosition, 0, 0, {}});
    progressAccumulator = 0.0;
}

void BackgroundJob::SetProgressText(const std::wstring& text, uint8_t red, uint8_t green, uint8_t blue)
{
    PostTo(progressWindow, {ProgressMessage::Kind::Text, ProgressColour(red, green, blue), 0, text});
}

} // namespace velmor
