#include "render/RenderSettings.h"

namespace velmor {

namespace {

RenderSettings* published = nullptr;

} // namespace

void PublishRenderSettings(RenderSettings* settings) { published = settings; }

RenderSettings& CurrentRenderSettings()
{
    if (published)
        return *published;
    static RenderSettings standIn;
    return standIn;
}

} // namespace velmor
