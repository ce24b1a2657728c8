#include "scene/BackgroundJob.h"
#include "support/RecordingJobHost.h"

#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>
#include <thread>

using namespace velmor;
using velmor::test::RecordingJobHost;
using Kind = ProgressMessage::Kind;

namespace {

struct CountingJob : BackgroundJob {
    std::thread::id workerThread;
    int steps = 0;
    double fraction = 0.25;
};

uint32_t CountingWorker(void* param)
{
    auto* job = static_cast<CountingJob*>(param);
    job->workerThread = std::this_thread::get_id();
    for (int i = 0; i < job->steps; ++i) job->StepProgress(job->fraction);
    job->SetProgressText(L"half way", 255, 0, 0);
    job->result = 0;
    return 0;
}

std::vector<int64_t> StepsOf(const std::vector<ProgressMessage>& messages)
{
    std::vector<int64_t> steps;
    for (const auto& m : messages)
        if (m.kind == Kind::Step) steps.push_back(m.a);
    return steps;
}

} // namespace

TEST(BackgroundJob, RunsOnAWorkerAndFramesItsProgress)
{
    RecordingJobHost host;
    CountingJob job;
    job.progressRange = 100;
    job.progressInterval = 200;
    job.steps = 8;
    ASSERT_TRUE(job.RunJob(&job, CountingWorker));
    EXPECT_NE(job.workerThread, std::this_thread::get_id());
    EXPECT_EQ(job.result, 0);

    const auto m = host.Messages();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m.front().kind, Kind::Start);
    EXPECT_EQ(m.front().a, 200);
    EXPECT_EQ(m.front().b, 100);
    EXPECT_EQ(StepsOf(m), (std::vector<int64_t>{1, 1}));   // one step at every fourth quarter
    EXPECT_EQ(m[3].kind, Kind::Text);
    EXPECT_EQ(m[3].text, L"half way");
    EXPECT_EQ(m[3].a, 255);
    EXPECT_EQ(m.back().kind, Kind::End);
}

TEST(BackgroundJob, WholeStepsArePostedAndTheRestKept)
{
    RecordingJobHost host;
    CountingJob job;
    job.progressRange = 10;
    job.steps = 3;
    job.fraction = 2.5;
    job.RunJob(&job, CountingWorker);
    EXPECT_EQ(StepsOf(host.Messages()), (std::vector<int64_t>{2, 3, 2}));
    EXPECT_DOUBLE_EQ(job.progressAccumulator, 0.5);

    job.StepProgress(std::numeric_limits<double>::quiet_NaN());
    job.StepProgress(std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(job.progressAccumulator, 0.5);
}

TEST(BackgroundJob, RangeZeroPostsNothingAndNegativeIsRefused)
{
    RecordingJobHost host;
    CountingJob job;
    job.steps = 4;
    job.fraction = 1.0;
    ASSERT_TRUE(job.RunJob(&job, CountingWorker));
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(job.progressWindow, nullptr);

    job.progressRange = -1;
    job.result = 7;
    EXPECT_FALSE(job.RunJob(&job, CountingWorker));
    EXPECT_EQ(host.Runs(), 1);
    EXPECT_EQ(job.result, 7);
}

TEST(BackgroundJob, ThrowingWorkerFailsTheJob)
{
    RecordingJobHost host;
    BackgroundJob job;
    job.progressRange = 5;
    job.failureResult = -2;
    job.result = 0;
    ASSERT_TRUE(job.RunJob(nullptr, [](void*) -> uint32_t { throw std::runtime_error("boom"); }));
    EXPECT_EQ(job.result, -2);
    EXPECT_EQ(host.Messages().back().kind, Kind::End);
}

TEST(BackgroundJob, CancelFlagIsClearedOnlyForCancellableJobs)
{
    BackgroundJob job;   // no host installed: a plain thread
    job.cancelled = true;
    job.RunJob(nullptr, [](void*) -> uint32_t { return 0; });
    EXPECT_TRUE(job.cancelled);
    job.canCancel = true;
    job.RunJob(nullptr, [](void*) -> uint32_t { return 0; });
    EXPECT_FALSE(job.cancelled);

    SetProgressCaption(L"file reading", true);
    EXPECT_EQ(ProgressCaption(), L"file reading");
    EXPECT_TRUE(CancelAllowed());
}
