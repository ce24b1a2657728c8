#include "platform/MessageSink.h"

#include "platform/WideText.h"

#include <atomic>
#include <cstdio>

namespace velmor {
namespace {

class StderrSink final : public MessageSink {
public:
    void Show(const std::wstring& text) override
    {
        const std::string utf8 = WideToUtf8(text);
        std::fprintf(stderr, "Velmor: %s\n", utf8.c_str());
    }
};

StderrSink gStderrSink;
std::atomic<MessageSink*> gSink{&gStderrSink};

} // namespace

MessageSink* SetMessageSink(MessageSink* sink)
{
    MessageSink* previous = gSink.exchange(sink != nullptr ? sink : &gStderrSink);
    return previous == &gStderrSink ? nullptr : previous;
}

void ShowMessage(const std::wstring& text) { gSink.load()->Show(text); }

} // namespace velmor
