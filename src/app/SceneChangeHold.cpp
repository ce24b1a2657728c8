#include "app/SceneChangeHold.h"

#include <utility>

namespace velmor {
namespace {

int gHolds = 0;

std::function<void()>& ReleasedHook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

SceneChangeHold::SceneChangeHold() { ++gHolds; }

SceneChangeHold::~SceneChangeHold()
{
    if (--gHolds == 0 && ReleasedHook()) ReleasedHook()();
}

bool SceneChangeHold::Active() { return gHolds > 0; }

void SceneChangeHold::SetReleasedHook(std::function<void()> hook) { ReleasedHook() = std::move(hook); }

} // namespace velmor
