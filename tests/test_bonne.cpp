// Bonne: the origin and the central meridian, reference values, round trips
// over standard parallels from 35 to 52 degrees north, the unit flags, the
// principal arctangent, the degenerate points, and one conversion through
// LLDRV_NEW.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "projections/meridian.h"
#include "projections/projections.h"
#include "test_support.h"
#include "zonvert.h"

namespace zonvert {
namespace {

constexpr double kDegToRad = 0.01745329237161969;  // the family's factor, 1/57.29578
constexpr double kRadToDeg = 57.29578;
constexpr double kMetresToUsFeet = 3.28083333;
constexpr double kUsFeetToMetres = 0.30480060991089725;

struct Ellipsoid {
  double a;     // metres
  double invF;  // 1/f
};
constexpr Ellipsoid kClarke1866{6378206.4, 294.9786982};
constexpr Ellipsoid kWgs84{6378137.0, 298.257223563};
constexpr Ellipsoid kInternational1924{6378388.0, 297.0};
constexpr Ellipsoid kBessel1841{6377397.155, 299.1528128};

// A Bonne record: standard parallel and central meridian in degrees, turned
// into radians with the family's factor; P8 = M(P4) with the library's own
// series, so that the origin is the grid origin.
ZoneParams BonneRecord(const Ellipsoid& ellipsoid, double standardParallel, double centralMeridian) {
  ZoneParams record{};
  const double f = 1.0 / ellipsoid.invF;
  record.p[0] = ellipsoid.a;
  record.p[1] = 2.0 * f - f * f;
  record.p[2] = std::sqrt(record.p[1]);
  record.p[4] = standardParallel * kDegToRad;
  record.p[5] = centralMeridian * kDegToRad;
  record.p[8] = MeridianDistance(MeridianTermsOf(record), record.p[4]);
  return record;
}

// Clarke 1866, standard parallel 40 N, central meridian 75 W.
ZoneParams Clarke40() { return BonneRecord(kClarke1866, 40.0, -75.0); }

using testing::Pair;

Pair Forward(double lat, double lon, int inputUnits = 1, int outputUnits = 1) {
  return testing::RunForward(&Bonne, lat, lon, inputUnits, outputUnits);
}

Pair Inverse(double x, double y, int inputUnits = 1, int outputUnits = 1) {
  return testing::RunInverse(&Bonne, x, y, inputUnits, outputUnits);
}

// Q = a m(phi1) / sin phi1, the radius of the standard parallel.
double ApexDistance(const double* P) {
  const double s = std::sin(P[4]);
  return P[0] * (std::cos(P[4]) / std::sqrt(1.0 - P[1] * (s * s))) / s;
}

class BonneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetLibraryState();
    gParamCache.activeParams = Clarke40();
  }
  const double* P = gParamCache.activeParams.p;
};

TEST_F(BonneTest, OriginIsTheGridOriginBothWays) {
  // The origin in degrees goes through 57.29578, not 180/pi.
  const double originLat = P[4] * kRadToDeg;
  const double originLon = P[5] * kRadToDeg;
  const Pair grid = Forward(originLat, originLon);
  EXPECT_NEAR(grid.a, 0.0, 1e-9);  // metres
  EXPECT_NEAR(grid.b, 0.0, 1e-9);
  const Pair geo = Inverse(0.0, 0.0);
  EXPECT_NEAR(geo.a, originLat, 1e-9);  // degrees
  EXPECT_EQ(geo.b, originLon);
}

TEST_F(BonneTest, CentralMeridianIsStraight) {
  const MeridianTerms terms = MeridianTermsOf(gParamCache.activeParams);
  const double centralLon = P[5] * kRadToDeg;
  for (const double lat : {20.0, 39.0, 40.0, 41.5, 60.0}) {
    SCOPED_TRACE(lat);
    // E = 0: x is zero, y the meridian arc from the standard parallel.
    const Pair grid = Forward(lat, centralLon);
    EXPECT_EQ(grid.a, 0.0);
    EXPECT_NEAR(grid.b, MeridianDistance(terms, lat * kDegToRad) - P[8], 1e-8);
  }
  for (const double y : {-2000000.0, -1.0, 150000.0, 2200000.0}) {
    SCOPED_TRACE(y);
    EXPECT_EQ(Inverse(0.0, y).b, centralLon);
  }
}

// Reference values from PROJ 9.1.1 (cs2cs, +proj=bonne +lat_1=40 +lon_0=-75
// +ellps=clrk66).  The degree factor 1/57.29578 scales every angle by
// 1 - 8.5e-9 against pi/180, which moves a point by about 1e-8 of its
// distance from the origin: the tolerances allow for that.
TEST_F(BonneTest, MatchesReferenceValues) {
  struct Case {
    double lat, lon;  // degrees
    double x, y;      // metres
    double tol;       // metres
  } const cases[] = {
      {43.0, -73.0, 163072.890716, 335012.889503, 0.005},
      {60.0, -55.0, 1108077.992954, 2339734.120845, 0.03},
      {30.0, -90.0, -1440689.247288, -989567.176077, 0.03},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.lat << " " << c.lon);
    const Pair grid = Forward(c.lat, c.lon);
    EXPECT_NEAR(grid.a, c.x, c.tol);
    EXPECT_NEAR(grid.b, c.y, c.tol);
  }
}

// Forward then inverse within 1e-8 degrees up to 20 degrees of latitude and
// longitude from the origin; only the footpoint series limits it.
TEST_F(BonneTest, RoundTripWithinTheFootpointSeries) {
  struct Record {
    Ellipsoid ellipsoid;
    double standardParallel, centralMeridian;  // degrees
  } const records[] = {
      {kWgs84, 35.0, 10.0},
      {kClarke1866, 40.0, -75.0},
      {kInternational1924, 45.0, 2.337229166666667},
      {kBessel1841, 52.0, 19.0},
  };
  for (const Record& r : records) {
    SCOPED_TRACE(r.standardParallel);
    gParamCache.activeParams = BonneRecord(r.ellipsoid, r.standardParallel, r.centralMeridian);
    double worst = 0.0;
    for (double dLat = -20.0; dLat <= 20.0; dLat += 2.5) {
      for (double dLon = -20.0; dLon <= 20.0; dLon += 2.5) {
        const double lat = r.standardParallel + dLat;
        const double lon = r.centralMeridian + dLon;
        const Pair grid = Forward(lat, lon);
        const Pair geo = Inverse(grid.a, grid.b);
        worst = std::fmax(worst, std::fmax(std::fabs(geo.a - lat), std::fabs(geo.b - lon)));
      }
    }
    EXPECT_LT(worst, 1e-8);
  }
}

TEST_F(BonneTest, UnitFlagsUseArcSecondsAndUsSurveyFeet) {
  const Pair metres = Forward(40.0, -73.0);
  // 144000" and -262800" are exactly 40 and -73 degrees after the factor.
  const Pair fromArcSeconds = Forward(144000.0, -262800.0, 0, 1);
  EXPECT_EQ(fromArcSeconds.a, metres.a);
  EXPECT_EQ(fromArcSeconds.b, metres.b);
  const Pair feet = Forward(40.0, -73.0, 1, 0);
  EXPECT_EQ(feet.a, metres.a * kMetresToUsFeet);
  EXPECT_EQ(feet.b, metres.b * kMetresToUsFeet);

  const double xFeet = 560000.0, yFeet = 1100000.0;
  const Pair fromFeet = Inverse(xFeet, yFeet, 0, 1);
  const Pair fromMetres = Inverse(xFeet * kUsFeetToMetres, yFeet * kUsFeetToMetres);
  EXPECT_EQ(fromFeet.a, fromMetres.a);
  EXPECT_EQ(fromFeet.b, fromMetres.b);
  const Pair arcSeconds = Inverse(170000.0, 335000.0, 1, 0);
  const Pair degrees = Inverse(170000.0, 335000.0);
  EXPECT_EQ(arcSeconds.a, degrees.a * 3600.0);
  EXPECT_EQ(arcSeconds.b, degrees.b * 3600.0);
}

// The inverse takes the principal arctangent of x / h: a polar angle beyond
// 90 degrees (h < 0, about 140 degrees of longitude at 40 N) comes back on
// the other side of the central meridian.
TEST_F(BonneTest, PolarAngleBeyondRightAngleDoesNotComeBack) {
  const double centralLon = P[5] * kRadToDeg;
  {
    const Pair grid = Forward(40.0, centralLon + 139.0);
    EXPECT_GT(ApexDistance(P) - grid.b, 0.0);  // h > 0
    EXPECT_NEAR(Inverse(grid.a, grid.b).b, centralLon + 139.0, 1e-8);
  }
  {
    const Pair grid = Forward(40.0, centralLon + 150.0);
    EXPECT_LT(ApexDistance(P) - grid.b, 0.0);  // h < 0
    EXPECT_LT(Inverse(grid.a, grid.b).b, centralLon);
  }
}

// No mends: where a formula has no finite value the result is passed on.
TEST_F(BonneTest, DegeneratePointsGiveNotANumberWithoutTrapping) {
  {
    SCOPED_TRACE("the apex of the cone: x = 0, h = 0");
    const Pair geo = Inverse(0.0, ApexDistance(P));
    EXPECT_TRUE(std::isnan(geo.b));
  }
  {
    SCOPED_TRACE("standard parallel 0: Q is infinite");
    gParamCache.activeParams.p[4] = 0.0;
    const Pair grid = Forward(10.0, -70.0);
    const Pair geo = Inverse(1000.0, 2000.0);
    EXPECT_TRUE(std::isnan(grid.a));
    EXPECT_TRUE(std::isnan(grid.b));
    EXPECT_TRUE(std::isnan(geo.a));
    EXPECT_TRUE(std::isnan(geo.b));
  }
}

// A southern standard parallel keeps the formulas as they are: the forward
// direction still puts the origin on the grid origin, while the inverse,
// taking the positive root for rho, does not lead back to it.
TEST_F(BonneTest, SouthernStandardParallelConvertsForwardOnly) {
  gParamCache.activeParams = BonneRecord(kWgs84, -35.0, 25.0);
  const Pair grid = Forward(P[4] * kRadToDeg, P[5] * kRadToDeg);
  EXPECT_NEAR(grid.a, 0.0, 1e-9);
  EXPECT_NEAR(grid.b, 0.0, 1e-9);
  EXPECT_GT(std::fabs(Inverse(0.0, 0.0).a - P[4] * kRadToDeg), 1.0);
}

TEST_F(BonneTest, OtherDirectionsWriteNothing) {
  gConversionState.inputUnits = 1;
  gConversionState.outputUnits = 1;
  testing::ExpectNothingWritten(&Bonne, {-1, 0, 1, 4, 7}, 1.5, 2.5, 43.0, -73.0);
}

// Zone codes 5101 to 5199 reach this routine with their own record.
TEST(BonneEntry, ZoneRecordFromTheParameterFileConverts) {
  testing::ResetLibraryState();
  const ZoneParams record = Clarke40();
  testing::TempDir dir;
  dir.Write("template/con_dos.asc", testing::RecordLine(5101, record));
  SetPath(dir.path().c_str());

  double lat = 0.0, lon = 0.0, x = 163072.890716, y = 335012.889503;
  LLDRV_NEW(&lat, &lon, &x, &y, 5101, kGridToGeographic, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_NEAR(lat, 43.0, 1e-6);
  EXPECT_NEAR(lon, -73.0, 1e-6);
  EXPECT_EQ(x, 163072.890716);
  EXPECT_EQ(y, 335012.889503);
}

}  // namespace
}  // namespace zonvert
