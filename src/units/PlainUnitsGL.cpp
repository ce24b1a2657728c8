#include "units/PlainUnitsGL.h"

#include "platform/glyphs/FontLookup.h"
#include "platform/glyphs/GlyphFace.h"
#include "platform/glyphs/GlyphLists.h"
#include "render/GeometryRoutines.h"
#include "render/SolidShapes.h"
#include "units/CKxDrawUConnector.h"
#include "units/CKxDrawULinkBoard.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUText.h"
#include "units/PlainUnitDrawing.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace velmor {
namespace {

void Vertices2(GLenum mode, const std::vector<Point2>& points)
{
    glBegin(mode);
    for (const Point2& p : points)
        glVertex2d(p.x, p.y);
    glEnd();
}

void DrawFlatEllipse(const CKxDrawUPrimitive& unit, double a, double b, bool solid)
{
    if (!solid) {
        Vertices2(GL_LINES, WireEllipseSegments(a, b, unit.parameter));
        return;
    }
    const std::vector<Point2> rim = EllipseRim(a, b, unit.parameter[0]);
    if (rim.empty())
        return;
    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0, 0, 1);
    glVertex2d(0, 0);
    for (const Point2& p : rim)
        glVertex2d(p.x, p.y);
    glEnd();
}

void DrawShapeAtOrigin(const CKxDrawUPrimitive& unit, PrimitiveShape shape, bool solid)
{
    const double radii[3] = {unit.radii[0], unit.radii[1], unit.radii[2]};
    const int counts[4] = {unit.parameter[0], unit.parameter[1], unit.parameter[2], unit.parameter[3]};
    switch (shape) {
    case PrimitiveShape::Bar:
        Vertices2(GL_LINES, {{-radii[0] / 2, 0}, {radii[0] / 2, 0}});
        break;
    case PrimitiveShape::Square:
    case PrimitiveShape::Rectangle: {
        const double a = radii[0] / 2, b = radii[1] / 2;
        if (solid)
            glNormal3f(0, 0, 1);
        Vertices2(solid ? GL_QUADS : GL_LINE_LOOP, {{-a, -b}, {a, -b}, {a, b}, {-a, b}});
        break;
    }
    case PrimitiveShape::Circle:
    case PrimitiveShape::Oval:
        DrawFlatEllipse(unit, radii[0], radii[1], solid);
        break;
    case PrimitiveShape::Cube:
    case PrimitiveShape::Cuboid:
        DrawBox(radii, solid);
        break;
    case PrimitiveShape::Sphere:
    case PrimitiveShape::Ellipsoid:
        DrawEllipsoid(radii, counts, solid);
        break;
    case PrimitiveShape::Cone:
    case PrimitiveShape::Cylinder:
        DrawCylinder(radii, counts, solid);
        break;
    default:
        break;
    }
}

void DrawPointShape(const CKxDrawUPrimitive& unit, PrimitiveShape shape, bool solid)
{
    const auto& p = unit.points;
    if (shape == PrimitiveShape::Point) {
        glBegin(GL_POINTS);
        glVertex3fv(p[0]);
    } else if (shape == PrimitiveShape::Line) {
        glBegin(GL_LINES);
        glVertex3fv(p[0]);
        glVertex3fv(p[1]);
    } else if (solid) {
        float normal[3];
        UnitTriangleNormal(p[0], p[1], p[2], normal);
        glBegin(GL_TRIANGLES);
        glNormal3fv(normal);
        glVertex3fv(p[0]);
        glVertex3fv(p[1]);
        glVertex3fv(p[2]);
    } else {
        glBegin(GL_LINE_LOOP);
        glVertex3fv(p[0]);
        glVertex3fv(p[1]);
        glVertex3fv(p[2]);
    }
    glEnd();
}

void DrawPrimitiveGeometry(CKxDrawUPrimitive& unit, PrimitiveShape shape, bool solid)
{
    glPushMatrix();
    if (IsPointShape(shape)) {
        unit.ApplyUnitTransform();
        DrawPointShape(unit, shape, solid);
    } else {
        if (unit.marker) {
            // Placed like the space but not scaled with it: sizes stay in view units.
            double at[3];
            UnitPointPosition(unit, unit.points[0], at);
            glTranslated(at[0], at[1], at[2]);
        } else {
            unit.ApplyUnitTransform();
            glTranslatef(unit.points[0][0], unit.points[0][1], unit.points[0][2]);
        }
        CKxDrawUnit::ApplyUnitRotation(unit.rot);
        DrawShapeAtOrigin(unit, shape, solid);
    }
    glPopMatrix();
}

// Point size for points, line width for everything else, back to 1 after.
void DrawUnfilled(CKxDrawUPrimitive& unit, PrimitiveShape shape)
{
    const bool point = shape == PrimitiveShape::Point;
    point ? glPointSize(unit.pixelSize) : glLineWidth(unit.pixelSize);
    DrawPrimitiveGeometry(unit, shape, false);
    point ? glPointSize(1.0f) : glLineWidth(1.0f);
}

void DrawPrimitive(CKxDrawUPrimitive& unit, int pass)
{
    if (!PlainUnitMayDraw(unit, pass) || !DrawsInPass(unit.IsOpaque(), pass))
        return;
    const PrimitiveShape shape = ParsePrimitiveShape(unit.shape);
    if (pass == 3) {
        unit.SetPickColor(&unit.pickId);
        if (unit.filled)
            DrawPrimitiveGeometry(unit, shape, true);
        else
            DrawUnfilled(unit, shape);
        return;
    }
    if (unit.filled) {
        unit.SetUnitMaterial(unit.selected);
        DrawPrimitiveGeometry(unit, shape, true);
        return;
    }
    glDisable(GL_LIGHTING);
    unit.SetUnlitColor(unit.selected, pass == 2);
    DrawUnfilled(unit, shape);
    glEnable(GL_LIGHTING);
}

void LoadText(CKxDrawUText& unit)
{
    const std::wstring text = LimitedText(unit.text);
    if (text.empty())
        return;
    const FontStyle style{unit.logFont.weight >= 700, unit.logFont.italic != 0};
    const std::optional<FontFile> file = FindFontFile(unit.logFont.faceName, style.bold, style.italic);
    if (!file)
        return;
    const std::unique_ptr<GlyphFace> face = GlyphFace::Open(*file, unit.logFont.height, style);
    if (!face)
        return;
    const GLuint base = glGenLists(static_cast<GLsizei>(text.size()));
    if (base == 0)
        return;
    unit.listBase = base;
    unit.listCount = static_cast<uint32_t>(text.size());
    if (unit.mode == 1 || unit.mode == 2)
        BuildOutlineLists(*face, text, base, unit.extrusion);
    else
        BuildBitmapLists(*face, text, base);
    glFrontFace(GL_CCW);
}

void ReleaseText(CKxDrawUText& unit)
{
    glDeleteLists(unit.listBase, static_cast<GLsizei>(unit.listCount));
}

void CallTextLists(const CKxDrawUText& unit)
{
    for (uint32_t i = 0; i < unit.listCount; ++i)
        glCallList(unit.listBase + i);
}

// The window point of `fixPoint` in the current model-view's coordinates.
bool UnprojectFixPoint(const float fixPoint[3], double out[3], double* halfSide = nullptr)
{
    GLint viewport[4];
    GLdouble projection[16], modelView[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    double window[3];
    FixPointWindow(fixPoint, viewport, window);
    if (halfSide != nullptr)
        *halfSide = HalfSmallerSide(viewport);
    return gluUnProject(window[0], window[1], window[2], modelView, projection, viewport, &out[0], &out[1], &out[2]) ==
           GL_TRUE;
}

void PlaceAndCallText(CKxDrawUText& unit)
{
    glPushMatrix();
    if (unit.mode == 3) {
        double at[3];
        if (UnprojectFixPoint(unit.fixPoint, at)) {
            glTranslated(at[0], at[1], at[2]);
            glRasterPos3d(0, 0, 0);
            CallTextLists(unit);
        }
    } else {
        double at[3];
        UnitPointPosition(unit, unit.coordinate, at);
        glTranslated(at[0], at[1], at[2]);
        if (unit.mode == 2) {
            glScalef(unit.textScale, unit.textScale, unit.textScale);
            CKxDrawUnit::ApplyUnitRotation(unit.rot);
        } else {
            // Facing the viewer: keep the eye-space position, drop the rotation.
            GLdouble modelView[16];
            glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
            glLoadIdentity();
            glTranslated(modelView[12], modelView[13], modelView[14]);
            if (unit.mode == 1)
                glScalef(unit.textScale, unit.textScale, unit.textScale);
            else
                glRasterPos3d(0, 0, 0);
        }
        CallTextLists(unit);
    }
    glPopMatrix();
    glFrontFace(GL_CCW);
}

void DrawText(CKxDrawUText& unit, int pass)
{
    if (!PlainUnitMayDraw(unit, pass) || pass == 2 || unit.listCount == 0)
        return;
    const bool outline = unit.mode == 1 || unit.mode == 2;
    if (pass == 3) {
        unit.SetPickColor(&unit.pickId);
        PlaceAndCallText(unit);
    } else if (outline) {
        unit.SetUnitMaterial(unit.selected);
        PlaceAndCallText(unit);
    } else {
        glDisable(GL_LIGHTING);
        unit.SetUnlitColor(unit.selected, false);
        PlaceAndCallText(unit);
        glEnable(GL_LIGHTING);
    }
}

void DrawConnectorGeometry(CKxDrawUConnector& unit, bool line)
{
    glPushMatrix();
    unit.ApplyUnitTransform();
    double screenEnd[3], halfSide = 0;
    if (UnprojectFixPoint(unit.fixPoint, screenEnd, &halfSide)) {
        double radius = 0;
        if (!line) {
            const float offset[3] = {unit.fixPoint[0] + unit.radius, unit.fixPoint[1], unit.fixPoint[2]};
            double side[3];
            if (UnprojectFixPoint(offset, side)) {
                const double d[3] = {side[0] - screenEnd[0], side[1] - screenEnd[1], side[2] - screenEnd[2]};
                radius = VecLength3d(d);
            }
        }
        const ConnectorPath path = MakeConnectorPath(screenEnd, unit.coordinate);
        glTranslated(path.midpoint[0], path.midpoint[1], path.midpoint[2]);
        glRotated(path.angleDegrees, path.axis[0], path.axis[1], path.axis[2]);
        const int counts[3] = {32, 8, 4};
        if (line) {
            glBegin(GL_LINES);
            glVertex3d(0, 0, -path.length / 2);
            glVertex3d(0, 0, path.length / 2);
            glEnd();
        } else {
            const bool cone = unit.shape == L"cone";
            const double size[3] = {radius, cone ? 0.0 : radius, path.length};
            DrawCylinder(size, counts, true);
        }
    }
    glPopMatrix();
}

void DrawConnector(CKxDrawUConnector& unit, int pass)
{
    if (!PlainUnitMayDraw(unit, pass) || !DrawsInPass(unit.IsOpaque(), pass))
        return;
    const bool line = unit.shape == L"line";
    if (!line && unit.shape != L"cone" && unit.shape != L"cylinder")
        return;
    if (pass == 3)
        unit.SetPickColor(&unit.pickId);
    if (line) {
        if (pass != 3) {
            glDisable(GL_LIGHTING);
            unit.SetUnlitColor(unit.selected, pass == 2);
        }
        glLineWidth(unit.pixelSize);
        DrawConnectorGeometry(unit, true);
        glLineWidth(1.0f);
        if (pass != 3)
            glEnable(GL_LIGHTING);
        return;
    }
    if (pass != 3)
        unit.SetUnitMaterial(unit.selected);
    DrawConnectorGeometry(unit, false);
}

void DrawLinkBoard(CKxDrawULinkBoard& unit, int pass)
{
    if (!PlainUnitMayDraw(unit, pass) || (pass != 3 && !(pass == 1 && unit.editing)))
        return;
    glPushMatrix();
    unit.ApplyUnitTransform();
    glTranslatef(unit.coordinate[0], unit.coordinate[1], unit.coordinate[2]);
    CKxDrawUnit::ApplyUnitRotation(unit.rot);
    const std::vector<Point2> corners = {{0, 0}, {unit.width, 0}, {unit.width, unit.height}, {0, unit.height}};
    if (pass == 3) {
        unit.SetPickColor(&unit.pickId);
        glNormal3f(0, 0, 1);
        Vertices2(GL_QUADS, corners);
    } else {
        glDisable(GL_LIGHTING);
        unit.SetUnlitColor(unit.selected, false);
        glLineWidth(3.0f);
        Vertices2(GL_LINE_LOOP, corners);
        glLineWidth(1.0f);
        glEnable(GL_LIGHTING);
    }
    glPopMatrix();
}

} // namespace

void InstallPlainUnitDrawing()
{
    PlainUnitGL.drawPrimitive = &DrawPrimitive;
    PlainUnitGL.loadText = &LoadText;
    PlainUnitGL.releaseText = &ReleaseText;
    PlainUnitGL.drawText = &DrawText;
    PlainUnitGL.drawConnector = &DrawConnector;
    PlainUnitGL.drawLinkBoard = &DrawLinkBoard;
}

} // namespace velmor
