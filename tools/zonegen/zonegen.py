#!/usr/bin/env python3
"""Writes the installation data from the zone definition list.

    python3 tools/zonegen/zonegen.py            write template/con_dos.asc
                                                and template/zones.csv
    python3 tools/zonegen/zonegen.py --check    exit 1 when either file
                                                differs from what the list
                                                gives (nothing is written)

Options --definitions FILE and --out DIR choose another list or output
folder (the tests use them).  A bad entry (unknown ellipsoid, missing or
malformed parameter, code outside its family's range, duplicate code) stops
the run with a message naming the entry, and no file is written: both files
go to temporary names first and are renamed only when both are complete.

Records follow the slot layout the projection routines read (twenty
doubles P0-P19 after the record's code):

  Transverse Mercator  P0 a, P1 e^2, P2 e, P3 k0, P5 central meridian
                       (rad), P6 false easting (m), P7 false northing (m),
                       P8 meridian distance of the latitude of origin (m)
  Lambert Conformal    P0 a, P1 e^2, P2 e, P6 central meridian (arc-s),
  Conic                P7 false easting, P8 false northing (m), P9 n,
                       P10 F, P11 rho0 (m)
  Mercator             P0 a, P1 e^2, P2 e
  Cassini-Soldner      P0 a, P1 e^2, P2 e, P5 central meridian (rad),
                       P6, P7 false origin (m), P8 meridian distance of the
                       latitude of origin (m)
  Bonne                P0 a, P1 e^2, P2 e, P4 standard parallel (rad),
                       P5 central meridian (rad), P8 meridian distance of
                       the standard parallel (m)
  oblique conformal    P5 sphere latitude of the reference point (deg),
  double projection    P6 ellipsoid latitude of the reference point (deg),
                       P8 central meridian (deg), P9 rotation latitude
                       (deg), P11, P12 false origin (m)

Angles become radians with the degree factor of the routine that reads
them, and meridian distances are summed with the library's own series in
the library's order of operations, so that a zone's origin maps exactly to
its false origin.  Every number is written with full round-trip precision.
"""

import argparse
import csv
import io
import math
import os
import re
import sys
import tempfile
from fractions import Fraction

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
DEFAULT_DEFINITIONS = os.path.join(HERE, "zones.txt")
DEFAULT_OUT = os.path.join(ROOT, "template")

# Degrees to radians of the Transverse Mercator and Lambert routines and of
# the parameter loader: 1/57.29577951, not pi/180.
DEG_TO_RAD_TM = 0.017453292520882225
# Degrees to radians of the Mercator, Cassini-Soldner and Bonne routines:
# 1/57.29578, not pi/180.
DEG_TO_RAD_CB = 0.01745329237161969
# US survey feet to metres as the library converts grid values: the
# reciprocal of 3.28083333, not 1200/3937.
US_FEET_TO_METRES = 0.30480060991089725
# The US survey foot by definition, 1200/3937 m: ellipsoid axes published
# in feet, and the false origins of PROJ-style definition strings.
US_FOOT_EXACT = Fraction(1200, 3937)

# UTM: scale factor on the central meridian and false easting (m).
UTM_K0 = 0.9996
UTM_FALSE_EASTING = 500000.0

# Meridian distance, Snyder (1987) eq. 3-21, coefficients as the library
# multiplies them in.
M1E2 = 0.25                  # 1/4
M1E4 = 0.046875              # 3/64
M1E6 = 0.01953125            # 5/256
M2E2 = 0.375                 # 3/8
M2E4 = 0.09375               # 3/32
M2E6 = 0.0439453125          # 45/1024
M4E4 = 0.05859375            # 15/256
M4E6 = 0.0439453125          # 45/1024
M6E6 = 0.011393229166666666  # 35/3072

PARAM_COUNT = 20

# The zone alias table of the conversion entry: State Plane 1927 zone
# number -> internal zone code.
SPCS27_ALIASES = {
    101: 5001, 102: 5002, 5002: 5003, 5003: 5004, 5004: 5005, 5005: 5006,
    5006: 5007, 5007: 5008, 5008: 5009, 5009: 5010, 5010: 4, 201: 5011,
    202: 5012, 203: 5013, 301: 5, 302: 6, 401: 7, 402: 8, 403: 9, 404: 10,
    405: 11, 406: 12, 407: 13, 501: 14, 502: 15, 503: 16, 600: 17,
    700: 5014, 901: 5015, 902: 5016, 903: 18, 1001: 5017, 1002: 5018,
    5101: 5019, 5102: 5020, 5103: 5021, 5104: 5022, 5105: 5023,
    1101: 5024, 1102: 5025, 1103: 5026, 1201: 5027, 1202: 5028,
    1301: 5029, 1302: 5030, 1401: 19, 1402: 20, 1501: 21, 1502: 22,
    1601: 23, 1602: 24, 1701: 25, 1702: 3, 1703: 26, 1801: 5031,
    1802: 5032, 1900: 27, 2001: 28, 2002: 29, 2101: 5033, 2102: 5034,
    2103: 5035, 2111: 30, 2112: 31, 2113: 32, 2201: 33, 2202: 34, 2203: 35,
    2301: 5036, 2302: 5037, 2401: 5038, 2402: 5039, 2403: 5040, 2501: 36,
    2502: 37, 2503: 38, 2601: 39, 2602: 40, 2701: 5041, 2702: 5042,
    2703: 5043, 2800: 5044, 2900: 5045, 3001: 5046, 3002: 5047, 3003: 5048,
    3101: 5049, 3102: 5050, 3103: 5051, 3104: 41, 3200: 42, 3301: 43,
    3302: 44, 3401: 45, 3402: 46, 3501: 47, 3502: 48, 3601: 49, 3602: 50,
    3701: 51, 3702: 52, 3800: 5052, 3901: 53, 3902: 54, 4001: 55, 4002: 56,
    4100: 57, 4201: 58, 4202: 59, 4203: 60, 4204: 1, 4205: 2, 4301: 61,
    4302: 62, 4303: 63, 4400: 5053, 4501: 64, 4502: 65, 4601: 66, 4602: 67,
    4701: 68, 4702: 69, 4801: 70, 4802: 71, 4803: 72, 4901: 5054,
    4902: 5055, 4903: 5056, 4904: 5057,
}

# Internal code ranges that the dispatch sends to each family.
FAMILY_RANGES = {
    "tmerc": [(5001, 5099), (7001, 7499), (8000, 8499)],
    "lcc": [(1, 98), (7501, 7999), (8501, 8999)],
    "bonne": [(5101, 5199)],
    "cass": [(5201, 5299)],
    "eov": [(6001, 6001)],
}

# Parameters each family needs (beyond proj and ellps) and may take.
REQUIRED = {
    "tmerc": {"lat_0", "lon_0", "k_0", "x_0", "y_0"},
    "lcc": {"lat_1", "lat_0", "lon_0", "x_0", "y_0"},
    "cass": {"lat_0", "lon_0", "x_0", "y_0"},
    "bonne": {"lat_1", "lon_0"},
    "eov": {"lat_0", "lat_s", "lon_0", "k_0", "x_0", "y_0"},
}
OPTIONAL = {
    "tmerc": {"units"},
    "lcc": {"lat_2", "k_0", "units"},
    "cass": {"units"},
    "bonne": {"x_0", "y_0"},
    "eov": set(),
}
# The PROJ name of each family, for the definition column.
PROJ_NAMES = {"tmerc": "tmerc", "lcc": "lcc", "cass": "cass", "bonne": "bonne", "eov": "somerc"}

CSV_COLUMNS = ["code", "key", "family", "name", "ellipsoid", "epsg", "epsg_south", "definition"]

ANGLE_RE = re.compile(
    r"^([+-]?)(\d+(?:\.\d*)?)(?:d(?:(\d+(?:\.\d*)?)(?:'(?:(\d+(?:\.\d*)?)\"?)?)?)?)?$")


class DefinitionError(Exception):
    """A definition entry that cannot be turned into a record."""


class Ellipsoid:
    def __init__(self, ident, name, a, e2_exact, published):
        self.ident = ident
        self.name = name
        self.a = float(a)                 # semi-major axis, metres
        self.e2 = float(e2_exact)         # first eccentricity squared
        self.e = math.sqrt(self.e2)       # first eccentricity
        self.published = published        # PROJ-style axis parameters


def parse_angle(text, where):
    """Degrees as an exact fraction, from decimal or D[dM['S["]]] text."""
    m = ANGLE_RE.match(text)
    if not m:
        raise DefinitionError(f"{where}: malformed angle '{text}'")
    sign, d, mi, s = m.groups()
    value = Fraction(d) + Fraction(mi or 0) / 60 + Fraction(s or 0) / 3600
    return -value if sign == "-" else value


def parse_number(text, where):
    try:
        return Fraction(text)
    except (ValueError, ZeroDivisionError):
        raise DefinitionError(f"{where}: malformed number '{text}'") from None


def fmt(value):
    """A double with full round-trip precision."""
    return repr(float(value))


def meridian_distance(a, e2, e, phi):
    """Meridian distance (m) at phi (rad), summed as the library sums it."""
    e4 = e * e * e * e
    e6 = e * e * e * e * e * e
    phi_factor = 1.0 - M1E2 * e2 - M1E4 * e4 - M1E6 * e6
    return a * (phi_factor * phi -
                (M2E2 * e2 + M2E4 * e4 + M2E6 * e6) * math.sin(2.0 * phi) +
                (M4E4 * e4 + M4E6 * e6) * math.sin(4.0 * phi) -
                M6E6 * e6 * math.sin(6.0 * phi))


def lambert_t(e, lat_deg):
    """Snyder (1987) eq. 15-9 as the Lambert routine evaluates it."""
    es = e * math.sin(lat_deg * DEG_TO_RAD_TM)
    return math.tan((45.0 - 0.5 * lat_deg) * DEG_TO_RAD_TM) / ((1.0 - es) / (1.0 + es)) ** (0.5 * e)


def lambert_m(e2, lat_deg):
    """Snyder (1987) eq. 14-15."""
    s = math.sin(lat_deg * DEG_TO_RAD_TM)
    return math.cos(lat_deg * DEG_TO_RAD_TM) / math.sqrt(1.0 - e2 * (s * s))


class Generator:
    def __init__(self, path):
        self.path = path
        self.ellipsoids = {}
        self.records = {}       # file key -> list of 20 floats
        self.rows = []          # catalogue rows, dicts of CSV_COLUMNS
        self.codes = set()      # zone codes of the catalogue

    # ------------------------------------------------------------ parsing
    def run(self):
        try:
            with open(self.path, encoding="utf-8") as f:
                lines = f.read().splitlines()
        except OSError as err:
            raise DefinitionError(f"{self.path}: cannot read: {err}") from None
        for number, line in enumerate(lines, 1):
            text = line.strip()
            if not text or text.startswith("#"):
                continue
            fields = [x.strip() for x in text.split("|")]
            where = f"{self.path}:{number}: entry '{' | '.join(fields[:3])}'"
            kind = fields[0]
            handler = {"ellipsoid": self.ellipsoid_entry, "utm": self.utm_entry,
                       "mercator": self.mercator_entry, "zone": self.zone_entry}.get(kind)
            if handler is None:
                raise DefinitionError(f"{where}: unknown entry kind '{kind}'")
            handler(fields, where)
        missing = set(SPCS27_ALIASES) - {int(r["key"][7:]) for r in self.rows
                                          if r["key"].startswith("spcs27:")}
        if missing:
            raise DefinitionError(
                f"{self.path}: State Plane 1927 zones without an entry: "
                + ", ".join(f"{z:04d}" for z in sorted(missing)))

    def expect_fields(self, fields, count, where):
        if len(fields) != count:
            raise DefinitionError(f"{where}: expected {count} fields, found {len(fields)}")

    def lookup_ellipsoid(self, ident, where):
        if ident not in self.ellipsoids:
            raise DefinitionError(f"{where}: unknown ellipsoid '{ident}'")
        return self.ellipsoids[ident]

    def parse_code(self, text, where):
        try:
            return int(text)
        except ValueError:
            raise DefinitionError(f"{where}: malformed zone code '{text}'") from None

    def parse_epsg(self, text, where):
        if text == "":
            return ""
        if not text.isdigit():
            raise DefinitionError(f"{where}: malformed EPSG code '{text}'")
        return text

    def add_record(self, key, values, where):
        if key in self.records:
            raise DefinitionError(f"{where}: a record with file key {key} exists already")
        record = [0.0] * PARAM_COUNT
        for slot, value in values.items():
            record[slot] = float(value)
        for value in record:
            if not math.isfinite(value):
                raise DefinitionError(f"{where}: parameters give a value that is not finite")
        self.records[key] = record

    def add_row(self, code, key, family, name, ellipsoid, epsg, epsg_south, definition, where):
        if code in self.codes:
            raise DefinitionError(f"{where}: zone code {code} is listed twice")
        if any(r["key"] == key for r in self.rows):
            raise DefinitionError(f"{where}: key '{key}' is listed twice")
        self.codes.add(code)
        self.rows.append(dict(code=str(code), key=key, family=family, name=name,
                              ellipsoid=ellipsoid, epsg=epsg, epsg_south=epsg_south,
                              definition=definition))

    def ellipsoid_entry(self, fields, where):
        self.expect_fields(fields, 4, where)
        _, ident, name, params_text = fields
        if not re.fullmatch(r"[a-z0-9]+", ident):
            raise DefinitionError(f"{where}: ellipsoid id must be lower-case letters and digits")
        if ident in self.ellipsoids:
            raise DefinitionError(f"{where}: ellipsoid '{ident}' is defined twice")
        values = {}
        for token in params_text.split():
            if "=" not in token:
                raise DefinitionError(f"{where}: malformed parameter '{token}'")
            k, v = token.split("=", 1)
            if k not in ("a", "b", "rf"):
                raise DefinitionError(f"{where}: unknown ellipsoid parameter '{k}'")
            if v.endswith("usft"):
                values[k] = parse_number(v[:-4], where) * US_FOOT_EXACT
            else:
                values[k] = parse_number(v, where)
        if "a" not in values or (("b" in values) == ("rf" in values)):
            raise DefinitionError(f"{where}: needs a and exactly one of b, rf")
        a = values["a"]
        if "rf" in values:
            f = 1 / values["rf"]
            e2 = 2 * f - f * f
            published = f"+a={fmt(a)} +rf={fmt(values['rf'])}"
        else:
            e2 = 1 - (values["b"] / a) ** 2
            published = f"+a={fmt(a)} +b={fmt(values['b'])}"
        if not (0 < a and 0 <= e2 < 1):
            raise DefinitionError(f"{where}: axes out of range")
        self.ellipsoids[ident] = Ellipsoid(ident, name, a, e2, published)

    def epsg_ranges(self, text, where):
        """Zone number -> EPSG code from 'BASE+z:FIRST-LAST, ...'."""
        table = {}
        for part in filter(None, (p.strip() for p in text.split(","))):
            m = re.fullmatch(r"(\d+)\+z:(\d+)-(\d+)", part)
            if not m:
                raise DefinitionError(f"{where}: malformed EPSG range '{part}'")
            base, first, last = (int(g) for g in m.groups())
            if not 1 <= first <= last <= 60:
                raise DefinitionError(f"{where}: zone range {first}-{last} outside 1-60")
            for z in range(first, last + 1):
                table[z] = str(base + z)
        return table

    def utm_entry(self, fields, where):
        self.expect_fields(fields, 5, where)
        _, block_text, ident, north, south = fields
        block = self.parse_code(block_text, where)
        if not (100 <= block <= 4900 and block % 100 == 0):
            raise DefinitionError(f"{where}: UTM block must be a hundred from 100 to 4900")
        ell = self.lookup_ellipsoid(ident, where)
        north_epsg = self.epsg_ranges(north, where)
        south_epsg = self.epsg_ranges(south, where)
        self.add_record(block, {0: ell.a, 1: ell.e2, 2: ell.e, 3: UTM_K0, 6: UTM_FALSE_EASTING},
                        where)
        for z in range(1, 61):
            self.add_row(block + z, f"utm:{ident}:{z:02d}", "tmerc",
                         f"UTM zone {z}, {ell.name}", ident,
                         north_epsg.get(z, ""), south_epsg.get(z, ""),
                         f"+proj=utm +zone={z} {ell.published} +units=m", where)
        self.add_row(block + 61, f"utm:{ident}:61", "tmerc",
                     f"Transverse Mercator, {ell.name}, k0 0.9996, central meridian "
                     f"from the call", ident, "", "",
                     f"+proj=tmerc +k_0=0.9996 +x_0=500000 {ell.published} +units=m", where)

    def mercator_entry(self, fields, where):
        self.expect_fields(fields, 4, where)
        _, code_text, ident, epsg_text = fields
        code = self.parse_code(code_text, where)
        ell = self.lookup_ellipsoid(ident, where)
        epsg = self.parse_epsg(epsg_text, where)
        if not (code % 100 == 99 and 99 <= code <= 4999):
            raise DefinitionError(f"{where}: Mercator codes are 99 and the suffix 99 of a block")
        if code == 99:
            self.add_record(99, {0: ell.a, 1: ell.e2, 2: ell.e}, where)
            key = f"merc:{ident}"
        else:
            block = code - 99
            record = self.records.get(block)
            if record is None or record[0] != ell.a or record[1] != ell.e2:
                raise DefinitionError(
                    f"{where}: block {block} must be a UTM block of ellipsoid '{ident}' listed "
                    f"before it (the Mercator code shares its record)")
            key = f"merc:{ident}" if not any(r["key"] == f"merc:{ident}" for r in self.rows) \
                else f"merc:{ident}:{code}"
        self.add_row(code, key, "merc", f"Mercator, {ell.name}; latitude of true scale and "
                     f"central meridian from the call", ident, epsg, "",
                     f"+proj=merc +lat_ts=0 +lon_0=0 {ell.published} +units=m", where)

    def zone_entry(self, fields, where):
        self.expect_fields(fields, 6, where)
        _, code_text, key, epsg_text, name, params_text = fields
        code = self.parse_code(code_text, where)
        epsg = self.parse_epsg(epsg_text, where)
        if not name:
            raise DefinitionError(f"{where}: the name is empty")
        params = {}
        for token in params_text.split():
            if "=" not in token:
                raise DefinitionError(f"{where}: malformed parameter '{token}'")
            k, v = token.split("=", 1)
            if k in params:
                raise DefinitionError(f"{where}: parameter '{k}' given twice")
            params[k] = v
        family = params.pop("proj", None)
        if family not in REQUIRED:
            raise DefinitionError(f"{where}: missing or unknown proj '{family}'")
        if "ellps" not in params:
            raise DefinitionError(f"{where}: missing parameter 'ellps'")
        ell = self.lookup_ellipsoid(params.pop("ellps"), where)
        missing = REQUIRED[family] - set(params)
        if missing:
            raise DefinitionError(f"{where}: missing parameter(s) {', '.join(sorted(missing))}")
        unknown = set(params) - REQUIRED[family] - OPTIONAL[family]
        if unknown:
            raise DefinitionError(f"{where}: unknown parameter(s) {', '.join(sorted(unknown))}")
        units = params.get("units", "m")
        if units not in ("m", "us-ft"):
            raise DefinitionError(f"{where}: units must be m or us-ft")

        # Host code and internal code (the record key).
        internal = code
        if key.startswith("spcs27:"):
            zone = int(key[7:]) if key[7:].isdigit() else -1
            if SPCS27_ALIASES.get(zone) != code:
                raise DefinitionError(
                    f"{where}: the alias table maps State Plane zone {key[7:]} to "
                    f"{SPCS27_ALIASES.get(zone)}, not {code}")
            host_code = -zone
            name = f"{name} (internal code {internal})"
        else:
            host_code = code
        if not any(lo <= internal <= hi for lo, hi in FAMILY_RANGES[family]):
            raise DefinitionError(f"{where}: code {internal} is not in a {family} range")

        angles = {k: parse_angle(params[k], f"{where}: {k}")
                  for k in ("lat_0", "lat_1", "lat_2", "lon_0", "lat_s") if k in params}
        for k, v in angles.items():
            if abs(v) > (180 if k == "lon_0" else 90):
                raise DefinitionError(f"{where}: {k} out of range")
        k0 = parse_number(params.get("k_0", "1"), f"{where}: k_0")
        if not k0 > 0:
            raise DefinitionError(f"{where}: k_0 must be positive")
        # False origin in metres as the library reads it, and in metres of
        # the exact survey foot for the PROJ-style definition.
        foot = units == "us-ft"
        x0_pub = parse_number(params.get("x_0", "0"), f"{where}: x_0")
        y0_pub = parse_number(params.get("y_0", "0"), f"{where}: y_0")
        x0 = float(x0_pub) * US_FEET_TO_METRES if foot else float(x0_pub)
        y0 = float(y0_pub) * US_FEET_TO_METRES if foot else float(y0_pub)
        x0_def = x0_pub * US_FOOT_EXACT if foot else x0_pub
        y0_def = y0_pub * US_FOOT_EXACT if foot else y0_pub

        a, e2, e = ell.a, ell.e2, ell.e
        if family == "tmerc":
            lat0 = float(angles["lat_0"]) * DEG_TO_RAD_TM
            values = {0: a, 1: e2, 2: e, 3: k0, 5: float(angles["lon_0"]) * DEG_TO_RAD_TM,
                      6: x0, 7: y0, 8: meridian_distance(a, e2, e, lat0)}
        elif family == "lcc":
            values = self.lambert(angles, k0, ell, x0, y0, where)
        elif family == "cass":
            lat0 = float(angles["lat_0"]) * DEG_TO_RAD_CB
            values = {0: a, 1: e2, 2: e, 5: float(angles["lon_0"]) * DEG_TO_RAD_CB,
                      6: x0, 7: y0, 8: meridian_distance(a, e2, e, lat0)}
        elif family == "bonne":
            if x0_pub != 0 or y0_pub != 0:
                raise DefinitionError(f"{where}: Bonne grids have no false origin")
            if not 0 < angles["lat_1"] < 90:
                raise DefinitionError(f"{where}: the Bonne standard parallel must lie north "
                                      f"of the equator")
            lat1 = float(angles["lat_1"]) * DEG_TO_RAD_CB
            values = {0: a, 1: e2, 2: e, 4: lat1, 5: float(angles["lon_0"]) * DEG_TO_RAD_CB,
                      8: meridian_distance(a, e2, e, lat1)}
        else:  # eov
            values = {5: float(angles["lat_s"]), 6: float(angles["lat_0"]),
                      8: float(angles["lon_0"]), 9: float(angles["lat_s"]), 11: x0, 12: y0}
        self.add_record(internal, values, where)

        definition = [f"+proj={PROJ_NAMES[family]}"]
        for k in ("lat_0", "lat_1", "lat_2", "lon_0"):
            if k in params:
                definition.append(f"+{k}={params[k]}")
        if "k_0" in params:
            definition.append(f"+k_0={params['k_0']}")
        if family != "bonne":
            definition.append(f"+x_0={fmt(x0_def)} +y_0={fmt(y0_def)}")
        definition.append(ell.published)
        definition.append(f"+units={units}")
        self.add_row(host_code, key, family, name, ell.ident, epsg, "",
                     " ".join(definition), where)

    def lambert(self, angles, k0, ell, x0, y0, where):
        """Cone constants n, F, rho0, Snyder (1987) eqs. 15-8, 15-10, 15-7a."""
        a, e2, e = ell.a, ell.e2, ell.e
        lat1 = float(angles["lat_1"])
        lat2 = float(angles.get("lat_2", angles["lat_1"]))
        lat0 = float(angles["lat_0"])
        if lat1 == -lat2:
            raise DefinitionError(f"{where}: standard parallels symmetric about the equator")
        m1 = lambert_m(e2, lat1)
        t1 = lambert_t(e, lat1)
        if lat1 == lat2:
            n = math.sin(lat1 * DEG_TO_RAD_TM)
        else:
            m2 = lambert_m(e2, lat2)
            t2 = lambert_t(e, lat2)
            n = (math.log(m1) - math.log(m2)) / (math.log(t1) - math.log(t2))
        F = m1 / (n * t1 ** n) * float(k0)
        t0 = lambert_t(e, lat0)
        rho0 = t0 ** n * F * a
        # Central meridian in arc-seconds, from the exact angle.
        lon0_arcsec = float(angles["lon_0"] * 3600)
        return {0: a, 1: e2, 2: e, 6: lon0_arcsec, 7: x0, 8: y0, 9: n, 10: F, 11: rho0}

    # ------------------------------------------------------------ output
    def parameter_file(self):
        out = io.StringIO()
        for key in sorted(self.records):
            record = self.records[key]
            out.write(f"{key}\n")
            out.write("  " + " ".join(fmt(v) for v in record[:10]) + "\n")
            out.write("  " + " ".join(fmt(v) for v in record[10:]) + "\n")
        return out.getvalue()

    def catalogue(self):
        def order(row):
            code = int(row["code"])
            return (code < 0, abs(code))
        out = io.StringIO()
        writer = csv.DictWriter(out, fieldnames=CSV_COLUMNS, lineterminator="\n")
        writer.writeheader()
        for row in sorted(self.rows, key=order):
            writer.writerow(row)
        return out.getvalue()


def write_all(out_dir, contents):
    """Writes every file to a temporary name, then renames them all."""
    temps = []
    try:
        for name, text in contents.items():
            fd, temp = tempfile.mkstemp(prefix=f".{name}.", dir=out_dir)
            temps.append((temp, os.path.join(out_dir, name)))
            with os.fdopen(fd, "w", encoding="utf-8", newline="\n") as f:
                f.write(text)
        for temp, final in temps:
            os.chmod(temp, 0o644)
            os.replace(temp, final)
    finally:
        for temp, _ in temps:
            if os.path.exists(temp):
                os.remove(temp)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--definitions", default=DEFAULT_DEFINITIONS)
    parser.add_argument("--out", default=DEFAULT_OUT)
    parser.add_argument("--check", action="store_true",
                        help="compare with the files in --out instead of writing")
    args = parser.parse_args(argv)

    generator = Generator(args.definitions)
    try:
        generator.run()
    except DefinitionError as err:
        print(f"zonegen: {err}; nothing written", file=sys.stderr)
        return 2
    contents = {"con_dos.asc": generator.parameter_file(), "zones.csv": generator.catalogue()}

    if args.check:
        stale = []
        for name, text in contents.items():
            try:
                with open(os.path.join(args.out, name), encoding="utf-8", newline="") as f:
                    current = f.read()
            except OSError:
                current = None
            if current != text:
                stale.append(name)
        if stale:
            print(f"zonegen: {', '.join(stale)} in {args.out} differ from "
                  f"{args.definitions}; run tools/zonegen/zonegen.py", file=sys.stderr)
            return 1
        print(f"zonegen: {len(generator.records)} records, {len(generator.rows)} catalogue rows "
              f"up to date")
        return 0

    try:
        write_all(args.out, contents)
    except OSError as err:
        print(f"zonegen: cannot write to {args.out}: {err}; nothing written", file=sys.stderr)
        return 2
    print(f"zonegen: wrote {len(generator.records)} records and {len(generator.rows)} "
          f"catalogue rows to {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
