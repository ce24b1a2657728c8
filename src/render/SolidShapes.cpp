#include "render/SolidShapes.h"

#include "render/Tessellation.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

namespace velmor {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

void Quad(const double (&normal)[3], const double (&a)[3], const double (&b)[3], const double (&c)[3], const double (&d)[3])
{
    glNormal3dv(normal);
    glVertex3dv(a);
    glVertex3dv(b);
    glVertex3dv(c);
    glVertex3dv(d);
}

} // namespace

void DrawBox(const double size[3], bool solid)
{
    const double x = size[0] / 2, y = size[1] / 2, z = size[2] / 2;
    // Corners of the +z face, then of the -z face, counter-clockwise seen from +z.
    const double p[8][3] = {{-x, -y, z}, {x, -y, z}, {x, y, z}, {-x, y, z},
                            {-x, -y, -z}, {x, -y, -z}, {x, y, -z}, {-x, y, -z}};
    if (solid) {
        glBegin(GL_QUADS);
        Quad({0, 0, 1}, p[0], p[1], p[2], p[3]);
        Quad({0, 0, -1}, p[4], p[7], p[6], p[5]);
        Quad({0, -1, 0}, p[4], p[5], p[1], p[0]);
        Quad({0, 1, 0}, p[3], p[2], p[6], p[7]);
        Quad({1, 0, 0}, p[1], p[5], p[6], p[2]);
        Quad({-1, 0, 0}, p[0], p[3], p[7], p[4]);
        glEnd();
        return;
    }
    for (int face = 0; face < 2; ++face) {
        glBegin(GL_LINE_LOOP);
        for (int i = 0; i < 4; ++i)
            glVertex3dv(p[4 * face + i]);
        glEnd();
    }
    glBegin(GL_LINES);
    for (int i = 0; i < 4; ++i) {
        glVertex3dv(p[i]);
        glVertex3dv(p[i + 4]);
    }
    glEnd();
}

void DrawCylinder(const double size[3], const int counts[3], bool solid)
{
    const double bottom = size[0], top = size[1], height = size[2];
    const double zLow = -height / 2, zHigh = height / 2;
    const int segments = BoundedDivisions(counts[0]);
    if (segments < 1)
        return;
    auto angle = [segments](int i) { return kTwoPi * i / segments; };
    if (solid) {
        glBegin(GL_TRIANGLE_FAN);
        glNormal3d(0, 0, -1);
        glVertex3d(0, 0, zLow);
        // Clockwise seen from +z, so that the cap faces -z.
        for (int i = segments; i >= 0; --i)
            glVertex3d(bottom * std::cos(angle(i)), bottom * std::sin(angle(i)), zLow);
        glEnd();
        glBegin(GL_TRIANGLE_FAN);
        glNormal3d(0, 0, 1);
        glVertex3d(0, 0, zHigh);
        for (int i = 0; i <= segments; ++i)
            glVertex3d(top * std::cos(angle(i)), top * std::sin(angle(i)), zHigh);
        glEnd();
        glBegin(GL_QUADS);
        for (int i = 0; i < segments; ++i) {
            const double c0 = std::cos(angle(i)), s0 = std::sin(angle(i));
            const double c1 = std::cos(angle(i + 1)), s1 = std::sin(angle(i + 1));
            glNormal3d(c0, s0, 0);
            glVertex3d(bottom * c0, bottom * s0, zLow);
            glNormal3d(c1, s1, 0);
            glVertex3d(bottom * c1, bottom * s1, zLow);
            glVertex3d(top * c1, top * s1, zHigh);
            glNormal3d(c0, s0, 0);
            glVertex3d(top * c0, top * s0, zHigh);
        }
        glEnd();
        return;
    }
    const int lines = BoundedDivisions(counts[1]), rings = BoundedDivisions(counts[2]);
    if (rings < 1)
        return;
    glBegin(GL_LINES);
    for (int i = 0; i < segments; ++i) {
        for (int j = 0; j <= rings; ++j) {
            const double t = static_cast<double>(j) / rings;
            const double r = (1 - t) * bottom + t * top;
            const double z = zLow + t * height;
            glVertex3d(r * std::cos(angle(i)), r * std::sin(angle(i)), z);
            glVertex3d(r * std::cos(angle(i + 1)), r * std::sin(angle(i + 1)), z);
        }
    }
    for (int k = 0; k < lines; ++k) {
        const double a = kTwoPi * k / lines;
        glVertex3d(bottom * std::cos(a), bottom * std::sin(a), zLow);
        glVertex3d(top * std::cos(a), top * std::sin(a), zHigh);
    }
    glEnd();
}

namespace {

void EllipsoidPoint(const double radii[3], double a, double p, double out[3])
{
    out[0] = radii[0] * std::sin(p) * std::cos(a);
    out[1] = radii[1] * std::sin(p) * std::sin(a);
    out[2] = radii[2] * std::cos(p);
}

} // namespace

void DrawEllipsoid(const double radii[3], const int counts[4], bool solid)
{
    const int around = BoundedDivisions(solid ? counts[0] : counts[2]);
    const int poleToPole = BoundedDivisions(solid ? counts[1] : counts[3]);
    if (around < 1 || poleToPole < 1)
        return;
    auto a = [around](int i) { return kTwoPi * i / around; };
    auto p = [poleToPole](int j) { return std::numbers::pi * j / poleToPole; };
    double v[4][3];
    if (solid) {
        glBegin(GL_QUADS);
        for (int j = 0; j < poleToPole; ++j) {
            for (int i = 0; i < around; ++i) {
                EllipsoidPoint(radii, a(i), p(j), v[0]);
                EllipsoidPoint(radii, a(i), p(j + 1), v[1]);
                EllipsoidPoint(radii, a(i + 1), p(j + 1), v[2]);
                EllipsoidPoint(radii, a(i + 1), p(j), v[3]);
                for (const auto& vertex : v) {
                    glNormal3dv(vertex);
                    glVertex3dv(vertex);
                }
            }
        }
        glEnd();
        return;
    }
    glBegin(GL_LINES);
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < poleToPole; ++j) {
            // Along the meridian at a(i), and along the parallel at p(j).
            EllipsoidPoint(radii, a(i), p(j), v[0]);
            EllipsoidPoint(radii, a(i), p(j + 1), v[1]);
            glVertex3dv(v[0]);
            glVertex3dv(v[1]);
            if (j > 0) {
                EllipsoidPoint(radii, a(i + 1), p(j), v[2]);
                glVertex3dv(v[0]);
                glVertex3dv(v[2]);
            }
        }
    }
    glEnd();
}

} // namespace velmor
