// Cassini-Soldner: exact values on the central meridian and at the origin,
// reference values, round trips, the family's own foot, the unit flags, the
// directions that convert nothing, and one conversion through LLDRV_NEW.
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
constexpr double kMetresToFeet = 3.280842769;          // the family's foot
constexpr double kFeetToMetres = 0.30479973299811614;  // 1/3.280842769

// DHDN / Soldner Berlin: Bessel 1841, origin 52d25'07.1338"N
// 13d37'35.2658"E, false origin 40000 m / 10000 m.
constexpr double kBesselA = 6377397.155;          // metres
constexpr double kBesselInvF = 299.1528128;       // 1/f
constexpr double kLat0 = 52.0 + 25.0 / 60.0 + 7.1338 / 3600.0;   // degrees
constexpr double kLon0 = 13.0 + 37.0 / 60.0 + 35.2658 / 3600.0;  // degrees
constexpr double kFalseEasting = 40000.0;         // metres
constexpr double kFalseNorthing = 10000.0;        // metres

ZoneParams SoldnerBerlin() {
  ZoneParams record{};
  const double f = 1.0 / kBesselInvF;
  record.p[0] = kBesselA;
  record.p[1] = 2.0 * f - f * f;
  record.p[2] = std::sqrt(record.p[1]);
  record.p[5] = kLon0 * kDegToRad;
  record.p[6] = kFalseEasting;
  record.p[7] = kFalseNorthing;
  // M0 with the library's own series and the family's degree factor, so
  // that the origin maps exactly onto the false origin.
  record.p[8] = MeridianDistance(MeridianTermsOf(record), kLat0 * kDegToRad);
  return record;
}

using testing::Pair;

// Geographic (lat, lon) to grid (x, y).
Pair Forward(double lat, double lon, int inputUnits = 1, int outputUnits = 1) {
  return testing::RunForward(&CassiniSoldner, lat, lon, inputUnits, outputUnits);
}

// Grid (x, y) to geographic (lat, lon).
Pair Inverse(double x, double y, int inputUnits = 1, int outputUnits = 1) {
  return testing::RunInverse(&CassiniSoldner, x, y, inputUnits, outputUnits);
}

class CassiniSoldnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetLibraryState();
    gParamCache.activeParams = SoldnerBerlin();
  }
  const double* P = gParamCache.activeParams.p;
};

TEST_F(CassiniSoldnerTest, OriginMapsExactlyOntoFalseOrigin) {
  const Pair grid = Forward(kLat0, kLon0);
  EXPECT_EQ(grid.a, kFalseEasting);
  EXPECT_EQ(grid.b, kFalseNorthing);
}

TEST_F(CassiniSoldnerTest, CentralMeridianIsExactBothWays) {
  const MeridianTerms terms = MeridianTermsOf(gParamCache.activeParams);
  for (const double lat : {-30.0, 0.0, 47.5, 52.5, 55.0, 89.0}) {
    SCOPED_TRACE(lat);
    // A = 0: x is the false easting, y the meridian arc from the origin.
    const Pair grid = Forward(lat, kLon0);
    EXPECT_EQ(grid.a, P[6]);
    EXPECT_EQ(grid.b, MeridianDistance(terms, lat * kDegToRad) - P[8] + P[7]);
  }
  for (const double y : {-500000.0, 0.0, 10000.0, 250000.0}) {
    SCOPED_TRACE(y);
    // D = 0: the central meridian and the footpoint latitude.
    const Pair geo = Inverse(P[6], y);
    const double mu1 = RectifyingLatitude(terms, (y - P[7]) + P[8]);
    EXPECT_EQ(geo.a, FootpointLatitude(terms, mu1, FootpointSeries::kToSin8Mu) * kRadToDeg);
    EXPECT_EQ(geo.b, P[5] * kRadToDeg);
  }
}

// Reference values from PROJ 9.1.1 (cs2cs, +proj=cass +ellps=bessel with the
// same origin and false origin).  The tolerance covers the truncation of the
// A^5 series, which grows with the distance from the central meridian.
TEST_F(CassiniSoldnerTest, MatchesReferenceValues) {
  struct Case {
    double lat, lon;  // degrees
    double x, y;      // metres
    double tol;       // metres
  } const cases[] = {
      {52.5, 13.4, 24622.770040, 19075.569747, 1e-4},      // Berlin, 15 km west
      {53.0, 17.6, 306603.166454, 82076.206374, 2e-3},     // 4 degrees east
      {51.0, 9.6, -242473.250941, -140101.595293, 2e-3},   // 4 degrees west
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.lat << " " << c.lon);
    const Pair grid = Forward(c.lat, c.lon);
    EXPECT_NEAR(grid.a, c.x, c.tol);
    EXPECT_NEAR(grid.b, c.y, c.tol);
  }
}

// Forward then inverse: within 1e-6 degrees up to 4 degrees from the
// central meridian, within a millimetre on the grid some 40 km from it.
TEST_F(CassiniSoldnerTest, RoundTripWithinTheSeriesTruncation) {
  struct Band {
    double maxDeltaLon;  // degrees from the central meridian
    double step;         // degrees
    double tolDegrees;   // latitude and longitude
    double tolMetres;    // grid, forward of the returned point
  } const bands[] = {
      {4.0, 0.5, 1e-6, 0.1},
      {0.6, 0.1, 1e-8, 1e-3},  // 0.6 degrees at 52 N is about 41 km
  };
  for (const Band& band : bands) {
    double worstDeg = 0.0, worstMetres = 0.0;
    for (double lat = 47.0; lat <= 55.0; lat += 1.0) {
      for (double d = -band.maxDeltaLon; d <= band.maxDeltaLon + 1e-9; d += band.step) {
        const double lon = kLon0 + d;
        const Pair grid = Forward(lat, lon);
        const Pair geo = Inverse(grid.a, grid.b);
        const Pair again = Forward(geo.a, geo.b);
        worstDeg = std::fmax(worstDeg, std::fmax(std::fabs(geo.a - lat), std::fabs(geo.b - lon)));
        worstMetres = std::fmax(worstMetres, std::hypot(again.a - grid.a, again.b - grid.b));
      }
    }
    SCOPED_TRACE(band.maxDeltaLon);
    EXPECT_LT(worstDeg, band.tolDegrees);
    EXPECT_LT(worstMetres, band.tolMetres);
  }
}

TEST_F(CassiniSoldnerTest, UnitFlagsUseArcSecondsAndTheFamilyFoot) {
  const Pair metres = Forward(52.5, 13.4);
  // 189000" and 48240" are exactly 52.5 and 13.4 degrees after the factor.
  const Pair fromArcSeconds = Forward(189000.0, 48240.0, 0, 1);
  EXPECT_EQ(fromArcSeconds.a, metres.a);
  EXPECT_EQ(fromArcSeconds.b, metres.b);
  // Feet out: the metre values times 3.280842769, not the US survey foot.
  const Pair feet = Forward(52.5, 13.4, 1, 0);
  EXPECT_EQ(feet.a, metres.a * kMetresToFeet);
  EXPECT_EQ(feet.b, metres.b * kMetresToFeet);

  // Feet in: 1 000 000 ft is 304 799.7329981161 m, not 304 800.6099 m.
  const Pair fromFeet = Inverse(1000000.0, 1000000.0, 0, 1);
  const Pair fromMetres = Inverse(304799.7329981161, 304799.7329981161);
  EXPECT_EQ(fromFeet.a, fromMetres.a);
  EXPECT_EQ(fromFeet.b, fromMetres.b);
  // Arc-seconds out: the degree values times 3600.
  const Pair arcSeconds = Inverse(24622.77, 19075.57, 1, 0);
  const Pair degrees = Inverse(24622.77, 19075.57);
  EXPECT_EQ(arcSeconds.a, degrees.a * 3600.0);
  EXPECT_EQ(arcSeconds.b, degrees.b * 3600.0);
}

// The foot pair is reciprocal: feet through the inverse and the forward come
// back in the same foot.  Mixing in the US survey foot on either side moves
// 1 000 000 ft by about 2.9 ft.
TEST_F(CassiniSoldnerTest, FootPairRoundTripsInFeet) {
  struct Case {
    double xFeet, yFeet;
  } const cases[] = {
      {131233.7, 62582.0},    // 40 km east, 19 km north of the false origin
      {131233.7, 1000000.0},  // 300 km north
      {-65616.9, -1000000.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.xFeet << " " << c.yFeet);
    const Pair geo = Inverse(c.xFeet, c.yFeet, 0, 1);
    const Pair feet = Forward(geo.a, geo.b, 1, 0);
    EXPECT_NEAR(feet.a, c.xFeet, 0.01);
    EXPECT_NEAR(feet.b, c.yFeet, 0.01);
  }
}

TEST_F(CassiniSoldnerTest, OtherDirectionsWriteNothing) {
  gConversionState.inputUnits = 1;
  gConversionState.outputUnits = 1;
  testing::ExpectNothingWritten(&CassiniSoldner, {-1, 0, 1, 4, 7}, 1.5, 2.5, 52.5, 13.4);
}

// No mends: where a formula has no finite value the result is passed on.
TEST_F(CassiniSoldnerTest, DegenerateRecordsGiveNonFiniteResultsWithoutTrapping) {
  {
    SCOPED_TRACE("e^2 = 1: c and R1 divide by 1 - e^2 = 0");
    gParamCache.activeParams = SoldnerBerlin();
    gParamCache.activeParams.p[1] = 1.0;
    const Pair grid = Forward(52.5, 13.4);
    EXPECT_FALSE(std::isfinite(grid.a) && std::isfinite(grid.b));
    EXPECT_FALSE(std::isfinite(Inverse(24622.77, 19075.57).a));
  }
  {
    SCOPED_TRACE("a = 0: the rectifying latitude divides by zero");
    gParamCache.activeParams = SoldnerBerlin();
    gParamCache.activeParams.p[0] = 0.0;
    const Pair geo = Inverse(24622.77, 19075.57);
    EXPECT_TRUE(std::isnan(geo.a));
    EXPECT_TRUE(std::isnan(geo.b));
  }
}

// Zone codes 5201 to 5299 reach this routine with their own record.
TEST(CassiniSoldnerEntry, ZoneRecordFromTheParameterFileConverts) {
  testing::ResetLibraryState();
  const ZoneParams record = SoldnerBerlin();
  testing::TempDir dir;
  dir.Write("template/con_dos.asc", testing::RecordLine(5201, record));
  SetPath(dir.path().c_str());

  double lat = 52.5, lon = 13.4, x = 0.0, y = 0.0;
  LLDRV_NEW(&lat, &lon, &x, &y, 5201, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_NEAR(x, 24622.770040, 1e-4);
  EXPECT_NEAR(y, 19075.569747, 1e-4);
  EXPECT_EQ(lat, 52.5);
  EXPECT_EQ(lon, 13.4);
}

}  // namespace
}  // namespace zonvert
