#pragma once
// Helpers shared by the readers of draw-unit elements.
#include "platform/WideText.h"
#include "scene/CVelmorDoc.h"

#include <cstring>
#include <pugixml.hpp>
#include <string>

namespace velmor::unit_reading {

inline bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
// An attribute's text as the parser returns it, untrimmed.
inline std::wstring Text(pugi::xml_attribute attribute) { return Utf8ToWide(attribute.value()); }

// References are looked up as written; false when the scene defines no such
// name, and the member keeps its value.
template <typename Map, typename Object>
bool FindReference(const Map& map, const std::wstring& name, Object*& member)
{
    const auto it = map.find(name);
    if (it == map.end()) return false;
    member = it->second.get();
    return true;
}

} // namespace velmor::unit_reading
