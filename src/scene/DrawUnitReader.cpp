// Reading of "drawUnit" elements into the units of a group. Until the unit
// classes exist, every "drawUnit" element is accepted and makes no unit.
#include "scene/CVelmorDoc.h"

namespace velmor {

bool CVelmorDoc::ReadDrawUnit(pugi::xml_node /*element*/, DrawGroup& /*group*/) { return true; }

} // namespace velmor
