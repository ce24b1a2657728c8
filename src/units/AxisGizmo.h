#pragma once
// The renderer's built-in groups: a placeholder and seven selection
// patterns (arrows, frames, boxes and axes), each in a bright and a dark
// group, made of primitive and text units.
#include <vector>

namespace velmor {

class DrawGroup;

constexpr int kAxisGizmoGroups = 15;

// Appends the groups "PG_00" .. "PG_14" to `groups`; the caller owns them
// and hands them back to FreeUnitArray.
void BuildAxisGizmo(std::vector<DrawGroup*>& groups);
// Deletes every group (and so its units) and empties the array.
void FreeUnitArray(std::vector<DrawGroup*>& groups);

} // namespace velmor
