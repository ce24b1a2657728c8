#include "support/RecordingJobHost.h"

#include <thread>

namespace velmor::test {

RecordingJobHost::RecordingJobHost() : previous_(SetJobHost(this)) {}
RecordingJobHost::~RecordingJobHost() { SetJobHost(previous_); }

void RecordingJobHost::Run(BackgroundJob&, const std::function<void()>& work)
{
    {
        std::lock_guard lock(mutex_);
        ++runs_;
    }
    std::thread(work).join();
}

void RecordingJobHost::Post(const ProgressMessage& message)
{
    if (onPost) onPost(message);
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
}

std::vector<ProgressMessage> RecordingJobHost::Messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

int RecordingJobHost::Runs() const
{
    std::lock_guard lock(mutex_);
    return runs_;
}

} // namespace velmor::test
