// The convenience exports lldrv, lldrv_dbl and lldrv_str: fixed settings,
// the trace line, the text form, and the mended NULL and length handling.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "test_support.h"
#include "zonvert.h"

namespace zonvert {
namespace {

using testing::TempDir;

constexpr double kDegToRad = 0.017453292520882225;

class ConvenienceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetLibraryState();
    dir_.Write("template/con_dos.asc",
               "1600 6378137 0.0066943799901413165 0.08181919084262149 0.9996 0 0 500000 0 0 "
               "0 0 0 0 0 0 0 0 0 0 0\n"
               // A huge ellipsoid, so that grid values need hundreds of digits.
               "8000 1e300 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n");
    SetPath(dir_.path().c_str());
  }
  void TearDown() override { testing::ResetLibraryState(); }

  // The grid values of LLDRV_NEW in feet, for comparison.
  static void Reference(double lat, double lon, int32_t zone, double* x, double* y) {
    *x = 0.0;
    *y = 0.0;
    LLDRV_NEW(&lat, &lon, x, y, zone, kGeographicToGrid, 1, 0, 1, 100.0f, 0.0f, 0.0f);
  }
  TempDir dir_;
};

TEST_F(ConvenienceTest, TraceLineAndResult) {
  double x = -1, y = -1;
  ::testing::internal::CaptureStdout();
  const int32_t length = lldrv(45.0, 15.0, &x, &y, 1633);
  const std::string out = ::testing::internal::GetCapturedStdout();
  double refX, refY;
  Reference(45.0, 15.0, 1633, &refX, &refY);
  EXPECT_EQ(x, refX);
  EXPECT_EQ(y, refY);
  EXPECT_EQ(x, 500000.0 * 3.28083333);
  char expected[200];
  std::snprintf(expected, sizeof expected, "X=%f Y=%f LAT=%f LON=%f\n", refX, refY, 45.0, 15.0);
  EXPECT_EQ(out, expected);
  EXPECT_EQ(length, static_cast<int32_t>(out.size()));
}

TEST_F(ConvenienceTest, ZoneThatSelectsNothingGivesZeros) {
  for (int32_t zone : {9000, 5000}) {
    double x = -1, y = -1;
    ::testing::internal::CaptureStdout();
    lldrv(45.5, -93.25, &x, &y, zone);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "X=0.000000 Y=0.000000 LAT=45.500000 LON=-93.250000\n")
        << zone;
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
  }
}

TEST_F(ConvenienceTest, FixedSettings) {
  ::testing::internal::CaptureStdout();
  lldrv(45.0, 15.0, nullptr, nullptr, 1661);  // NULL: converts, skips the stores
  const std::string trace = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(trace.find("X=-17657993.285184 "), 0u) << "converted with meridian 100: " << trace;
  const ConversionState& s = gConversionState;
  EXPECT_EQ(s.direction, kGeographicToGrid);
  EXPECT_EQ(s.inputUnits, 1);
  EXPECT_EQ(s.outputUnits, 0);
  EXPECT_EQ(s.hemisphere, 1);
  EXPECT_EQ(s.userCentralMeridian, 100.0f);
  EXPECT_EQ(s.mercatorTrueScaleLat, 0.0f);
  EXPECT_EQ(s.mercatorCentralMeridian, 0.0f);
  EXPECT_EQ(gParamCache.activeParams.p[5], 100.0 * kDegToRad) << "suffix 61 read by this call";
}

TEST_F(ConvenienceTest, Suffix61KeepsTheMeridianItWasLoadedWith) {
  double lat = 45.0, lon = 10.0, x = 0, y = 0;
  LLDRV_NEW(&lat, &lon, &x, &y, 1661, kLoadOnly, 1, 1, 1, 10.0f, 0.0f, 0.0f);
  ::testing::internal::CaptureStdout();
  const double feetX = lldrv_dbl(45.0, 10.0, 1661, 1);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(feetX, 500000.0 * 3.28083333) << "central meridian 10, not 100";
}

TEST_F(ConvenienceTest, DoubleResultIsXOnlyForOne) {
  double refX, refY;
  Reference(47.0, 16.0, 1633, &refX, &refY);
  const struct {
    int32_t which;
    double expected;
  } cases[] = {{1, refX}, {0, refY}, {2, refY}, {-1, refY}};
  for (const auto& c : cases) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(lldrv_dbl(47.0, 16.0, 1633, c.which), c.expected) << c.which;
    EXPECT_EQ(::testing::internal::GetCapturedStdout().find("X="), 0u) << "one trace line";
  }
}

TEST_F(ConvenienceTest, TextInputAndOutput) {
  double refX, refY;
  Reference(45.5, 15.0, 1633, &refX, &refY);
  char expected[200];
  std::snprintf(expected, sizeof expected, "%f;%f", refX, refY);
  const struct {
    const char* lat;
    const char* lon;
    double latValue;
  } cases[] = {
      {" 45.5abc", "15", 45.5},
      {"\t+45.5", "15.0e0xyz", 45.5},
      {"4.55E1", "15.", 45.5},
      {"abc", "15", 0.0},  // no number reads as 0.0
      {"", "15", 0.0},
      {nullptr, "15", 0.0},  // NULL reads as 0.0
      {".5e", "15", 0.5},    // an exponent without digits is not part of the number
  };
  for (const auto& c : cases) {
    ::testing::internal::CaptureStdout();
    const std::string text = lldrv_str(c.lat, c.lon, 1633);
    const std::string trace = ::testing::internal::GetCapturedStdout();
    double x, y;
    Reference(c.latValue, 15.0, 1633, &x, &y);
    char want[200];
    std::snprintf(want, sizeof want, "%f;%f", x, y);
    EXPECT_EQ(text, want) << (c.lat ? c.lat : "NULL");
    char wantTrace[200];
    std::snprintf(wantTrace, sizeof wantTrace, "X=%f Y=%f LAT=%f LON=%f\n", x, y, c.latValue, 15.0);
    EXPECT_EQ(trace, wantTrace);
  }
  ::testing::internal::CaptureStdout();
  EXPECT_STREQ(lldrv_str("45.5", "15", 1633), expected);
  ::testing::internal::GetCapturedStdout();
}

// Regression: the text was formatted into a 200-character buffer, which
// grid values near 1e91 feet and above overran.
TEST_F(ConvenienceTest, TextOfHugeValuesIsNeverCut) {
  double x, y;
  Reference(10.0, 10.0, 8000, &x, &y);
  ASSERT_GT(x, 1e299);
  std::string expected(700, '\0');
  expected.resize(std::snprintf(expected.data(), expected.size(), "%f;%f", x, y));
  ::testing::internal::CaptureStdout();
  const std::string text = lldrv_str("10", "10", 8000);
  ::testing::internal::GetCapturedStdout();
  EXPECT_GT(text.size(), 600u);
  EXPECT_EQ(text, expected);
}

}  // namespace
}  // namespace zonvert
