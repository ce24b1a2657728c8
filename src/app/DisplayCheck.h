#pragma once
// Whether the program can show its window at all. Qt ends the process with
// abort() when no platform starts (no DISPLAY, a server that does not
// answer), and a platform without OpenGL windows (offscreen) crashes in its
// first flush: both end instead in one line on stderr and a failure status.
#include <QString>

namespace velmor {

constexpr int kNoDisplayStatus = 2;

class DisplayCheck {
public:
    // Until Done, Qt's messages are held back; a fatal one becomes the line
    // and the process ends at once with kNoDisplayStatus.
    DisplayCheck();
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;

    // After QApplication: hands the held messages on.
    void Done();
    // Empty when the view can be shown on this platform, else the reason.
    static QString WhyViewCannotShow();
};

} // namespace velmor
