#!/usr/bin/env python3
"""Reads back the tools' outputs with nothing but Python's standard library,
so the tests compare them with a reader that shares no code with the writers.

  tool_readback.py mesh FILE.ply|FILE.obj   vertices and faces
  tool_readback.py geojson FILE             every feature's kind, value, closure and points
  tool_readback.py png FILE                 width, height and distinct bytes of the pixel data

Numbers are printed with repr(), the shortest text that reads back exactly.
"""
import json
import struct
import sys
import zlib


def read_ply(path):
    with open(path, "rb") as f:
        data = f.read()
    end = data.index(b"end_header\n") + len(b"end_header\n")
    header = data[:end].decode("ascii").split("\n")
    if header[0] != "ply" or header[1] != "format binary_little_endian 1.0":
        raise SystemExit("not a binary little-endian PLY file")
    counts = {}
    for line in header:
        words = line.split()
        if words[:1] == ["element"]:
            counts[words[1]] = int(words[2])
    offset = end
    vertices = []
    for _ in range(counts["vertex"]):
        vertices.append(struct.unpack_from("<3d", data, offset))
        offset += 24
    faces = []
    for _ in range(counts["face"]):
        (n,) = struct.unpack_from("<B", data, offset)
        faces.append(struct.unpack_from("<%di" % n, data, offset + 1))
        offset += 1 + 4 * n
    if offset != len(data):
        raise SystemExit("PLY file has %d bytes after its faces" % (len(data) - offset))
    return vertices, faces


def read_obj(path):
    vertices, faces = [], []
    with open(path, encoding="utf-8") as f:
        for line in f:
            words = line.split()
            if words[:1] == ["v"]:
                vertices.append(tuple(float(w) for w in words[1:4]))
            elif words[:1] == ["f"]:
                faces.append(tuple(int(w.split("/")[0]) - 1 for w in words[1:]))
    return vertices, faces


def mesh(path):
    vertices, faces = read_ply(path) if path.lower().endswith(".ply") else read_obj(path)
    print("vertices", len(vertices), "faces", len(faces))
    for v in vertices:
        print("v", *(repr(c) for c in v))
    for face in faces:
        print("f", *face)


def geojson(path):
    with open(path, encoding="utf-8") as f:
        collection = json.load(f)
    for feature in collection["features"]:
        props, geometry = feature["properties"], feature["geometry"]
        coordinates = geometry["coordinates"]
        points = coordinates[0] if geometry["type"] == "Polygon" else coordinates
        value = props.get("elevation", props.get("id"))
        closed = "closed" if points[0] == points[-1] else "open"
        print("feature", props["kind"], repr(float(value)), closed, len(points))
        for p in points:
            print(" ", *(repr(float(c)) for c in p))


def png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit("not a PNG file")
    offset, pixels, width, height = 8, b"", 0, 0
    while offset < len(data):
        (length,) = struct.unpack_from(">I", data, offset)
        kind = data[offset + 4:offset + 8]
        body = data[offset + 8:offset + 8 + length]
        if kind == b"IHDR":
            width, height = struct.unpack_from(">II", body)
        elif kind == b"IDAT":
            pixels += body
        offset += 12 + length
    print("size", width, height, "distinct", len(set(zlib.decompress(pixels))))


if __name__ == "__main__":
    {"mesh": mesh, "geojson": geojson, "png": png}[sys.argv[1]](sys.argv[2])
