// Speed of the conversions, per point, beside PROJ and beside the floor.
//
// For each projection family, in both directions:
//   FAMILY/DIRECTION/zonvert  LLDRV_NEW on a cached zone (metres, degrees)
//   FAMILY/DIRECTION/proj     proj_trans on the operation PROJ builds with
//                             its default options (proj_create_crs_to_crs)
//                             from the zone's geographic coordinates in
//                             degrees to its grid, as hosts call PROJ
//   FAMILY/DIRECTION/proj-core  proj_trans on PROJ's bare projection, taking
//                             radians (no unit step, no operation wrapper)
//   FAMILY/DIRECTION/floor    only the maths-library calls that the
//                             family's formulas make for one point (sin,
//                             cos, tan, pow, log, exp, atan, asin, sqrt), on
//                             the same arguments, results kept alive; the
//                             constants of a record are worked out once per
//                             record and are not part of it
// and further:
//   call/zonvert, call-alias/zonvert   LLDRV_NEW converting nothing
//                             (direction 4) on a cached zone, given by its
//                             code or by a negated State Plane number: the
//                             cost of a call around the routine
//   miss/zonvert              LLDRV_NEW with a parameter-file miss on the
//                             shipped con_dos.asc, key near the end
//   miss/fscanf               the same file scanned for the same key with
//                             fscanf "%d" and "%lf", record by record
//   lldrv, lldrv_dbl, lldrv_str   the convenience exports, standard output
//                             sent to a file (truncated now and then)
//
// One iteration converts one point of a fixed set inside the zone, so the
// time per iteration is the time per point.  tools/bench-table.sh runs this
// program and bench_nadcon and prints the table.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "interface/zone_params.h"
#include "projections/meridian.h"
#include "zonvert.h"

#if defined(ZONVERT_HAVE_PROJ)
#include <proj.h>
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kPointCount = 4096;  // a power of two: the index wraps by mask
constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------- set-up

// A root folder whose template/ links to the shipped parameter file.
class ParameterRoot : public zonvert::bench::TempRoot {
 public:
  ParameterRoot() {
    LinkIntoTemplate(std::filesystem::path(ZONVERT_SOURCE_DIR) / "template" / "con_dos.asc", "con_dos.asc");
  }
  std::string parameterFile() const { return templatePath() + "/con_dos.asc"; }
};

const ParameterRoot& Root() {
  static const ParameterRoot root;
  return root;
}

using zonvert::bench::Uniform;

// One zone of a projection family, the area its points lie in, and PROJ's
// definition of the same projection (metres, no unit conversion) and of its
// ellipsoid.
struct Family {
  const char* name;
  int32_t zone;
  float mercatorTrueScaleLat;     // degrees, Mercator only
  float mercatorCentralMeridian;  // degrees, Mercator only
  double latMin, latMax, lonMin, lonMax;
  const char* projDefinition;
  const char* projEllipsoid;
};

const Family kFamilies[] = {
    {"tmerc", 1633, 0.0f, 0.0f, 40.0, 50.0, 12.0, 18.0,
     "+proj=tmerc +lat_0=0 +lon_0=15 +k_0=0.9996 +x_0=500000 +y_0=0 +ellps=WGS84", "+ellps=WGS84"},
    // State Plane 1927 California V by its negated zone number (alias lookup)
    {"lcc", -405, 0.0f, 0.0f, 32.5, 35.5, -121.0, -115.0,
     "+proj=lcc +lat_0=33d30 +lat_1=35d28 +lat_2=34d2 +lon_0=-118 +x_0=609601.2192024384 "
     "+y_0=0 +a=6378206.4 +b=6356583.8",
     "+a=6378206.4 +b=6356583.8"},
    {"merc", 99, 0.0f, 0.0f, -70.0, 70.0, -170.0, 170.0,
     "+proj=merc +lat_ts=0 +lon_0=0 +ellps=WGS84", "+ellps=WGS84"},
    {"cass", 5201, 0.0f, 0.0f, 52.2, 52.7, 13.0, 14.0,
     "+proj=cass +lat_0=52d25'07.1338 +lon_0=13d37'37.9332 +x_0=40000 +y_0=10000 +ellps=bessel",
     "+ellps=bessel"},
    {"bonne", 5101, 0.0f, 0.0f, 37.0, 42.0, -9.5, -6.2,
     "+proj=bonne +lat_1=39d40 +lon_0=-8d07'54.862 +ellps=bessel", "+ellps=bessel"},
    {"eov", 6001, 0.0f, 0.0f, 45.8, 48.5, 16.2, 22.8,
     "+proj=somerc +lat_0=47.14439372222222 +lon_0=19.04857177777778 +k_0=0.99993 "
     "+x_0=650000 +y_0=200000 +ellps=GRS67", "+ellps=GRS67"},
};

struct Point {
  double lat, lon;  // degrees
  double x, y;      // metres, the zone's grid coordinates of (lat, lon)
};

void Convert(const Family& f, int32_t direction, double* lat, double* lon, double* x, double* y) {
  LLDRV_NEW(lat, lon, x, y, f.zone, direction, 1, 1, 1, 0.0f, f.mercatorTrueScaleLat,
            f.mercatorCentralMeridian);
}

const std::vector<Point>& PointsOf(const Family& f) {
  static std::vector<Point> cache[std::size(kFamilies)];
  std::vector<Point>& points = cache[&f - kFamilies];
  if (points.empty()) {
    SetPath(Root().path().c_str());
    Uniform uniform;
    for (int i = 0; i < kPointCount; ++i) {
      Point p{};
      p.lat = f.latMin + (f.latMax - f.latMin) * uniform();
      p.lon = f.lonMin + (f.lonMax - f.lonMin) * uniform();
      double lat = p.lat, lon = p.lon;
      Convert(f, ZONVERT_GEOGRAPHIC_TO_GRID, &lat, &lon, &p.x, &p.y);
      points.push_back(p);
    }
  }
  return points;
}

// The active record of a family's zone, as its routine reads it.
zonvert::ZoneParams RecordOf(const Family& f) {
  SetPath(Root().path().c_str());
  double a = 0, b = 0, c = 0, d = 0;
  Convert(f, ZONVERT_LOAD_ONLY, &a, &b, &c, &d);
  return zonvert::ActiveParams();
}

// ---------------------------------------------------------------- zonvert

void ZonvertForward(benchmark::State& state, const Family* f) {
  const std::vector<Point>& points = PointsOf(*f);
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ & (kPointCount - 1)];
    double lat = p.lat, lon = p.lon, x = 0.0, y = 0.0;
    Convert(*f, ZONVERT_GEOGRAPHIC_TO_GRID, &lat, &lon, &x, &y);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  }
}

void ZonvertInverse(benchmark::State& state, const Family* f) {
  const std::vector<Point>& points = PointsOf(*f);
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ & (kPointCount - 1)];
    double lat = 0.0, lon = 0.0, x = p.x, y = p.y;
    Convert(*f, ZONVERT_GRID_TO_GEOGRAPHIC, &lat, &lon, &x, &y);
    benchmark::DoNotOptimize(lat);
    benchmark::DoNotOptimize(lon);
  }
}

// The cost of a call that converts nothing (a direction other than 2 or 3)
// on a cached zone: settings, alias lookup, cache lookup, dispatch.
void ZonvertCallOnly(benchmark::State& state, const Family* f) {
  const std::vector<Point>& points = PointsOf(*f);
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ & (kPointCount - 1)];
    double lat = p.lat, lon = p.lon, x = 0.0, y = 0.0;
    Convert(*f, 4, &lat, &lon, &x, &y);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  }
}

// ---------------------------------------------------------------- PROJ

#if defined(ZONVERT_HAVE_PROJ)
// How PROJ is called: through the operation proj_create_crs_to_crs builds
// from geographic degrees to the grid (the way hosts use it; PROJ's figures
// for its projections are usually of this path), or on the bare projection
// in radians.
enum class ProjPath { kCrsToCrs, kCore };

void ProjRun(benchmark::State& state, const Family* f, PJ_DIRECTION direction, ProjPath path) {
  const std::vector<Point>& points = PointsOf(*f);
  PJ_CONTEXT* context = proj_context_create();
  PJ* projection = nullptr;
  if (path == ProjPath::kCore) {
    projection = proj_create(context, f->projDefinition);
  } else {
    const std::string geographic = std::string("+proj=longlat ") + f->projEllipsoid + " +type=crs";
    const std::string grid = std::string(f->projDefinition) + " +type=crs";
    projection = proj_create_crs_to_crs(context, geographic.c_str(), grid.c_str(), nullptr);
  }
  if (projection == nullptr) {
    state.SkipWithError("PROJ cannot create the projection");
    proj_context_destroy(context);
    return;
  }
  const double angleFactor = path == ProjPath::kCore ? kPi / 180.0 : 1.0;  // degrees to input
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ & (kPointCount - 1)];
    PJ_COORD c = direction == PJ_FWD ? proj_coord(p.lon * angleFactor, p.lat * angleFactor, 0.0, 0.0)
                                     : proj_coord(p.x, p.y, 0.0, 0.0);
    c = proj_trans(projection, direction, c);
    benchmark::DoNotOptimize(c.v[0]);
    benchmark::DoNotOptimize(c.v[1]);
  }
  proj_destroy(projection);
  proj_context_destroy(context);
}
#endif

// ---------------------------------------------------------------- floor
//
// The arguments of every maths-library call are worked out before the
// timing, with the formulas of each family (constants of the record
// excluded); the timed loop makes only the calls.
//
// "floor": the calls in the order of the formulas, each call whose
// argument the formulas form from earlier results waiting for those results
// (their bits, masked with a zero the compiler cannot see, are OR-ed into
// the argument: the value stays, a data dependency of a cycle or two
// remains), as any evaluation of the formulas must wait.  "floor-free": the
// same calls with no such dependency, so the processor may overlap them as
// no evaluation of the formulas could (shown for comparison).

constexpr int kMaxPasses = 16;

// One point's calls: up to 10 straight arguments, two pow bases, and up to
// kMaxPasses passes of an iteration (sin, pow, atan each).
struct Calls {
  double a[10];
  double powBase[2];
  int passes;
  double passSin[kMaxPasses];
  double passPowBase[kMaxPasses];
  double passAtan[kMaxPasses];
};

// A zero the compiler cannot see through (read once per benchmark).
volatile uint64_t gZeroBits = 0;

// `arg`, made to wait for the results `r...` when kOrdered.
template <bool kOrdered, typename... R>
double After(uint64_t zero, double arg, R... r) {
  if constexpr (!kOrdered) {
    return arg;
  } else {
    uint64_t bits = std::bit_cast<uint64_t>(arg);
    ((bits |= std::bit_cast<uint64_t>(r) & zero), ...);
    return std::bit_cast<double>(bits);
  }
}

template <typename T>
T Keep(T value) {
  benchmark::DoNotOptimize(value);
  return value;
}

// Degree factors of the families (the same values the routines use).
constexpr double kDegTm = 0.017453292520882225;
constexpr double kDegMerc = 0.01745329237161969;
constexpr double kRadMerc = 57.29578;
constexpr double kDegEov = 0.017453292222222222;
constexpr double kRadEov = 57.295780490442965;

// Per family and direction: the arguments of one point, and the calls.
Calls TmForwardCalls(const zonvert::ZoneParams& params, const Point& p) {
  Calls c{};
  const double phi = p.lat * kDegTm;
  const double s = std::sin(phi);
  c.a[0] = phi;
  c.a[1] = 1.0 - params.p[1] * (s * s);
  return c;
}
template <bool O>
void TmForwardFloor(const Calls& c, uint64_t z) {
  const double phi = c.a[0];
  const double s = Keep(std::sin(phi));
  Keep(std::cos(phi));
  Keep(std::sqrt(After<O>(z, c.a[1], s)));
  Keep(std::tan(phi));
  Keep(std::sin(2.0 * phi));
  Keep(std::sin(4.0 * phi));
  Keep(std::sin(6.0 * phi));
}

Calls TmInverseCalls(const zonvert::ZoneParams& params, const Point& p) {
  const double* P = params.p;
  const zonvert::MeridianTerms terms = zonvert::MeridianTermsOf(params);
  Calls c{};
  const double mu = zonvert::RectifyingLatitude(terms, (p.y - P[7]) / P[3] + P[8]);
  const double phi1 = zonvert::FootpointLatitude(terms, mu, zonvert::FootpointSeries::kToSin6Mu);
  const double s = std::sin(phi1);
  const double W = 1.0 - P[1] * (s * s);
  c.a[0] = mu;
  c.a[1] = phi1;
  c.a[2] = W;
  c.a[3] = W * W * W;
  return c;
}
template <bool O>
void TmInverseFloor(const Calls& c, uint64_t z) {
  const double s2 = Keep(std::sin(2.0 * c.a[0]));
  const double s4 = Keep(std::sin(4.0 * c.a[0]));
  const double s6 = Keep(std::sin(6.0 * c.a[0]));
  const double phi1 = After<O>(z, c.a[1], s2, s4, s6);
  const double s = Keep(std::sin(phi1));
  Keep(std::cos(phi1));
  Keep(std::tan(phi1));
  Keep(std::sqrt(After<O>(z, c.a[2], s)));
  Keep(std::sqrt(After<O>(z, c.a[3], s)));
}

Calls LccForwardCalls(const zonvert::ZoneParams& params, const Point& p) {
  const double* P = params.p;
  Calls c{};
  const double e = P[2], n = P[9];
  const double lam0 = P[6] * 0.0002777777777777778;
  const double es = e * std::sin(p.lat * kDegTm);
  c.a[0] = p.lat * kDegTm;
  c.a[1] = (45.0 - 0.5 * p.lat) * kDegTm;
  c.powBase[0] = (1.0 - es) / (1.0 + es);
  c.a[2] = 0.5 * e;
  c.powBase[1] = std::tan(c.a[1]) / std::pow(c.powBase[0], c.a[2]);
  c.a[3] = n;
  c.a[4] = (p.lon - lam0) * n * kDegTm;
  return c;
}
template <bool O>
void LccForwardFloor(const Calls& c, uint64_t z) {
  const double s = Keep(std::sin(c.a[0]));
  const double t = Keep(std::tan(c.a[1]));
  const double q = Keep(std::pow(After<O>(z, c.powBase[0], s), c.a[2]));
  Keep(std::pow(After<O>(z, c.powBase[1], t, q), c.a[3]));
  Keep(std::sin(c.a[4]));
  Keep(std::cos(c.a[4]));
}

// The latitude passes of the Lambert and Mercator inverses, recorded until
// two latitudes agree to 1e-7 degrees: sin, pow, atan per pass.
void RecordPasses(Calls* c, double t, double e, double phi, double degToRad, double twoRadToDeg) {
  double phiPrev = 0.0;
  c->passes = 0;
  while (c->passes < kMaxPasses && std::fabs(phi - phiPrev) > 1e-7) {
    phiPrev = phi;
    const int k = c->passes++;
    c->passSin[k] = phi * degToRad;
    const double es = e * std::sin(phi * degToRad);
    c->passPowBase[k] = (1.0 - es) / (1.0 + es);
    c->passAtan[k] = t * std::pow(c->passPowBase[k], 0.5 * e);
    phi = 90.0 - std::atan(c->passAtan[k]) * twoRadToDeg;
  }
}
// Each pass waits for the latitude of the one before (`previous`, the
// result the first latitude comes from).
template <bool O>
void PassesFloor(const Calls& c, double h, double previous, uint64_t z) {
  for (int k = 0; k < c.passes; ++k) {
    const double s = Keep(std::sin(After<O>(z, c.passSin[k], previous)));
    const double q = Keep(std::pow(After<O>(z, c.passPowBase[k], s), h));
    previous = Keep(std::atan(After<O>(z, c.passAtan[k], q)));
  }
}

Calls LccInverseCalls(const zonvert::ZoneParams& params, const Point& p) {
  const double* P = params.p;
  Calls c{};
  const double a = P[0], e = P[2], n = P[9], F = P[10];
  double dx = p.x - P[7], dy = p.y - P[8], rho0 = P[11];
  if (n < 0.0) dx = -dx, dy = -dy, rho0 = -rho0;
  const double q = rho0 - dy;
  c.a[0] = q * q + dx * dx;
  double rho = std::sqrt(c.a[0]);
  if (n < 0.0 && rho > 0.0) rho = -rho;
  c.powBase[0] = rho / (F * a);
  c.a[1] = 1.0 / n;
  const double t = std::pow(c.powBase[0], c.a[1]);
  c.a[2] = dx / q;
  c.a[3] = t;
  c.a[4] = 0.5 * e;
  RecordPasses(&c, t, e, 90.0 - 2.0 * (std::atan(t) * 57.29577951), kDegTm, 114.59155902);
  return c;
}
template <bool O>
void LccInverseFloor(const Calls& c, uint64_t z) {
  const double rho = Keep(std::sqrt(c.a[0]));
  const double t = Keep(std::pow(After<O>(z, c.powBase[0], rho), c.a[1]));
  Keep(std::atan(c.a[2]));
  const double first = Keep(std::atan(After<O>(z, c.a[3], t)));
  PassesFloor<O>(c, c.a[4], first, z);
}

Calls MercForwardCalls(const zonvert::ZoneParams& params, const Point& p) {
  Calls c{};
  const double e = params.p[2];
  const double es = std::sin(p.lat * kDegMerc) * e;
  c.a[0] = p.lat * kDegMerc;
  c.powBase[0] = (1.0 - es) / (es + 1.0);
  c.a[1] = 0.5 * e;
  c.a[2] = (0.5 * p.lat + 45.0) * kDegMerc;
  c.a[3] = std::tan(c.a[2]) * std::pow(c.powBase[0], c.a[1]);
  return c;
}
template <bool O>
void MercForwardFloor(const Calls& c, uint64_t z) {
  const double s = Keep(std::sin(c.a[0]));
  const double q = Keep(std::pow(After<O>(z, c.powBase[0], s), c.a[1]));
  const double t = Keep(std::tan(c.a[2]));
  Keep(std::log(After<O>(z, c.a[3], t, q)));
}

Calls MercInverseCalls(const zonvert::ZoneParams& params, const Point& p) {
  Calls c{};
  const double a = params.p[0], e = params.p[2];
  c.a[0] = -((p.y / 1.0) / a);  // K = 1 at a latitude of true scale of 0
  const double t = std::exp(c.a[0]);
  c.a[1] = t;
  c.a[2] = 0.5 * e;
  RecordPasses(&c, t, e, 90.0 - 2.0 * (std::atan(t) * kRadMerc), kDegMerc, 2.0 * kRadMerc);
  return c;
}
template <bool O>
void MercInverseFloor(const Calls& c, uint64_t z) {
  const double t = Keep(std::exp(c.a[0]));
  const double first = Keep(std::atan(After<O>(z, c.a[1], t)));
  PassesFloor<O>(c, c.a[2], first, z);
}

Calls CassForwardCalls(const zonvert::ZoneParams& params, const Point& p) {
  Calls c{};
  const double phi = p.lat * kDegMerc;
  const double s = std::sin(phi);
  c.a[0] = phi;
  c.a[1] = 1.0 - params.p[1] * (s * s);
  return c;
}
// The same calls as the Transverse Mercator forward.
template <bool O>
void CassForwardFloor(const Calls& c, uint64_t z) {
  TmForwardFloor<O>(c, z);
}

Calls CassInverseCalls(const zonvert::ZoneParams& params, const Point& p) {
  const double* P = params.p;
  const zonvert::MeridianTerms terms = zonvert::MeridianTermsOf(params);
  Calls c{};
  const double mu = zonvert::RectifyingLatitude(terms, (p.y - P[7]) + P[8]);
  const double phi1 = zonvert::FootpointLatitude(terms, mu, zonvert::FootpointSeries::kToSin8Mu);
  const double s = std::sin(phi1);
  c.a[0] = mu;
  c.a[1] = phi1;
  c.a[2] = 1.0 - P[1] * (s * s);
  return c;
}
template <bool O>
void CassInverseFloor(const Calls& c, uint64_t z) {
  const double s2 = Keep(std::sin(2.0 * c.a[0]));
  const double s4 = Keep(std::sin(4.0 * c.a[0]));
  const double s6 = Keep(std::sin(6.0 * c.a[0]));
  const double s8 = Keep(std::sin(8.0 * c.a[0]));
  const double phi1 = After<O>(z, c.a[1], s2, s4, s6, s8);
  const double s = Keep(std::sin(phi1));
  Keep(std::cos(phi1));
  Keep(std::tan(phi1));
  const double W = After<O>(z, c.a[2], s);
  Keep(std::sqrt(W));
  Keep(std::pow(W, 1.5));
}

// Bonne: Q = a m(phi1) / sin phi1 of the record is a record constant.
double BonneQ(const double* P) {
  const double s = std::sin(P[4]);
  return P[0] * (std::cos(P[4]) / std::sqrt(1.0 - P[1] * (s * s))) / std::sin(P[4]);
}

Calls BonneForwardCalls(const zonvert::ZoneParams& params, const Point& p) {
  const double* P = params.p;
  const zonvert::MeridianTerms terms = zonvert::MeridianTermsOf(params);
  Calls c{};
  const double phi = p.lat * kDegMerc;
  const double s = std::sin(phi);
  c.a[0] = phi;
  c.a[1] = 1.0 - P[1] * (s * s);
  const double rho = (BonneQ(P) + P[8]) - zonvert::MeridianDistance(terms, phi);
  const double m = std::cos(phi) / std::sqrt(c.a[1]);
  c.a[2] = (P[0] * m * (p.lon - P[5] * kRadMerc) / rho) * kDegMerc;
  return c;
}
template <bool O>
void BonneForwardFloor(const Calls& c, uint64_t z) {
  const double phi = c.a[0];
  const double m2 = Keep(std::sin(2.0 * phi));
  const double m4 = Keep(std::sin(4.0 * phi));
  const double m6 = Keep(std::sin(6.0 * phi));
  const double s = Keep(std::sin(phi));
  const double co = Keep(std::cos(phi));
  const double root = Keep(std::sqrt(After<O>(z, c.a[1], s)));
  const double E = After<O>(z, c.a[2], m2, m4, m6, co, root);
  Keep(std::sin(E));
  Keep(std::cos(E));
}

Calls BonneInverseCalls(const zonvert::ZoneParams& params, const Point& p) {
  const double* P = params.p;
  const zonvert::MeridianTerms terms = zonvert::MeridianTermsOf(params);
  Calls c{};
  const double Q = BonneQ(P);
  const double h = Q - p.y;
  c.a[0] = h * h + p.x * p.x;
  const double rho = std::sqrt(c.a[0]);
  const double mu = zonvert::RectifyingLatitude(terms, (Q + P[8]) - rho);
  const double phi = zonvert::FootpointLatitude(terms, mu, zonvert::FootpointSeries::kToSin8Mu);
  c.a[1] = mu;
  c.a[2] = p.x / h;
  c.a[3] = phi;
  const double s = std::sin(phi);
  c.a[4] = 1.0 - P[1] * (s * s);
  return c;
}
template <bool O>
void BonneInverseFloor(const Calls& c, uint64_t z) {
  const double rho = Keep(std::sqrt(c.a[0]));
  const double mu = After<O>(z, c.a[1], rho);
  const double s2 = Keep(std::sin(2.0 * mu));
  const double s4 = Keep(std::sin(4.0 * mu));
  const double s6 = Keep(std::sin(6.0 * mu));
  const double s8 = Keep(std::sin(8.0 * mu));
  Keep(std::atan(c.a[2]));
  const double phi = After<O>(z, c.a[3], s2, s4, s6, s8);
  const double s = Keep(std::sin(phi));
  Keep(std::cos(phi));
  Keep(std::sqrt(After<O>(z, c.a[4], s)));
}

Calls EovForwardCalls(const zonvert::ZoneParams& params, const Point& p) {
  const double* P = params.p;
  Calls c{};
  const double dPhi = (p.lat - P[6]) * 3600.0;
  const double phiSDeg =
      ((dPhi * dPhi * 2.4323e-08 + dPhi * 0.99844601) - dPhi * dPhi * dPhi * 5.3e-15) *
          0.0002777777777777778 +
      P[5];
  const double phiS = phiSDeg * kDegEov;
  const double phi0 = P[9] * kDegEov;
  const double dLamS = (p.lon - P[8]) * 1.0007197049 * kDegEov;
  c.a[0] = phiS;
  c.a[1] = dLamS;
  c.a[2] = std::cos(phi0) * std::sin(phiS) - std::cos(dLamS) * std::sin(phi0) * std::cos(phiS);
  c.a[3] = std::asin(c.a[2]) * kRadEov * kDegEov;
  c.a[4] = std::sin(dLamS) * std::cos(phiS) / std::cos(c.a[3]);
  return c;
}
template <bool O>
void EovForwardFloor(const Calls& c, uint64_t z) {
  const double sS = Keep(std::sin(c.a[0]));
  const double cL = Keep(std::cos(c.a[1]));
  const double cS = Keep(std::cos(c.a[0]));
  const double o = Keep(std::asin(After<O>(z, c.a[2], sS, cL, cS)));
  const double sL = Keep(std::sin(c.a[1]));
  const double cO = Keep(std::cos(After<O>(z, c.a[3], o)));
  Keep(std::asin(After<O>(z, c.a[4], sL, cS, cO)));
}

Calls EovInverseCalls(const zonvert::ZoneParams& params, const Point& p) {
  const double* P = params.p;
  Calls c{};
  const double e = p.x > 400000.0 ? p.x : p.y;
  const double n = p.x > 400000.0 ? p.y : p.x;
  c.a[0] = (n - P[12]) * 1.5675709895241977e-07;
  c.a[1] = std::exp(c.a[0]);
  const double phiO = (std::atan(c.a[1]) * kRadEov - 45.0) * 2.0 * kDegEov;
  const double lamO = (e - P[11]) * 1e-05 * 3233.34726 * 0.0002777777777777778 * kDegEov;
  c.a[2] = lamO;
  c.a[3] = phiO;
  const double phi0 = P[9] * kDegEov;
  c.a[4] = std::cos(lamO) * std::sin(phi0) * std::cos(phiO) + std::sin(phiO) * std::cos(phi0);
  c.a[5] = std::asin(c.a[4]) * kRadEov * kDegEov;
  c.a[6] = std::sin(lamO) * std::cos(phiO) / std::cos(c.a[5]);
  return c;
}
template <bool O>
void EovInverseFloor(const Calls& c, uint64_t z) {
  const double ex = Keep(std::exp(c.a[0]));
  const double at = Keep(std::atan(After<O>(z, c.a[1], ex)));
  const double phiO = After<O>(z, c.a[3], at);
  const double cL = Keep(std::cos(c.a[2]));
  const double cO = Keep(std::cos(phiO));
  const double sO = Keep(std::sin(phiO));
  const double as = Keep(std::asin(After<O>(z, c.a[4], cL, cO, sO)));
  const double sL = Keep(std::sin(c.a[2]));
  const double cS = Keep(std::cos(After<O>(z, c.a[5], as)));
  Keep(std::asin(After<O>(z, c.a[6], sL, cO, cS)));
}

struct FloorOf {
  Calls (*calls)(const zonvert::ZoneParams&, const Point&);
  void (*ordered)(const Calls&, uint64_t);
  void (*free)(const Calls&, uint64_t);
};

#define ZONVERT_FLOOR(name) {&name##Calls, &name##Floor<true>, &name##Floor<false>}
const FloorOf kForwardFloors[] = {ZONVERT_FLOOR(TmForward),   ZONVERT_FLOOR(LccForward),
                                  ZONVERT_FLOOR(MercForward), ZONVERT_FLOOR(CassForward),
                                  ZONVERT_FLOOR(BonneForward), ZONVERT_FLOOR(EovForward)};
const FloorOf kInverseFloors[] = {ZONVERT_FLOOR(TmInverse),   ZONVERT_FLOOR(LccInverse),
                                  ZONVERT_FLOOR(MercInverse), ZONVERT_FLOOR(CassInverse),
                                  ZONVERT_FLOOR(BonneInverse), ZONVERT_FLOOR(EovInverse)};
#undef ZONVERT_FLOOR

void Floor(benchmark::State& state, const Family* f, const FloorOf* floor, bool ordered) {
  const std::vector<Point>& points = PointsOf(*f);
  const zonvert::ZoneParams record = RecordOf(*f);
  std::vector<Calls> calls;
  calls.reserve(points.size());
  for (const Point& p : points) calls.push_back(floor->calls(record, p));
  const uint64_t zero = gZeroBits;
  void (*run)(const Calls&, uint64_t) = ordered ? floor->ordered : floor->free;
  std::size_t i = 0;
  for (auto _ : state) run(calls[i++ & (kPointCount - 1)], zero);
}

// ---------------------------------------------------------------- miss

// Three zones whose records lie near the end of the shipped file; cycling
// through them misses the two-slot cache on every call.
constexpr int32_t kMissZones[3] = {8518, 8519, 8520};

void ZonvertMiss(benchmark::State& state) {
  SetPath(Root().path().c_str());
  std::size_t i = 0;
  for (auto _ : state) {
    double lat = 40.0, lon = -100.0, x = 0.0, y = 0.0;
    LLDRV_NEW(&lat, &lon, &x, &y, kMissZones[i++ % 3], ZONVERT_GEOGRAPHIC_TO_GRID, 1, 1, 1, 0.0f,
              0.0f, 0.0f);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  }
}

// The file scanned the old way: "%d" for the code, "%lf" twenty times,
// until the key (the record is read into a local).
bool ScanWithFscanf(const char* path, int32_t key, double* record) {
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return false;
  bool found = false;
  int code = 0;
  while (!found && std::fscanf(file, "%d", &code) == 1) {
    int read = 0;
    while (read < 20 && std::fscanf(file, "%lf", &record[read]) == 1) ++read;
    if (read < 20) break;
    found = code == key;
  }
  std::fclose(file);
  return found;
}

void FscanfMiss(benchmark::State& state) {
  const std::string path = Root().parameterFile();
  std::size_t i = 0;
  double record[20];
  for (auto _ : state) {
    const bool found = ScanWithFscanf(path.c_str(), kMissZones[i++ % 3], record);
    benchmark::DoNotOptimize(found);
    benchmark::DoNotOptimize(record[0]);
  }
}

// ---------------------------------------------------------------- convenience

// Sends standard output to a temporary file for its lifetime and empties
// the file now and then, outside the timing.
class StdoutToFile {
 public:
  StdoutToFile() {
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    std::string pattern = Root().path() + "/stdout-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (saved_ < 0 || fd < 0) {
      std::perror("stdout to file");
      std::exit(1);
    }
    dup2(fd, STDOUT_FILENO);
    close(fd);
  }
  ~StdoutToFile() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }
  void Empty(benchmark::State& state) {
    state.PauseTiming();
    std::fflush(stdout);
    if (ftruncate(STDOUT_FILENO, 0) != 0 || lseek(STDOUT_FILENO, 0, SEEK_SET) != 0) {
      std::perror("truncate");
    }
    state.ResumeTiming();
  }

 private:
  int saved_ = -1;
};

constexpr int32_t kConvenienceZone = 1633;
constexpr std::size_t kEmptyEvery = 1 << 16;

void Lldrv(benchmark::State& state) {
  const std::vector<Point>& points = PointsOf(kFamilies[0]);
  StdoutToFile redirect;
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i & (kPointCount - 1)];
    double x = 0.0, y = 0.0;
    benchmark::DoNotOptimize(lldrv(p.lat, p.lon, &x, &y, kConvenienceZone));
    benchmark::DoNotOptimize(x);
    if (++i % kEmptyEvery == 0) redirect.Empty(state);
  }
}

void LldrvDbl(benchmark::State& state) {
  const std::vector<Point>& points = PointsOf(kFamilies[0]);
  StdoutToFile redirect;
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i & (kPointCount - 1)];
    benchmark::DoNotOptimize(lldrv_dbl(p.lat, p.lon, kConvenienceZone, 1));
    if (++i % kEmptyEvery == 0) redirect.Empty(state);
  }
}

void LldrvStr(benchmark::State& state) {
  const std::vector<Point>& points = PointsOf(kFamilies[0]);
  std::vector<std::string> texts;
  for (const Point& p : points) {
    char lat[32], lon[32];
    std::snprintf(lat, sizeof lat, "%.9f", p.lat);
    std::snprintf(lon, sizeof lon, "%.9f", p.lon);
    texts.push_back(lat);
    texts.push_back(lon);
  }
  StdoutToFile redirect;
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i & (kPointCount - 1);
    benchmark::DoNotOptimize(lldrv_str(texts[2 * k].c_str(), texts[2 * k + 1].c_str(), kConvenienceZone));
    if (++i % kEmptyEvery == 0) redirect.Empty(state);
  }
}

void RegisterAll() {
  for (std::size_t k = 0; k < std::size(kFamilies); ++k) {
    const Family* f = &kFamilies[k];
    const std::string name = f->name;
    benchmark::RegisterBenchmark((name + "/forward/zonvert").c_str(), ZonvertForward, f);
#if defined(ZONVERT_HAVE_PROJ)
    benchmark::RegisterBenchmark((name + "/forward/proj").c_str(), ProjRun, f, PJ_FWD, ProjPath::kCrsToCrs);
    benchmark::RegisterBenchmark((name + "/forward/proj-core").c_str(), ProjRun, f, PJ_FWD, ProjPath::kCore);
#endif
    benchmark::RegisterBenchmark((name + "/forward/floor").c_str(), Floor, f, &kForwardFloors[k], true);
    benchmark::RegisterBenchmark((name + "/forward/floor-free").c_str(), Floor, f, &kForwardFloors[k], false);
    benchmark::RegisterBenchmark((name + "/inverse/zonvert").c_str(), ZonvertInverse, f);
#if defined(ZONVERT_HAVE_PROJ)
    benchmark::RegisterBenchmark((name + "/inverse/proj").c_str(), ProjRun, f, PJ_INV, ProjPath::kCrsToCrs);
    benchmark::RegisterBenchmark((name + "/inverse/proj-core").c_str(), ProjRun, f, PJ_INV, ProjPath::kCore);
#endif
    benchmark::RegisterBenchmark((name + "/inverse/floor").c_str(), Floor, f, &kInverseFloors[k], true);
    benchmark::RegisterBenchmark((name + "/inverse/floor-free").c_str(), Floor, f, &kInverseFloors[k], false);
  }
  benchmark::RegisterBenchmark("call/zonvert", ZonvertCallOnly, &kFamilies[0]);
  benchmark::RegisterBenchmark("call-alias/zonvert", ZonvertCallOnly, &kFamilies[1]);
  benchmark::RegisterBenchmark("miss/zonvert", ZonvertMiss);
  benchmark::RegisterBenchmark("miss/fscanf", FscanfMiss);
  benchmark::RegisterBenchmark("lldrv", Lldrv);
  benchmark::RegisterBenchmark("lldrv_dbl", LldrvDbl);
  benchmark::RegisterBenchmark("lldrv_str", LldrvStr);
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
