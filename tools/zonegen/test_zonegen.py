#!/usr/bin/env python3
"""Tests of the zone generator: bad entries stop it and nothing is written;
records carry the slots the routines read."""

import math
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import zonegen  # noqa: E402

GOOD = """\
ellipsoid | grs80 | GRS 1980 | a=6378137 rf=298.257222101
utm | 200 | grs80 | 26900+z:1-23 |
zone | 8001 | tm-test | | test grid | proj=tmerc ellps=grs80 lat_0=30d30 lon_0=-85d50 k_0=0.9999 x_0=500000 y_0=0 units=us-ft
zone | 8501 | lcc-test | | test cone | proj=lcc ellps=grs80 lat_1=49 lat_2=44 lat_0=46.5 lon_0=3 x_0=700000 y_0=6600000
"""


class GeneratorRun(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.out = os.path.join(self.dir.name, "template")
        os.mkdir(self.out)
        # Existing files that a failed run must leave alone.
        for name in ("con_dos.asc", "zones.csv"):
            with open(os.path.join(self.out, name), "w") as f:
                f.write("old\n")

    def tearDown(self):
        self.dir.cleanup()

    def run_generator(self, definitions, *extra):
        path = os.path.join(self.dir.name, "zones.txt")
        with open(path, "w") as f:
            f.write(definitions)
        # The State Plane 1927 completeness check is switched off for
        # small lists by clearing the alias table of the module under test.
        return subprocess.run(
            [sys.executable, "-c",
             "import sys; sys.path.insert(0, %r); import zonegen; zonegen.SPCS27_ALIASES.clear(); "
             "sys.exit(zonegen.main(sys.argv[1:]))" % HERE,
             "--definitions", path, "--out", self.out, *extra],
            capture_output=True, text=True)

    def read(self, name):
        with open(os.path.join(self.out, name)) as f:
            return f.read()

    def files(self):
        return sorted(os.listdir(self.out)), [self.read(n) for n in ("con_dos.asc", "zones.csv")]

    def test_bad_entries_stop_the_run_and_write_nothing(self):
        cases = [  # (definitions, text the message must contain)
            (GOOD.replace("k_0=0.9999 ", ""), "entry 'zone | 8001 | tm-test'"),
            (GOOD.replace("k_0=0.9999 ", ""), "k_0"),
            (GOOD.replace("ellps=grs80 lat_1", "ellps=grs81 lat_1"), "unknown ellipsoid 'grs81'"),
            (GOOD.replace("ellps=grs80 lat_1", "ellps=grs81 lat_1"), "entry 'zone | 8501 | lcc-test'"),
            (GOOD.replace("utm | 200 | grs80", "utm | 200 | wgs84"), "entry 'utm | 200 | wgs84'"),
            (GOOD.replace("lat_0=30d30", "lat_0=30x30"), "malformed angle"),
            (GOOD + "zone | 8501 | again | | dup | proj=cass ellps=grs80 lat_0=1 lon_0=1 x_0=0 y_0=0\n",
             "not in a cass range"),
            (GOOD + "zone | 8001 | again | | dup | proj=tmerc ellps=grs80 lat_0=1 lon_0=1 k_0=1 x_0=0 y_0=0\n",
             "8001"),
            (GOOD.replace("proj=lcc", "proj=lcx"), "unknown proj"),
        ]
        for definitions, message in cases:
            with self.subTest(message=message):
                before = self.files()
                result = self.run_generator(definitions)
                self.assertEqual(result.returncode, 2, result.stderr)
                self.assertIn(message, result.stderr)
                self.assertIn("nothing written", result.stderr)
                self.assertEqual(self.files(), before)

    def test_good_list_writes_records_and_check_mode_sees_staleness(self):
        result = self.run_generator(GOOD)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.run_generator(GOOD, "--check").returncode, 0)
        changed = GOOD.replace("x_0=700000", "x_0=700001")
        self.assertEqual(self.run_generator(changed, "--check").returncode, 1)

        tokens = self.read("con_dos.asc").split()
        records = {int(tokens[i]): [float(v) for v in tokens[i + 1:i + 21]]
                   for i in range(0, len(tokens), 21)}
        self.assertEqual(sorted(records), [200, 8001, 8501])
        utm = records[200]
        self.assertEqual(utm[0], 6378137.0)
        self.assertEqual(utm[2], math.sqrt(utm[1]))
        self.assertEqual((utm[3], utm[6], utm[8]), (0.9996, 500000.0, 0.0))
        tm = records[8001]
        # Feet-defined false easting through the library's foot factor.
        self.assertEqual(tm[6], 500000 * 0.30480060991089725)
        self.assertEqual(tm[5], -85.83333333333333 * zonegen.DEG_TO_RAD_TM)
        self.assertEqual(tm[8], zonegen.meridian_distance(tm[0], tm[1], tm[2],
                                                          30.5 * zonegen.DEG_TO_RAD_TM))
        lcc = records[8501]
        self.assertEqual((lcc[6], lcc[7], lcc[8]), (3 * 3600.0, 700000.0, 6600000.0))
        # Both standard parallels are of true scale: n F t^n = m on each
        # (Snyder 1987, eqs. 15-8 and 15-10).
        n, F, e2, e = lcc[9], lcc[10], lcc[1], lcc[2]
        for lat in (49.0, 44.0):
            scale = n * F * zonegen.lambert_t(e, lat) ** n / zonegen.lambert_m(e2, lat)
            self.assertAlmostEqual(scale, 1.0, delta=1e-14)

        lines = self.read("zones.csv").splitlines()
        self.assertEqual(lines[0], "code,key,family,name,ellipsoid,epsg,epsg_south,definition")
        self.assertIn("233,utm:grs80:33,tmerc,", "\n".join(lines))
        self.assertIn("+x_0=152400.3048006096", "\n".join(lines))


if __name__ == "__main__":
    unittest.main()
