#include "support/MessageRecorder.h"

namespace velmor::test {

MessageRecorder::MessageRecorder() : previous_(SetMessageSink(this)) {}
MessageRecorder::~MessageRecorder() { SetMessageSink(previous_); }

void MessageRecorder::Show(const std::wstring& text)
{
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
}

std::vector<std::wstring> MessageRecorder::Messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

} // namespace velmor::test
