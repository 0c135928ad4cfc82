// The conversion entry: zone alias table, dispatch by zone code, the copies
// and their write-back, and the mended NULL handling.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "projections/projections.h"
#include "test_support.h"
#include "zonvert.h"

namespace zonvert {
namespace {

using testing::MessageRecorder;
using testing::TempDir;

constexpr double kDegToRad = 0.017453292520882225;

// ---------------------------------------------------------------- dispatch

TEST(Dispatch, EveryRangeBoundaryReachesItsRoutine) {
  const ProjectionRoutine tm = &TransverseMercator, lcc = &LambertConformalConic,
                          merc = &Mercator, cass = &CassiniSoldner, bonne = &Bonne,
                          eov = &ObliqueConformalDouble;
  const struct {
    int32_t zone;
    ProjectionRoutine routine;
  } cases[] = {
      {INT_MIN, nullptr}, {-1, nullptr}, {0, nullptr},
      {1, lcc},           {98, lcc},
      {99, merc},         {199, merc},   {1999, merc}, {4999, merc},
      {100, tm},          {101, tm},     {1600, tm},   {1662, tm},  {4901, tm}, {4998, tm},
      {5000, nullptr},    {5001, tm},    {5099, tm},
      {5100, nullptr},    {5101, bonne}, {5199, bonne},
      {5200, nullptr},    {5201, cass},  {5299, cass},
      {5300, nullptr},    {6000, nullptr}, {6001, eov}, {6002, nullptr}, {7000, nullptr},
      {7001, tm},         {7499, tm},
      {7500, nullptr},    {7501, lcc},   {7999, lcc},
      {8000, tm},         {8499, tm},
      {8500, nullptr},    {8501, lcc},   {8999, lcc},
      {9000, nullptr},    {INT_MAX, nullptr},
  };
  for (const auto& c : cases) EXPECT_EQ(SelectProjection(c.zone), c.routine) << c.zone;
}

// ---------------------------------------------------------------- aliases

TEST(ZoneAlias, TableHoldsEveryStatePlaneZoneOnce) {
  std::set<int32_t> stateZones, internalCodes;
  int filled = 0;
  for (int slot = 0; slot < kZoneAliasSlots; ++slot) {
    const ZoneAlias& a = kZoneAliasTable[slot];
    if (slot >= 129) {
      EXPECT_EQ(a.stateZone, 0) << slot;
      EXPECT_EQ(a.internalCode, 0) << slot;
      continue;
    }
    ++filled;
    EXPECT_TRUE(stateZones.insert(a.stateZone).second) << "duplicate zone " << a.stateZone;
    EXPECT_TRUE(internalCodes.insert(a.internalCode).second) << "duplicate code " << a.internalCode;
  }
  EXPECT_EQ(filled, 129);
  // Internal codes: exactly 1-72 (Lambert) and 5001-5057 (Transverse Mercator).
  std::set<int32_t> expected;
  for (int32_t c = 1; c <= 72; ++c) expected.insert(c);
  for (int32_t c = 5001; c <= 5057; ++c) expected.insert(c);
  EXPECT_EQ(internalCodes, expected);
  // Slot order: first, last and a few in between.
  EXPECT_EQ(kZoneAliasTable[0].stateZone, 101);
  EXPECT_EQ(kZoneAliasTable[10].internalCode, 4);
  EXPECT_EQ(kZoneAliasTable[56].stateZone, 1900);
  EXPECT_EQ(kZoneAliasTable[128].stateZone, 4904);
  EXPECT_EQ(kZoneAliasTable[128].internalCode, 5057);
}

TEST(ZoneAlias, NegativeCodesOnly) {
  const struct {
    int32_t zone, code;
  } cases[] = {
      {-101, 5001},  {-102, 5002},  {-5010, 4},    {-5101, 5019}, {-1702, 3},
      {-4204, 1},    {-4904, 5057}, {-600, 17},    {-5001, -5001},  // 5001 has no entry
      {-9999, -9999}, {-1, -1},      {INT_MIN, INT_MIN},
      {0, 0},        {101, 101},    {5101, 5101},  // positive codes are internal codes
  };
  for (const auto& c : cases) EXPECT_EQ(ApplyZoneAlias(c.zone), c.code) << c.zone;
}

// ---------------------------------------------------------------- LLDRV_NEW

class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetLibraryState();
    // WGS 84 UTM block and a Transverse Mercator State Plane-like record 5001.
    dir_.Write("template/con_dos.asc",
               "1600 6378137 0.0066943799901413165 0.08181919084262149 0.9996 0 0 500000 0 0 "
               "0 0 0 0 0 0 0 0 0 0 0\n"
               "5001 6378206.4 0.006768657997609644 0.08227185422493918 0.9999 0 "
               "-2.6878070480586944 152400.30480060992 0 3331799.7 0 0 0 0 0 0 0 0 0 0 0\n");
    SetPath(dir_.path().c_str());
  }
  void TearDown() override { testing::ResetLibraryState(); }
  TempDir dir_;
  MessageRecorder messages_;
};

TEST_F(ConversionTest, TypicalRequestUtmZone33) {
  double lat = 45.0, lon = 15.0, x = 0.0, y = 0.0;
  LLDRV_NEW(&lat, &lon, &x, &y, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(gParamCache.activeParams.p[5], 15.0 * kDegToRad);
  EXPECT_EQ(x, 500000.0) << "on the central meridian x is the false easting exactly";
  EXPECT_NEAR(y, 4982950.40, 0.01);
  EXPECT_EQ(lat, 45.0);
  EXPECT_EQ(lon, 15.0);

  // The second call reads no file: it converts after the file is gone.
  std::remove((dir_.path() + "/template/con_dos.asc").c_str());
  double lat2 = 45.0, lon2 = 16.0, x2 = 0.0, y2 = 0.0;
  LLDRV_NEW(&lat2, &lon2, &x2, &y2, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_NEAR(x2, 578815.3029, 0.01);
}

TEST_F(ConversionTest, NegatedStatePlaneZoneUsesItsInternalRecord) {
  // On the central meridian of the record (-2.6878... rad = -154 degrees).
  double lat = 31.0, lon = -2.6878070480586944 / kDegToRad, x = 0.0, y = 0.0;
  LLDRV_NEW(&lat, &lon, &x, &y, -101, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(gConversionState.zoneCode, 5001);
  EXPECT_EQ(gParamCache.activeCode, 5001);
  EXPECT_NEAR(x, 152400.3048, 1.0);
}

TEST_F(ConversionTest, DirectionsAndWriteBack) {
  const double inLat = 45.25, inLon = 16.5, inX = 600000.0, inY = 5000000.0;
  const struct {
    int32_t zone, direction;
    bool geoWritten, gridWritten, anythingWritten;
  } cases[] = {
      {1633, kLoadOnly, false, false, false},
      {1633, kGridToGeographic, true, false, true},
      {1633, kGeographicToGrid, false, true, true},
      {1633, 0, false, false, true},
      {1633, 4, false, false, true},
      {5000, kGeographicToGrid, false, false, true},   // selects no routine
      {-5001, kGeographicToGrid, false, false, true},  // unmapped negative code
  };
  for (const auto& c : cases) {
    double lat = inLat, lon = inLon, x = inX, y = inY;
    LLDRV_NEW(&lat, &lon, &x, &y, c.zone, c.direction, 1, 1, 1, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(lat != inLat || lon != inLon, c.geoWritten) << c.zone << " dir " << c.direction;
    EXPECT_EQ(x != inX || y != inY, c.gridWritten) << c.zone << " dir " << c.direction;
  }
  // Written back unchanged means the same bits, negative zero and NaN included.
  double lat = -0.0, lon = std::numeric_limits<double>::quiet_NaN(), x = 1.0, y = 2.0;
  LLDRV_NEW(&lat, &lon, &x, &y, 9000, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_TRUE(std::signbit(lat));
  EXPECT_TRUE(std::isnan(lon));
}

TEST_F(ConversionTest, LoadOnlyReadsTheRecordAndWritesNothing) {
  double lat = 1.0, lon = 2.0, x = 3.0, y = 4.0;
  LLDRV_NEW(&lat, &lon, &x, &y, 1634, kLoadOnly, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(gParamCache.activeCode, 1634);
  EXPECT_EQ(gParamCache.activeParams.p[5], 21.0 * kDegToRad);
}

TEST_F(ConversionTest, SameVariableForLatitudeAndEasting) {
  // Written back in the order lat, lon, x, y: x wins the shared variable.
  double shared = 45.0, lon = 16.0, y = 0.0;
  LLDRV_NEW(&shared, &lon, &shared, &y, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_NEAR(shared, 578815.3029, 0.01);

  // Grid to geographic: lat is written first, then x restores its own input.
  double both = 578815.3029, lon2 = 0.0, y2 = 4983000.0;
  LLDRV_NEW(&both, &lon2, &both, &y2, 1633, kGridToGeographic, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(both, 578815.3029);
  EXPECT_NEAR(lon2, 16.0, 0.01);
}

// Regression: NULL coordinate pointers were dereferenced.
TEST_F(ConversionTest, NullPointerHasNoEffect) {
  double v = 1.0;
  gConversionState.direction = 77;
  LLDRV_NEW(nullptr, &v, &v, &v, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  LLDRV_NEW(&v, nullptr, &v, &v, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  LLDRV_NEW(&v, &v, nullptr, &v, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  LLDRV_NEW(&v, &v, &v, nullptr, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(v, 1.0);
  EXPECT_EQ(gConversionState.direction, 77) << "settings untouched";
  EXPECT_EQ(gParamCache.activeCode, -1) << "no file read";
}

// Only 0 selects feet and arc-seconds: every other unit flag, negative and
// extreme ones included, converts exactly as 1 does, in both directions.
TEST_F(ConversionTest, EveryNonzeroUnitFlagMeansMetresAndDegrees) {
  double refX = 0.0, refY = 0.0, refLat = 45.5, refLon = 16.5;
  LLDRV_NEW(&refLat, &refLon, &refX, &refY, 1633, kGeographicToGrid, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  double backLat = 0.0, backLon = 0.0, gx = refX, gy = refY;
  LLDRV_NEW(&backLat, &backLon, &gx, &gy, 1633, kGridToGeographic, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  for (const int32_t flag : {2, -1, 1000, INT32_MAX, INT32_MIN}) {
    double lat = 45.5, lon = 16.5, x = 0.0, y = 0.0;
    LLDRV_NEW(&lat, &lon, &x, &y, 1633, kGeographicToGrid, flag, flag, 1, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(x, refX) << flag;
    EXPECT_EQ(y, refY) << flag;
    double la = 0.0, lo = 0.0;
    LLDRV_NEW(&la, &lo, &x, &y, 1633, kGridToGeographic, flag, flag, 1, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(la, backLat) << flag;
    EXPECT_EQ(lo, backLon) << flag;
  }
}

TEST_F(ConversionTest, SettingsAreStoredAsGiven) {
  double lat = 0.0, lon = 0.0, x = 0.0, y = 0.0;
  LLDRV_NEW(&lat, &lon, &x, &y, -5010, 0, 7, 8, 9, 10.1f, -75.1f, 33.3f);
  const ConversionState& s = gConversionState;
  EXPECT_EQ(s.zoneCode, 4);
  EXPECT_EQ(s.direction, 0);
  EXPECT_EQ(s.inputUnits, 7);
  EXPECT_EQ(s.outputUnits, 8);
  EXPECT_EQ(s.hemisphere, 9);
  EXPECT_EQ(s.userCentralMeridian, 10.1f);
  EXPECT_EQ(s.mercatorTrueScaleLat, -75.1f);
  EXPECT_EQ(s.mercatorCentralMeridian, 33.3f);
}

}  // namespace
}  // namespace zonvert
