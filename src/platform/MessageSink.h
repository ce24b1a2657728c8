#pragma once
// Every message meant for the user goes through one sink: a modal message
// box in the program, a recorder in tests.
#include <string>

namespace velmor {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Show(const std::wstring& text) = 0;
};

// Installs a sink (nullptr restores the default, which writes to stderr) and
// returns the one it replaces.
MessageSink* SetMessageSink(MessageSink* sink);
void ShowMessage(const std::wstring& text);

} // namespace velmor
