#pragma once
// Presses Cancel on every job that offers it, before its worker starts.
#include "scene/BackgroundJob.h"

namespace velmor::test {

class CancellingHost final : public JobHost {
public:
    CancellingHost() : previous_(SetJobHost(this)) {}
    ~CancellingHost() override { SetJobHost(previous_); }
    void Run(BackgroundJob& job, const std::function<void()>& work) override
    {
        if (job.canCancel) job.cancelled = true;
        work();
    }
    void Post(const ProgressMessage&) override {}

private:
    JobHost* previous_;
};

} // namespace velmor::test
