#!/usr/bin/env python3
"""Builds the golden shapefile triples byte by byte from the published layout, independently of
the C++ writer. The .dbf date bytes are zero; the tests mask them before comparing.

Run from this folder: python3 make_golden.py
"""
import struct


def dbf(fields, records):
    """fields: (name, type, length, decimals); records: raw field byte strings per field."""
    reclen = 1 + sum(f[2] for f in fields)
    out = bytes([3, 0, 0, 0]) + struct.pack('<IHH', len(records), 32 * len(fields) + 33, reclen)
    out += b'\0' * 17 + b'\x57' + b'\0\0'
    for name, typ, length, dec in fields:
        out += name.ljust(11, b'\0') + typ + b'\0' * 4 + bytes([length, dec]) + b'\0' * 14
    out += b'\x0d'
    for rec in records:
        row = b' ' + b''.join(rec)
        assert len(row) == reclen
        out += row
    return out + b'\x1a'


def header(file_words, shape_type, box):
    return (struct.pack('>i', 9994) + b'\0' * 20 + struct.pack('>i', file_words) +
            struct.pack('<ii', 1000, shape_type) + struct.pack('<4d', *box) + b'\0' * 32)


def point(x, y):
    return struct.pack('<i2d', 1, x, y)


def poly(shape_type, rings):
    pts = [p for r in rings for p in r]
    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    out = struct.pack('<i4d', shape_type, min(xs), min(ys), max(xs), max(ys))
    out += struct.pack('<ii', len(rings), len(pts))
    start = 0
    for r in rings:
        out += struct.pack('<i', start)
        start += len(r)
    for p in pts:
        out += struct.pack('<2d', *p)
    return out


NULL = struct.pack('<i', 0)


def write(name, shape_type, contents, box, table):
    body, index, offset = b'', b'', 50
    for n, c in enumerate(contents, 1):
        body += struct.pack('>ii', n, len(c) // 2) + c
        index += struct.pack('>ii', offset, len(c) // 2)
        offset += len(c) // 2 + 4
    open(f'golden/{name}.shp', 'wb').write(header((100 + len(body)) // 2, shape_type, box) + body)
    open(f'golden/{name}.shx', 'wb').write(header(50 + 4 * len(contents), shape_type, box) + index)
    open(f'golden/{name}.dbf', 'wb').write(table)


# Two points; the first at the origin, which the header box must include.
write('points', 1, [point(0.0, 0.0), point(10.25, 52.75)], (0.0, 0.0, 10.25, 52.75),
      dbf([(b'NAME', b'C', 10, 0), (b'WERT', b'N', 8, 2)],
          [[b'Null\0     ', b'    0.00'], [b'Gr\xfcn\0     ', b'  -12.50']]))

# A polyline of two parts, then one with a single point, written as a null record.
write('lines', 3, [poly(3, [[(0.0, 0.0), (1.0, 1.0), (2.0, 0.0)], [(5.0, 5.0), (6.0, 6.5)]]), NULL],
      (0.0, 0.0, 6.0, 6.5),
      dbf([(b'ID', b'N', 4, 0), (b'OFFEN', b'L', 1, 0)], [[b'   1', b'T'], [b'   2', b'F']]))

# A square given open (closed by the writer) and a square with a hole.
square = [(0.0, 0.0), (0.0, 10.0), (10.0, 10.0), (10.0, 0.0), (0.0, 0.0)]
outer = [(20.0, 0.0), (20.0, 4.0), (24.0, 4.0), (24.0, 0.0), (20.0, 0.0)]
hole = [(21.0, 1.0), (23.0, 1.0), (23.0, 3.0), (21.0, 3.0), (21.0, 1.0)]
write('areas', 5, [poly(5, [square]), poly(5, [outer, hole])], (0.0, 0.0, 24.0, 10.0),
      dbf([(b'NAME', b'C', 6, 0)], [[b'Wiese\0'], [b'Hof\0  ']]))
