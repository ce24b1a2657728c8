// Window places on short and tall screens, framed by a window manager.
#include "render/WindowPlacement.h"

#include <gtest/gtest.h>

#include <array>

using namespace velmor;

TEST(WindowPlacementTest, ThePictureGivesWayFirstThenThePanelAndDialogsTakeFreePlaces)
{
    MainWindowsRequest r;
    r.mainFrame = r.panelFrame = {4, 24, 4, 4};
    r.picture = {1280, 720};
    r.smallestPicture = {640, 360};
    r.barsHeight = 75;
    r.panel = {570, 330};
    r.panelLeastHeight = 200;
    // Work height -> picture height, panel height: whole; the picture shrunk
    // (1080 - 28 - 75 - 358); also below its smallest, the panel at its least.
    for (const auto [height, picture, panel] : {std::array{2160, 720, 330}, {1080, 619, 330}, {480, 149, 200}}) {
        r.work = {0, 0, height * 16 / 9, height};
        const MainWindowsPlace p = PlaceMainWindows(r);
        const WindowRect main = FrameAround(p.main, r.mainFrame), below = FrameAround(p.panel, r.panelFrame);
        EXPECT_EQ(p.picture.height, picture) << height;
        EXPECT_EQ(p.main.height, picture + r.barsHeight) << height;
        EXPECT_EQ(p.panel.height, panel) << height;
        EXPECT_EQ(below.y, main.Bottom()) << height;
        EXPECT_TRUE(r.work.Contains(main) && r.work.Contains(below)) << height;
        EXPECT_LE(p.smallestPicture.height, p.picture.height) << height;
    }

    // A dialog goes right of the main window, clear of the panel under it.
    r.work = {0, 0, 1920, 1080};
    const MainWindowsPlace p = PlaceMainWindows(r);
    const WindowRect main = FrameAround(p.main, r.mainFrame);
    const WindowRect at = PlaceDialog(r.work, {main, {}}, {FrameAround(p.panel, r.panelFrame)}, {324, 311}, {324, 311});
    EXPECT_EQ(at, (WindowRect{main.Right(), 0, 324, 311}));
    // Larger than the screen: cut to it.
    EXPECT_EQ(PlaceDialog({0, 0, 640, 480}, {main, {}}, {}, {900, 700}, {900, 700}), (WindowRect{0, 0, 640, 480}));
}

// A main window as wide as the screen, the panel under its left part: the
// free corner beside the panel is too short for the dialog, which goes over
// the picture rather than over the caption, the menu or the bar's buttons.
TEST(WindowPlacementTest, ADialogCoversThePictureRatherThanTheMainWindowsControls)
{
    const WindowRect work{0, 0, 1280, 720};
    const WindowRect caption{0, 0, 1280, 46}, buttons{492, 388, 788, 48};
    const MainWindowArea main{{0, 0, 1280, 437}, {caption, buttons}};
    const WindowRect panel{0, 437, 570, 283};
    for (const WindowSize size : {WindowSize{324, 311}, WindowSize{400, 341}, WindowSize{208, 129}}) {
        const WindowRect at = PlaceDialog(work, main, {panel}, size, size);
        EXPECT_TRUE(work.Contains(at)) << size.width;
        EXPECT_EQ(at.height, size.height);
        for (const WindowRect& kept : {caption, buttons, panel}) EXPECT_FALSE(at.Intersects(kept)) << size.width;
    }
    // A short dialog still fits in the free corner, clear of everything.
    EXPECT_FALSE(PlaceDialog(work, main, {panel}, {208, 129}, {208, 129}).Intersects(main.frame));

    // Two dialogs already on the picture, one free place a row too short:
    // a dialog that may shrink fits it, one that may not covers a dialog
    // rather than the buttons.
    const std::vector<WindowRect> others = {panel, {0, 100, 324, 311}, {324, 100, 321, 181}, {864, 437, 416, 177}};
    const WindowRect shrunk = PlaceDialog(work, main, others, {400, 343}, {300, 200});
    EXPECT_EQ(shrunk.height, 342);
    const WindowRect fixed = PlaceDialog(work, main, others, {400, 343}, {400, 343});
    EXPECT_EQ(fixed.height, 343);
    for (const WindowRect& at : {shrunk, fixed}) EXPECT_FALSE(at.Intersects(buttons) || at.Intersects(caption));
    for (const WindowRect& other : others) EXPECT_FALSE(shrunk.Intersects(other));
}
