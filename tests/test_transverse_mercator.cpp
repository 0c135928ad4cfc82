// Transverse Mercator: exact values on the central meridian, the unit
// systems, a published example, and the round-trip accuracy of the series.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "projections/meridian.h"
#include "projections/projections.h"
#include "test_support.h"

namespace zonvert {
namespace {

constexpr double kDegToRad = 0.017453292520882225;  // the routine's factor
constexpr double kRadToDeg = 57.29577951;

struct Ellipsoid {
  const char* name;
  double a;     // metres
  double invF;  // inverse flattening
};

constexpr Ellipsoid kEllipsoids[] = {
    {"WGS 84", 6378137.0, 298.257223563},  {"GRS 80", 6378137.0, 298.257222101},
    {"Clarke 1866", 6378206.4, 294.9786982}, {"International 1924", 6378388.0, 297.0},
    {"Bessel 1841", 6377397.155, 299.1528128}, {"Airy 1830", 6377563.396, 299.3249646},
    {"Krassovsky 1940", 6378245.0, 298.3},
};

// A record: ellipsoid, k0, central meridian (degrees), false origin, and
// the latitude of origin (degrees) whose meridian distance goes into P8.
ZoneParams MakeRecord(const Ellipsoid& e, double k0, double lon0Deg, double fe, double fn,
                      double lat0Deg = 0.0) {
  ZoneParams r{};
  const double f = 1.0 / e.invF;
  r.p[0] = e.a;
  r.p[1] = f * (2.0 - f);
  r.p[2] = std::sqrt(r.p[1]);
  r.p[3] = k0;
  r.p[5] = lon0Deg * kDegToRad;
  r.p[6] = fe;
  r.p[7] = fn;
  r.p[8] = MeridianDistance(MeridianTermsOf(r), lat0Deg * kDegToRad);
  return r;
}

class TransverseMercatorTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ResetLibraryState(); }
  void TearDown() override { testing::ResetLibraryState(); }

  void Use(const ZoneParams& record, int32_t inputUnits = 1, int32_t outputUnits = 1) {
    gParamCache.activeParams = record;
    gConversionState.inputUnits = inputUnits;
    gConversionState.outputUnits = outputUnits;
  }
  void Forward(double lat, double lon, double* x, double* y) {
    gConversionState.direction = kGeographicToGrid;
    TransverseMercator(x, y, &lat, &lon);
  }
  void Inverse(double x, double y, double* lat, double* lon) {
    gConversionState.direction = kGridToGeographic;
    TransverseMercator(&x, &y, lat, lon);
  }
};

TEST_F(TransverseMercatorTest, CentralMeridianIsExact) {
  const ZoneParams r = MakeRecord(kEllipsoids[0], 0.9996, 15.0, 500000.0, 0.0, 0.0);
  const double lonOnMeridian = r.p[5] / kDegToRad;
  ASSERT_EQ(lonOnMeridian * kDegToRad, r.p[5]);
  Use(r);
  for (double lat : {-80.0, -45.0, 0.0, 12.5, 45.0, 84.0}) {
    double x = 0, y = 0;
    Forward(lat, lonOnMeridian, &x, &y);
    EXPECT_EQ(x, 500000.0) << lat;
    const double M = MeridianDistance(MeridianTermsOf(r), lat * kDegToRad);
    EXPECT_EQ(y, r.p[3] * (M - r.p[8]) + r.p[7]) << lat;
  }
  // The equator on the central meridian of a record with an origin at 49N.
  const ZoneParams shifted = MakeRecord(kEllipsoids[5], 0.9996012717, 15.0, 400000.0, -100000.0, 49.0);
  Use(shifted);
  double x = 0, y = 0;
  Forward(0.0, lonOnMeridian, &x, &y);
  EXPECT_EQ(x, 400000.0);
  EXPECT_EQ(y, -100000.0 - shifted.p[3] * shifted.p[8]);
}

TEST_F(TransverseMercatorTest, InverseOnTheCentralMeridianGivesTheFootpoint) {
  const ZoneParams r = MakeRecord(kEllipsoids[0], 0.9996, -93.0, 500000.0, 0.0);
  Use(r);
  double lat = 0, lon = 0;
  Inverse(500000.0, 5000000.0, &lat, &lon);
  EXPECT_EQ(lon, r.p[5] * kRadToDeg);
  const MeridianTerms terms = MeridianTermsOf(r);
  const double mu = RectifyingLatitude(terms, 5000000.0 / 0.9996);
  EXPECT_EQ(lat, FootpointLatitude(terms, mu, FootpointSeries::kToSin6Mu) * kRadToDeg);
}

TEST_F(TransverseMercatorTest, UnitFlags) {
  const ZoneParams r = MakeRecord(kEllipsoids[2], 0.9999, -85.8333333333, 152400.3048, 0.0, 30.5);
  Use(r);
  double xm = 0, ym = 0;
  Forward(32.25, -86.5, &xm, &ym);

  // Arc-seconds in, feet out: the same point, the metres times 3.28083333.
  Use(r, 0, 0);
  double xf = 0, yf = 0;
  Forward(32.25 * 3600.0, -86.5 * 3600.0, &xf, &yf);
  EXPECT_EQ(xf, xm * 3.28083333);
  EXPECT_EQ(yf, ym * 3.28083333);

  // Feet in, arc-seconds out.
  double latS = 0, lonS = 0;
  Inverse(xf, yf, &latS, &lonS);
  Use(r, 1, 1);
  double latD = 0, lonD = 0;
  Inverse(xf * 0.30480060991089725, yf * 0.30480060991089725, &latD, &lonD);
  EXPECT_EQ(latS, latD * 3600.0);
  EXPECT_EQ(lonS, lonD * 3600.0);
  EXPECT_NEAR(latD, 32.25, 1e-8);
  EXPECT_NEAR(lonD, -86.5, 1e-8);
}

TEST_F(TransverseMercatorTest, PublishedExampleBritishNationalGrid) {
  // Published worked example for the British National Grid (Airy 1830,
  // origin 49N 2W, k0 0.9996012717, false origin 400000 / -100000 m):
  // 50d30'N 0d30'E -> E 577274.99, N 69740.50.
  Use(MakeRecord(kEllipsoids[5], 0.9996012717, -2.0, 400000.0, -100000.0, 49.0));
  double x = 0, y = 0;
  Forward(50.5, 0.5, &x, &y);
  EXPECT_NEAR(x, 577274.99, 0.01);
  EXPECT_NEAR(y, 69740.50, 0.01);
  double lat = 0, lon = 0;
  Inverse(577274.99, 69740.50, &lat, &lon);
  EXPECT_NEAR(lat, 50.5, 1e-7);
  EXPECT_NEAR(lon, 0.5, 1e-7);
}

TEST_F(TransverseMercatorTest, RoundTripWithinTwoHundredthsOfAMicrodegree) {
  // Up to 3 degrees from the central meridian and latitude +-84 on common
  // ellipsoids, UTM scale factor.  Measured maximum: 1.08e-8 degrees.
  double worst = 0.0;
  for (const Ellipsoid& e : kEllipsoids) {
    Use(MakeRecord(e, 0.9996, 9.0, 500000.0, 0.0));
    for (double lat = -84.0; lat <= 84.0; lat += 3.0) {
      for (double dLon = -3.0; dLon <= 3.0; dLon += 0.25) {
        double x = 0, y = 0, backLat = 0, backLon = 0;
        Forward(lat, 9.0 + dLon, &x, &y);
        Inverse(x, y, &backLat, &backLon);
        worst = std::max({worst, std::fabs(backLat - lat), std::fabs(backLon - (9.0 + dLon))});
      }
    }
  }
  std::printf("Transverse Mercator round trip, |dlon| <= 3 deg: max %.3g degrees\n", worst);
  EXPECT_LT(worst, 2e-8);
}

TEST_F(TransverseMercatorTest, SeriesTruncationSixDegreesOut) {
  Use(MakeRecord(kEllipsoids[0], 0.9996, 0.0, 500000.0, 0.0));
  double worst = 0.0;
  for (double lat = 0.0; lat <= 60.0; lat += 5.0) {
    double x = 0, y = 0, backLat = 0, backLon = 0;
    Forward(lat, 6.0, &x, &y);
    Inverse(x, y, &backLat, &backLon);
    worst = std::max({worst, std::fabs(backLat - lat), std::fabs(backLon - 6.0)});
  }
  EXPECT_GT(worst, 1e-7);
  EXPECT_LT(worst, 1e-5);
}

TEST_F(TransverseMercatorTest, LongitudeIsNotReduced) {
  Use(MakeRecord(kEllipsoids[0], 0.9996, -93.0, 500000.0, 0.0));
  double xNear = 0, yNear = 0, xFar = 0, yFar = 0;
  Forward(45.0, -93.0 + 1.0, &xNear, &yNear);
  Forward(45.0, 267.0 + 1.0, &xFar, &yFar);  // the same meridian, one turn east
  EXPECT_GT(std::fabs(xFar - xNear), 1e6);
}

TEST_F(TransverseMercatorTest, OtherDirectionsWriteNothing) {
  Use(MakeRecord(kEllipsoids[0], 0.9996, 0.0, 500000.0, 0.0));
  testing::ExpectNothingWritten(&TransverseMercator, {0, 1, 4, -3}, 1, 2, 3, 4);
}

}  // namespace
}  // namespace zonvert
