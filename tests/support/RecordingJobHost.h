#pragma once
// A job host for tests: runs the worker on a thread, waits for it, and keeps
// every progress message posted meanwhile.
#include "scene/BackgroundJob.h"

#include <functional>
#include <mutex>
#include <vector>

namespace velmor::test {

class RecordingJobHost final : public JobHost {
public:
    RecordingJobHost();
    ~RecordingJobHost() override;
    void Run(BackgroundJob& job, const std::function<void()>& work) override;
    void Post(const ProgressMessage& message) override;
    std::vector<ProgressMessage> Messages() const;
    int Runs() const;
    // Called on the worker with each message as it is posted.
    std::function<void(const ProgressMessage&)> onPost;

private:
    mutable std::mutex mutex_;
    std::vector<ProgressMessage> messages_;
    int runs_ = 0;
    JobHost* previous_;
};

} // namespace velmor::test
