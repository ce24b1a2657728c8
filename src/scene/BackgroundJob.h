#pragma once
// Long operations (payload loads, surfaces, exports) run as jobs: the UI
// thread starts one worker, waits for it while only the progress display
// stays alive, and returns when the worker has ended. Workers report
// progress as messages that the host delivers to the progress display.
//
// Core code knows the host only through JobHost; the program installs one
// that runs a std::thread inside a nested event loop, tests install one that
// records what was posted.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace velmor {

class BackgroundJob;

struct ProgressMessage {
    enum class Kind { Start, Step, SetPosition, End, Text };
    Kind kind = Kind::Step;
    int64_t a = 0;        // Start: interval in ms; Step: steps; SetPosition: position; Text: colour
    int64_t b = 0;        // Start: range
    std::wstring text;    // Text: a copy, so the worker need not keep it alive
};

// Colour of a progress text as r + g x 256 + b x 65536.
constexpr int64_t ProgressColour(uint8_t r, uint8_t g, uint8_t b) { return r + g * 256 + b * 65536; }

class JobHost {
public:
    virtual ~JobHost() = default;
    // Runs `work` on a worker thread and returns when it has ended.
    virtual void Run(BackgroundJob& job, const std::function<void()>& work) = 0;
    // Thread-safe; called by the worker and by the UI thread.
    virtual void Post(const ProgressMessage& message) = 0;
};

// Installs the host (nullptr: a plain thread with no progress display) and
// returns the one it replaces.
JobHost* SetJobHost(JobHost* host);
JobHost* CurrentJobHost();

// The label text and the Cancel button of the next job's progress display.
void SetProgressCaption(const std::wstring& caption, bool cancelAllowed);
std::wstring ProgressCaption();
bool CancelAllowed();

class BackgroundJob {
public:
    using WorkerProc = uint32_t (*)(void* param);

    bool canCancel = false;
    std::atomic<bool> cancelled{false};   // set by the UI thread, polled by the worker
    int32_t result = -1;                  // written by the worker
    int32_t failureResult = -1;           // what `result` becomes when the worker throws
    JobHost* progressWindow = nullptr;    // where progress goes; set while the range is positive
    int32_t progressInterval = 0;         // ms before the progress display shows
    int32_t progressRange = 0;            // 0: no progress display
    double progressAccumulator = 0.0;

    // Runs `proc(param)` on a worker and returns when it has ended. False,
    // without running anything, for a negative range.
    bool RunJob(void* param, WorkerProc proc);
    // The way every launcher runs its job: the result is -1 until the worker
    // sets it, the caption and Cancel of the progress display, its interval
    // and range; returns the worker's result.
    int32_t RunWithProgress(const std::wstring& caption, bool cancelAllowed, int32_t interval, int32_t range,
                            void* param, WorkerProc proc);
    // Worker side: posts one step for every whole unit of accumulated fractions.
    void StepProgress(double fraction);
    void ResetProgress();
    void SetProgressText(const std::wstring& text, uint8_t red, uint8_t green, uint8_t blue);
};

} // namespace velmor
