#pragma once
// What the primitive, text, connector and link-board units decide without
// GL: which passes draw, the shapes' outlines, the connector's path, text
// limits; and the entry points through which the GL layer draws them, so
// that the scene reader can build these units without linking GL.
#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

class CKxDrawUnit;
class CKxDrawUPrimitive;
class CKxDrawUText;
class CKxDrawUConnector;
class CKxDrawULinkBoard;

// Filled by InstallPlainUnitDrawing of the GL layer; while a pointer is
// null the operation does nothing.
struct PlainUnitDrawing {
    void (*drawPrimitive)(CKxDrawUPrimitive&, int pass) = nullptr;
    void (*loadText)(CKxDrawUText&) = nullptr;
    void (*releaseText)(CKxDrawUText&) = nullptr;
    void (*drawText)(CKxDrawUText&, int pass) = nullptr;
    void (*drawConnector)(CKxDrawUConnector&, int pass) = nullptr;
    void (*drawLinkBoard)(CKxDrawULinkBoard&, int pass) = nullptr;
};
extern PlainUnitDrawing PlainUnitGL;

// Hidden units, the translucent pass of the clipped-away part and every pass
// but 1, 2 and 3 draw nothing.
bool PlainUnitMayDraw(const CKxDrawUnit& unit, int pass);
// Pass 1 for an opaque unit, 2 for a transparent one, 3 (pick) only when opaque.
bool DrawsInPass(bool opaque, int pass);

enum class PrimitiveShape {
    None, Point, Line, Triangle, Bar, Square, Circle, Rectangle, Oval, Cube, Sphere, Cuboid, Ellipsoid, Cone, Cylinder
};
PrimitiveShape ParsePrimitiveShape(const std::wstring& name);
// Point, line and triangle are given in the unit's own coordinates; every
// other shape is drawn around its first point.
bool IsPointShape(PrimitiveShape shape);

struct Point2 {
    double x, y;
};
// `count` + 1 points from angle 0 round to 2 pi (the last repeats the
// first) on the ellipse with semi-axes a and b; none for counts below 1.
// Every count is bounded as render/Tessellation.h says.
std::vector<Point2> EllipseRim(double a, double b, int32_t count);
// The wire circle or oval: `spokes` segments from the centre to the rim, then
// `rings` closed rings at k / rings of the semi-axes, each of `segments`
// segments, as pairs of end points.
std::vector<Point2> WireEllipseSegments(double a, double b, const int32_t parameter[4]);

// Where a main-layer unit's point lands after its space's normalisation
// (translation + scale x (point - pivot - top group's centre)); units of the
// back and fore layers keep their own coordinates.
void UnitPointPosition(const CKxDrawUnit& unit, const float point[3], double out[3]);

// The window point of a screen-fixed position: x and y in units of half the
// smaller viewport side from the viewport's centre, z the window depth.
void FixPointWindow(const float fixPoint[3], const int32_t viewport[4], double out[3]);
double HalfSmallerSide(const int32_t viewport[4]);

// The connector from the screen end A to the scene end: a segment of
// `length` along z, rotated by `angleDegrees` about `axis` and moved to
// `midpoint`.
struct ConnectorPath {
    double midpoint[3];
    double axis[3];
    double angleDegrees;
    double length;
};
ConnectorPath MakeConnectorPath(const double screenEnd[3], const float sceneEnd[3]);

// The font a text unit asks for, as a Windows LOGFONT holds it.
struct TextFont {
    static constexpr size_t kFaceChars = 32;   // with the terminator
    int32_t height = 0;
    int32_t weight = 400;
    uint8_t italic = 0;
    uint8_t charSet = 128;   // Shift-JIS
    std::wstring faceName;   // at most kFaceChars - 1 characters
};
// A glyph of 256 pixels is a third of a typical window's height; at 1024 the
// 511 glyph bitmaps of one text took a third of a gigabyte and half a
// second to build.
constexpr float kMaxFontHeight = 256.0f;   // pixels
constexpr float kDefaultFontHeight = 16.0f;
TextFont MakeTextFont(float fontSize, bool bold, bool italic, const std::wstring& fontName);
// A text keeps at most 511 characters, one display list each.
constexpr size_t kMaxTextChars = 511;
std::wstring LimitedText(const std::wstring& text);

} // namespace velmor
