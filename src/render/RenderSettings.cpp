#include "render/RenderSettings.h"

#include "render/RenderPassRules.h"

namespace velmor {

namespace {

RenderSettings* published = nullptr;

} // namespace

void (*ReleaseDepthTexture)(RenderSettings& settings) = nullptr;

RenderSettings::~RenderSettings()
{
    if (depthTextureBuffer != nullptr && ReleaseDepthTexture != nullptr)
        ReleaseDepthTexture(*this);
    delete[] depthTextureBuffer;
}

void RenderSettings::SetViewportSize(int32_t w, int32_t h)
{
    viewportWidth = w;
    viewportHeight = h;
    textureWidth = TextureSide(w);
    textureHeight = TextureSide(h);
    // A minimised window reports a zero side; the extents stay finite.
    const float fw = static_cast<float>(w > 0 ? w : 1), fh = static_cast<float>(h > 0 ? h : 1);
    if (w <= h) {
        halfExtentX = 1.0f;
        halfExtentY = fh / fw;
    } else {
        halfExtentX = fw / fh;
        halfExtentY = 1.0f;
    }
}

bool RenderSettings::IsInViewport(int32_t x, int32_t y) const
{
    return x >= 0 && x <= viewportWidth - 1 && y >= 0 && y <= viewportHeight - 1;
}

void PublishRenderSettings(RenderSettings* settings) { published = settings; }

RenderSettings& CurrentRenderSettings()
{
    if (published)
        return *published;
    static RenderSettings standIn;
    return standIn;
}

} // namespace velmor
