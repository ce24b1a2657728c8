// The walks of the group tree that draw.
#include "render/RenderSettings.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"
#include "units/GroupWalk.h"

#include <GL/gl.h>

namespace velmor {

void DrawGroup::ApplyNormalization() const
{
    glTranslated(translation[0], translation[1], translation[2]);
    glScaled(scale[0], scale[1], scale[2]);
    glTranslated(-offset[0], -offset[1], -offset[2]);
    glTranslated(-centre[0], -centre[1], -centre[2]);
}

namespace {

void DrawOwnUnits(DrawGroup& group, int pass)
{
    const RenderSettings& settings = CurrentRenderSettings();
    if (!group.HasUnits() || group.layer != settings.currentLayer)
        return;
    bool clipWasOn = false;
    if (!group.clipAbility) {
        clipWasOn = glIsEnabled(GL_CLIP_PLANE0);
        glDisable(GL_CLIP_PLANE0);
    }
    glPushMatrix();
    if (group.layer == 1 && settings.objectMatrix != nullptr)
        glMultMatrixf(settings.objectMatrix);
    for (CKxDrawUnit* unit : group.units) {
        if (!unit->valid)
            continue;
        if (pass == 3) {
            unit->pickId = 0;
            // A pick colour must reach the picture unlit, whatever the unit
            // drawn before switched back on.
            glDisable(GL_LIGHTING);
        }
        unit->Draw(pass);
    }
    glPopMatrix();
    if (!group.clipAbility && clipWasOn)
        glEnable(GL_CLIP_PLANE0);
}

} // namespace

void DrawGroup::DrawTree(int pass)
{
    WalkGroups(
        *this, [](DrawGroup& group) { return group.IsInTimeRange(); }, [pass](DrawGroup& group) { DrawOwnUnits(group, pass); });
}

} // namespace velmor
