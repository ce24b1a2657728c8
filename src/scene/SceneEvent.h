#pragma once
// A named event of a scene: settings kept as written, interpreted only when
// the view runs the event.
#include <string>
#include <utility>
#include <vector>

namespace velmor {

struct EventSetting {
    std::wstring elementName;
    std::vector<std::wstring> names;
    std::vector<std::wstring> values;   // parallel to names
};

struct SceneEvent {
    explicit SceneEvent(std::wstring eventName) : name(std::move(eventName)) {}

    std::wstring name;
    std::vector<EventSetting> settings;   // document order
};

} // namespace velmor
