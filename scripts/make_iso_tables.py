#!/usr/bin/env python3
"""Writes src/processing/IsoTables.cpp: the marching-cubes case tables.

Every row is derived from the cell geometry: the surface of a cell is cut
face by face (on a face whose inside corners are diagonally opposite, each
inside corner is cut off on its own), the cuts are chained into closed
pieces, each piece is wound so that its front faces away from the inside
corners, and then split into strips and lone triangles. A few rows are fixed
by hand (FIXED_ROWS) and are checked against the same geometry.

Rules checked for every row:
  - the edges used are exactly the crossed edges of the case;
  - triangles lie on the pieces and face away from the inside corners;
  - no triangle side other than a piece side joins two edges of one face
    (two cells that share a face then never put a side into it twice, so
    the surface stays closed and edge-manifold);
  - a case whose faces have no diagonal pattern holds exactly the triangles
    of its complement with the winding reversed.

Usage: scripts/make_iso_tables.py [output]   (default: the file above)
"""
import itertools
import os
import sys

CORNERS = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0),
           (0, 0, 1), (1, 0, 1), (1, 1, 1), (0, 1, 1)]
EDGES = [(0, 1), (1, 2), (2, 3), (3, 0), (0, 4), (1, 5),
         (2, 6), (3, 7), (4, 5), (5, 6), (6, 7), (7, 4)]
# Faces as corner cycles; consecutive corners are joined by a cube edge.
FACES = [(0, 1, 2, 3), (4, 5, 6, 7), (0, 1, 5, 4),
         (3, 2, 6, 7), (0, 3, 7, 4), (1, 2, 6, 5)]

# Rows fixed by hand: (strips, lone triangles).
FIXED_ROWS = {
    1: ([], [(0, 3, 4)]),
    3: ([(3, 4, 1, 5)], []),
    5: ([], [(0, 3, 4), (1, 6, 2)]),
    7: ([(5, 6, 4, 2, 3)], []),
    15: ([(6, 7, 5, 4)], []),
    21: ([(0, 3, 8, 11)], [(1, 6, 2)]),
    23: ([(6, 2, 5, 11, 8)], [(11, 2, 3)]),
    54: ([(9, 6, 11, 4), (4, 6, 0, 2)], []),
    61: ([(9, 5, 11, 0, 7, 1, 6)], []),
    90: ([], [(0, 5, 1), (2, 7, 3), (4, 11, 8), (6, 9, 10)]),
    91: ([(11, 8, 7, 5), (5, 1, 7, 2)], [(6, 9, 10)]),
    95: ([(9, 10, 5, 7, 8, 11)], []),
    128: ([], [(7, 10, 11)]),
    165: ([], [(0, 3, 4), (1, 6, 2), (5, 8, 9), (7, 10, 11)]),
    254: ([], [(0, 4, 3)]),
}


# Cases whose faces have no diagonal pattern but whose hexagon is one strip
# of six, so that they and their complements differ in their diagonals; the
# rest of the table keeps every such case the reverse of its complement.
SIX_STRIP_PAIRS = (27, 29, 39, 43, 46)
SIX_STRIP_CASES = set(SIX_STRIP_PAIRS) | {255 - c for c in SIX_STRIP_PAIRS}


def edge_index(a, b):
    for e, (p, q) in enumerate(EDGES):
        if {p, q} == {a, b}:
            return e
    raise ValueError((a, b))


FACE_EDGES = [[edge_index(f[i], f[(i + 1) % 4]) for i in range(4)] for f in FACES]
EDGE_FACES = [{fi for fi, fe in enumerate(FACE_EDGES) if e in fe} for e in range(12)]


def inside(case, corner):
    return (case >> corner) & 1 == 1


def crossed(case):
    return [e for e, (a, b) in enumerate(EDGES) if inside(case, a) != inside(case, b)]


def ambiguous(case):
    for f in FACES:
        pattern = [inside(case, c) for c in f]
        if pattern in ([True, False, True, False], [False, True, False, True]):
            return True
    return False


def face_cuts(case):
    cuts = []
    for f, fe in zip(FACES, FACE_EDGES):
        hit = [fe[i] for i in range(4) if inside(case, f[i]) != inside(case, f[(i + 1) % 4])]
        if len(hit) == 2:
            cuts.append(tuple(hit))
        elif len(hit) == 4:
            # Edge i joins corner i and i + 1: corner i lies between edges i - 1 and i.
            for i in range(4):
                if inside(case, f[i]):
                    cuts.append((fe[i - 1], fe[i]))
    return cuts


def midpoint(e):
    a, b = EDGES[e]
    return [(CORNERS[a][k] + CORNERS[b][k]) / 2 for k in range(3)]


def outward(e, case):
    a, b = EDGES[e]
    if inside(case, b):
        a, b = b, a
    return [CORNERS[b][k] - CORNERS[a][k] for k in range(3)]


def sub(p, q):
    return [p[k] - q[k] for k in range(3)]


def cross(u, v):
    return [u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]]


def dot(u, v):
    return sum(u[k] * v[k] for k in range(3))


def triangle_normal(t):
    p = [midpoint(e) for e in t]
    return cross(sub(p[1], p[0]), sub(p[2], p[0]))


def pieces(case):
    """The closed pieces of a case as edge cycles, wound outwards, each
    starting at its smallest edge, ordered by that edge."""
    neighbours = {}
    for a, b in face_cuts(case):
        neighbours.setdefault(a, []).append(b)
        neighbours.setdefault(b, []).append(a)
    assert all(len(v) == 2 for v in neighbours.values())
    seen, result = set(), []
    for start in sorted(neighbours):
        if start in seen:
            continue
        cycle, prev, cur = [start], None, start
        while True:
            seen.add(cur)
            nxt = [n for n in neighbours[cur] if n != prev][0] if prev is not None else neighbours[cur][0]
            if nxt == start:
                break
            cycle.append(nxt)
            prev, cur = cur, nxt
        pts = [midpoint(e) for e in cycle]
        newell = [0.0, 0.0, 0.0]
        for i in range(len(pts)):
            newell = [newell[k] + v for k, v in enumerate(cross(pts[i], pts[(i + 1) % len(pts)]))]
        if dot(newell, [sum(outward(e, case)[k] for e in cycle) for k in range(3)]) < 0:
            cycle = [cycle[0]] + cycle[:0:-1]
        result.append(cycle)
    return sorted(result, key=min)


def strip_triangles(strip):
    tris, a, b = [], strip[0], strip[1]
    for k in range(len(strip) - 2):
        c = strip[k + 2]
        tris.append((a, b, c) if k % 2 == 0 else (c, b, a))
        a, b = b, c
    return tris


def canonical(t):
    i = t.index(min(t))
    return t[i:] + t[:i]


def share_face(u, v):
    return bool(EDGE_FACES[u] & EDGE_FACES[v])


def diagonals_ok(tris, cycle):
    sides = {frozenset((cycle[i], cycle[(i + 1) % len(cycle)])) for i in range(len(cycle))}
    for t in tris:
        for i in range(3):
            u, v = t[i], t[(i + 1) % 3]
            if frozenset((u, v)) not in sides and share_face(u, v):
                return False
    return True


def zigzag(cycle, start):
    n = len(cycle)
    order, lo, hi = [cycle[start], cycle[(start + 1) % n]], 1, n - 1
    take_hi = True
    while len(order) < n:
        if take_hi:
            order.append(cycle[(start + hi) % n])
            hi -= 1
        else:
            lo += 1
            order.append(cycle[(start + lo) % n])
        take_hi = not take_hi
    return order


def split_piece(cycle, reversible):
    """Strips and lone triangles of one piece. A piece whose case must also
    serve, reversed, as its complement's row is never one strip of an even
    length, since such a strip has no reversed twin."""
    n = len(cycle)
    if n == 3:
        return [], [tuple(cycle)]
    if n != 6 or not reversible:
        for s in range(n):
            strip = zigzag(cycle, s)
            if diagonals_ok(strip_triangles(strip), cycle):
                return [tuple(strip)], []
    for ear in range(n):
        rest = [cycle[(ear + 1 + i) % n] for i in range(n - 1)]
        tri = (cycle[ear - 1], cycle[ear], cycle[(ear + 1) % n])
        for s in range(n - 1):
            strip = zigzag(rest, s)
            if diagonals_ok(strip_triangles(strip) + [tri], cycle):
                return [tuple(strip)], [canonical(tri)]
    raise RuntimeError(f"no split for {cycle}")


def reversed_strip(strip):
    """A strip whose triangles are those of `strip` with the winding reversed."""
    want = {canonical((t[0], t[2], t[1])) for t in strip_triangles(strip)}
    for order in itertools.permutations(strip):
        if {canonical(t) for t in strip_triangles(order)} == want:
            return tuple(order)
    raise RuntimeError(f"strip {strip} has no reversed twin")


def row_triangles(row):
    strips, lone = row
    tris = [t for s in strips for t in strip_triangles(s)] + list(lone)
    return tris


def build_rows():
    rows = {}
    for case in list(FIXED_ROWS) + [c for c in range(1, 255) if c not in FIXED_ROWS]:
        if case in rows:
            continue
        twin = 255 - case
        if case in FIXED_ROWS:
            rows[case] = FIXED_ROWS[case]
        elif not ambiguous(case) and twin in rows and case not in SIX_STRIP_CASES:
            strips, lone = rows[twin]
            rows[case] = ([reversed_strip(s) for s in strips], [canonical((t[0], t[2], t[1])) for t in lone])
        else:
            strips, lone = [], []
            for cycle in pieces(case):
                s, t = split_piece(cycle, not ambiguous(case) and case not in SIX_STRIP_CASES)
                strips += s
                lone += t
            rows[case] = (strips, lone)
        if (not ambiguous(case) and twin not in rows and 0 < twin < 255 and twin not in FIXED_ROWS
                and case not in SIX_STRIP_CASES):
            strips, lone = rows[case]
            rows[twin] = ([reversed_strip(s) for s in strips], [canonical((t[0], t[2], t[1])) for t in lone])
    return rows


def check_row(case, row):
    strips, lone = row
    tris = row_triangles(row)
    used = sorted({e for t in tris for e in t})
    assert used == crossed(case), (case, used)
    assert len(strips) <= 2 and len(lone) <= 4, case
    assert all(4 <= len(s) <= 7 for s in strips), case
    assert 2 + sum(1 + len(s) for s in strips) + 3 * len(lone) <= 15, case
    cycles = pieces(case)
    assert len(tris) == len(crossed(case)) - 2 * len(cycles), case
    for t in tris:
        out = [sum(outward(e, case)[k] for e in t) for k in range(3)]
        assert dot(triangle_normal(t), out) > 0, (case, t)
    for cycle in cycles:
        mine = [t for t in tris if set(t) <= set(cycle)]
        assert len(mine) == len(cycle) - 2, (case, cycle)
        assert diagonals_ok(mine, cycle), (case, cycle)
        # Each piece side is used once and in the piece's own direction.
        directed = {(t[i], t[(i + 1) % 3]) for t in mine for i in range(3)}
        for i in range(len(cycle)):
            assert (cycle[i], cycle[(i + 1) % len(cycle)]) in directed, (case, cycle)


def encode(row):
    strips, lone = row
    out = [len(strips)]
    for s in strips:
        out += [len(s), *s]
    out += [len(lone)] + [e for t in lone for e in t]
    return out + [-1] * (15 - len(out))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "processing", "IsoTables.cpp")
    rows = build_rows()
    for case, row in rows.items():
        check_row(case, row)
    twins = sum(1 for c in range(1, 255)
                if {canonical((t[0], t[2], t[1])) for t in row_triangles(rows[c])}
                == {canonical(t) for t in row_triangles(rows[255 - c])})
    assert twins == 124, twins

    lines = [
        "// Generated by scripts/make_iso_tables.py; edit the script, not this file.",
        '#include "processing/IsoTables.h"',
        "",
        "namespace velmor {",
        "",
        "const uint8_t IsoEdgeTable[256][3] = {",
    ]
    for c in range(256):
        flags = [int(inside(c, 0) != inside(c, k)) for k in (1, 3, 4)]
        lines.append("    {%d, %d, %d}," % tuple(flags))
    lines += ["};", "", "const uint8_t IsoVertexCountTable[256] = {"]
    counts = [sum(int(inside(c, 0) != inside(c, k)) for k in (1, 3, 4)) for c in range(256)]
    lines += ["    " + ", ".join(str(v) for v in counts[i:i + 16]) + "," for i in range(0, 256, 16)]
    lines += ["};", "", "const uint8_t IsoTriangleCountTable[256] = {"]
    tcounts = [len(row_triangles(rows[c])) if c in rows else 0 for c in range(256)]
    lines += ["    " + ", ".join(str(v) for v in tcounts[i:i + 16]) + "," for i in range(0, 256, 16)]
    lines += ["};", "", "const uint8_t IsoEdgeSliceTable[12] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1};", "",
              "const int8_t IsoTriangleTable[256][15] = {"]
    for c in range(256):
        row = encode(rows[c]) if c in rows else [0, 0] + [-1] * 13
        lines.append("    {" + ", ".join(str(v) for v in row) + "},")
    lines += ["};", "", "} // namespace velmor", ""]
    with open(target, "w") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
