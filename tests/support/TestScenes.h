#pragma once
// Scene texts shared by the tests and the fuzz seeds.
#include <string>

namespace velmor::test {

// Every element and attribute family the reader knows, with forward
// references, names given twice, a shared child group and an event.
std::string FullScene();
// Group "units" with one element of every unit kind, each with every
// attribute family it reads, data objects and events referred to forward.
std::string UnitScene();
// Shift_JIS bytes with Japanese captions and a "\" path.
std::string ShiftJisScene();
// An old scene: version 1.3, the "Tavrel No." description, one volume and an
// array that the fix-ups rescale.
std::string LegacyScene(const std::string& version, const std::string& scaleText);
// Wraps body elements into a scene of the given version.
std::string SceneWithBody(const std::string& body, const std::string& version = "1.35");

} // namespace velmor::test
