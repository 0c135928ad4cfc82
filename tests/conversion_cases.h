// One table of conversions through the eight exports, with expected values
// and tolerances, run by the Linux tests (test_conversion_cases.cpp,
// cases_print.cpp) and by the Windows host under wine (windows/host.cpp):
// the same cases and the same tolerances on both systems by construction.
//
// The table reads the shipped parameter file (template/con_dos.asc) and the
// NADCON grids of the seven areas, all under the root the caller set up.
// Expected values: PROJ (cs2cs) with the zone's catalogue definition, where
// the tolerance is the one the PROJ cross-check allows for the family; the
// published worked examples of Snyder (1987) and the NADCON sanity point;
// and, where no outside reference exists (the grid shifts away from the
// published point), this library's own results, which the grid tests check
// bit for bit against the values in the grid files.
//
// Plain C++ and the public header only: no test framework, nothing
// internal, so a Windows host that reaches the exports through
// GetProcAddress can include it.
#pragma once

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zonvert.h"

namespace zonvert::cases {

// The eight exports, called directly or through pointers from GetProcAddress.
struct Exports {
  decltype(&LLDRV_NEW) lldrvNew;
  decltype(&lldrv) lldrvTrace;
  decltype(&lldrv_dbl) lldrvDbl;
  decltype(&lldrv_str) lldrvStr;
  decltype(&SetPath) setPath;
  decltype(&Nadcon27To83) nadcon27To83;
  decltype(&Nadcon83To27) nadcon83To27;
  decltype(&NadconClean) nadconClean;
};

enum class Call {
  kConvert,   // LLDRV_NEW with the case's settings
  kTrace,     // lldrv: degrees in, US survey feet out
  kDouble,    // lldrv_dbl, once for x (which 1) and once for y (which 2)
  kText,      // lldrv_str with the texts; the "x;y" answer read back
  kTo83,      // Nadcon27To83: (lon, lat) in, (lon, lat) out, status
  kTo27,      // Nadcon83To27
};

struct Case {
  const char* name;
  Call call;
  int32_t zone = 0;
  int32_t direction = ZONVERT_GEOGRAPHIC_TO_GRID;
  int32_t inputUnits = 1;   // 0: feet and arc-seconds; else metres and degrees
  int32_t outputUnits = 1;
  int32_t hemisphere = 1;
  float mercatorTrueScaleLat = 0.0f;     // degrees
  float mercatorCentralMeridian = 0.0f;  // degrees
  // The two values read: (lat, lon) or (x, y) for LLDRV_NEW by direction,
  // (lat, lon) for the lldrv family, (lon, lat) for the datum shifts.
  double in[2] = {0.0, 0.0};
  const char* text[2] = {nullptr, nullptr};  // lldrv_str input
  // The two values written, in the order (x, y), (lat, lon) or (lon, lat).
  double want[2] = {0.0, 0.0};
  double tolerance[2] = {0.0, 0.0};  // absolute, per value
  int32_t wantStatus = ZONVERT_NADCON_OK;  // datum shifts only
};

// Metres to US survey feet, as the library multiplies.
inline constexpr double kFeetPerMetre = 3.28083333;

// Vienna in UTM zone 33 on WGS 84 (PROJ, EPSG:32633), shared by the lldrv
// family, which converts with zone 1633 to feet.
inline constexpr double kViennaLat = 48.2082, kViennaLon = 16.3738;
inline constexpr double kViennaX = 602065.207411, kViennaY = 5340353.594304;  // metres
inline constexpr double kUtmTolerance = 1.4e-3;  // metres, within 3 deg of the meridian

inline const Case kCases[] = {
    // Transverse Mercator: UTM zone 33 (WGS 84 block 1600), both directions;
    // the southern hemisphere's false northing (hemisphere code 2).
    {.name = "utm33 to grid", .call = Call::kConvert, .zone = 1633,
     .in = {kViennaLat, kViennaLon}, .want = {kViennaX, kViennaY},
     .tolerance = {kUtmTolerance, kUtmTolerance}},
    {.name = "utm33 to geographic", .call = Call::kConvert, .zone = 1633,
     .direction = ZONVERT_GRID_TO_GEOGRAPHIC, .in = {kViennaX, kViennaY},
     .want = {kViennaLat, kViennaLon}, .tolerance = {2.5e-8, 2.5e-8}},
    {.name = "utm34 south to grid", .call = Call::kConvert, .zone = 1634, .hemisphere = 2,
     .in = {-33.9249, 18.4241}, .want = {261881.598524, 6243182.354518},
     .tolerance = {kUtmTolerance, kUtmTolerance}},
    // State Plane 1927, Alabama East (Transverse Mercator), degrees to US
    // survey feet; PROJ EPSG:26729, 2 mm.
    {.name = "spcs27 0101 to grid feet", .call = Call::kConvert, .zone = -101, .outputUnits = 0,
     .in = {32.5, -85.6}, .want = {571940.583070, 727570.751244}, .tolerance = {0.0066, 0.0066}},
    // Lambert Conformal Conic: State Plane 1927 California V, US survey
    // feet to degrees (the sample file's first point; PROJ EPSG:26745), and
    // State Plane 1983 California V in metres (PROJ EPSG:26945); 2 mm.
    {.name = "spcs27 0405 feet to geographic", .call = Call::kConvert, .zone = -405,
     .direction = ZONVERT_GRID_TO_GEOGRAPHIC, .inputUnits = 0, .in = {1926482.91, 201590.81},
     .want = {34.053700004, -118.242699992}, .tolerance = {2e-8, 2e-8}},
    {.name = "spcs83 0405 to grid", .call = Call::kConvert, .zone = 7507,
     .in = {34.0537, -118.2427}, .want = {1977592.450740, 561446.806042},
     .tolerance = {0.002, 0.002}},
    // Mercator, Clarke 1866 (code 199): Snyder (1987), p. 267, central
    // meridian 180 W, 35 S 75 W given in arc-seconds; the degree factor
    // 1/57.29578 lowers both values by about 0.1 m, hence 0.15 m.
    {.name = "mercator 199 arc-seconds to grid", .call = Call::kConvert, .zone = 199,
     .inputUnits = 0, .mercatorCentralMeridian = -180.0f, .in = {-35.0 * 3600.0, -75.0 * 3600.0},
     .want = {11688673.7, -4139145.6}, .tolerance = {0.15, 0.15}},
    // Cassini-Soldner, Soldner Berlin (5201), 15 km from the origin, and
    // Bonne, Portugal (5101), 40 km from it: PROJ with the catalogue
    // definitions; the Linux family tests allow 1e-4 m and 5 mm there.
    {.name = "cassini 5201 to grid", .call = Call::kConvert, .zone = 5201, .in = {52.5, 13.4},
     .want = {24572.458733, 19075.727769}, .tolerance = {1e-4, 1e-4}},
    {.name = "bonne 5101 to grid", .call = Call::kConvert, .zone = 5101, .in = {39.5, -8.5},
     .want = {-31657.124121, -18437.529109}, .tolerance = {0.005, 0.005}},
    // Oblique conformal double projection, EOV (6001), Budapest: PROJ
    // EPSG:23700; the fixed series keep within 3 cm east and 0.7 m north.
    {.name = "eov 6001 to grid", .call = Call::kConvert, .zone = 6001, .in = {47.5, 19.05},
     .want = {650107.602285, 239532.910515}, .tolerance = {0.03, 0.7}},
    // The lldrv family: zone 1633, degrees in, US survey feet out.
    {.name = "lldrv", .call = Call::kTrace, .zone = 1633, .in = {kViennaLat, kViennaLon},
     .want = {kViennaX * kFeetPerMetre, kViennaY * kFeetPerMetre},
     .tolerance = {kUtmTolerance * kFeetPerMetre, kUtmTolerance * kFeetPerMetre}},
    {.name = "lldrv_dbl", .call = Call::kDouble, .zone = 1633, .in = {kViennaLat, kViennaLon},
     .want = {kViennaX * kFeetPerMetre, kViennaY * kFeetPerMetre},
     .tolerance = {kUtmTolerance * kFeetPerMetre, kUtmTolerance * kFeetPerMetre}},
    {.name = "lldrv_str", .call = Call::kText, .zone = 1633, .text = {"48.2082", "16.3738"},
     .want = {kViennaX * kFeetPerMetre, kViennaY * kFeetPerMetre},
     .tolerance = {kUtmTolerance * kFeetPerMetre, kUtmTolerance * kFeetPerMetre}},
    // Datum shift on the real grids: the published NADCON sanity point
    // (34 N 117 W) both ways, 1e-8 degrees (the published digits); points
    // in hawaii and alaska both ways, 1e-9 degrees (the inverse's own
    // convergence limit); a point in no area.
    {.name = "nadcon conus 27 to 83", .call = Call::kTo83, .in = {-117.0, 34.0},
     .want = {-117.00086104, 34.00001485}, .tolerance = {1e-8, 1e-8}},
    {.name = "nadcon conus 83 to 27", .call = Call::kTo27, .in = {-117.00086104, 34.00001485},
     .want = {-117.0, 34.0}, .tolerance = {1e-8, 1e-8}},
    {.name = "nadcon hawaii 27 to 83", .call = Call::kTo83, .in = {-157.86, 21.31},
     .want = {-157.85725684297236, 21.306835699350735}, .tolerance = {1e-9, 1e-9}},
    {.name = "nadcon alaska 83 to 27", .call = Call::kTo27, .in = {-149.9, 61.2},
     .want = {-149.89779529017301, 61.200552088332323}, .tolerance = {1e-9, 1e-9}},
    {.name = "nadcon outside every area", .call = Call::kTo83, .in = {10.0, 50.0},
     .wantStatus = ZONVERT_NADCON_OUTSIDE},
};

struct Result {
  double got[2] = {NAN, NAN};
  int32_t status = 0;        // datum shifts: the status; lldrv: its result
  std::string text;          // lldrv_str: the answer
  bool inputsKept = true;    // LLDRV_NEW wrote the two values it read back unchanged
  bool pass = false;
};

inline bool Within(double got, double want, double tolerance) {
  return std::fabs(got - want) <= tolerance;  // false for NaN
}

inline Result RunCase(const Exports& e, const Case& c) {
  Result r;
  switch (c.call) {
    case Call::kConvert: {
      double lat = 0.0, lon = 0.0, x = 0.0, y = 0.0;
      const bool toGrid = c.direction == ZONVERT_GEOGRAPHIC_TO_GRID;
      double* read[2] = {toGrid ? &lat : &x, toGrid ? &lon : &y};
      double* written[2] = {toGrid ? &x : &lat, toGrid ? &y : &lon};
      *read[0] = c.in[0];
      *read[1] = c.in[1];
      e.lldrvNew(&lat, &lon, &x, &y, c.zone, c.direction, c.inputUnits, c.outputUnits,
                 c.hemisphere, 0.0f, c.mercatorTrueScaleLat, c.mercatorCentralMeridian);
      r.got[0] = *written[0];
      r.got[1] = *written[1];
      r.inputsKept = *read[0] == c.in[0] && *read[1] == c.in[1];
      break;
    }
    case Call::kTrace:
      r.status = e.lldrvTrace(c.in[0], c.in[1], &r.got[0], &r.got[1], c.zone);
      break;
    case Call::kDouble:
      r.got[0] = e.lldrvDbl(c.in[0], c.in[1], c.zone, 1);
      r.got[1] = e.lldrvDbl(c.in[0], c.in[1], c.zone, 2);
      break;
    case Call::kText: {
      const char* answer = e.lldrvStr(c.text[0], c.text[1], c.zone);
      r.text = answer != nullptr ? answer : "";
      const char* semicolon = std::strchr(r.text.c_str(), ';');
      if (semicolon != nullptr) {
        r.got[0] = std::strtod(r.text.c_str(), nullptr);
        r.got[1] = std::strtod(semicolon + 1, nullptr);
      }
      break;
    }
    case Call::kTo83:
    case Call::kTo27:
      r.status = -1;
      (c.call == Call::kTo83 ? e.nadcon27To83 : e.nadcon83To27)(c.in[0], c.in[1], &r.got[0],
                                                                 &r.got[1], &r.status);
      break;
  }
  const bool shift = c.call == Call::kTo83 || c.call == Call::kTo27;
  const bool statusOk = !shift || r.status == c.wantStatus;
  const bool valuesOk = (shift && c.wantStatus != ZONVERT_NADCON_OK) ||
                        (Within(r.got[0], c.want[0], c.tolerance[0]) &&
                         Within(r.got[1], c.want[1], c.tolerance[1]));
  r.pass = statusOk && valuesOk && r.inputsKept;
  return r;
}

// One line per case for the record and for comparing two builds: the case
// name, both results as 17 significant digits and as their IEEE 754 bits,
// the status and the lldrv_str text.
inline std::string Describe(const Case& c, const Result& r) {
  std::uint64_t bits[2];
  std::memcpy(&bits[0], &r.got[0], sizeof bits[0]);
  std::memcpy(&bits[1], &r.got[1], sizeof bits[1]);
  char line[512];
  std::snprintf(line, sizeof line, "%s | %.17g %.17g | %016" PRIx64 " %016" PRIx64 " | %d | %s",
                c.name, r.got[0], r.got[1], bits[0], bits[1], static_cast<int>(r.status),
                r.text.c_str());
  return line;
}

}  // namespace zonvert::cases
