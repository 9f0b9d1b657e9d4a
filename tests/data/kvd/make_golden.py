#!/usr/bin/env python3
"""Writes the golden .kvd files of this folder byte by byte from the format's rules, without
using our own writer, so that the tests compare the writer against an independent encoding.
Run it only to recreate the files; the tests never write here."""
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent


def word(v): return struct.pack('<H', v)
def dword(v): return struct.pack('<I', v)
def int32(v): return struct.pack('<i', v)
def double(v): return struct.pack('<d', v)


def string(s):
    units = s.encode('utf-16-le')
    n = len(units) // 2
    assert n < 255
    return b'\xff' + word(0xFFFE) + bytes([n]) + units


class Stream:
    """Tagged objects with one running index for classes and objects."""

    def __init__(self):
        self.next = 1
        self.classes = {}

    def begin(self, name):
        if name in self.classes:
            out = word(0x8000 | self.classes[name])
        else:
            out = word(0xFFFF) + word(1) + word(len(name)) + name.encode('ascii')
            self.classes[name] = self.next
            self.next += 1
        self.next += 1
        return out


def obj_record(s, pos, bounds, color, infos):
    """bounds = (minX, minY, maxX, maxY); infos = None or [(name, value, format)]."""
    minx, miny, maxx, maxy = bounds
    out = double(pos[0]) + double(pos[1]) + double(maxx) + double(minx) + double(maxy) + double(miny)
    out += dword(color)
    if infos is None:
        return out + word(0)
    out += s.begin('GObList') + word(len(infos))
    for name, value, fmt in infos:
        out += s.begin('GInfo') + string(name) + string(value) + word(fmt)
    return out


def members(s, items):
    out = s.begin('GObList') + word(len(items))
    for make in items:
        out += make()
    return out


def header(version):
    return string('Korvel') + dword(version)


def empty():
    s = Stream()
    body = s.begin('GList') + obj_record(s, (0, 0), (0, 0, 0, 0), 0, None) + members(s, [])
    return header(0x00010005) + body + int32(4326) + string('') + int32(1)


def two_points():
    s = Stream()

    def point(x, y, no):
        def make():
            infos = [('RECHTS', '%.3f' % x, 0x0310), ('HOCH', '%.3f' % y, 0x0310), ('PTNR', no, 0xFFFF)]
            return s.begin('GPoint') + obj_record(s, (x, y), (x, y, x, y), 0x001E9E1B, infos)
        return make

    head = s.begin('GList')
    rec = obj_record(s, (0, 0), (3512000.5, 5405000.25, 3512010.75, 5405020.125), 0, None)
    body = head + rec + members(s, [point(3512010.75, 5405000.25, '17'), point(3512000.5, 5405020.125, '18')])
    return header(0x00010005) + body + int32(31468) + string('18') + int32(0)


def polyline_record(s, version, vertices, width=5, style=2):
    out = obj_record(s, (1.5, 2.5), (0, 0, 3, 5), 0x00E22B8A, [('LAENGE', '8.000', 0x0310)])
    if version > 0x00010000:
        out += int32(width) + int32(style)
    out += s.begin('GObList') + word(len(vertices))
    for ring in vertices:
        out += s.begin('GRing') + dword(len(ring))
        for x, y in ring:
            out += double(x) + double(y)
    return out


def version_10000():
    s = Stream()
    head = s.begin('GList')
    rec = obj_record(s, (0, 0), (0, 0, 3, 5), 0, None)
    line = lambda: s.begin('GPolyline') + polyline_record(s, 0x00010000, [[(0, 0), (3, 0), (3, 5)]])
    return header(0x00010000) + head + rec + members(s, [line])


def version_10002():
    s = Stream()
    head = s.begin('GList')
    rec = obj_record(s, (0, 0), (0, 0, 3, 5), 0, None)

    def text():
        out = s.begin('GText') + obj_record(s, (7, 8), (7, 8, 9, 9), 0x000000FF, None)
        out += string('Hallo') + double(7.25) + double(8.5) + bytes([7]) + double(-2.5)
        out += int32(900) + int32(700) + bytes([1, 0, 1, 0]) + string('Arial')
        return out

    line = lambda: s.begin('GPolygon') + polyline_record(s, 0x00010002, [[(0, 0), (0, 5), (3, 5)]], 3, 0)
    return header(0x00010002) + head + rec + members(s, [text, line]) + int32(31467)


for name, data in [('empty.kvd', empty()), ('two_points.kvd', two_points()),
                   ('version_10000.kvd', version_10000()), ('version_10002.kvd', version_10002())]:
    (HERE / name).write_bytes(data)
    print(name, len(data))
