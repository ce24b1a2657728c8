#pragma once
// Progress messages travel from the worker to the progress dialog as posted
// events; each event owns a copy of its message, text included, so that the
// worker may drop its own text as soon as it has posted.
#include "scene/BackgroundJob.h"

#include <QEvent>

namespace velmor {

class ProgressEvent final : public QEvent {
public:
    static constexpr int kFirstType = QEvent::User + 10;   // start; then step, set position, end, text

    explicit ProgressEvent(const ProgressMessage& message);
    static QEvent::Type TypeOf(ProgressMessage::Kind kind);
    static bool IsProgressType(QEvent::Type type);

    const ProgressMessage message;
};

} // namespace velmor
