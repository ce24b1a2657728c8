// The scatter graph's drawing: GL points or small solid spheres, in their
// colours or in pick colours, one by one where points differ.
#include "render/SolidShapes.h"
#include "render/Tessellation.h"
#include "units/CKxDrawUScatterGraph.h"

#include <GL/gl.h>

namespace velmor {
namespace {

void SetMaterialColours(const Material& base, const float* ambient, const float* diffuse)
{
    Material m = base;
    for (int k = 0; k < 3; ++k) {
        m.ambient[k] = ambient[k];
        m.diffuse[k] = diffuse[k];
    }
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m.ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m.diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
}

} // namespace

void CKxDrawUScatterGraph::DrawPoints(int pass, ScatterRange range)
{
    const bool oneByOne = DrawsPointByPoint(pass);
    glPointSize(markerSize);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, components * static_cast<GLsizei>(sizeof(float)), samples);
    glPushMatrix();
    ApplyUnitTransform();
    if (pass == 1)
        glDisable(GL_LIGHTING);
    const auto prepare = [&](int32_t i) {
        if (pass == 1) {
            glColor3fv(IsHighlighted(i, oneByOne) ? HighlightMaterial.ambient : AmbientOf(i));
            return true;
        }
        uint32_t* id = PickIdOf(i, oneByOne);
        if (id != nullptr)
            SetPickColor(id);
        return id != nullptr;
    };
    if (oneByOne) {
        for (int32_t i = range.first; i < range.first + range.count; ++i)
            if (prepare(i))
                glDrawArrays(GL_POINTS, i, 1);
    } else if (prepare(range.first)) {
        glDrawArrays(GL_POINTS, range.first, range.count);
    }
    if (pass == 1)
        glEnable(GL_LIGHTING);
    glPopMatrix();
    glDisableClientState(GL_VERTEX_ARRAY);
    glPointSize(1.0f);
}

void CKxDrawUScatterGraph::DrawSpheres(int pass, ScatterRange range)
{
    const bool oneByOne = DrawsPointByPoint(pass);
    const double radii[3] = {markerSize, markerSize, markerSize};
    const int slices = BoundedDivisions(markerParameter[0], kMostMarkerDivisions);
    const int stacks = BoundedDivisions(markerParameter[1], kMostMarkerDivisions);
    const int counts[4] = {slices, stacks, slices, stacks};
    // The single material or pick colour is set with the first point.
    bool ready = false;
    for (int32_t i = range.first; i < range.first + range.count; ++i) {
        if (oneByOne || !ready) {
            if (pass == 1) {
                if (IsHighlighted(i, oneByOne))
                    SetUnitMaterial(true);
                else
                    SetMaterialColours(material, AmbientOf(i), DiffuseOf(i));
                ready = true;
            } else {
                uint32_t* id = PickIdOf(i, oneByOne);
                if (id == nullptr)
                    continue;
                SetPickColor(id);
                ready = true;
            }
        }
        double at[3];
        MarkerPosition(i, at);
        glPushMatrix();
        glTranslated(at[0], at[1], at[2]);
        DrawEllipsoid(radii, counts, true);
        glPopMatrix();
    }
}

} // namespace velmor
