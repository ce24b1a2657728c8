// Drawing of the mesh units: filled, wireframe and point passes, buffer
// objects, and the stencil cap that closes a clipped mesh.
#include "render/GLExtensions.h"
#include "render/RenderSettings.h"
#include "scene/ApplicationSettings.h"
#include "scene/DataObject.h"
#include "units/CKxDrawUTriangles.h"
#include "units/ColorLut.h"
#include "units/DrawGroup.h"
#include "units/MeshUnitDrawing.h"

#include <GL/gl.h>

#include <cstdint>

namespace velmor {
namespace {

constexpr uint64_t kFilledNeed = 72000000;   // one chunk: 3 vertices x 3 floats x 4 bytes x 2 arrays
constexpr uint64_t kWireNeed = 36000000;
constexpr uint64_t kMaxCallTriangles = 700000000;   // 3 x this still fits a GLsizei
constexpr uint64_t kMaxCallPoints = 2000000000;

class MeshPainter {
public:
    explicit MeshPainter(CKxDrawUTriangles& unit) : u_(unit) {}

    void DrawMesh(int pass);
    void DrawShaded(bool pick, bool translucent, bool updateCapTexture, bool stencilCap);
    void DrawWireframe(bool translucent);
    void DrawUnlitPoints();
    void DrawPartFilled(int part);
    void DrawPartWire(int part);
    void DrawPartPoints(int part);
    void DrawCapQuad(bool untextured);

private:
    float ClippedFactor() const { return CurrentRenderSettings().drawingClippedPart ? u_.translucentOpacity : 1.0f; }
    MaterialPreset PartMaterial(int part) const;
    void SetMaterial(const MaterialPreset& m) const;
    void PlaceMesh() const;
    // Draws the part's triangles from buffers or in chunks from the arrays;
    // false when no video memory could be found for the arrays.
    bool DrawPartTriangles(int part, uint64_t need);
    void UpdateCapTexture();
    // The matrix that carries a point of the clip plane (the cap quad's
    // coordinates) into the mesh's data coordinates.
    void SectionFrame(double m[16]) const;

    CKxDrawUTriangles& u_;
};

MaterialPreset MeshPainter::PartMaterial(int part) const
{
    MaterialPreset m;
    if (u_.selected) {
        const Material& h = HighlightMaterial;
        for (int i = 0; i < 4; ++i) {
            m.ambient[i] = h.ambient[i];
            m.diffuse[i] = h.diffuse[i];
            m.specular[i] = h.specular[i];
        }
        m.shininess = h.shininess;
    } else {
        m = u_.partMaterials[part];
    }
    return m;
}

void Translucent(MaterialPreset& m, float factor)
{
    for (int i = 0; i < 3; ++i) {
        m.ambient[i] = TranslucentChannel(m.ambient[i], factor);
        m.diffuse[i] = TranslucentChannel(m.diffuse[i], factor);
        m.specular[i] = TranslucentChannel(m.specular[i], factor);
    }
}

void MeshPainter::SetMaterial(const MaterialPreset& m) const
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m.ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m.diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
}

void MeshPainter::PlaceMesh() const
{
    u_.ApplyUnitTransform();
    glScaled(u_.pitch[0], u_.pitch[1], u_.pitch[2]);
}

void MeshPainter::DrawMesh(int pass)
{
    const MeshDrawPlan plan = PlanMeshDraw(pass, u_.DrawInputs());
    for (int i = 0; i < plan.count; ++i) {
        const MeshDrawStep& s = plan.steps[i];
        switch (s.kind) {
        case MeshDrawStep::Shaded: DrawShaded(s.pick, s.translucent, s.updateCapTexture, s.stencilCap); break;
        case MeshDrawStep::Wireframe: DrawWireframe(s.translucent); break;
        case MeshDrawStep::UnlitPoints: DrawUnlitPoints(); break;
        }
    }
}

void MeshPainter::DrawShaded(bool pick, bool translucent, bool updateCapTexture, bool stencilCap)
{
    const GLboolean wasLit = glIsEnabled(GL_LIGHTING);
    if (pick) {
        glDisable(GL_LIGHTING);
        u_.SetPickColor(&u_.pickId);
    }
    for (int i = 0; i < kMeshPartCount; ++i) {
        if (u_.parts[i].triangleCount == 0) continue;
        if (!pick) {
            MaterialPreset m = PartMaterial(i);
            if (translucent) Translucent(m, ClippedFactor());
            SetMaterial(m);
        }
        if (stencilCap) {
            glEnable(GL_STENCIL_TEST);
            glStencilOp(GL_INVERT, GL_INVERT, GL_INVERT);
            glStencilFunc(GL_ALWAYS, 0, ~0u);
        }
        glPushMatrix();
        PlaceMesh();
        DrawPartFilled(i);
        glPopMatrix();
        const bool capPart = u_.colorSchemeMode != 0 && i == 0;
        if (updateCapTexture && capPart && u_.capTextured) UpdateCapTexture();
        if (stencilCap) {
            glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
            glStencilFunc(GL_NOTEQUAL, 0, ~0u);
            DrawCapQuad(capPart ? pick : true);
            glClear(GL_STENCIL_BUFFER_BIT);
            glDisable(GL_STENCIL_TEST);
        }
    }
    if (pick && wasLit) glEnable(GL_LIGHTING);
}

void MeshPainter::SectionFrame(double m[16]) const
{
    const RenderSettings& rs = CurrentRenderSettings();
    glPushMatrix();
    glLoadIdentity();
    glScaled(1.0 / u_.pitch[0], 1.0 / u_.pitch[1], 1.0 / u_.pitch[2]);
    const double* c = u_.topGroup->centre;
    glTranslated(c[0], c[1], c[2]);
    glTranslated(u_.pivot[0], u_.pivot[1], u_.pivot[2]);
    glScaled(1.0 / u_.scale[0], 1.0 / u_.scale[1], 1.0 / u_.scale[2]);
    glTranslated(-u_.translation[0], -u_.translation[1], -u_.translation[2]);
    glMultMatrixf(rs.clipMatrix);
    glTranslated(0, 0, rs.clipOffset);
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
}

void MeshPainter::UpdateCapTexture()
{
    RenderSettings& rs = CurrentRenderSettings();
    if (u_.clipCapData == nullptr || u_.clipCapData->samples == nullptr || u_.topGroup == nullptr ||
        rs.clipMatrix == nullptr)
        return;
    if (u_.capTextureDirty) {
        if (!u_.capLut) u_.capLut = ColorLutHandle(new ColorLut, [](ColorLut* lut) { delete lut; });
        u_.capLut->SetupSection(*u_.clipCapData, u_.topGroup->extent, u_.topGroup->lengthUnit);
        if (!u_.capLut->CreateSection(u_.colorTable)) {
            u_.capTextured = false;
            u_.capTextureDirty = false;
            u_.ReportLoadFailure(L"clip cap texture error");
            return;
        }
    }
    double m[16];
    SectionFrame(m);
    bool changed = u_.capClipOffset != rs.clipOffset;
    for (int i = 0; i < 16; ++i) changed = changed || u_.capClipMatrix[i] != rs.clipMatrix[i];
    for (int i = 0; i < 16; ++i) changed = changed || u_.capSectionFrame[i] != m[i];
    if (!changed && !u_.capRebuild && !u_.capTextureDirty) return;
    u_.capClipOffset = rs.clipOffset;
    for (int i = 0; i < 16; ++i) u_.capClipMatrix[i] = rs.clipMatrix[i];
    for (int i = 0; i < 16; ++i) u_.capSectionFrame[i] = m[i];
    u_.capRebuild = u_.capTextureDirty = false;

    glEnable(GL_TEXTURE_2D);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, u_.capLut->textureId);
    const DataObject& cap = *u_.clipCapData;
    u_.capLut->Apply(cap.samples, cap.payloadBytes, u_.colorTableLow, u_.colorTableUp, u_.colorTable, m);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void MeshPainter::DrawCapQuad(bool untextured)
{
    RenderSettings& rs = CurrentRenderSettings();
    // The cap is drawn in the normal light, even in the dim shadowed pass.
    const uint32_t lightMode = rs.lightMode;
    rs.SetLightMode(0);
    const bool clipping = glIsEnabled(GL_CLIP_PLANE0);
    glDisable(GL_CLIP_PLANE0);
    auto place = [&rs] {
        glPushMatrix();
        if (rs.clipMatrix != nullptr) glMultMatrixf(rs.clipMatrix);
        glTranslated(0, 0, rs.clipOffset);
    };
    if (!untextured && u_.capTextured && u_.capLut && u_.capLut->textureId != 0 && u_.capLut->sectionSize != 0) {
        const ColorLut& lut = *u_.capLut;
        glEnable(GL_TEXTURE_2D);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glBindTexture(GL_TEXTURE_2D, lut.textureId);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        const double r = double(lut.sectionSamples) / double(lut.sectionSize);
        const double t = (lut.sectionScale - kSectionHalfSize) / 2.0;
        const double h = kSectionHalfSize;
        place();
        glBegin(GL_QUADS);
        glNormal3d(0, 0, 1);
        glTexCoord2d(t, r - t);
        glVertex3d(-h, h, 0);
        glTexCoord2d(t, t);
        glVertex3d(-h, -h, 0);
        glTexCoord2d(r - t, t);
        glVertex3d(h, -h, 0);
        glTexCoord2d(r - t, r - t);
        glVertex3d(h, h, 0);
        glEnd();
        glPopMatrix();
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
    } else {
        const double h = 1.73205;
        place();
        glBegin(GL_QUADS);
        glNormal3d(0, 0, 1);
        glVertex3d(-h, h, 0);
        glVertex3d(-h, -h, 0);
        glVertex3d(h, -h, 0);
        glVertex3d(h, h, 0);
        glEnd();
        glPopMatrix();
    }
    if (clipping) glEnable(GL_CLIP_PLANE0);
    rs.SetLightMode(lightMode);
}

void MeshPainter::DrawWireframe(bool translucent)
{
    for (int i = 0; i < kMeshPartCount; ++i) {
        if (u_.parts[i].triangleCount == 0) continue;
        MaterialPreset m = PartMaterial(i);
        if (translucent) {
            Translucent(m, ClippedFactor());
        } else if (!u_.selected) {
            for (int k = 0; k < 3; ++k) {
                m.ambient[k] *= 0.5f;
                m.diffuse[k] *= 0.5f;
                m.specular[k] *= 0.5f;
            }
        }
        SetMaterial(m);
        glPushMatrix();
        PlaceMesh();
        DrawPartWire(i);
        glPopMatrix();
    }
}

void MeshPainter::DrawUnlitPoints()
{
    glDisable(GL_LIGHTING);
    const float f = ClippedFactor();
    auto colour = [&](int part) {
        const MaterialPreset m = PartMaterial(part);
        GLfloat rgb[3];
        for (int k = 0; k < 3; ++k) rgb[k] = (m.ambient[k] * 1.6666666f + m.diffuse[k] * 0.71428573f) * 0.65f * f;
        glColor3fv(rgb);
    };
    auto draw = [&](int part) {
        colour(part);
        glPushMatrix();
        PlaceMesh();
        DrawPartPoints(part);
        glPopMatrix();
    };
    if (u_.drawAsPoints) {
        if (u_.mesh.vertexCount != 0) draw(0);
    } else {
        for (int i = 0; i < kMeshPartCount; ++i)
            if (u_.parts[i].triangleCount != 0) draw(i);
    }
    glEnable(GL_LIGHTING);
}

bool MeshPainter::DrawPartTriangles(int part, uint64_t need)
{
    // Part ranges come from the unit's own loads; one reaching past the
    // index array is drawn only as far as the array goes.
    const MeshPartRange& range = u_.parts[part];
    const uint64_t total = u_.mesh.triangleCount;
    const uint64_t first = range.firstTriangle < total ? range.firstTriangle : total;
    const uint64_t n = range.triangleCount < total - first ? range.triangleCount : total - first;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    if (u_.buffersBuilt) {
        GLCaps.bindBuffer(GL_ARRAY_BUFFER, u_.vertexBuffer);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        GLCaps.bindBuffer(GL_ARRAY_BUFFER, u_.normalBuffer);
        glNormalPointer(GL_FLOAT, 0, nullptr);
        GLCaps.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, u_.indexBuffer);
        // One call normally; a count past what GLsizei holds goes in pieces.
        for (uint64_t done = 0; done < n; done += kMaxCallTriangles) {
            const uint64_t count = n - done < kMaxCallTriangles ? n - done : kMaxCallTriangles;
            glDrawElements(GL_TRIANGLES, GLsizei(count * 3), GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>((first + done) * 12));
        }
        GLCaps.bindBuffer(GL_ARRAY_BUFFER, 0);
        GLCaps.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    } else {
        if (!EnsureVideoMemoryAll(VideoMemoryNeed(need))) {
            glDisableClientState(GL_VERTEX_ARRAY);
            glDisableClientState(GL_NORMAL_ARRAY);
            if (GLCaps.bindBuffer != nullptr) {
                GLCaps.bindBuffer(GL_ARRAY_BUFFER, 0);
                GLCaps.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
            }
            u_.DeleteBuffers();
            return false;
        }
        glVertexPointer(3, GL_FLOAT, 0, u_.mesh.vertices);
        // A mesh whose normal array could not be had draws without one.
        if (u_.mesh.normals != nullptr) glNormalPointer(GL_FLOAT, 0, u_.mesh.normals);
        else glDisableClientState(GL_NORMAL_ARRAY);
        const uint64_t full = FullClientArrayChunks(n);
        for (uint64_t k = 0; k < full; ++k)
            glDrawElements(GL_TRIANGLES, GLsizei(kClientArrayChunk * 3), GL_UNSIGNED_INT,
                           u_.mesh.indices + (first + kClientArrayChunk * k) * 3);
        glDrawElements(GL_TRIANGLES, GLsizei(LastClientArrayChunk(n) * 3), GL_UNSIGNED_INT,
                       u_.mesh.indices + (first + kClientArrayChunk * full) * 3);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    return true;
}

void MeshPainter::DrawPartFilled(int part)
{
    // Culling leaves out the faces whose front turns one way (the shadow map
    // keeps those turned from the light). Along any ray a closed surface
    // wound one way still shows there by its faces on the other side; a mesh
    // that encloses nothing may have none: an open sheet facing the light
    // would cast no shadow, and one wound both ways cast one with holes.
    // Only here is it worth finding out which a mesh is.
    const bool keepBothSides = glIsEnabled(GL_CULL_FACE) && !Encloses(u_.mesh);
    if (keepBothSides) glDisable(GL_CULL_FACE);
    DrawPartTriangles(part, kFilledNeed);
    if (keepBothSides) glEnable(GL_CULL_FACE);
}

void MeshPainter::DrawPartWire(int part)
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    DrawPartTriangles(part, kWireNeed);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void MeshPainter::DrawPartPoints(int part)
{
    if (!u_.drawAsPoints) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
        DrawPartTriangles(part, kWireNeed);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        return;
    }
    if (u_.mesh.vertexCount == 0) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    if (u_.buffersBuilt) GLCaps.bindBuffer(GL_ARRAY_BUFFER, u_.vertexBuffer);
    // A byte offset into the buffer object, or an address in the array.
    const uintptr_t base = u_.buffersBuilt ? 0 : reinterpret_cast<uintptr_t>(u_.mesh.vertices);
    const uint64_t n = u_.mesh.vertexCount;
    for (uint64_t done = 0; done < n; done += kMaxCallPoints) {
        glVertexPointer(3, GL_FLOAT, 0, reinterpret_cast<const void*>(base + done * 12));
        glDrawArrays(GL_POINTS, 0, GLsizei(n - done < kMaxCallPoints ? n - done : kMaxCallPoints));
    }
    if (u_.buffersBuilt) GLCaps.bindBuffer(GL_ARRAY_BUFFER, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
}

bool DeleteMeshBuffers(CKxDrawUTriangles& unit)
{
    bool deleted = false;
    for (uint32_t* name : {&unit.vertexBuffer, &unit.normalBuffer, &unit.indexBuffer}) {
        if (*name == 0) continue;
        if (GLCaps.deleteBuffers != nullptr) GLCaps.deleteBuffers(1, name);
        *name = 0;
        deleted = true;
    }
    return deleted;
}

// One buffer object filled from `bytes` of `source`; false on a GL error.
bool Upload(uint32_t& name, GLenum target, const void* source, uint64_t bytes)
{
    GLCaps.genBuffers(1, &name);
    GLCaps.bindBuffer(target, name);
    GLCaps.bufferData(target, GLsizeiptr(bytes), source, GL_DYNAMIC_DRAW);
    return glGetError() == GL_NO_ERROR;
}

void BuildMeshBuffers(CKxDrawUTriangles& u)
{
    u.DeleteBuffers();
    if (!CurrentApplicationSettings().useVBO || GLCaps.genBuffers == nullptr || GLCaps.bindBuffer == nullptr ||
        GLCaps.bufferData == nullptr || GLCaps.deleteBuffers == nullptr)
        return;
    const TriangleMesh& m = u.mesh;
    // Sizes of meshes from files: products past 64 bits or past what GL
    // can address take no buffers.
    const uint64_t limit = uint64_t(1) << 40;
    if (m.vertexCount > limit || m.triangleCount > limit) return;
    const uint64_t vertexBytes = m.vertexCount * 12, indexBytes = m.triangleCount * 12;
    u.bufferBytes = u.drawAsPoints ? vertexBytes : vertexBytes + indexBytes + vertexBytes;
    bool ok = EnsureVideoMemory(VideoMemoryNeed(u.bufferBytes));
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {}   // earlier errors are not ours
    if (ok && u.drawAsPoints) {
        if (m.vertexCount != 0) ok = Upload(u.vertexBuffer, GL_ARRAY_BUFFER, m.vertices, vertexBytes);
    } else if (ok && m.triangleCount != 0) {
        ok = m.normals != nullptr && Upload(u.vertexBuffer, GL_ARRAY_BUFFER, m.vertices, vertexBytes) &&
             Upload(u.normalBuffer, GL_ARRAY_BUFFER, m.normals, vertexBytes);
        GLCaps.bindBuffer(GL_ARRAY_BUFFER, 0);
        ok = ok && Upload(u.indexBuffer, GL_ELEMENT_ARRAY_BUFFER, m.indices, indexBytes);
        GLCaps.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }
    if (!ok) {
        GLCaps.bindBuffer(GL_ARRAY_BUFFER, 0);
        GLCaps.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        u.DeleteBuffers();
        return;
    }
    GLCaps.bindBuffer(GL_ARRAY_BUFFER, 0);
    u.buffersBuilt = true;
    u.rebuildBuffers = false;
}

} // namespace

void InstallMeshUnitDrawing()
{
    MeshDrawing.buildBuffers = &BuildMeshBuffers;
    MeshDrawing.deleteBuffers = &DeleteMeshBuffers;
    MeshDrawing.drawMesh = [](CKxDrawUTriangles& unit, int pass) { MeshPainter(unit).DrawMesh(pass); };
}

} // namespace velmor
