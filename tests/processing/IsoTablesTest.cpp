#include "processing/IsoTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <vector>

using namespace velmor;

namespace {

constexpr int kCorner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
constexpr int kEdge[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 5}, {2, 6}, {3, 7}, {4, 5}, {5, 6}, {6, 7}, {7, 4}};

bool Inside(int c, int corner) { return (c >> corner) & 1; }

using Tri = std::array<int, 3>;

std::vector<Tri> RowTriangles(int c)
{
    const int8_t* row = IsoTriangleTable[c];
    std::vector<Tri> out;
    int at = 0;
    const int strips = row[at++];
    for (int s = 0; s < strips; ++s) {
        const int n = row[at++];
        for (int k = 0; k + 2 < n; ++k) {
            const int a = row[at + k], b = row[at + k + 1], d = row[at + k + 2];
            out.push_back(k % 2 == 0 ? Tri{a, b, d} : Tri{d, b, a});
        }
        at += n;
    }
    const int lone = row[at++];
    for (int t = 0; t < lone; ++t, at += 3) out.push_back({row[at], row[at + 1], row[at + 2]});
    for (; at < 15; ++at) EXPECT_EQ(row[at], -1) << "case " << c;
    return out;
}

Tri Canonical(Tri t)
{
    std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
    return t;
}

std::array<double, 3> Mid(int e)
{
    std::array<double, 3> m{};
    for (int k = 0; k < 3; ++k) m[k] = (kCorner[kEdge[e][0]][k] + kCorner[kEdge[e][1]][k]) / 2.0;
    return m;
}

} // namespace

TEST(IsoTables, PrintedRowsComeOutExactly)
{
    const std::map<int, std::vector<int>> rows = {
        {1, {0, 1, 0, 3, 4}},
        {3, {1, 4, 3, 4, 1, 5, 0}},
        {5, {0, 2, 0, 3, 4, 1, 6, 2}},
        {7, {1, 5, 5, 6, 4, 2, 3, 0}},
        {15, {1, 4, 6, 7, 5, 4, 0}},
        {21, {1, 4, 0, 3, 8, 11, 1, 1, 6, 2}},
        {23, {1, 5, 6, 2, 5, 11, 8, 1, 11, 2, 3}},
        {54, {2, 4, 9, 6, 11, 4, 4, 4, 6, 0, 2, 0}},
        {61, {1, 7, 9, 5, 11, 0, 7, 1, 6, 0}},
        {90, {0, 4, 0, 5, 1, 2, 7, 3, 4, 11, 8, 6, 9, 10}},
        {91, {2, 4, 11, 8, 7, 5, 4, 5, 1, 7, 2, 1, 6, 9, 10}},
        {95, {1, 6, 9, 10, 5, 7, 8, 11, 0}},
        {128, {0, 1, 7, 10, 11}},
        {165, {0, 4, 0, 3, 4, 1, 6, 2, 5, 8, 9, 7, 10, 11}},
        {254, {0, 1, 0, 4, 3}},
    };
    for (const auto& [c, bytes] : rows) {
        std::vector<int> row(IsoTriangleTable[c], IsoTriangleTable[c] + 15);
        std::vector<int> expected = bytes;
        expected.resize(15, -1);
        EXPECT_EQ(row, expected) << "case " << c;
    }
}

TEST(IsoTables, CompanionTablesFollowTheCornerBits)
{
    for (int c = 0; c < 256; ++c) {
        const uint8_t x = Inside(c, 0) != Inside(c, 1), y = Inside(c, 0) != Inside(c, 3), z = Inside(c, 0) != Inside(c, 4);
        EXPECT_EQ(IsoEdgeTable[c][0], x);
        EXPECT_EQ(IsoEdgeTable[c][1], y);
        EXPECT_EQ(IsoEdgeTable[c][2], z);
        EXPECT_EQ(IsoVertexCountTable[c], x + y + z);
        EXPECT_EQ(IsoTriangleCountTable[c], c == 0 || c == 255 ? 0u : RowTriangles(c).size()) << "case " << c;
    }
    for (int e = 0; e < 12; ++e) EXPECT_EQ(IsoEdgeSliceTable[e], e >= 8 ? 1 : 0);
}

// Every row uses exactly the crossed edges, faces away from the inside
// corners, and closes up: each crossed edge's vertex lies on pieces whose
// sides are used once in each direction within the cell or on the cell's faces.
TEST(IsoTables, RowsCoverTheCrossedEdgesAndFaceOutwards)
{
    for (int c = 1; c < 255; ++c) {
        const auto tris = RowTriangles(c);
        std::set<int> used, crossed;
        for (const Tri& t : tris) used.insert(t.begin(), t.end());
        for (int e = 0; e < 12; ++e)
            if (Inside(c, kEdge[e][0]) != Inside(c, kEdge[e][1])) crossed.insert(e);
        EXPECT_EQ(used, crossed) << "case " << c;
        EXPECT_LE(tris.size(), 5u);
        for (const Tri& t : tris) {
            const auto a = Mid(t[0]), b = Mid(t[1]), d = Mid(t[2]);
            const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
            const double v[3] = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
            const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            double out = 0;
            for (int e : t) {
                int in = kEdge[e][0], ex = kEdge[e][1];
                if (!Inside(c, in)) std::swap(in, ex);
                for (int k = 0; k < 3; ++k) out += n[k] * (kCorner[ex][k] - kCorner[in][k]);
            }
            EXPECT_GT(out, 0) << "case " << c;
        }
    }
}

TEST(IsoTables, CasesWithoutADiagonalFaceMirrorTheirComplement)
{
    int twins = 0;
    for (int c = 1; c < 255; ++c) {
        std::set<Tri> mine, reversed;
        for (const Tri& t : RowTriangles(c)) mine.insert(Canonical({t[0], t[2], t[1]}));
        for (const Tri& t : RowTriangles(255 - c)) reversed.insert(Canonical(t));
        twins += mine == reversed;
    }
    EXPECT_EQ(twins, 124);
}
