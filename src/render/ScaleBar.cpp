#include "render/ScaleBar.h"

#include "export/ExportNumberText.h"
#include "platform/WideText.h"
#include "render/GeometryRoutines.h"
#include "render/RenderSettings.h"

namespace velmor {

ScaleBarLayout LayOutScaleBar(const RenderSettings& s, const std::wstring& rootUnit, double rootPitch, double paneZoom)
{
    ScaleBarLayout bar;
    if (s.scaleBarAvailable == 0 || s.scaleBarShow == 0 || s.projection != 0) return bar;
    // A pitch of 0 would put the bar's end at infinity; such a pane has no
    // measurable length, so it gets no bar.
    if (!(rootPitch > 0.0) || !(s.halfExtentX > 0.0f) || s.viewportWidth <= 0) return bar;
    bar.shown = true;
    const double f = UnitFactor(rootUnit, s.scaleBarUnit);
    bar.x0 = s.scaleBarPosition[0];
    bar.y = s.scaleBarPosition[1];
    bar.x1 = static_cast<float>(bar.x0 + 2.0 * (s.scaleBarLength * f / rootPitch) * paneZoom);
    const double pixelsPerUnit = (s.viewportWidth / 2.0) / s.halfExtentX;
    bar.labelY = static_cast<float>(bar.y + 10.0 / pixelsPerUnit);
    bar.label = Utf8ToWide(FormatG(s.scaleBarLength)) + L" " + s.scaleBarUnit;
    return bar;
}

} // namespace velmor
