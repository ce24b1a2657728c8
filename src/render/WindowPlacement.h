#pragma once
// Where the program's windows go on a screen, as plain arithmetic. The main
// window takes the work area's top left and the unit panel lies right under
// it, both whole on the screen and apart: on a short screen the picture
// gives up height (never the bar), then the panel's list shrinks. A dialog
// goes where it covers neither of them nor another dialog; where the
// screen has no such place, it never covers the panel, another dialog or
// the main window's controls (its caption and menu, the bar's buttons) when
// that can be helped: it rather covers the picture, and there the other
// spaces before the active one, whose unit a unit's dialog edits.
#include <vector>

namespace velmor {

struct WindowSize {
    int width = 0;
    int height = 0;
};

// x and y are the top-left pixel; the right and bottom edges lie one past.
struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
    long long Area() const { return static_cast<long long>(width) * height; }
    bool Contains(const WindowRect& r) const;
    long long OverlapArea(const WindowRect& r) const;
    bool Intersects(const WindowRect& r) const { return OverlapArea(r) > 0; }
    bool operator==(const WindowRect&) const = default;
};

// What the window manager puts around a window's client area.
struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return left + right; }
    int Height() const { return top + bottom; }
    bool operator==(const FrameMargins&) const = default;
};

WindowRect FrameAround(const WindowRect& client, const FrameMargins& margins);

struct MainWindowsRequest {
    WindowRect work;               // the screen's work area
    FrameMargins mainFrame;
    FrameMargins panelFrame;
    WindowSize picture;            // the picture a new window shows
    WindowSize smallestPicture;    // the least a window may be shrunk to
    int barsHeight = 0;            // client height besides the picture: menu and button bars
    WindowSize panel;              // the panel's client size
    int panelLeastHeight = 0;      // the panel's client height with its list at its smallest
};

// Client rectangles; the frames are these plus the margins.
struct MainWindowsPlace {
    WindowRect main;
    WindowRect panel;
    WindowSize picture;
    // The smallest picture the main window may be resized to on this screen.
    WindowSize smallestPicture;
};

MainWindowsPlace PlaceMainWindows(const MainWindowsRequest& request);

// The main window as a dialog sees it: its frame, the parts of it that a
// dialog should leave uncovered, and where the picture shows the active
// space and the other spaces (none when they do not matter to the dialog).
struct MainWindowArea {
    WindowRect frame;
    std::vector<WindowRect> controls;
    WindowRect activeSpace;
    std::vector<WindowRect> otherSpaces;
};

// A dialog's frame of `frame` size on `work`: clear of everything in
// `keepClear` (the panel, other dialogs) and of the main window where a
// place allows, otherwise on the main window clear of its controls, over as
// little of the active space as it can, then of the other spaces, then of
// the rest. Where no place at its size leaves the controls and the other
// windows free, it is made smaller, down to `least`, to fit one (still
// sparing the active space first); failing that, it covers the least of the
// controls, then of the other windows. A dialog larger than the work area
// is cut to it.
WindowRect PlaceDialog(const WindowRect& work, const MainWindowArea& mainWindow,
                       const std::vector<WindowRect>& keepClear, WindowSize frame, WindowSize least);

} // namespace velmor
