#!/usr/bin/env python3
"""A street-map-like tile server on 127.0.0.1 for screenshots of the demo, without the internet.

Serves 512 x 512 PNG tiles under the OpenStreetMap path "/ZOOM/COLUMN/ROW.png", drawn on
request from a few made-up features around the demo field (9° E, 50° N): ground, farmland, a
meadow, a wood, a pond, houses, a main road, a lane and a track. Features are placed in metres,
so they continue across tile edges at every zoom level. Every other path answers 404. Only the
Python standard library is used (PNG written with zlib).

Usage: scripts/tileserver.py --port-file FILE    (writes the chosen port into FILE, then serves)
"""
import argparse
import http.server
import math
import os
import re
import struct
import threading
import zlib

SIZE = 512
ORIGIN_LON, ORIGIN_LAT = 9.0, 50.0
M_PER_DEG_LAT = 111229.0
M_PER_DEG_LON = 111320.0 * math.cos(math.radians(ORIGIN_LAT))

GROUND = (242, 239, 233)
FARMLAND = (238, 240, 213)
MEADOW = (205, 235, 176)
WOOD = (173, 209, 158)
WATER = (170, 211, 223)
HOUSE = (217, 208, 201)
HOUSE_EDGE = (196, 182, 171)
CASING = (188, 170, 150)
MAIN_ROAD = (247, 250, 191)
LANE = (255, 255, 255)
TRACK = (172, 131, 39)


def circle(cx, cy, r, n=16):
    return [(cx + r * math.cos(2 * math.pi * k / n), cy + r * math.sin(2 * math.pi * k / n)) for k in range(n)]


# Areas (metres east and north of the origin), drawn in this order.
AREAS = [
    (FARMLAND, [(-45, -32), (400, -28), (420, 330), (-30, 330)]),
    (MEADOW, [(-400, -58), (500, -52), (500, -400), (-400, -400)]),
    (WOOD, [(-400, 140), (-75, 150), (-68, 420), (-400, 420)]),
    (WATER, circle(245, 45, 28)),
    (HOUSE_EDGE, [(-110, 8), (-84, 8), (-84, 30), (-110, 30)]),
    (HOUSE, [(-109, 9), (-85, 9), (-85, 29), (-109, 29)]),
    (HOUSE_EDGE, [(-112, 50), (-86, 50), (-86, 66), (-112, 66)]),
    (HOUSE, [(-111, 51), (-87, 51), (-87, 65), (-111, 65)]),
    (HOUSE_EDGE, [(-104, 92), (-82, 92), (-82, 112), (-104, 112)]),
    (HOUSE, [(-103, 93), (-83, 93), (-83, 111), (-103, 111)]),
]
# Roads: colour, width in metres, course; the casings first, so that crossings stay open.
MAIN = [(-70, -400), (-62, -40), (-58, 120), (-50, 420)]
LANE_COURSE = [(-400, -46), (-62, -44), (200, -40), (500, -36)]
ROADS = [
    (CASING, 11.0, MAIN),
    (CASING, 7.5, LANE_COURSE),
    (LANE, 5.5, LANE_COURSE),
    (MAIN_ROAD, 8.5, MAIN),
    (TRACK, 2.0, [(178, -40), (186, 120), (196, 420)]),
]


def global_pixel(east, north, zoom):
    """Web-mercator pixel of a point given in metres from the origin, at `zoom`."""
    lon = ORIGIN_LON + east / M_PER_DEG_LON
    lat = math.radians(ORIGIN_LAT + north / M_PER_DEG_LAT)
    n = SIZE * 2 ** zoom
    x = (lon + 180.0) / 360.0 * n
    y = (1.0 - math.log(math.tan(lat) + 1.0 / math.cos(lat)) / math.pi) / 2.0 * n
    return x, y


def fill_polygon(buf, points, colour):
    """Even-odd scanline fill of a polygon given in tile pixels."""
    ys = [p[1] for p in points]
    top = max(0, int(math.floor(min(ys))))
    bottom = min(SIZE, int(math.ceil(max(ys))))
    if top >= bottom:
        return
    rgb = bytes(colour)
    edges = list(zip(points, points[1:] + points[:1]))
    for row in range(top, bottom):
        y = row + 0.5
        xs = sorted(x0 + (y - y0) * (x1 - x0) / (y1 - y0) for (x0, y0), (x1, y1) in edges
                    if (y0 <= y < y1) or (y1 <= y < y0))
        for a, b in zip(xs[0::2], xs[1::2]):
            left = max(0, int(math.ceil(a - 0.5)))
            right = min(SIZE, int(math.ceil(b - 0.5)))
            if right > left:
                offset = (row * SIZE + left) * 3
                buf[offset:offset + (right - left) * 3] = rgb * (right - left)


def stroke(buf, points, width, colour):
    """A polyline of `width` pixels: a quadrilateral per segment, a disc at every joint."""
    half = width / 2.0
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        length = math.hypot(x1 - x0, y1 - y0) or 1.0
        nx, ny = -(y1 - y0) / length * half, (x1 - x0) / length * half
        fill_polygon(buf, [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], colour)
    for x, y in points[1:-1]:
        fill_polygon(buf, circle(x, y, half, 12), colour)


def render(zoom, column, row):
    buf = bytearray(bytes(GROUND) * (SIZE * SIZE))
    metres_per_pixel = 40075016.686 * math.cos(math.radians(ORIGIN_LAT)) / (SIZE * 2 ** zoom)

    def local(points):
        out = []
        for east, north in points:
            x, y = global_pixel(east, north, zoom)
            out.append((x - column * SIZE, y - row * SIZE))
        return out

    for colour, points in AREAS:
        fill_polygon(buf, local(points), colour)
    for colour, width, points in ROADS:
        stroke(buf, local(points), max(1.0, width / metres_per_pixel), colour)
    return png(buf)


def png(rgb):
    raw = b"".join(b"\x00" + bytes(rgb[y * SIZE * 3:(y + 1) * SIZE * 3]) for y in range(SIZE))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b"")


PATH = re.compile(r"^/(\d+)/(\d+)/(\d+)\.png$")
made = {}
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        m = PATH.match(self.path)
        if not m or not (0 <= int(m.group(1)) <= 19):
            self.send_error(404)
            return
        key = tuple(int(g) for g in m.groups())
        with lock:
            body = made.get(key)
        if body is None:
            body = render(*key)
            with lock:
                made[key] = body
        self.send_response(200)
        self.send_header("Content-Type", "image/png")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port-file", required=True)
    args = parser.parse_args()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    with open(args.port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(args.port_file + ".tmp", args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
