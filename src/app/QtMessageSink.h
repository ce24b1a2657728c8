#pragma once
// The program's message sink: every text reaches the user in an
// application-modal box titled "Velmor". Through the progress dialog when
// there is one, so that the view draws nothing while the box is open; from
// another thread the box is shown on the UI thread and the caller waits.
#include "platform/MessageSink.h"

namespace velmor {

class QtMessageSink final : public MessageSink {
public:
    QtMessageSink();   // installs itself for its lifetime
    ~QtMessageSink() override;
    void Show(const std::wstring& text) override;

private:
    MessageSink* previous_;
};

} // namespace velmor
