#pragma once
// A single file's save, run as a background job: a save that waits (for
// another process's turn in its folder, or a slow disk) leaves the window
// answering, and its progress display appears only once the save outlasts
// kShowDelayMs, so that a quick save shows none.
#include "scene/BackgroundJob.h"

#include <cstdint>
#include <functional>

namespace velmor {

class SaveJob final : public BackgroundJob {
public:
    static constexpr int32_t kShowDelayMs = 500;

    // Runs `save` on the job's worker; false when it returned false or threw.
    static bool Run(const std::function<bool()>& save);

private:
    explicit SaveJob(const std::function<bool()>& save) : m_save(save) {}
    static uint32_t Worker(void* param);

    const std::function<bool()>& m_save;
};

} // namespace velmor
