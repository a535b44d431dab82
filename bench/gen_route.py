#!/usr/bin/env python3
"""Writes a GPX route of N points in the layout the program reads.

Usage: gen_route.py N SEED OUTPUT

Points are 5 to 30 m apart along a wandering course kept within a region of
France; the elevation follows a smoothly varying slope (at most 12 %) and stays
within 0 to 4000 m. The same N and SEED always give the same file.
"""
import math
import random
import sys


def main():
    n, seed, output = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    rng = random.Random(seed)
    lat, lon = 45.5, 4.5
    heading = rng.uniform(0, 2 * math.pi)
    ele, slope = 400.0, 0.0
    metres_per_deg_lat = 6366000.0 * math.pi / 180.0
    out = [
        '<?xml version="1.0" encoding="UTF-8" ?>',
        '<gpx version="1.1" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" ',
        '    xmlns="http://www.topografix.com/GPX/1/1" ',
        '    creator="ride_estimate bench" >\t<trk>',
        '\t\t\t\t\t\t<name>Parcours de test %d points</name>' % n,
        '\t\t\t\t\t\t<trkseg>',
    ]
    for _ in range(n):
        out.append('\t\t\t\t\t<trkpt lat="%.6f" lon="%.6f">' % (lat, lon))
        out.append('\t\t\t\t\t\t<ele>%d</ele>' % round(ele))
        out.append('\t\t\t\t\t</trkpt>')
        step = rng.uniform(5.0, 30.0)
        heading += rng.gauss(0.0, 0.15)
        lat += step * math.cos(heading) / metres_per_deg_lat
        lon += step * math.sin(heading) / (metres_per_deg_lat * math.cos(math.radians(lat)))
        # Turn back inside the region.
        if not 43.0 < lat < 48.0:
            heading = math.pi - heading
            lat = min(max(lat, 43.0), 48.0)
        if not 1.0 < lon < 7.0:
            heading = -heading
            lon = min(max(lon, 1.0), 7.0)
        slope = min(max(slope + rng.gauss(0.0, 0.004), -0.12), 0.12)
        ele += slope * step
        if ele < 20.0 or ele > 3900.0:
            slope = -slope
            ele = min(max(ele, 20.0), 3900.0)
    out += ['\t\t\t\t\t</trkseg>', '\t\t\t\t</trk>', '\t\t\t</gpx>']
    with open(output, 'w', encoding='ascii') as f:
        f.write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main()
