#pragma once
// The recursion shared by the draw-group walks: each child's subtree whole,
// in array order, then the group itself. A group already on the path from
// the walk's start is not entered again, so a damaged tree in which a group
// is its own ancestor cannot recurse without end; a child shared by several
// groups is still walked once under each of them.
#include "units/DrawGroup.h"

#include <algorithm>
#include <vector>

namespace velmor {

namespace detail {

template <typename Enter, typename Leave>
void WalkGroups(DrawGroup& group, std::vector<const DrawGroup*>& path, Enter& enter, Leave& leave)
{
    if (!enter(group))
        return;
    path.push_back(&group);
    for (DrawGroup* child : group.children)
        if (child != nullptr && std::find(path.begin(), path.end(), child) == path.end())
            WalkGroups(*child, path, enter, leave);
    path.pop_back();
    leave(group);
}

} // namespace detail

// `enter` (group) -> bool decides whether a group and its subtree are walked;
// `leave` (group) acts on the group after its children.
template <typename Enter, typename Leave>
void WalkGroups(DrawGroup& root, Enter enter, Leave leave)
{
    std::vector<const DrawGroup*> path;
    detail::WalkGroups(root, path, enter, leave);
}

// Every group of the subtree, children first.
template <typename Leave>
void WalkGroups(DrawGroup& root, Leave leave)
{
    WalkGroups(root, [](DrawGroup&) { return true; }, leave);
}

} // namespace velmor
