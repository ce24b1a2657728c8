#pragma once
// Installs itself as the message sink for its lifetime and keeps every text.
#include "platform/MessageSink.h"

#include <mutex>
#include <string>
#include <vector>

namespace velmor::test {

class MessageRecorder final : public MessageSink {
public:
    MessageRecorder();
    ~MessageRecorder() override;
    void Show(const std::wstring& text) override;
    std::vector<std::wstring> Messages() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::wstring> messages_;
    MessageSink* previous_;
};

} // namespace velmor::test
