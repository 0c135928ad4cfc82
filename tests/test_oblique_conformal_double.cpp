// Oblique conformal double projection (Hungarian national grid): the
// reference point both ways, reference values, the round trip's latitude
// offset, the axis order of the inverse, the unit flags, the directions that
// convert nothing, and one conversion through LLDRV_NEW.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "projections/projections.h"
#include "test_support.h"
#include "zonvert.h"

namespace zonvert {
namespace {

constexpr double kRadToDeg = 57.295780490442965;  // the family's factor, 180/3.1415926
constexpr double kMetresToUsFeet = 3.28083333;
constexpr double kUsFeetToMetres = 0.30480060991089725;
constexpr double kSphereToEllipsoidLat = 1.00155641;  // first-power term of the inverse series

// The EOV record: reference point 47d06'00" on the sphere and
// 47d08'39.8174" on the ellipsoid, central meridian 19d02'54.8584",
// false origin 650000 m / 200000 m.
ZoneParams EovRecord() {
  ZoneParams record{};
  record.p[5] = 47.1;             // sphere latitude of the reference point, degrees
  record.p[6] = 47.14439372222;   // ellipsoid latitude of the reference point, degrees
  record.p[8] = 19.04857177777;   // central meridian, degrees
  record.p[9] = 47.1;             // rotation latitude, degrees
  record.p[11] = 650000.0;        // false easting, metres
  record.p[12] = 200000.0;        // false northing, metres
  return record;
}

using testing::Pair;

Pair Forward(double lat, double lon, int inputUnits = 1, int outputUnits = 1) {
  return testing::RunForward(&ObliqueConformalDouble, lat, lon, inputUnits, outputUnits);
}

Pair Inverse(double x, double y, int inputUnits = 1, int outputUnits = 1) {
  return testing::RunInverse(&ObliqueConformalDouble, x, y, inputUnits, outputUnits);
}

bool SameBits(const Pair& p, const Pair& q) { return p.a == q.a && p.b == q.b; }

class ObliqueConformalDoubleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetLibraryState();
    gParamCache.activeParams = EovRecord();
  }
  const double* P = gParamCache.activeParams.p;
};

TEST_F(ObliqueConformalDoubleTest, ReferencePointMapsExactlyOntoFalseOrigin) {
  const Pair grid = Forward(P[6], P[8]);
  EXPECT_EQ(grid.a, P[11]);
  EXPECT_EQ(grid.b, P[12]);
}

// The inverse of the false origin gives the central meridian exactly and a
// latitude about 0.0055" north of the reference point: atan(1) times
// 57.295780490442965 exceeds 45 by about 7.7e-7 degrees, doubled.
TEST_F(ObliqueConformalDoubleTest, FalseOriginComesBackSlightlyNorth) {
  const Pair geo = Inverse(P[11], P[12]);
  EXPECT_EQ(geo.b, P[8]);
  const double obliqueLat = (std::atan(1.0) * kRadToDeg - 45.0) * 2.0;  // degrees
  EXPECT_NEAR(geo.a - P[6], obliqueLat * kSphereToEllipsoidLat, 1e-12);
  EXPECT_NEAR((geo.a - P[6]) * 3600.0, 0.0055, 1e-4);  // arc-seconds
}

// Reference values from PROJ 9.1.1 (cs2cs, +proj=somerc +ellps=GRS67
// +k_0=0.99993 with the same reference point and false origin).  The fixed
// series of this projection differ from the closed form by up to 0.65 m in
// the northing across Hungary (about 4e-6 of the distance from the
// reference parallel) and 2 cm in the easting.
TEST_F(ObliqueConformalDoubleTest, MatchesReferenceValuesAcrossHungary) {
  struct Case {
    double lat, lon;  // degrees
    double x, y;      // metres
  } const cases[] = {
      {47.50, 19.05, 650107.6023, 239532.9105},  // Budapest
      {47.68, 16.58, 464680.3899, 262471.7597},  // Sopron
      {47.53, 21.63, 844339.5759, 246077.6322},  // Debrecen
      {46.25, 20.15, 734937.0177, 101175.9122},  // Szeged
      {48.50, 22.50, 905038.5515, 356362.5443},  // north-east corner
      {46.30, 16.20, 430575.8680, 110134.5035},  // south-west corner
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.lat << " " << c.lon);
    const Pair grid = Forward(c.lat, c.lon);
    EXPECT_NEAR(grid.a, c.x, 0.03);
    EXPECT_NEAR(grid.b, c.y, 0.7);
  }
}

// The two directions are not exact inverses: the latitude comes back
// 0.0054" to 0.0060" north across the country, the longitude within 2e-7
// degrees.
TEST_F(ObliqueConformalDoubleTest, RoundTripLatitudeOffset) {
  double lowest = 1.0, highest = 0.0, worstLon = 0.0;
  for (double lat = 45.75; lat <= 48.6; lat += 0.25) {
    for (double lon = 16.0; lon <= 22.9; lon += 0.5) {
      const Pair grid = Forward(lat, lon);
      const Pair geo = Inverse(grid.a, grid.b);
      const double offset = (geo.a - lat) * 3600.0;  // arc-seconds
      lowest = std::fmin(lowest, offset);
      highest = std::fmax(highest, offset);
      worstLon = std::fmax(worstLon, std::fabs(geo.b - lon));
    }
  }
  EXPECT_GT(lowest, 0.0054);
  EXPECT_LT(highest, 0.0060);
  EXPECT_LT(worstLon, 2e-7);
}

// A first value above 400000 m is the easting; at most 400000 m (exactly
// 400000 included) it is the northing and the pair is exchanged.
TEST_F(ObliqueConformalDoubleTest, InverseAxisOrder) {
  struct Case {
    const char* what;
    double x1, y1;  // one order
    double x2, y2;  // the other
    bool same;
  } const cases[] = {
      {"easting first or northing first", 650107.6, 239533.1, 239533.1, 650107.6, true},
      {"at most 400000 m the first value is always the northing", 380000.0, 200000.0, 200000.0, 380000.0, false},
      {"exactly 400000 first counts as the northing", 400000.0, 650000.0, 650000.0, 400000.0, true},
      {"just above 400000 first is an easting", 400000.0001, 650000.0, 650000.0, 400000.0001, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SameBits(Inverse(c.x1, c.y1), Inverse(c.x2, c.y2)), c.same);
  }
}

// In feet the threshold applies after the conversion to metres: a northing
// of 656167 ft (200000 m) exceeds 400000 as a number, yet is a northing.
TEST_F(ObliqueConformalDoubleTest, FeetAreConvertedBeforeTheAxisOrderTest) {
  const double northingFeet = 656166.67, eastingFeet = 2132541.67;
  const Pair fromFeet = Inverse(northingFeet, eastingFeet, 0, 1);
  const Pair fromMetres = Inverse(northingFeet * kUsFeetToMetres, eastingFeet * kUsFeetToMetres);
  EXPECT_TRUE(SameBits(fromFeet, fromMetres));
  EXPECT_NEAR(fromFeet.a, 47.14, 0.01);  // near the reference point
  EXPECT_NEAR(fromFeet.b, 19.05, 0.01);
}

TEST_F(ObliqueConformalDoubleTest, UnitFlagsUseArcSecondsAndUsSurveyFeet) {
  const Pair metres = Forward(47.5, 19.25);
  // 171000" and 69300" are exactly 47.5 and 19.25 degrees after the factor.
  EXPECT_TRUE(SameBits(Forward(171000.0, 69300.0, 0, 1), metres));
  const Pair feet = Forward(47.5, 19.25, 1, 0);
  EXPECT_EQ(feet.a, metres.a * kMetresToUsFeet);
  EXPECT_EQ(feet.b, metres.b * kMetresToUsFeet);

  const Pair degrees = Inverse(665000.0, 240000.0);
  const Pair arcSeconds = Inverse(665000.0, 240000.0, 1, 0);
  EXPECT_EQ(arcSeconds.a, degrees.a * 3600.0);
  EXPECT_EQ(arcSeconds.b, degrees.b * 3600.0);
}

TEST_F(ObliqueConformalDoubleTest, OtherDirectionsWriteNothing) {
  gConversionState.inputUnits = 1;
  gConversionState.outputUnits = 1;
  testing::ExpectNothingWritten(&ObliqueConformalDouble, {-1, 0, 1, 4, 7}, 650000.5, 200000.5, 47.5, 19.0);
}

// Zone code 6001 reaches this routine with its own record, in feet and
// arc-seconds.
TEST(ObliqueConformalDoubleEntry, ZoneRecordFromTheParameterFileConverts) {
  testing::ResetLibraryState();
  const ZoneParams record = EovRecord();
  gParamCache.activeParams = record;
  const Pair expected = Forward(171000.0, 69300.0, 0, 0);
  testing::ResetLibraryState();

  testing::TempDir dir;
  dir.Write("template/con_dos.asc", testing::RecordLine(6001, record));
  SetPath(dir.path().c_str());

  double lat = 171000.0, lon = 69300.0, x = 0.0, y = 0.0;
  LLDRV_NEW(&lat, &lon, &x, &y, 6001, kGeographicToGrid, 0, 0, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(x, expected.a);
  EXPECT_EQ(y, expected.b);
}

}  // namespace
}  // namespace zonvert
