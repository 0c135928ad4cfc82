#!/usr/bin/env python3
"""Writes small seed corpora for the fuzz targets.

Usage: make_seeds.py SOURCE_DIR GRID_DIR OUT_DIR

Reads parameter records from SOURCE_DIR/template/con_dos.asc and grid files
from GRID_DIR (*.las, *.los) at run time and writes OUT_DIR/parameter_file,
OUT_DIR/lldrv_str, OUT_DIR/nadcon_grids and OUT_DIR/calls.  The control values of each
target are taken from the end of its input, the first consumed from the
last byte, so each seed ends with them in reverse order.
"""
import os
import random
import struct
import sys

# Index of each code in kZoneCodes of fuzz_support.h.
ZONE_CODES = [1, 37, 72, 98, 99, 100, 117, 161, 162, 199, 1617, 1661, 1699, 4999, 5001, 5057,
              5099, 5101, 5102, 5201, 5214, 6001, 7001, 7501, 8001, 8501, 8999, 0, -101,
              -5010, -4803, -1, 5000, 9000, -2**31, 2**31 - 1]


class Control:
    """Bytes in the order the target consumes them from the end."""

    def __init__(self):
        self.consumed = []

    def byte(self, value):
        self.consumed.append(value & 0xFF)

    def integral(self, value, width):
        for i in range(width):
            self.byte(value >> (8 * (width - 1 - i)))

    def zone(self, code):
        self.byte(1)
        self.byte(ZONE_CODES.index(code))

    def double(self, value):
        self.byte(1)
        self.integral(struct.unpack("<Q", struct.pack("<d", value))[0], 8)

    def float(self, value):
        self.byte(1)
        self.integral(struct.unpack("<I", struct.pack("<f", value))[0], 4)

    def tail(self):
        return bytes(reversed(self.consumed))


def records(source_dir):
    """Parameter records of the shipped file, keyed by code."""
    tokens = open(os.path.join(source_dir, "template", "con_dos.asc")).read().split()
    result = {}
    for i in range(0, len(tokens) - 20, 21):
        result[int(tokens[i])] = " ".join(tokens[i + 1:i + 21])
    return result


def write(directory, name, data):
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as out:
        out.write(data)


def parameter_seeds(source_dir, out_dir):
    table = records(source_dir)
    # zone, file key, a geographic point (degrees), a grid point (metres)
    cases = [(1, 1, 32.0, -87.0), (37, 37, 40.0, -77.0), (161, 100, 10.0, -170.0),
             (1617, 1600, 45.0, -87.0), (199, 100, 20.0, 30.0), (5001, 5001, 31.0, -85.8),
             (5101, 5101, 35.0, 10.0), (5201, 5201, 10.0, -61.0), (6001, 6001, 57.0, -133.0),
             (7001, 7001, 40.0, -100.0), (7501, 7501, 40.0, -100.0), (8001, 8001, 40.0, -100.0),
             (8501, 8501, 40.0, -100.0), (-101, 5001, 31.0, -85.8), (162, 100, 0.0, 0.0)]
    for zone, key, lat, lon in cases:
        for keyed in (0, 1):
            c = Control()
            c.zone(zone)
            c.byte(keyed)
            c.byte(1)  # input units: metres and degrees
            c.byte(1)  # output units
            c.byte(1)  # hemisphere: north
            c.float(100.0)
            c.float(0.0)
            c.float(0.0)
            c.double(lat)
            c.double(lon)
            c.double(500000.0)
            c.double(4000000.0)
            c.byte((zone + keyed) % 3)  # text variant: as is, CR LF, Ctrl-Z and a copy
            body = table[key] if keyed else "%d\n  %s\n" % (key, table[key])
            write(os.path.join(out_dir, "parameter_file"), "%d-%d" % (zone, keyed),
                  body.encode() + c.tail())


def lldrv_str_seeds(out_dir):
    cases = [(1, b"32.5", b"-87.25"), (5001, b"  31e0xyz", b"-85.8"), (199, b"-1e999", b"1e-999"),
             (1617, b"+.5", b"-.5e+2"), (6001, b"57", b"-133.")]
    for i, (zone, lat, lon) in enumerate(cases):
        c = Control()
        c.zone(zone)
        c.byte(1)  # latitude text not NULL
        write(os.path.join(out_dir, "lldrv_str"), "seed%d" % i, lat + b"\\ " + lon + c.tail())


def nadcon_seeds(grid_dir, out_dir):
    rng = random.Random(27)
    for area in ("stpaul", "prvi", "conus"):
        las_path = os.path.join(grid_dir, area + ".las")
        if not os.path.exists(las_path):
            continue
        las = open(las_path, "rb").read()
        los = open(os.path.join(grid_dir, area + ".los"), "rb").read()
        points = bytes(rng.randrange(256) for _ in range(96))
        for same in (0, 1):
            c = Control()
            c.byte(same)
            c.integral(len(las), 4)
            grid = las if same else las + los
            write(os.path.join(out_dir, "nadcon_grids"), "%s-%d" % (area, same),
                  points + grid + c.tail())


def calls_seeds(out_dir):
    # Call sequences are read from the end of the input byte by byte; any
    # bytes make a valid sequence, so the seeds are random ones of a few
    # lengths.
    rng = random.Random(83)
    for i, length in enumerate((32, 96, 256, 1024)):
        write(os.path.join(out_dir, "calls"), "seed%d" % i,
              bytes(rng.randrange(256) for _ in range(length)))


def main():
    source_dir, grid_dir, out_dir = sys.argv[1:4]
    parameter_seeds(source_dir, out_dir)
    lldrv_str_seeds(out_dir)
    nadcon_seeds(grid_dir, out_dir)
    calls_seeds(out_dir)


if __name__ == "__main__":
    main()
