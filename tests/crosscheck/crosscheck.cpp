// Cross-check of the installation data against PROJ.
//
// For every row of template/zones.csv that PROJ can define (an EPSG code,
// the southern-hemisphere EPSG code of a UTM zone, or else the row's own
// parameter string), points spread over the zone's area are converted
// through LLDRV_NEW and through PROJ, both ways:
//
//   forward  geographic -> grid by both; the distance between the two grid
//            points, metres;
//   inverse  PROJ's grid point -> geographic by LLDRV_NEW; the ground
//            distance back to the starting point, metres.
//
// Grid values of feet-based systems are compared in metres (US survey
// foot 1200/3937 m on the PROJ side).  The program prints the largest
// differences per group of zones and fails when a group exceeds its bound.
//
// Usage: zonvert_crosscheck ROOT [--verbose]   (ROOT holds template/)
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "interface/zone_params.h"
#include "zonvert.h"

namespace {

constexpr double kRadToDegTm = 57.29577951;  // radians to degrees, Transverse Mercator
constexpr double kRadToDegCb = 57.29578;     // radians to degrees, Cassini-Soldner, Bonne
constexpr double kDegToRad = 0.017453292519943295;  // pi/180, for ground distances only
constexpr double kEarthRadius = 6378137.0;          // metres, for ground distances only
constexpr int kGridSteps = 10;     // points per side of the sample grid: (steps+1)^2
constexpr double kTmSeriesLimit = 3.0;  // degrees from the central meridian
constexpr double kOriginToleranceFeet = 1e-6;  // feet

constexpr int kDirectionLoadOnly = 1;
constexpr int kDirectionGridToGeographic = 2;
constexpr int kDirectionGeographicToGrid = 3;

struct Row {
  int code = 0;
  std::string key, family, name, ellipsoid, epsg, epsgSouth, definition;
};

// The largest differences of one group of zones.
struct GroupStats {
  double bound = 0.0;   // metres; 0 means measured only
  std::string why;      // where the differences come from
  int zones = 0;
  long points = 0;
  double forward = 0.0, inverse = 0.0;
  std::string worstForward, worstInverse;
  bool failed = false;
};

std::vector<std::string> SplitCsvLine(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(field);
  return fields;
}

bool ReadCatalogue(const std::string& path, std::vector<Row>* rows) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    const std::vector<std::string> f = SplitCsvLine(line);
    if (f.size() != 8) {
      std::fprintf(stderr, "malformed catalogue line: %s\n", line.c_str());
      return false;
    }
    Row r;
    r.code = std::atoi(f[0].c_str());
    r.key = f[1];
    r.family = f[2];
    r.name = f[3];
    r.ellipsoid = f[4];
    r.epsg = f[5];
    r.epsgSouth = f[6];
    r.definition = f[7];
    rows->push_back(r);
  }
  return true;
}

// One PROJ system: geographic (lon, lat in degrees east of Greenwich) to
// grid (easting, northing in metres).
struct ProjSystem {
  PJ* op = nullptr;
  double gridToMetres = 1.0;     // metres per grid unit
  double geoUnitToDeg = 1.0;     // degrees per unit of the geographic axes
  double primeMeridianDeg = 0.0; // prime meridian, degrees east of Greenwich
  double west = 0, south = 0, east = 0, north = 0;  // area of use, degrees
  bool hasArea = false;
};

void FreeSystem(ProjSystem* s) {
  if (s->op) proj_destroy(s->op);
  s->op = nullptr;
}

bool MakeSystem(PJ_CONTEXT* ctx, const std::string& crsText, ProjSystem* out) {
  PJ* crs = proj_create(ctx, crsText.c_str());
  if (!crs) return false;
  bool ok = false;
  PJ* geog = proj_crs_get_geodetic_crs(ctx, crs);
  PJ* op = geog ? proj_create_crs_to_crs_from_pj(ctx, geog, crs, nullptr, nullptr) : nullptr;
  PJ* norm = op ? proj_normalize_for_visualization(ctx, op) : nullptr;
  PJ* cs = proj_crs_get_coordinate_system(ctx, crs);
  PJ* geogCs = geog ? proj_crs_get_coordinate_system(ctx, geog) : nullptr;
  PJ* pm = geog ? proj_get_prime_meridian(ctx, geog) : nullptr;
  double factor = 0.0, geoFactor = 0.0, pmLon = 0.0, pmFactor = 0.0;
  if (norm && cs && geogCs && pm &&
      proj_cs_get_axis_info(ctx, cs, 0, nullptr, nullptr, nullptr, &factor, nullptr, nullptr,
                            nullptr) &&
      proj_cs_get_axis_info(ctx, geogCs, 0, nullptr, nullptr, nullptr, &geoFactor, nullptr,
                            nullptr, nullptr) &&
      proj_prime_meridian_get_parameters(ctx, pm, &pmLon, &pmFactor, nullptr)) {
    out->op = norm;
    norm = nullptr;
    out->gridToMetres = factor;
    out->geoUnitToDeg = geoFactor / kDegToRad;
    out->primeMeridianDeg = pmLon * pmFactor / kDegToRad;
    out->hasArea = proj_get_area_of_use(ctx, crs, &out->west, &out->south, &out->east,
                                        &out->north, nullptr) &&
                   out->west > -1000;
    ok = true;
  }
  for (PJ* p : {norm, op, cs, geogCs, pm, geog, crs}) {
    if (p) proj_destroy(p);
  }
  return ok;
}

bool ProjForward(const ProjSystem& s, double lat, double lon, double* e, double* n) {
  PJ_COORD c = proj_coord((lon - s.primeMeridianDeg) / s.geoUnitToDeg, lat / s.geoUnitToDeg, 0, 0);
  c = proj_trans(s.op, PJ_FWD, c);
  if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y)) return false;
  *e = c.xy.x * s.gridToMetres;
  *n = c.xy.y * s.gridToMetres;
  return true;
}

// Loads a zone afresh (the cache would keep the false northing of the
// hemisphere it was first loaded with) and returns its central meridian in
// degrees, read from the record in the unit of the family's slot.
double LoadZone(int code, int hemisphere, const std::string& family) {
  zonvert::gParamCache.activeCode = -1;
  zonvert::gParamCache.spareCode = -1;
  double lat = 0, lon = 0, x = 0, y = 0;
  LLDRV_NEW(&lat, &lon, &x, &y, code, kDirectionLoadOnly, 1, 1, hemisphere, 0.0f, 0.0f, 0.0f);
  const double* P = zonvert::ActiveParams().p;
  if (family == "tmerc") return P[5] * kRadToDegTm;
  if (family == "lcc") return P[6] / 3600.0;
  if (family == "cass" || family == "bonne") return P[5] * kRadToDegCb;
  if (family == "eov") return P[8];
  return 0.0;  // Mercator: central meridian 0 in the calls below
}

double ParseDegrees(const std::string& definition, const std::string& name, double fallback) {
  const std::string tag = "+" + name + "=";
  const size_t at = definition.find(tag);
  if (at == std::string::npos) return fallback;
  const std::string value = definition.substr(at + tag.size(),
                                              definition.find(' ', at) - at - tag.size());
  return proj_dmstor(value.c_str(), nullptr) / kDegToRad;
}

double ParseNumber(const std::string& definition, const std::string& name) {
  const std::string tag = "+" + name + "=";
  const size_t at = definition.find(tag);
  return at == std::string::npos ? 0.0 : std::atof(definition.c_str() + at + tag.size());
}

std::string GroupOf(const Row& r, bool beyondSeries) {
  const std::string beyond = beyondSeries ? " >3deg" : "";
  if (r.key.rfind("spcs27:", 0) == 0) return "spcs27 " + r.family + beyond;
  if (r.key.rfind("spcs83:", 0) == 0) return "spcs83 " + r.family + beyond;
  if (r.key.rfind("utm:", 0) == 0) return beyondSeries ? "utm >3deg" : "utm";
  if (r.family == "tmerc") return beyondSeries ? "national tmerc >3deg" : "national tmerc";
  if (r.family == "lcc") return "national lcc";
  return r.family;
}

void SetBounds(std::map<std::string, GroupStats>* groups) {
  auto set = [&](const std::string& g, double bound, const std::string& why) {
    (*groups)[g].bound = bound;
    (*groups)[g].why = why;
  };
  set("spcs27 tmerc", 0.002, "truncated series, degree factor 1/57.29577951");
  set("spcs27 lcc", 0.002, "degree factor, latitude iteration to 1e-7 deg");
  set("spcs83 tmerc", 0.002, "truncated series, degree factor 1/57.29577951");
  set("spcs27 tmerc >3deg", 0.0, "series truncation");
  set("spcs83 tmerc >3deg", 0.0, "series truncation");
  set("spcs83 lcc", 0.002, "degree factor, latitude iteration to 1e-7 deg");
  set("utm", 0.01, "series to A^6 / D^6, footpoint to sin 6mu");
  set("utm >3deg", 0.0, "series truncation");
  set("national tmerc", 0.01, "series to A^6 / D^6, footpoint to sin 6mu");
  set("national tmerc >3deg", 0.0, "series truncation");
  set("national lcc", 0.002, "degree factor, latitude iteration to 1e-7 deg");
  set("merc", 2.0, "degree factor 1/57.29578 (inverse latitude 1.53e-6 deg low)");
  set("cass", 0.1, "series to A^5 / D^5");
  set("bonne", 0.05, "footpoint series, degree factor 1/57.29578");
  set("eov", 1.0, "fixed latitude series of the double projection");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s ROOT [--verbose]\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  const bool verbose = argc > 2 && std::string(argv[2]) == "--verbose";
  std::vector<Row> rows;
  if (!ReadCatalogue(root + "/template/zones.csv", &rows)) {
    std::fprintf(stderr, "cannot read %s/template/zones.csv\n", root.c_str());
    return 2;
  }
  SetPath(root.c_str());

  PJ_CONTEXT* ctx = proj_context_create();
  proj_log_level(ctx, PJ_LOG_NONE);
  std::map<std::string, GroupStats> groups;
  SetBounds(&groups);
  int unusable = 0;

  for (const Row& row : rows) {
    // The systems of this row: (PROJ definition, hemisphere code).
    std::vector<std::pair<std::string, int>> cases;
    if (!row.epsg.empty()) cases.push_back({"EPSG:" + row.epsg, 1});
    if (!row.epsgSouth.empty()) cases.push_back({"EPSG:" + row.epsgSouth, 2});
    const bool userMeridian = row.key.size() > 3 && row.key.compare(row.key.size() - 3, 3, ":61") == 0;
    if (cases.empty() && !userMeridian && row.family != "eov") {
      cases.push_back({row.definition + " +type=crs", 1});
    }
    for (const auto& [crsText, hemisphere] : cases) {
      ProjSystem sys;
      if (!MakeSystem(ctx, crsText, &sys)) {
        std::printf("zone %d (%s): PROJ cannot use %s\n", row.code, row.key.c_str(), crsText.c_str());
        ++unusable;
        continue;
      }
      // Area to sample: the area of use, or one derived from the row.
      double west = sys.west, south = sys.south, east = sys.east, north = sys.north;
      const bool isUtm = row.key.rfind("utm:", 0) == 0;
      const double cm = LoadZone(row.code, hemisphere, row.family);
      if (isUtm) {
        west = std::max(west, cm - 3.0);
        east = std::min(east, cm + 3.0);
        if (!sys.hasArea) {
          west = cm - 3.0;
          east = cm + 3.0;
        }
        if (!sys.hasArea || hemisphere == 2) {
          south = hemisphere == 2 ? -80.0 : 0.0;
          north = hemisphere == 2 ? 0.0 : 84.0;
        }
      } else if (!sys.hasArea) {
        if (row.family == "merc") {
          west = -180.0, east = 180.0, south = -80.0, north = 80.0;
        } else {
          const double lat0 = ParseDegrees(row.definition, "lat_1",
                                           ParseDegrees(row.definition, "lat_0", 0.0));
          const double lon0 = ParseDegrees(row.definition, "lon_0", 0.0);
          west = lon0 - 8.0, east = lon0 + 8.0, south = lat0 - 8.0, north = lat0 + 8.0;
        }
      }
      if (east < west) east += 360.0;  // area across the antimeridian

      for (int i = 0; i <= kGridSteps; ++i) {
        for (int j = 0; j <= kGridSteps; ++j) {
          const double lat = south + (north - south) * (0.02 + 0.96 * i / kGridSteps);
          // Longitude within 180 degrees of the central meridian: the
          // routines do not reduce longitude differences.
          double lon = west + (east - west) * (0.02 + 0.96 * j / kGridSteps);
          lon = lon - 360.0 * std::round((lon - cm) / 360.0);
          double e = 0, n = 0;
          if (!ProjForward(sys, lat, lon, &e, &n)) continue;
          double ourLat = lat, ourLon = lon, x = 0, y = 0;
          LLDRV_NEW(&ourLat, &ourLon, &x, &y, row.code, kDirectionGeographicToGrid, 1, 1,
                    hemisphere, 0.0f, 0.0f, 0.0f);
          const double forward = std::hypot(x - e, y - n);
          double backLat = 0, backLon = 0, gx = e, gy = n;
          LLDRV_NEW(&backLat, &backLon, &gx, &gy, row.code, kDirectionGridToGeographic, 1, 1,
                    hemisphere, 0.0f, 0.0f, 0.0f);
          double dLon = backLon - lon;
          if (dLon > 180.0) dLon -= 360.0;
          if (dLon < -180.0) dLon += 360.0;
          const double inverse = kEarthRadius * kDegToRad *
                                 std::hypot(backLat - lat, dLon * std::cos(lat * kDegToRad));
          double fromCm = std::fabs(lon - cm);
          if (fromCm > 180.0) fromCm = 360.0 - fromCm;
          const bool beyond = row.family == "tmerc" && fromCm > kTmSeriesLimit + 1e-9;
          GroupStats& g = groups[GroupOf(row, beyond)];
          ++g.points;
          const std::string where = std::to_string(row.code) + " " + crsText.substr(0, 12);
          if (!(forward <= g.forward)) {
            g.forward = forward;
            g.worstForward = where;
          }
          if (!(inverse <= g.inverse)) {
            g.inverse = inverse;
            g.worstInverse = where;
          }
          if (verbose && (forward > 0.001 || inverse > 0.001)) {
            std::printf("  %6d %-24s lat %9.4f lon %10.4f fwd %.6f inv %.6f\n", row.code,
                        row.key.c_str(), lat, lon, forward, inverse);
          }
        }
      }
      ++groups[GroupOf(row, false)].zones;
      FreeSystem(&sys);
    }
  }
  proj_context_destroy(ctx);

  // State Plane 1927 zones: the origin gives the published false origin in
  // US survey feet (output unit flag 0), to a micro-foot.
  int originFaults = 0;
  double originWorst = 0.0;
  for (const Row& row : rows) {
    if (row.key.rfind("spcs27:", 0) != 0) continue;
    LoadZone(row.code, 1, row.family);
    double lat = ParseDegrees(row.definition, "lat_0", 0.0);
    double lon = ParseDegrees(row.definition, "lon_0", 0.0);
    double x = 0, y = 0;
    LLDRV_NEW(&lat, &lon, &x, &y, row.code, kDirectionGeographicToGrid, 1, 0, 1, 0.0f, 0.0f, 0.0f);
    const double feetPerMetre = 3937.0 / 1200.0;  // the US survey foot by definition
    const double x0 = std::round(ParseNumber(row.definition, "x_0") * feetPerMetre * 1000.0) / 1000.0;
    const double y0 = std::round(ParseNumber(row.definition, "y_0") * feetPerMetre * 1000.0) / 1000.0;
    const double off = std::max(std::fabs(x - x0), std::fabs(y - y0));
    originWorst = std::max(originWorst, off);
    if (!(off <= kOriginToleranceFeet)) {
      std::printf("zone %d: origin gives %.6f %.6f ft, published %.3f %.3f ft\n", row.code, x, y,
                  x0, y0);
      ++originFaults;
    }
  }
  std::printf("State Plane 1927 origins: largest departure from the published false origin "
              "%.3g ft\n", originWorst);

  bool failed = unusable > 0 || originFaults > 0;
  std::printf("%-22s %6s %7s %12s %-20s %12s %-20s %8s  %s\n", "group", "zones", "points",
              "max fwd (m)", "at", "max inv (m)", "at", "bound", "source");
  for (auto& [name, g] : groups) {
    if (g.points == 0) continue;
    g.failed = g.bound > 0.0 && !(g.forward <= g.bound && g.inverse <= g.bound);
    failed = failed || g.failed;
    char bound[32];
    if (g.bound > 0.0) {
      std::snprintf(bound, sizeof bound, "%.3f", g.bound);
    } else {
      std::snprintf(bound, sizeof bound, "report");
    }
    std::printf("%-22s %6d %7ld %12.6f %-20s %12.6f %-20s %8s  %s%s\n", name.c_str(), g.zones,
                g.points, g.forward, g.worstForward.c_str(), g.inverse, g.worstInverse.c_str(),
                bound, g.why.c_str(), g.failed ? "  FAILED" : "");
  }
  if (unusable > 0) std::printf("%d systems could not be built by PROJ\n", unusable);
  std::printf(failed ? "crosscheck FAILED\n" : "crosscheck passed\n");
  return failed ? 1 : 0;
}
