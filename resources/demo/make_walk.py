#!/usr/bin/env python3
"""Writes walk.nmea: a surveyor walking once round a field near 9.0 deg E, 50.0 deg N.

One fix per second (RMC, GGA, GSA and a GSV set), about five minutes long, with a little
deterministic jitter in position, HDOP and signal strength so that averaging and the sky plot
have something to show. The recording is the demo receiver "nmea-file://.../walk.nmea"; it is
committed, so run this script only to change the walk:

    python3 resources/demo/make_walk.py > resources/demo/walk.nmea
"""

import math
import random
import sys
from datetime import datetime, timedelta, timezone

ORIGIN_LON = 9.0
ORIGIN_LAT = 50.0
# Corners of the field in metres east/north of the origin, walked anticlockwise.
CORNERS = [(0.0, 0.0), (140.0, 10.0), (150.0, 95.0), (20.0, 110.0), (0.0, 0.0)]
SPEED = 1.35  # m/s, a steady walking pace
START = datetime(2026, 6, 15, 8, 0, 0, tzinfo=timezone.utc)
GEOID = 47.9
ALTITUDE = 152.0
# (prn, elevation, azimuth) at the start; they drift slowly during the walk.
SATELLITES = [(2, 45, 120), (5, 62, 200), (12, 30, 300), (15, 12, 50), (18, 75, 10),
              (24, 20, 260), (25, 38, 150), (29, 8, 330), (31, 52, 80), (32, 15, 225)]

M_PER_DEG_LAT = 111_229.0
M_PER_DEG_LON = 111_320.0 * math.cos(math.radians(ORIGIN_LAT))


def checksum_line(body):
    s = 0
    for ch in body:
        s ^= ord(ch)
    return "$%s*%02X\r\n" % (body, s)


def nmea_angle(value, degree_digits):
    # Round in ten-thousandths of a minute first, so 59.99999' becomes the next degree and
    # never the impossible "60.0000".
    total = int(round(abs(value) * 60.0 * 10000.0))
    degrees, rest = divmod(total, 60 * 10000)
    return "%0*d%02d.%04d" % (degree_digits, degrees, rest // 10000, rest % 10000)


def track():
    """Positions (east, north) one second apart along the field's edge."""
    points = []
    carry = 0.0
    for (x0, y0), (x1, y1) in zip(CORNERS, CORNERS[1:]):
        length = math.hypot(x1 - x0, y1 - y0)
        d = carry
        while d < length:
            t = d / length
            points.append((x0 + t * (x1 - x0), y0 + t * (y1 - y0), math.degrees(math.atan2(x1 - x0, y1 - y0)) % 360))
            d += SPEED
        carry = d - length
    return points


def main():
    rng = random.Random(20261208)
    out = []
    points = track()
    for i, (east, north, course) in enumerate(points):
        now = START + timedelta(seconds=i)
        hhmmss = now.strftime("%H%M%S") + ".00"
        ddmmyy = now.strftime("%d%m%y")
        east += rng.gauss(0.0, 0.6)
        north += rng.gauss(0.0, 0.6)
        lon = ORIGIN_LON + east / M_PER_DEG_LON
        lat = ORIGIN_LAT + north / M_PER_DEG_LAT
        lat_text = nmea_angle(lat, 2)
        lon_text = nmea_angle(lon, 3)
        knots = SPEED / 0.514444 + rng.uniform(-0.1, 0.1)
        hdop = round(0.9 + 0.3 * abs(math.sin(i / 40.0)) + rng.uniform(0.0, 0.1), 1)

        sats = []
        for prn, elevation, azimuth in SATELLITES:
            el = max(1, min(89, int(round(elevation + 4 * math.sin(i / 120.0 + prn)))))
            az = int(round(azimuth + i * 0.02 * (1 if prn % 2 else -1))) % 360
            snr = 0 if el < 10 else int(round(25 + el * 0.3 + rng.uniform(-2, 2)))
            sats.append((prn, el, az, snr))
        strongest = sorted(sats, key=lambda s: -s[3])
        used = sorted(s[0] for s in strongest if s[3] >= 30 or s in strongest[:5])[:12]

        out.append(checksum_line("GPRMC,%s,A,%s,N,%s,E,%.1f,%.1f,%s,,,A"
                                 % (hhmmss, lat_text, lon_text, knots, course, ddmmyy)))
        out.append(checksum_line("GPGGA,%s,%s,N,%s,E,1,%02d,%.1f,%.1f,M,%.1f,M,,"
                                 % (hhmmss, lat_text, lon_text, len(used), hdop,
                                    ALTITUDE + north * 0.02 + rng.uniform(-0.3, 0.3), GEOID)))
        prn_fields = ",".join(["%02d" % p for p in used] + [""] * (12 - len(used)))
        out.append(checksum_line("GPGSA,A,3,%s,%.1f,%.1f,%.1f" % (prn_fields, hdop + 0.6, hdop, hdop + 0.4)))
        total = (len(sats) + 3) // 4
        for m in range(total):
            chunk = sats[m * 4:(m + 1) * 4]
            fields = ",".join("%02d,%02d,%03d,%s" % (p, e, a, ("%02d" % s) if s else "") for p, e, a, s in chunk)
            out.append(checksum_line("GPGSV,%d,%d,%02d,%s" % (total, m + 1, len(sats), fields)))
    sys.stdout.write("".join(out))


if __name__ == "__main__":
    main()
