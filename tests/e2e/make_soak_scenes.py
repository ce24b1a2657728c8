#!/usr/bin/python3
"""Writes the scenes of the soak test into a folder:

  units.vlm   one unit of every kind over small data files
  large.vlm   a volume large enough that loading it and building its surface
              show the progress dialog (the surface build can be cancelled)
  other.vlm   a small scene to alternate with, so that every open changes the title
  hostile/    files that must each end in a message with the program still running

  make_soak_scenes.py FOLDER [EDGE]     EDGE: voxels along each side of the large volume
  make_soak_scenes.py FOLDER huge       units.vlm and the hostile scenes that ask too much
"""
import os
import struct
import sys

import numpy as np
from PIL import Image

HEAD = '<?xml version="1.0" encoding="UTF-8"?>\n<scene version="1.35">\n<body>\n'
TAIL = '<firstSetting spaceNum="1"/>\n</body>\n</scene>\n'


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data.encode("utf-8") if isinstance(data, str) else data)


def ball(edge, dtype=np.uint8):
    """A ball with a shell, so that the surface has inner and outer parts."""
    axis = np.linspace(-1.0, 1.0, edge, dtype=np.float32)
    z, y, x = np.meshgrid(axis, axis, axis, indexing="ij")
    r = np.sqrt(x * x + y * y + z * z)
    v = np.where(r < 0.45, 200, np.where((r > 0.6) & (r < 0.8), 120, 10))
    return (v + (x * 20).astype(np.int32)).clip(0, 255).astype(dtype)


def binary_stl(triangles):
    out = bytearray(b"soak".ljust(80, b" "))
    out += struct.pack("<I", len(triangles))
    for t in triangles:
        out += struct.pack("<3f", 0, 0, 1)
        for v in t:
            out += struct.pack("<3f", *v)
        out += b"\0\0"
    return bytes(out)


def units_scene(folder):
    write(os.path.join(folder, "ct.raw"), ball(32).tobytes())
    write(os.path.join(folder, "vertices.txt"), "0 0 0\n1 0 0\n0 1 0\n1 1 0.5\n")
    write(os.path.join(folder, "indices.txt"), "0\n1\n2\n1\n3\n2\n")
    write(os.path.join(folder, "mesh.stl"),
          binary_stl([((0, 0, 0), (1, 0, 0), (0, 1, 0)), ((1, 0, 0), (1, 1, 1), (0, 1, 0))]))
    picture = np.zeros((16, 16, 3), np.uint8)
    picture[:, :, 0] = np.arange(16)[None, :] * 16
    picture[:, :, 1] = np.arange(16)[:, None] * 16
    Image.fromarray(picture).save(os.path.join(folder, "picture.png"))
    write(os.path.join(folder, "heights.txt"), "".join(f"{(x * y) % 7}\n" for y in range(8) for x in range(8)))
    write(os.path.join(folder, "track.txt"), "".join(f"{t * 0.1} {t * 0.05} 0 {t}\n" for t in range(10)))
    write(os.path.join(folder, "colours.txt"), "".join(f"{t * 20} 100 {255 - t * 20}\n" for t in range(10)))
    write(os.path.join(folder, "units.vlm"), HEAD + """
<drawGroup name="units">
  <drawUnit>
    <primitive note="Ball" shape="sphere" coordinate="0.5,0.5,0" size="0.3" diffuse="200,60,40" selectable="on"/>
    <text note="Label" text="ソーク soak" fontName="ＭＳ ゴシック" fontSize="18" size="0.2" coordinate="0,1,0" status="facing"/>
    <text note="Outline" text="Outline" size="0.2" coordinate="0,-1,0" status="fixed"/>
    <image shape="circle" size="0.5" coordinate="-0.5,0,0" divide="24" image_data="picture"/>
    <linkBoard width="0.4" height="0.2" coordinate="-1,-1,0" event="click"/>
    <connector shape="cylinder" size="0.02" coordinate="1,1,1" fixPoint="0.8,0.8,0.1"/>
    <triangleIndex coordinate_data="vertices" index_data="indices" renderingType="A"/>
    <pointCloud point_data="vertices" renderingType="C"/>
    <stl stl_data="mesh" renderingType="A" clipCap_data="ct"/>
    <surfaceRendering volume_data="ct" renderingType="A" border="100" borderUp="255" clipCap_data="ct"/>
    <volumeRendering volume_data="ct" renderingType="B"/>
    <topographicMap coordinate="-1,0,-1,0" height_data="heights" image_data="picture" opacity="1"/>
    <scatterGraph marker="point" markerSize="3" coordinate_data="track" timeSeries="0,9,1" color_data="colours"/>
  </drawUnit>
</drawGroup>
<data name="ct" type="volume" format="GRAY" size="32,32,32"><file path="ct.raw"/></data>
<data name="vertices" type="array_xyz" size="4"><file path="vertices.txt"/></data>
<data name="indices" type="array_index" size="6"><file path="indices.txt"/></data>
<data name="mesh" type="STL"><file path="mesh.stl"/></data>
<data name="picture" type="image" size="16,16"><file path="picture.png"/></data>
<data name="heights" type="gridXY" size="8,8"><file path="heights.txt"/></data>
<data name="track" type="array_xyzt" size="10"><file path="track.txt"/></data>
<data name="colours" type="array_color" size="10"><file path="colours.txt"/></data>
<event name="click"><selectMode original="on"/></event>
""" + TAIL)


def gyroid(edge):
    """A fine gyroid: a surface with many triangles, slow enough to build that
    its progress dialog stays up to be cancelled."""
    axis = np.linspace(0.0, 24.0 * np.pi, edge, dtype=np.float32)
    z, y, x = np.meshgrid(axis, axis, axis, indexing="ij")
    g = np.sin(x) * np.cos(y) + np.sin(y) * np.cos(z) + np.sin(z) * np.cos(x)
    return ((g + 1.5) * 80).clip(0, 255).astype(np.uint8)


def large_scene(folder, edge):
    write(os.path.join(folder, "large.raw"), gyroid(edge).tobytes())
    write(os.path.join(folder, "large.vlm"), HEAD + f"""
<drawGroup name="large">
  <drawUnit>
    <surfaceRendering volume_data="large" renderingType="A" border="100" borderUp="255"/>
    <volumeRendering volume_data="large" renderingType="B"/>
  </drawUnit>
</drawGroup>
<data name="large" type="volume" format="GRAY" size="{edge},{edge},{edge}"><file path="large.raw"/></data>
""" + TAIL)


def other_scene(folder):
    write(os.path.join(folder, "other.vlm"), HEAD + """
<drawGroup name="other">
  <drawUnit>
    <primitive shape="cube" coordinate="0,0,0" size="0.5" diffuse="40,120,200"/>
    <text text="other" size="0.2" coordinate="0,0.8,0" status="facing"/>
  </drawUnit>
</drawGroup>
""" + TAIL)


def hostile_files(folder):
    h = os.path.join(folder, "hostile")
    rng = np.random.default_rng(15)
    write(os.path.join(h, "empty.vlm"), b"")
    write(os.path.join(h, "bom_only.vlm"), b"\xef\xbb\xbf")
    write(os.path.join(h, "utf16_bom_only.vlm"), b"\xff\xfe")
    write(os.path.join(h, "binary.vlm"), bytes(range(256)) * 8)
    write(os.path.join(h, "random.vlm"), rng.integers(0, 256, 4096, dtype=np.uint8).tobytes())
    full = open(os.path.join(folder, "units.vlm"), "rb").read()
    write(os.path.join(h, "truncated.vlm"), full[: len(full) // 2])
    write(os.path.join(h, "unknown_encoding.vlm"), full.replace(b'encoding="UTF-8"', b'encoding="X-NOWHERE"'))
    write(os.path.join(h, "container_method.vlm"), b"velmor000002".ljust(32, b"x") + b"\x10" + b"\0" * 40)
    write(os.path.join(h, "container_cut.vlm"), b"velmor000001".ljust(32, b"x") + struct.pack("<Q", 1 << 40) + b"\1" * 16)
    missing = HEAD + """
<drawGroup name="g"><drawUnit><surfaceRendering volume_data="v" renderingType="A"/></drawUnit></drawGroup>
<data name="v" type="volume" format="GRAY" size="16,16,16"><file path="%s"/></data>
""" + TAIL
    write(os.path.join(h, "missing_data.vlm"), missing % "nowhere.raw")
    write(os.path.join(h, "short.raw"), b"\x80" * 100)
    write(os.path.join(h, "short_data.vlm"), (missing % "short.raw").replace("16,16,16", "64,64,64"))
    write(os.path.join(h, "absurd_size.vlm"), (missing % "short.raw").replace("16,16,16", "2000000,2000000,2000000"))
    write(os.path.join(h, "negative_size.vlm"), (missing % "short.raw").replace("16,16,16", "-5,16,16"))
    write(os.path.join(h, "garbage_stl.stl"), b"solid x\nfacet normal 1 2\nvertex nan nan\n" * 10)
    write(os.path.join(h, "garbage_stl.vlm"), HEAD + """
<drawGroup name="g"><drawUnit><stl stl_data="m" renderingType="A"/></drawUnit></drawGroup>
<data name="m" type="STL"><file path="garbage_stl.stl"/></data>
""" + TAIL)
    write(os.path.join(h, "broken.png"), b"\x89PNG\r\n\x1a\n" + b"\0" * 40)
    write(os.path.join(h, "broken_picture.vlm"), HEAD + """
<drawGroup name="g"><drawUnit><image shape="plane" size="1" image_data="p"/></drawUnit></drawGroup>
<data name="p" type="image" size="16,16"><file path="broken.png"/></data>
""" + TAIL)
    write(os.path.join(h, "cycle.vlm"), HEAD + """
<drawGroup name="a"><childGroup name="b"/></drawGroup>
<drawGroup name="b"><childGroup name="a"/></drawGroup>
""" + TAIL)
    write(os.path.join(h, "deep.vlm"), HEAD + "<drawGroup name=\"d\">" + "<x>" * 20000 + "</x>" * 20000 + "</drawGroup>" + TAIL)
    write(os.path.join(h, "not_xml.vlm"), "this is not a scene\n" * 50)
    # Not files where files belong, as data and as the scene: a reader that
    # opened them would wait for good (the FIFO) or read without end (the device).
    for name in ("pipe", "device", "folder"):
        write(os.path.join(h, f"{name}_data.vlm"), missing % f"{name}.raw")
        for path in (os.path.join(h, name + ".raw"), os.path.join(h, name + ".vlm")):
            if name == "pipe":
                os.mkfifo(path)
            elif name == "folder":
                os.makedirs(path)
            else:
                os.symlink("/dev/zero", path)
    huge_scenes(h)


def huge_scenes(h):
    """Valid scenes that ask for too much and open without a message: round
    shapes of 100000 divisions and a 1e30-pixel text about a red ball, turned by 1e308 degrees; a
    chain of 100000 events that start nothing, the last turning the
    background blue."""
    counts = 'parameter="100000,100000,100000,100000"'
    write(os.path.join(h, "huge_counts.vlm"), HEAD + f"""
<drawGroup name="g"><drawUnit>
  <primitive shape="sphere" size="0.3" {counts} rot="1e308,0,0,1" diffuse="255,0,0" ambient="255,0,0"/>
  <primitive shape="ellipsoid" coordinate="1,0,0" size="0.1,0.2,0.3" {counts} filled="off" rot="-1e308,1e308,0,1"/>
  <primitive shape="circle" coordinate="-1,0,0" size="0.2" parameter="100000,100000,100000" filled="off"/>
  <primitive shape="cylinder" coordinate="0,1,0" size="0.1,0.1,0.2" parameter="2147483647,2147483647,2147483647"/>
  <image shape="sphere" size="0.3" coordinate="0,-1,0" divide="100000" image_data="p"/>
  <image shape="circle" size="0.3" coordinate="1,1,0" divide="100000" image_data="p"/>
  <scatterGraph marker="sphere" markerSize="0.05" markerParameter="100000,100000" coordinate_data="t"/>
  <text text="{'口' * 511}" fontSize="1e30" fixPoint="0.9,0.9,0.5" status="fix"/>
</drawUnit></drawGroup>
<data name="p" type="image" size="16,16"><file path="../picture.png"/></data>
<data name="t" type="array_xyz" size="4"><file path="../vertices.txt"/></data>
<event name="start"><topGroup name="g"/><activeSpace index="0"/>
  <handle rot="1e308,0,0,1" objectRot="1e308,1e308,1e308,1e308"/><homeHandle rot="1e308,0,0,3"/>
  <handleAnimation rot="1e308,1e308,1e308"/></event>
""" + TAIL.replace("<firstSetting ", '<firstSetting firstEvent="start" '))
    n = 100000
    chain = "".join(f'<event name="e{i}"><handle trans="0.000001,0"/><nextEvent name="e{i + 1}"/></event>\n'
                    for i in range(n - 1))
    write(os.path.join(h, "long_chain.vlm"), HEAD + """
<drawGroup name="g"><drawUnit><primitive shape="cube" size="0.3"/></drawUnit></drawGroup>
<event name="start"><topGroup name="g"/><activeSpace index="0"/><nextEvent name="e0"/></event>
""" + chain + f'<event name="e{n - 1}"><appearance backgroundColor="0,0,255"/></event>\n'
          + TAIL.replace("<firstSetting ", '<firstSetting firstEvent="start" '))


def main():
    folder = sys.argv[1]
    if sys.argv[2:] == ["huge"]:
        units_scene(folder)
        huge_scenes(os.path.join(folder, "hostile"))
        return
    edge = int(sys.argv[2]) if len(sys.argv) > 2 else 256
    units_scene(folder)
    large_scene(folder, edge)
    other_scene(folder)
    hostile_files(folder)


if __name__ == "__main__":
    main()
