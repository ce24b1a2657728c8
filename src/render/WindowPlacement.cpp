#include "render/WindowPlacement.h"

#include <algorithm>
#include <compare>
#include <optional>
#include <tuple>

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

// What a place covers, worst first: the main window's controls, then the
// panel and other dialogs, then the active space, the other spaces and the
// rest of the main window.
struct Coverage {
    long long controls = 0;
    long long windows = 0;
    long long activeSpace = 0;
    long long otherSpaces = 0;
    long long mainWindow = 0;
    auto operator<=>(const Coverage&) const = default;
    bool CoversAny() const { return controls > 0 || windows > 0; }
};

long long TotalOverlap(const WindowRect& spot, const std::vector<WindowRect>& rects)
{
    long long sum = 0;
    for (const WindowRect& r : rects) sum += spot.OverlapArea(r);
    return sum;
}

// The largest part of `spot` beside `r`, at least `least` in size; none
// when every part beside it is smaller.
std::optional<WindowRect> BesideOf(const WindowRect& spot, const WindowRect& r, WindowSize least)
{
    const WindowRect parts[] = {
        {spot.x, spot.y, spot.width, r.y - spot.y},
        {spot.x, r.Bottom(), spot.width, spot.Bottom() - r.Bottom()},
        {spot.x, spot.y, r.x - spot.x, spot.height},
        {r.Right(), spot.y, spot.Right() - r.Right(), spot.height},
    };
    std::optional<WindowRect> best;
    for (const WindowRect& part : parts) {
        if (part.width < least.width || part.height < least.height) continue;
        if (!best || part.Area() > best->Area()) best = part;
    }
    return best;
}

} // namespace

WindowRect PlaceDialog(const WindowRect& work, const MainWindowArea& mainWindow,
                       const std::vector<WindowRect>& keepClear, WindowSize frame, WindowSize least)
{
    const int w = std::clamp(frame.width, 1, std::max(1, work.width));
    const int h = std::clamp(frame.height, 1, std::max(1, work.height));
    // Beside the controls and the spaces lie the places on the picture that
    // leave them free.
    std::vector<WindowRect> around = keepClear;
    around.insert(around.end(), mainWindow.controls.begin(), mainWindow.controls.end());
    around.insert(around.end(), mainWindow.otherSpaces.begin(), mainWindow.otherSpaces.end());
    if (mainWindow.activeSpace.Area() > 0) around.insert(around.begin(), mainWindow.activeSpace);
    around.insert(around.begin(), mainWindow.frame);
    auto coverage = [&](const WindowRect& spot) {
        return Coverage{TotalOverlap(spot, mainWindow.controls), TotalOverlap(spot, keepClear),
                        spot.OverlapArea(mainWindow.activeSpace), TotalOverlap(spot, mainWindow.otherSpaces),
                        spot.OverlapArea(mainWindow.frame)};
    };

    const std::vector<WindowRect> spots = Candidates(work, around, w, h);
    WindowRect best = spots.front();
    Coverage leastCovered = coverage(best);
    for (const WindowRect& spot : spots) {
        const Coverage c = coverage(spot);
        if (c < leastCovered) {
            leastCovered = c;
            best = spot;
        }
    }
    if (!leastCovered.CoversAny()) return best;

    // No place at the full size leaves the others free: a dialog that may
    // be smaller takes the largest part of a place beside what it would
    // cover that spares the active space most, whatever else of the main
    // window that part covers.
    auto rank = [&](const WindowRect& spot) {
        const Coverage c = coverage(spot);
        return std::tuple(c.controls, c.windows, c.activeSpace, -spot.Area(), c.otherSpaces, c.mainWindow);
    };
    auto bestRank = rank(best);
    for (const WindowRect& spot : spots) {
        std::optional<WindowRect> part = spot;
        for (const std::vector<WindowRect>* rects : {&mainWindow.controls, &keepClear})
            for (const WindowRect& r : *rects)
                if (part && part->Intersects(r)) part = BesideOf(*part, r, least);
        if (part && rank(*part) < bestRank) {
            bestRank = rank(*part);
            best = *part;
        }
    }
    return best;
}

} // namespace velmor
