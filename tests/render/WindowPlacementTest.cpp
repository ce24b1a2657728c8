// Window places on short and tall screens, framed by a window manager.
#include "render/WindowPlacement.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

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
    const WindowRect at = PlaceDialog(r.work, {main, {}, {}, {}}, {FrameAround(p.panel, r.panelFrame)}, {324, 311}, {324, 311});
    EXPECT_EQ(at, (WindowRect{main.Right(), 0, 324, 311}));
    // Larger than the screen: cut to it.
    EXPECT_EQ(PlaceDialog({0, 0, 640, 480}, {main, {}, {}, {}}, {}, {900, 700}, {900, 700}), (WindowRect{0, 0, 640, 480}));

    // A unit's dialog with no room beside the main window (1280 x 720; 1920 x 1080 with the tool
    // windows open) lies over the other space, whichever the active one is, clear of the rest.
    for (const int width : {1280, 1920}) {
        r.work = {0, 0, width, width * 9 / 16};
        const MainWindowsPlace place = PlaceMainWindows(r);
        const WindowRect window = FrameAround(place.main, r.mainFrame), left{300, 44, 380, place.picture.height},
                         right{700, 44, 380, place.picture.height};
        std::vector<WindowRect> controls = {{0, 0, window.width, 44}, {window.Right() - 580, window.Bottom() - 53, 576, 48}},
                                clear = {FrameAround(place.panel, r.panelFrame)};
        if (width > 1280) clear.insert(clear.end(), {{1288, 0, 330, 310}, {1288, 500, 317, 176}, {962, 722, 282, 180}, {1288, 722, 406, 344}});
        for (const auto& [active, other] : {std::pair{left, right}, {right, left}}) {
            const WindowRect at = PlaceDialog(r.work, {window, controls, active, {other}}, clear, {560, 300}, {560, 300});
            EXPECT_TRUE(window.Contains(at) && !at.Intersects(active)) << width << " " << active.x;
            for (const WindowRect& rect : controls) EXPECT_FALSE(at.Intersects(rect)) << width << " " << active.x;
            for (const WindowRect& rect : clear) EXPECT_FALSE(at.Intersects(rect)) << width << " " << active.x;
        }
    }
}
