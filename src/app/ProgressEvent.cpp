#include "app/ProgressEvent.h"

namespace velmor {

ProgressEvent::ProgressEvent(const ProgressMessage& message) : QEvent(TypeOf(message.kind)), message(message) {}

QEvent::Type ProgressEvent::TypeOf(ProgressMessage::Kind kind)
{
    return static_cast<QEvent::Type>(kFirstType + static_cast<int>(kind));
}

bool ProgressEvent::IsProgressType(QEvent::Type type)
{
    return type >= kFirstType && type <= TypeOf(ProgressMessage::Kind::Text);
}

} // namespace velmor
