// Mercator and FoldAngle360: exact values on the central meridian and at
// the equator, the scale factor, the single-precision settings, the unit
// systems, a published example, the latitude offset of the round trip, the
// poles and results that are not numbers, and the cap of the iteration.
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
constexpr double kDegToRad = 0.01745329237161969;  // 1/57.29578
constexpr double kRadToDeg = 57.29578;
constexpr double kMetresToUsFeet = 3.28083333;
constexpr double kUsFeetToMetres = 0.30480060991089725;

struct Ellipsoid {
  const char* name;
  double a;   // metres
  double e2;  // first eccentricity squared
};
constexpr Ellipsoid kClarke1866 = {"Clarke 1866", 6378206.4, 0.00676866};
constexpr Ellipsoid kWgs84 = {"WGS 84", 6378137.0, 0.0066943799901413165};
constexpr Ellipsoid kInternational = {"International 1924", 6378388.0, 0.00672267002233332};

ZoneParams MakeRecord(const Ellipsoid& e) {
  ZoneParams r{};
  r.p[0] = e.a;
  r.p[1] = e.e2;
  r.p[2] = std::sqrt(e.e2);
  return r;
}

class MercatorTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ResetLibraryState(); }
  void TearDown() override { testing::ResetLibraryState(); }

  // phi1 and lam0 are the single-precision settings, in degrees.
  void Use(const ZoneParams& record, float phi1, float lam0, int32_t inputUnits = 1,
           int32_t outputUnits = 1) {
    gParamCache.activeParams = record;
    gConversionState.mercatorTrueScaleLat = phi1;
    gConversionState.mercatorCentralMeridian = lam0;
    gConversionState.inputUnits = inputUnits;
    gConversionState.outputUnits = outputUnits;
  }
  static void Forward(double lat, double lon, double* x, double* y) {
    gConversionState.direction = kGeographicToGrid;
    Mercator(x, y, &lat, &lon);
  }
  static void Inverse(double x, double y, double* lat, double* lon) {
    gConversionState.direction = kGridToGeographic;
    Mercator(&x, &y, lat, lon);
  }
};

TEST_F(MercatorTest, CentralMeridianAndEquatorAtUnitScale) {
  const ZoneParams r = MakeRecord(kClarke1866);
  Use(r, 0.0f, -75.1f);
  const double lam0 = static_cast<double>(-75.1f);  // -75.0999984741211
  ASSERT_NE(lam0, -75.1);

  // True scale at the equator: K = 1, x = a (lon - lam0) in radians.
  double x = 0, y = 0;
  Forward(10.0, -70.0, &x, &y);
  EXPECT_EQ(x, (-70.0 * kDegToRad - lam0 * kDegToRad) * r.p[0]);

  // The widened central meridian maps to x = 0 exactly; -75.1 itself does not.
  Forward(10.0, lam0, &x, &y);
  EXPECT_EQ(x, 0.0);
  Forward(10.0, -75.1, &x, &y);
  EXPECT_NEAR(x, -0.17, 0.005);  // guards a central meridian kept as the double -75.1

  // The equator: ln(tan(45 degrees by 1/57.29578)) a, about -0.085 m.
  Forward(0.0, -75.0, &x, &y);
  EXPECT_EQ(y, std::log(std::tan(45.0 * kDegToRad)) * r.p[0]);
  EXPECT_NEAR(y, -0.085, 0.0005);

  // The inverse of x = 0 is the widened central meridian; of y = 0 a
  // latitude of about -7.7e-7 degrees.
  double lat = 0, lon = 0;
  Inverse(0.0, 0.0, &lat, &lon);
  EXPECT_EQ(lon, lam0);
  EXPECT_NEAR(lat, -7.7e-7, 0.05e-7);
}

TEST_F(MercatorTest, ScaleFactorMultipliesTheRoot) {
  // K = sqrt(1 - e^2 sin^2 phi1) * cos phi1.  Guards the true-scale form
  // cos phi1 / sqrt(...), which differs by the factor 1 - e^2 sin^2 phi1.
  const ZoneParams r = MakeRecord(kWgs84);
  const struct {
    float phi1;
  } cases[] = {{45.0f}, {-30.0f}, {10.1f}, {71.0f}};
  for (const auto& c : cases) {
    Use(r, c.phi1, 3.0f);
    const double phi1 = static_cast<double>(c.phi1);
    const double s = std::sin(phi1 * kDegToRad);
    const double K = std::sqrt(1.0 - r.p[1] * (s * s)) * std::cos(phi1 * kDegToRad);
    double x = 0, y = 0;
    Forward(0.0, 4.0, &x, &y);
    EXPECT_EQ(x, (4.0 * kDegToRad - 3.0 * kDegToRad) * r.p[0] * K) << c.phi1;
    EXPECT_EQ(y, std::log(std::tan(45.0 * kDegToRad)) * r.p[0] * K) << c.phi1;
    double lat = 0, lon = 0;
    Inverse(x, 0.0, &lat, &lon);
    EXPECT_EQ(lon, (x / K / r.p[0]) * kRadToDeg + 3.0) << c.phi1;
  }
}

TEST_F(MercatorTest, PublishedExample) {
  // Snyder (1987), p. 267: Clarke 1866, lam0 = 180W, 35S 75W ->
  // x = 11688673.7 m, y = -4139145.6 m.  The degree factor 1/57.29578 is
  // 8.5e-9 smaller than pi/180, which lowers x by 0.10 m here and y by
  // 0.12 m (with the latitude offset), hence 0.15 m.
  Use(MakeRecord(kClarke1866), 0.0f, -180.0f);
  double x = 0, y = 0;
  Forward(-35.0, -75.0, &x, &y);
  EXPECT_NEAR(x, 11688673.7, 0.15);
  EXPECT_NEAR(y, -4139145.6, 0.15);
  EXPECT_LT(x, 11688673.7);
  EXPECT_LT(y, -4139145.6);
}

TEST_F(MercatorTest, UnitFlagsBothWays) {
  const ZoneParams r = MakeRecord(kWgs84);
  Use(r, 20.0f, -60.0f);
  double xm = 0, ym = 0;
  Forward(40.0, -58.5, &xm, &ym);

  // 144000 arc-seconds is 40 degrees; feet are the metres times 3.28083333.
  Use(r, 20.0f, -60.0f, 0, 0);
  double xf = 0, yf = 0;
  Forward(144000.0, -58.5 * 3600.0, &xf, &yf);
  EXPECT_EQ(xf, xm * kMetresToUsFeet);
  EXPECT_EQ(yf, ym * kMetresToUsFeet);

  // Feet in, arc-seconds out: the degrees, for the feet made metres, times 3600.
  double latS = 0, lonS = 0;
  Inverse(xf, yf, &latS, &lonS);
  Use(r, 20.0f, -60.0f, 1, 1);
  double latD = 0, lonD = 0;
  Inverse(xf * kUsFeetToMetres, yf * kUsFeetToMetres, &latD, &lonD);
  EXPECT_EQ(latS, latD * 3600.0);
  EXPECT_EQ(lonS, lonD * 3600.0);
  EXPECT_NEAR(latD, 40.0 - 1.535e-6, 0.01e-6);
  EXPECT_NEAR(lonD, -58.5, 1e-12);
}

TEST_F(MercatorTest, RoundTripLowersTheLatitudeByTheDocumentedOffset) {
  // 57.29578 pi exceeds 180 by 1.53e-6: forward then inverse returns the
  // latitude 1.53e-6 to 1.54e-6 degrees low (bounds: half a unit of the
  // last given digit) and the longitude to the last bits.  Guards pi/180 or
  // 180/pi in place of the routine's factors (the offset would vanish).
  const Ellipsoid ellipsoids[] = {kClarke1866, kWgs84, kInternational};
  const float settings[][2] = {{0.0f, 0.0f}, {33.3f, -75.1f}, {-60.0f, 170.0f}};
  double lowest = 0.0, highest = -1.0, worstLon = 0.0;
  for (const Ellipsoid& e : ellipsoids) {
    for (const auto& s : settings) {
      Use(MakeRecord(e), s[0], s[1]);
      for (int i = -8999; i <= 8999; i += 7) {
        const double lat = i * 0.01;
        const double lon = static_cast<double>(s[1]) + (i % 400) * 0.45;  // up to 180 either side
        double x = 0, y = 0, lat2 = 0, lon2 = 0;
        Forward(lat, lon, &x, &y);
        Inverse(x, y, &lat2, &lon2);
        const double d = lat2 - lat;
        ASSERT_LE(d, -1.525e-6) << e.name << " " << lat;
        ASSERT_GE(d, -1.545e-6) << e.name << " " << lat;
        ASSERT_NEAR(lon2, lon, 1e-12) << e.name << " " << lon;
        lowest = std::fmin(lowest, d);
        highest = std::fmax(highest, d);
        worstLon = std::fmax(worstLon, std::fabs(lon2 - lon));
      }
    }
  }
  std::printf("Mercator round trip: dlat from %.5g to %.5g, max |dlon| %.3g degrees\n", lowest, highest,
              worstLon);
}

TEST_F(MercatorTest, PolesAndResultsThatAreNotNumbers) {
  const ZoneParams r = MakeRecord(kWgs84);
  Use(r, 0.0f, 0.0f);
  // +90: 90 degrees by 1/57.29578 falls short of pi/2, a finite northing.
  double x = 0, y = 0;
  Forward(90.0, 1.0, &x, &y);
  ASSERT_TRUE(std::isfinite(y));
  EXPECT_NEAR(y / r.p[0], 18.125, 0.01);
  // -90: the tangent's argument is exactly 0.
  Forward(-90.0, 1.0, &x, &y);
  EXPECT_EQ(y, -std::numeric_limits<double>::infinity());

  // A huge northing makes t = 0: latitude 90 exactly, after one pass.
  double lat = 0, lon = 0;
  Inverse(0.0, 1e12, &lat, &lon);
  EXPECT_EQ(lat, 90.0);

  // A northing that is not a number skips the refinement; an easting that
  // is not a number gives a longitude that is not a number.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Inverse(1000.0, nan, &lat, &lon);
  EXPECT_TRUE(std::isnan(lat));
  EXPECT_TRUE(std::isfinite(lon));
  Inverse(nan, 1000.0, &lat, &lon);
  EXPECT_TRUE(std::isfinite(lat));
  EXPECT_TRUE(std::isnan(lon));

  // Nothing folds longitudes: 360 degrees east adds 360 degrees of x.
  double xEast = 0;
  Forward(10.0, 5.0, &x, &y);
  Forward(10.0, 365.0, &xEast, &y);
  EXPECT_NEAR(xEast - x, 360.0 * kDegToRad * r.p[0], 1e-6);
}

TEST_F(MercatorTest, LatitudeIterationStopsAfterItsCap) {
  // e = 1 makes each pass multiply tan(45 - phi/2) by t; with
  // t = exp(-1e-8) every pass moves the latitude by about -1.9e-7 degrees,
  // more than the 1e-7 tolerance, for hundreds of millions of passes.  The
  // routine stops after 100 and returns the latest latitude.  Guards an
  // uncapped loop.
  ZoneParams r{};
  r.p[0] = 1.0;  // a
  r.p[1] = 1.0;  // e^2, nonsensical
  r.p[2] = 1.0;  // e
  Use(r, 0.0f, 0.0f);  // K = 1
  const double y = 1e-8;
  double lat = 0, lon = 0;
  // An uncapped loop would not return for minutes: stop the program.
  auto done = std::async(std::launch::async, [&] { Inverse(0.0, y, &lat, &lon); });
  if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    std::fprintf(stderr, "the latitude iteration did not return within 20 s\n");
    std::_Exit(EXIT_FAILURE);
  }

  const double t = std::exp(-((y / 1.0) / 1.0));
  double phi = 90.0 - 2.0 * (std::atan(t) * kRadToDeg);
  for (int pass = 0; pass < 100; ++pass) {
    const double es = std::sin(phi * kDegToRad);
    phi = 90.0 - 2.0 * (std::atan(t * std::pow((1.0 - es) / (es + 1.0), 0.5)) * kRadToDeg);
  }
  EXPECT_EQ(lat, phi);
  EXPECT_GT(std::fabs(lat), 1e-5);  // moved, yet far from settled
  EXPECT_LT(std::fabs(lat), 1e-4);
  EXPECT_EQ(lon, 0.0);
}

TEST_F(MercatorTest, OtherDirectionsWriteNothing) {
  Use(MakeRecord(kWgs84), 0.0f, 0.0f);
  testing::ExpectNothingWritten(&Mercator, {kLoadOnly, 0, 4, -2}, 11.0, 22.0, 33.0, -44.0);
}

TEST(MercatorThroughEntry, SettingsComeFromTheCall) {
  // Zone 1999 reads the record of file key 1900; true scale and central
  // meridian are the call's single-precision arguments.
  testing::ResetLibraryState();
  testing::TempDir dir;
  const ZoneParams r = MakeRecord(kWgs84);
  dir.Write("template/con_dos.asc", testing::RecordLine(1900, r));
  SetPath(dir.path().c_str());

  double lat = 40.0, lon = -74.0, x = 0.0, y = 0.0;
  LLDRV_NEW(&lat, &lon, &x, &y, 1999, kGeographicToGrid, 1, 1, 1, 0.0f, 33.3f, -75.1f);
  gParamCache.activeParams = r;
  gConversionState.mercatorTrueScaleLat = 33.3f;
  gConversionState.mercatorCentralMeridian = -75.1f;
  gConversionState.direction = kGeographicToGrid;
  double xRef = 0, yRef = 0, latRef = 40.0, lonRef = -74.0;
  Mercator(&xRef, &yRef, &latRef, &lonRef);
  EXPECT_EQ(x, xRef);
  EXPECT_EQ(y, yRef);
  EXPECT_EQ(lat, 40.0);
  EXPECT_EQ(lon, -74.0);

  LLDRV_NEW(&lat, &lon, &x, &y, 1999, kGridToGeographic, 1, 1, 1, 0.0f, 33.3f, -75.1f);
  EXPECT_NEAR(lat, 40.0 - 1.535e-6, 0.01e-6);
  EXPECT_NEAR(lon, -74.0, 1e-12);
  testing::ResetLibraryState();
}

// ---------------------------------------------------------------- FoldAngle360

// The definition's steps, one turn at a time, for comparison.
double FoldStepwise(double v) {
  while (v < -360.0) v = v + 360.0;
  while (v > 360.0) v = v - 360.0;
  return v;
}

TEST(FoldAngle360, Table) {
  const struct {
    double in, out;
  } cases[] = {
      {-360.0, -360.0}, {360.0, 360.0}, {0.0, 0.0},       {-0.5, -0.5},    {359.75, 359.75},
      {-725.0, -5.0},   {725.0, 5.0},   {1000.0, 280.0},  {-720.0, -360.0}, {720.0, 360.0},
      {-360.5, -0.5},   {1080.0, 360.0}, {-1080.0, -360.0}, {90.000001, 90.000001},
  };
  for (const auto& c : cases) {
    double v = c.in;
    FoldAngle360(&v);
    EXPECT_EQ(v, c.out) << c.in;
  }
}

TEST(FoldAngle360, AgreesWithTheStepsBitForBit) {
  // Fractional angles of several turns: the one-step remainder must give the
  // bits of the turn-by-turn steps.
  for (double v : {-725.3, 725.3, 1e5 + 0.1, -1e5 - 0.1, 3600.000000001, -7200.0000001, 361.0 / 3.0 * 7.0}) {
    double folded = v;
    FoldAngle360(&folded);
    EXPECT_EQ(folded, FoldStepwise(v)) << v;
  }
}

TEST(FoldAngle360, ValuesOutOfReachOfWholeTurnsReturn) {
  // Adding 360 no longer changes 1e300, and never changes an infinity or a
  // not-a-number: the fold must still return.  Guards a literal loop.
  double huge = -1e300;
  FoldAngle360(&huge);
  EXPECT_GE(huge, -360.0);
  EXPECT_LE(huge, 0.0);
  double inf = std::numeric_limits<double>::infinity();
  FoldAngle360(&inf);
  EXPECT_EQ(inf, std::numeric_limits<double>::infinity());
  double nan = std::numeric_limits<double>::quiet_NaN();
  FoldAngle360(&nan);
  EXPECT_TRUE(std::isnan(nan));
}

}  // namespace
}  // namespace zonvert
