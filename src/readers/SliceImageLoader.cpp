// The data object's slice loaders: the reader is chosen by the source type.
#include "scene/DataObject.h"

namespace velmor {

// Not yet wired to the slice readers: a slice that cannot be read fails the
// load rather than showing an empty volume as data.
bool DataObject::LoadSliceImage(uint8_t*, const std::wstring&) { return false; }
bool DataObject::LoadSliceImage16(uint8_t*, const std::wstring&) { return false; }

} // namespace velmor
