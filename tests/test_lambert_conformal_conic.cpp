// Lambert Conformal Conic: exact values at the apex, on the central meridian
// and near the equator, the unit systems, a published example, the round
// trip over the working range, the cone of negative n, the results that are
// not numbers, and the cap of the latitude iteration.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <limits>
#include <string>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "projections/projections.h"
#include "test_support.h"
#include "zonvert.h"

namespace zonvert {
namespace {

// The routine's factors, as the tests need them to state exact results.
constexpr double kDegToRad = 0.017453292520882225;  // 1/57.29577951
constexpr double kRadToDeg = 57.29577951;
constexpr double kArcSecondsToDegrees = 0.0002777777777777778;
constexpr double kMetresToUsFeet = 3.28083333;
constexpr double kUsFeetToMetres = 0.30480060991089725;
constexpr double kPi = 3.14159265358979323846;

struct Cone {
  const char* name;
  double a;        // metres
  double e2;       // first eccentricity squared
  double phi1;     // standard parallels, degrees
  double phi2;
  double phi0;     // latitude of origin, degrees
  double lam0;     // central meridian, degrees
  double fe, fn;   // false easting and northing, metres
};

// Clarke 1866: a = 6378206.4 m, e^2 = 0.00676866 (Snyder's worked example).
constexpr double kClarkeA = 6378206.4;
constexpr double kClarkeE2 = 0.00676866;

constexpr Cone kSnyderExample = {"Snyder p. 296", kClarkeA, kClarkeE2, 33.0, 45.0, 23.0, -96.0, 0.0, 0.0};
// A State Plane 1927-like zone: parallels 32d08' and 33d58', origin 31d40'N
// 97d30'W, false easting 2000000 US survey feet.
constexpr Cone kStatePlaneLike = {"State Plane-like", kClarkeA, kClarkeE2, 32.0 + 8.0 / 60.0,
                                  33.0 + 58.0 / 60.0, 31.0 + 40.0 / 60.0, -97.5,
                                  2000000.0 * kUsFeetToMetres, 0.0};

// Snyder (1987): m = cos phi / sqrt(1 - e^2 sin^2 phi), eq. 14-15, and
// t = tan(pi/4 - phi/2) / ((1 - e sin phi)/(1 + e sin phi))^(e/2), eq. 15-9.
double SnyderM(double e2, double phi) {
  const double s = std::sin(phi);
  return std::cos(phi) / std::sqrt(1.0 - e2 * s * s);
}
double SnyderT(double e, double phi) {
  const double es = e * std::sin(phi);
  return std::tan(kPi / 4.0 - phi / 2.0) / std::pow((1.0 - es) / (1.0 + es), e / 2.0);
}

// The record of a cone: n (eq. 15-8), F (eq. 15-10) and rho0 (eq. 15-7a)
// from the two standard parallels, in radians of pi/180.
ZoneParams MakeRecord(const Cone& c) {
  const double d = kPi / 180.0;
  const double e = std::sqrt(c.e2);
  const double m1 = SnyderM(c.e2, c.phi1 * d), m2 = SnyderM(c.e2, c.phi2 * d);
  const double t1 = SnyderT(e, c.phi1 * d), t2 = SnyderT(e, c.phi2 * d);
  const double t0 = SnyderT(e, c.phi0 * d);
  const double n = (std::log(m1) - std::log(m2)) / (std::log(t1) - std::log(t2));
  const double F = m1 / (n * std::pow(t1, n));
  ZoneParams r{};
  r.p[0] = c.a;
  r.p[1] = c.e2;
  r.p[2] = e;
  r.p[6] = c.lam0 * 3600.0;  // arc-seconds
  r.p[7] = c.fe;
  r.p[8] = c.fn;
  r.p[9] = n;
  r.p[10] = F;
  r.p[11] = c.a * F * std::pow(t0, n);
  return r;
}

// rho of a latitude (degrees) as the routine forms it, with its degree factor.
double RhoOf(const ZoneParams& r, double latDeg) {
  const double e = r.p[2];
  const double es = e * std::sin(latDeg * kDegToRad);
  const double t = std::tan((45.0 - 0.5 * latDeg) * kDegToRad) / std::pow((1.0 - es) / (1.0 + es), 0.5 * e);
  return std::pow(t, r.p[9]) * r.p[10] * r.p[0];
}

class LambertTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ResetLibraryState(); }
  void TearDown() override { testing::ResetLibraryState(); }

  void Use(const ZoneParams& record, int32_t inputUnits = 1, int32_t outputUnits = 1) {
    gParamCache.activeParams = record;
    gConversionState.inputUnits = inputUnits;
    gConversionState.outputUnits = outputUnits;
  }
  static void Forward(double lat, double lon, double* x, double* y) {
    gConversionState.direction = kGeographicToGrid;
    LambertConformalConic(x, y, &lat, &lon);
  }
  static void Inverse(double x, double y, double* lat, double* lon) {
    gConversionState.direction = kGridToGeographic;
    LambertConformalConic(&x, &y, lat, lon);
  }
};

TEST_F(LambertTest, ExactValuesOnTheCentralMeridianAndAtTheApex) {
  const ZoneParams r = MakeRecord(kStatePlaneLike);
  Use(r);
  const double lam0 = r.p[6] * kArcSecondsToDegrees;

  // On the central meridian theta is 0: x is the false easting exactly.
  for (double lat : {-80.0, 0.0, 31.0 + 40.0 / 60.0, 33.0, 60.0, 89.0}) {
    double x = 0, y = 0;
    Forward(lat, lam0, &x, &y);
    EXPECT_EQ(x, r.p[7]) << lat;
    EXPECT_EQ(y, r.p[11] - RhoOf(r, lat) + r.p[8]) << lat;
  }
  // The pole of the apex maps to the apex: t = 0, rho = 0.
  double x = 0, y = 0;
  Forward(90.0, -90.0, &x, &y);
  EXPECT_EQ(x, r.p[7]);
  EXPECT_EQ(y, r.p[11] + r.p[8]);

  // The inverse of x = false easting (q > 0) is the central meridian.
  for (double y0 : {-2.0e6, 0.0, 1.0e6, 5.0e6}) {
    double lat = 0, lon = 0;
    Inverse(r.p[7], y0, &lat, &lon);
    EXPECT_EQ(lon, lam0) << y0;
  }
  // The apex itself: latitude exactly 90, longitude atan(0/0), not a number.
  double lat = 0, lon = 0;
  Inverse(r.p[7], r.p[8] + r.p[11], &lat, &lon);
  EXPECT_EQ(lat, 90.0);
  EXPECT_TRUE(std::isnan(lon));
}

TEST_F(LambertTest, FirstLatitudeNearTheEquatorIsNotRefined) {
  // With rho0 = F a the false origin has t = 1 exactly; its first latitude,
  // 90 - 2 atan(1) 57.29577951, is about 4.8e-9 degrees, within 1e-7 of the
  // starting previous value 0, so no pass runs.  Guards a loop that always
  // refines once (which would move the value in its 11th digit).
  ZoneParams r = MakeRecord(kStatePlaneLike);
  r.p[11] = r.p[10] * r.p[0];
  Use(r);
  double lat = 0, lon = 0;
  Inverse(r.p[7], r.p[8], &lat, &lon);
  const double first = 90.0 - 2.0 * (std::atan(1.0) * kRadToDeg);
  EXPECT_GT(first, 0.0);
  EXPECT_LT(first, 1e-7);
  EXPECT_EQ(lat, first);
}

TEST_F(LambertTest, PublishedExample) {
  // Snyder (1987), p. 296: Clarke 1866, standard parallels 33N and 45N,
  // origin 23N 96W; 35N 75W -> x = 1894410.9 m, y = 1564649.5 m.  Half a
  // unit of the last given digit; the degree factor moves x, y by < 1 mm.
  Use(MakeRecord(kSnyderExample));
  double x = 0, y = 0;
  Forward(35.0, -75.0, &x, &y);
  EXPECT_NEAR(x, 1894410.9, 0.05);
  EXPECT_NEAR(y, 1564649.5, 0.05);
  double lat = 0, lon = 0;
  Inverse(1894410.9, 1564649.5, &lat, &lon);
  EXPECT_NEAR(lat, 35.0, 1e-6);  // 0.05 m is about 5e-7 degrees
  EXPECT_NEAR(lon, -75.0, 1e-6);
}

TEST_F(LambertTest, UnitFlagsBothWays) {
  const ZoneParams r = MakeRecord(kStatePlaneLike);
  Use(r);
  double xm = 0, ym = 0;
  Forward(45.0, -96.25, &xm, &ym);

  // Arc-seconds in, feet out: the same point, the metres times 3.28083333.
  Use(r, 0, 0);
  double xf = 0, yf = 0;
  Forward(45.0 * 3600.0, -96.25 * 3600.0, &xf, &yf);
  EXPECT_EQ(xf, xm * kMetresToUsFeet);
  EXPECT_EQ(yf, ym * kMetresToUsFeet);

  // Feet in, arc-seconds out: the degrees, for the feet made metres, times 3600.
  double latS = 0, lonS = 0;
  Inverse(xf, yf, &latS, &lonS);
  Use(r, 1, 1);
  double latD = 0, lonD = 0;
  Inverse(xf * kUsFeetToMetres, yf * kUsFeetToMetres, &latD, &lonD);
  EXPECT_EQ(latS, latD * 3600.0);
  EXPECT_EQ(lonS, lonD * 3600.0);
  EXPECT_NEAR(latD, 45.0, 1e-9);
  EXPECT_NEAR(lonD, -96.25, 1e-9);

  // Mixed flags: metres and degrees in, arc-seconds out; arc-seconds in, metres out.
  Use(r, 1, 0);
  double latMixed = 0, lonMixed = 0;
  Inverse(xm, ym, &latMixed, &lonMixed);
  Use(r, 1, 1);
  double latRef = 0, lonRef = 0;
  Inverse(xm, ym, &latRef, &lonRef);
  EXPECT_EQ(latMixed, latRef * 3600.0);
  EXPECT_EQ(lonMixed, lonRef * 3600.0);
  Use(r, 0, 1);
  double xMixed = 0, yMixed = 0;
  Forward(45.0 * 3600.0, -96.25 * 3600.0, &xMixed, &yMixed);
  EXPECT_EQ(xMixed, xm);
  EXPECT_EQ(yMixed, ym);
}

TEST_F(LambertTest, RoundTripWithinANanodegree) {
  // Cones with standard parallels from 1 to 68 degrees north, points from
  // latitude -80 to 89 and up to 10 degrees from the central meridian.
  const Cone cones[] = {
      kSnyderExample,
      kStatePlaneLike,
      {"low", kClarkeA, kClarkeE2, 1.0, 3.0, 0.0, 10.0, 500000.0, 0.0},
      {"high", 6378137.0, 0.0066943799901413165, 60.0, 68.0, 64.0, 25.0, 500000.0, 200000.0},
  };
  double worstLat = 0.0, worstLon = 0.0;
  for (const Cone& c : cones) {
    Use(MakeRecord(c));
    for (int i = -80; i <= 89; ++i) {
      for (int j = -20; j <= 20; ++j) {
        const double lat = i + 0.37;  // off the whole degrees
        const double lon = c.lam0 + 0.5 * j;
        if (lat > 89.0) continue;
        double x = 0, y = 0, lat2 = 0, lon2 = 0;
        Forward(lat, lon, &x, &y);
        Inverse(x, y, &lat2, &lon2);
        ASSERT_NEAR(lat2, lat, 1e-9) << c.name << " " << lat << " " << lon;
        ASSERT_NEAR(lon2, lon, 1e-9) << c.name << " " << lat << " " << lon;
        worstLat = std::fmax(worstLat, std::fabs(lat2 - lat));
        worstLon = std::fmax(worstLon, std::fabs(lon2 - lon));
      }
    }
  }
  std::printf("Lambert round trip: max |dlat| %.3g, max |dlon| %.3g degrees\n", worstLat, worstLon);
}

TEST_F(LambertTest, NegativeConeLeavesTheRecordAlone) {
  // The mirror of the State Plane-like cone: n, F and rho0 are negative.
  Cone south = kStatePlaneLike;
  south.phi1 = -south.phi1;
  south.phi2 = -south.phi2;
  south.phi0 = -south.phi0;
  const ZoneParams r = MakeRecord(south);
  ASSERT_LT(r.p[9], 0.0);
  ASSERT_LT(r.p[10], 0.0);
  ASSERT_LT(r.p[11], 0.0);
  Use(r);

  double x0 = 0, y0 = 0;
  Forward(-33.5, -99.0, &x0, &y0);
  double lat1 = 0, lon1 = 0;
  Inverse(x0, y0, &lat1, &lon1);
  EXPECT_NEAR(lat1, -33.5, 1e-9);
  EXPECT_NEAR(lon1, -99.0, 1e-9);
  // Guards a sign reversal written back into the record: P11 keeps its
  // bits, repeated inverses agree, and the forward result does not move.
  for (int k = 0; k < 3; ++k) {
    double lat = 0, lon = 0;
    Inverse(x0, y0, &lat, &lon);
    EXPECT_EQ(lat, lat1);
    EXPECT_EQ(lon, lon1);
    EXPECT_EQ(gParamCache.activeParams.p[11], r.p[11]);
  }
  double x1 = 0, y1 = 0;
  Forward(-33.5, -99.0, &x1, &y1);
  EXPECT_EQ(x1, x0);
  EXPECT_EQ(y1, y0);

  // The apex of this cone is the south pole.  Inverse: rho = 0 gives
  // t = 0^(1/n) = infinity and a latitude 90 - 57.29577951 pi, within 1e-8
  // of -90.  Forward: the half-angle 45 + 45 degrees passes pi/2 with the
  // degree factor, t < 0 and t^n is not a number.
  double lat = 0, lon = 0;
  Inverse(r.p[7], r.p[8] + r.p[11], &lat, &lon);
  EXPECT_NEAR(lat, -90.0, 1e-8);
  EXPECT_TRUE(std::isnan(lon));
  Forward(-90.0, -99.0, &x1, &y1);
  EXPECT_TRUE(std::isnan(x1));
  EXPECT_TRUE(std::isnan(y1));
}

TEST_F(LambertTest, PrincipalArctangentAndResultsThatAreNotNumbers) {
  const ZoneParams r = MakeRecord(kStatePlaneLike);
  Use(r);
  const double lam0 = r.p[6] * kArcSecondsToDegrees;
  const double apexY = r.p[8] + r.p[11];

  // q = 0, dx > 0: the quotient is +infinity and the arctangent 90 degrees.
  double lat = 0, lon = 0;
  Inverse(r.p[7] + 1000.0, apexY, &lat, &lon);
  EXPECT_EQ(lon, std::atan(std::numeric_limits<double>::infinity()) * kRadToDeg / r.p[9] + lam0);

  // Beyond the apex (q < 0) the one-argument arctangent folds the point back:
  // its mirror through the apex gives the same latitude and longitude.
  double latBeyond = 0, lonBeyond = 0, latMirror = 0, lonMirror = 0;
  Inverse(r.p[7] + 3000.0, apexY + 4000.0, &latBeyond, &lonBeyond);
  Inverse(r.p[7] - 3000.0, apexY - 4000.0, &latMirror, &lonMirror);
  EXPECT_EQ(lonBeyond, lonMirror);
  EXPECT_EQ(latBeyond, latMirror);
  EXPECT_LT(lonBeyond, lam0);  // a two-argument arctangent would put it far east

  // The pole opposite the apex: the half-angle passes 90 degrees, t < 0.
  double x = 0, y = 0;
  Forward(-90.0, lam0 + 1.0, &x, &y);
  EXPECT_TRUE(std::isnan(x));
  EXPECT_TRUE(std::isnan(y));

  // F of the sign opposite to n: t is not a number, nor is the latitude.
  ZoneParams wrongF = r;
  wrongF.p[10] = -wrongF.p[10];
  Use(wrongF);
  Inverse(r.p[7] + 1000.0, 1000.0, &lat, &lon);
  EXPECT_TRUE(std::isnan(lat));
  EXPECT_TRUE(std::isfinite(lon));
}

TEST_F(LambertTest, LatitudeIterationStopsAfterItsCap) {
  // e = 1 makes each pass multiply tan(45 - phi/2) by t; with t = 1 - 1e-8
  // the latitude creeps by about 6e-7 degrees a pass and would need some
  // 2e8 passes to settle.  The routine stops after 100 and returns the
  // latest latitude.  Guards an uncapped loop (a hang in practice).
  ZoneParams r{};
  r.p[0] = 1.0;   // a
  r.p[2] = 1.0;   // e, nonsensical
  r.p[9] = 1.0;   // n
  r.p[10] = 1.0;  // F
  r.p[11] = 1.0;  // rho0
  Use(r);
  const double y = 1e-8;
  double lat = 0, lon = 0;
  // An uncapped loop would not return for minutes: stop the program.
  auto done = std::async(std::launch::async, [&] { Inverse(0.0, y, &lat, &lon); });
  if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    std::fprintf(stderr, "the latitude iteration did not return within 20 s\n");
    std::_Exit(EXIT_FAILURE);
  }

  const double t = 1.0 - y;  // rho / (F a), with n = 1
  double phi = 90.0 - 2.0 * (std::atan(t) * kRadToDeg);
  for (int pass = 0; pass < 100; ++pass) {
    const double es = std::sin(phi * kDegToRad);
    phi = 90.0 - std::atan(t * std::pow((1.0 - es) / (1.0 + es), 0.5)) * 114.59155902;
  }
  EXPECT_EQ(lat, phi);
  EXPECT_GT(lat, 1e-5);
  EXPECT_LT(lat, 1e-4);
  EXPECT_EQ(lon, 0.0);
}

TEST_F(LambertTest, OtherDirectionsWriteNothing) {
  Use(MakeRecord(kStatePlaneLike));
  testing::ExpectNothingWritten(&LambertConformalConic, {kLoadOnly, 0, 4, -3}, 11.0, 22.0, 33.0, -44.0);
}

TEST(LambertThroughEntry, StatePlaneZoneFromTheParameterFile) {
  // State Plane zone 5010 is internal zone 4, a Lambert record of the file;
  // its central meridian P6 is read in arc-seconds.
  testing::ResetLibraryState();
  testing::TempDir dir;
  const ZoneParams r = MakeRecord(kStatePlaneLike);
  dir.Write("template/con_dos.asc", testing::RecordLine(4, r));
  SetPath(dir.path().c_str());

  double lat = 33.0, lon = -97.0, x = 0.0, y = 0.0;
  LLDRV_NEW(&lat, &lon, &x, &y, -5010, kGeographicToGrid, 1, 0, 1, 0.0f, 0.0f, 0.0f);
  gParamCache.activeParams = r;
  gConversionState.direction = kGeographicToGrid;
  gConversionState.inputUnits = 1;
  gConversionState.outputUnits = 0;
  double xRef = 0, yRef = 0, latRef = 33.0, lonRef = -97.0;
  LambertConformalConic(&xRef, &yRef, &latRef, &lonRef);
  EXPECT_EQ(x, xRef);
  EXPECT_EQ(y, yRef);
  EXPECT_EQ(lat, 33.0);
  EXPECT_EQ(lon, -97.0);

  LLDRV_NEW(&lat, &lon, &x, &y, -5010, kGridToGeographic, 0, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_NEAR(lat, 33.0, 1e-9);
  EXPECT_NEAR(lon, -97.0, 1e-9);
  testing::ResetLibraryState();
}

}  // namespace
}  // namespace zonvert
