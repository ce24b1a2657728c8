#include "units/DrawGroup.h"

#include "units/CKxDrawUnit.h"

#include <utility>

namespace velmor {

DrawGroup::DrawGroup(std::wstring groupName) : name(std::move(groupName)) {}

DrawGroup::~DrawGroup()
{
    for (CKxDrawUnit* unit : units) delete unit;
}

} // namespace velmor
