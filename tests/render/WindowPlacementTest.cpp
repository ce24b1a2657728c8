// The windows' places on screens from 640 x 480 to 3840 x 2160, with and
// without a window manager's frames.
#include "render/WindowPlacement.h"

#include <gtest/gtest.h>

#include <vector>

using namespace velmor;

namespace {

constexpr FrameMargins kNoManager{};
constexpr FrameMargins kDecorated{4, 24, 4, 4};
constexpr int kBars = 25 + 50;   // menu bar and button bar

MainWindowsRequest Request(int width, int height, FrameMargins frame)
{
    MainWindowsRequest r;
    r.work = {0, 0, width, height};
    r.mainFrame = r.panelFrame = frame;
    r.picture = {1280, 720};
    r.smallestPicture = {640, 360};
    r.barsHeight = kBars;
    r.panel = {570, 330};
    r.panelLeastHeight = 200;
    return r;
}

} // namespace

TEST(WindowPlacementTest, MainWindowAndPanelFitEveryScreenApart)
{
    const WindowSize screens[] = {{640, 480}, {800, 600}, {1280, 720}, {1366, 768}, {1920, 1080}, {3840, 2160}};
    for (const FrameMargins frame : {kNoManager, kDecorated})
        for (const WindowSize s : screens) {
            const MainWindowsRequest r = Request(s.width, s.height, frame);
            const MainWindowsPlace p = PlaceMainWindows(r);
            const WindowRect main = FrameAround(p.main, frame), panel = FrameAround(p.panel, frame);
            SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " top margin " << frame.top);
            EXPECT_TRUE(r.work.Contains(main));
            EXPECT_TRUE(r.work.Contains(panel));
            EXPECT_FALSE(main.Intersects(panel));
            EXPECT_EQ(panel.y, main.Bottom()) << "the panel lies right under the main window";
            EXPECT_EQ(p.main.height, p.picture.height + kBars) << "the bars keep their height";
            EXPECT_LE(p.smallestPicture.height, p.picture.height) << "the window can stay where it was put";
            EXPECT_GT(p.picture.height, 0);
        }
}

TEST(WindowPlacementTest, ThePictureShrinksBeforeThePanelAndOnlyWhenTheScreenIsShort)
{
    const MainWindowsPlace big = PlaceMainWindows(Request(3840, 2160, kDecorated));
    EXPECT_EQ(big.picture.width, 1280);
    EXPECT_EQ(big.picture.height, 720);
    EXPECT_EQ(big.panel.height, 330);

    // 1080 - 28 (frame) - 75 (bars) - 358 (panel and its frame) = 619.
    const MainWindowsPlace hd = PlaceMainWindows(Request(1920, 1080, kDecorated));
    EXPECT_EQ(hd.picture.height, 619);
    EXPECT_EQ(hd.panel.height, 330);
    EXPECT_EQ(FrameAround(hd.panel, kDecorated).Bottom(), 1080);

    // Too short for even the smallest picture and the whole panel: the
    // panel's list gives way, down to its least height.
    const MainWindowsPlace vga = PlaceMainWindows(Request(640, 480, kDecorated));
    EXPECT_EQ(vga.panel.height, 200);
    EXPECT_EQ(vga.picture.width, 632);
    EXPECT_EQ(vga.picture.height, 480 - 28 - kBars - 228);
    EXPECT_EQ(vga.smallestPicture.width, 632);
    EXPECT_EQ(vga.smallestPicture.height, vga.picture.height);
}

TEST(WindowPlacementTest, DialogsTakeFreePlacesBesideTheWindowsAndKeepApart)
{
    const MainWindowsRequest r = Request(1920, 1080, kDecorated);
    const MainWindowsPlace p = PlaceMainWindows(r);
    const WindowRect main = FrameAround(p.main, kDecorated);
    std::vector<WindowRect> taken = {FrameAround(p.panel, kDecorated)};
    // The tool windows, the file information and the About box.
    const WindowSize dialogs[] = {{324, 311}, {416, 177}, {321, 181}, {400, 345}, {208, 129}};
    for (const WindowSize d : dialogs) {
        const WindowRect at = PlaceDialog(r.work, main, taken, d);
        EXPECT_TRUE(r.work.Contains(at));
        EXPECT_EQ(at.width, d.width);
        EXPECT_FALSE(at.Intersects(main));
        for (const WindowRect& other : taken) EXPECT_FALSE(at.Intersects(other));
        taken.push_back(at);
    }
    // The first one stands right of the main window, at its top.
    EXPECT_EQ(taken[1].x, main.Right());
    EXPECT_EQ(taken[1].y, 0);
}

TEST(WindowPlacementTest, WithoutRoomADialogCoversOnlyThePicture)
{
    const MainWindowsRequest r = Request(640, 480, kNoManager);
    const MainWindowsPlace p = PlaceMainWindows(r);
    const WindowRect main = FrameAround(p.main, kNoManager), panel = FrameAround(p.panel, kNoManager);
    const WindowRect at = PlaceDialog(r.work, main, {panel}, {300, 150});
    EXPECT_TRUE(r.work.Contains(at));
    EXPECT_FALSE(at.Intersects(panel));

    // Larger than the screen: cut to it, and on it.
    const WindowRect huge = PlaceDialog(r.work, main, {panel}, {900, 700});
    EXPECT_EQ(huge, (WindowRect{0, 0, 640, 480}));
}
