#include "render/WindowPlacement.h"

#include <algorithm>
#include <limits>

namespace velmor {

bool WindowRect::Contains(const WindowRect& r) const
{
    return r.x >= x && r.y >= y && r.Right() <= Right() && r.Bottom() <= Bottom();
}

long long WindowRect::OverlapArea(const WindowRect& r) const
{
    const long long w = std::min(Right(), r.Right()) - std::max(x, r.x);
    const long long h = std::min(Bottom(), r.Bottom()) - std::max(y, r.y);
    return w > 0 && h > 0 ? w * h : 0;
}

WindowRect FrameAround(const WindowRect& client, const FrameMargins& m)
{
    return {client.x - m.left, client.y - m.top, client.width + m.Width(), client.height + m.Height()};
}

MainWindowsPlace PlaceMainWindows(const MainWindowsRequest& r)
{
    const int workHeight = r.work.height;
    const int mainChrome = r.barsHeight + r.mainFrame.Height();
    const int panelFull = r.panel.height + r.panelFrame.Height();
    const int panelLeast = std::min(r.panelLeastHeight, r.panel.height) + r.panelFrame.Height();

    // Height goes first from the picture, down to its smallest, then from
    // the panel's list; what the screen still lacks leaves the picture.
    int pictureHeight = std::min(r.picture.height, workHeight - panelFull - mainChrome);
    int panelHeight = panelFull;
    if (pictureHeight < r.smallestPicture.height) {
        panelHeight = std::max(panelLeast, workHeight - mainChrome - r.smallestPicture.height);
        pictureHeight = workHeight - panelHeight - mainChrome;
    }
    pictureHeight = std::max(1, pictureHeight);

    MainWindowsPlace place;
    const int pictureWidth = std::max(1, std::min(r.picture.width, r.work.width - r.mainFrame.Width()));
    place.picture = {pictureWidth, pictureHeight};
    place.smallestPicture = {std::min(r.smallestPicture.width, pictureWidth),
                             std::min(r.smallestPicture.height, pictureHeight)};
    place.main = {r.work.x + r.mainFrame.left, r.work.y + r.mainFrame.top, pictureWidth, pictureHeight + r.barsHeight};
    const WindowRect mainFrame = FrameAround(place.main, r.mainFrame);
    place.panel = {r.work.x + r.panelFrame.left, mainFrame.Bottom() + r.panelFrame.top,
                   std::max(1, std::min(r.panel.width, r.work.width - r.panelFrame.Width())),
                   std::max(1, panelHeight - r.panelFrame.Height())};
    return place;
}

namespace {

WindowRect ClampInto(const WindowRect& work, WindowRect r)
{
    r.x = std::clamp(r.x, work.x, work.Right() - r.width);
    r.y = std::clamp(r.y, work.y, work.Bottom() - r.height);
    return r;
}

// Beside and under each window that is already there, and the corners of
// the screen: a free place, where there is one, touches one of these.
std::vector<WindowRect> Candidates(const WindowRect& work, const std::vector<WindowRect>& around, int w, int h)
{
    std::vector<WindowRect> spots;
    auto add = [&](int x, int y) { spots.push_back(ClampInto(work, {x, y, w, h})); };
    for (const WindowRect& r : around) {
        add(r.Right(), r.y);
        add(r.Right(), r.Bottom() - h);
        add(r.x, r.Bottom());
        add(r.Right() - w, r.Bottom());
        add(r.x - w, r.y);
        add(r.x, r.y - h);
        add(r.Right() - w, r.y);   // inside, at the top right
    }
    add(work.Right() - w, work.y);
    add(work.Right() - w, work.Bottom() - h);
    add(work.x, work.Bottom() - h);
    add(work.x, work.y);
    return spots;
}

} // namespace

WindowRect PlaceDialog(const WindowRect& work, const WindowRect& mainWindow, const std::vector<WindowRect>& keepClear,
                       WindowSize frame)
{
    const int w = std::clamp(frame.width, 1, std::max(1, work.width));
    const int h = std::clamp(frame.height, 1, std::max(1, work.height));
    std::vector<WindowRect> around = keepClear;
    around.insert(around.begin(), mainWindow);

    // Covering the panel or another dialog weighs more than covering the
    // whole main window.
    const long long kClearWeight = static_cast<long long>(work.width + 1) * (work.height + 1);
    WindowRect best;
    long long bestCost = std::numeric_limits<long long>::max();
    for (const WindowRect& spot : Candidates(work, around, w, h)) {
        long long cost = spot.OverlapArea(mainWindow);
        for (const WindowRect& r : keepClear) cost += kClearWeight * spot.OverlapArea(r);
        if (cost < bestCost) {
            bestCost = cost;
            best = spot;
        }
    }
    return best;
}

} // namespace velmor
