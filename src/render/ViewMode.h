#pragma once
// What the view is doing, as the bar, the tool windows and the keys see it.
// No Qt here, so that the rules behind the bar and the dialogs' services can
// take it too.

namespace velmor {

enum class ViewMode {
    kNoScene,
    kNormal,
    // The tool windows are hidden.
    kFullScreen,
    // A unit's property dialog is open: the view buttons and the unit panel
    // are disabled.
    kUnitEditing,
};

} // namespace velmor
