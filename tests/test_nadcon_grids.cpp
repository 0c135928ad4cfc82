// The datum shift on the published grids of all seven areas: the sanity
// point, forward shifts on nodes and inside cells against values read
// straight from the files, the mapped path against the seek-and-read path,
// round trips, the area order where areas overlap, points exactly on the
// bounds, and the inverse whose first estimate leaves every area.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "nadcon/nadcon.h"
#include "test_support.h"
#include "zonvert.h"

namespace zonvert {
namespace {

namespace fs = std::filesystem;
using testing::MessageRecorder;
using testing::TempDir;

constexpr double kSecondsToDegrees = 0.0002777777777777778;  // 1/3600, multiplied in

// The published grid layout of each area (grid README): column and row
// counts, western and southern bounds, spacing in degrees.
struct AreaLayout {
  const char* name;
  int columns;
  int rows;
  double xMin;
  double yMin;
  float spacing;
};
constexpr AreaLayout kAreas[kNadconAreaCount] = {
    {"conus", 273, 121, -131.0, 20.0, 0.25f},
    {"hawaii", 281, 201, -161.0, 18.0, 0.025f},
    {"prvi", 81, 41, -68.0, 17.0, 0.05f},
    {"stlrnc", 81, 41, -172.0, 62.0, 0.05f},
    {"stgeorge", 121, 61, -171.0, 56.0, 0.016666667f},
    {"stpaul", 41, 21, -171.0, 57.0, 0.05f},
    {"alaska", 529, 249, -194.0, 46.0, 0.125f},
};
constexpr int kNoArea = -1;

double XMax(const AreaLayout& a) { return static_cast<float>(a.columns - 1) * a.spacing + static_cast<float>(a.xMin); }
double YMax(const AreaLayout& a) { return static_cast<float>(a.rows - 1) * a.spacing + static_cast<float>(a.yMin); }

// Values read straight from a grid file, independent of the library.
float NodeValue(const std::string& bytes, int columns, int row, int col) {
  const std::size_t offset = static_cast<std::size_t>(row) * 4 * (columns + 1) + 4 * col;
  float value = 0.0f;
  std::memcpy(&value, bytes.data() + offset, sizeof value);  // little-endian host
  return value;
}

struct Shifted {
  double lon;
  double lat;
};

// The expected forward shift in area `area`, written out from the
// published method: 1-based grid coordinates, the four node values of the
// cell, the bilinear form in its order of evaluation.
Shifted ExpectedForward(const std::string& las, const std::string& los, const AreaLayout& a,
                        double lon, double lat) {
  const double colF = (lon - static_cast<float>(a.xMin)) / a.spacing + 1.0;
  const double rowF = (lat - static_cast<float>(a.yMin)) / a.spacing + 1.0;
  const int col = static_cast<int>(colF);
  const int row = static_cast<int>(rowF);
  const double X = colF - col;
  const double Y = rowF - row;
  auto shift = [&](const std::string& grid) {
    const double z1 = NodeValue(grid, a.columns, row, col);
    const double z2 = NodeValue(grid, a.columns, row, col + 1);
    const double z3 = NodeValue(grid, a.columns, row + 1, col);
    const double z4 = NodeValue(grid, a.columns, row + 1, col + 1);
    const double d = ((z4 - z2) - z3) + z1;
    return ((d * X * Y + (z2 - z1) * X) + (z3 - z1) * Y) + z1;
  };
  return {lon - shift(los) * kSecondsToDegrees, lat + shift(las) * kSecondsToDegrees};
}

// The first area of the published table that contains the point strictly.
int ExpectedArea(double lon, double lat) {
  for (int k = 0; k < kNadconAreaCount; ++k) {
    const AreaLayout& a = kAreas[k];
    if (static_cast<float>(a.xMin) < lon && lon < XMax(a) && static_cast<float>(a.yMin) < lat &&
        lat < YMax(a)) {
      return k;
    }
  }
  return kNoArea;
}

class NadconGridsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetLibraryState();
    const fs::path templateDir = fs::path(dir_.path()) / "template";
    fs::create_directories(templateDir);
    for (const AreaLayout& a : kAreas) {
      for (const char* extension : {".las", ".los"}) {
        const std::string file = std::string(a.name) + extension;
        fs::create_symlink(fs::path(ZONVERT_NADCON_GRIDS) / file, templateDir / file);
      }
    }
    SetPath(dir_.path().c_str());
    for (int k = 0; k < kNadconAreaCount; ++k) {
      const std::string base = std::string(ZONVERT_NADCON_GRIDS) + "/" + kAreas[k].name;
      las_[k] = testing::ReadFile(base + ".las");
      los_[k] = testing::ReadFile(base + ".los");
      ASSERT_EQ(las_[k].size(), 4u * (kAreas[k].columns + 1) * (kAreas[k].rows + 1)) << kAreas[k].name;
    }
  }
  void TearDown() override { testing::ResetLibraryState(); }

  Shifted Expected(int area, double lon, double lat) const {
    return ExpectedForward(las_[area], los_[area], kAreas[area], lon, lat);
  }

  TempDir dir_;
  std::string las_[kNadconAreaCount];
  std::string los_[kNadconAreaCount];
};

TEST_F(NadconGridsTest, SanityPointOnConusNode) {
  MessageRecorder recorder;
  double lon = 0.0, lat = 0.0;
  int32_t status = -1;
  Nadcon27To83(-117.0, 34.0, &lon, &lat, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NEAR(lon, -117.00086104, 1e-8);  // published value, degrees
  EXPECT_NEAR(lat, 34.00001485, 1e-8);
  // A node (X = Y = 0) takes exactly its own values: column 57, row 57.
  EXPECT_EQ(lat, 34.0 + NodeValue(las_[0], 273, 57, 57) * kSecondsToDegrees);
  EXPECT_EQ(lon, -117.0 - NodeValue(los_[0], 273, 57, 57) * kSecondsToDegrees);
  EXPECT_TRUE(recorder.messages().empty());
}

// Nodes and points inside cells of every area, bit for bit against the
// values in the files; points that an earlier area takes are checked
// against that area.
TEST_F(NadconGridsTest, ForwardOnNodesAndInsideCellsOfEveryArea) {
  struct Fraction {
    double x;  // of a cell, eastward
    double y;  // of a cell, northward
  };
  constexpr Fraction kFractions[] = {{0.0, 0.0}, {0.125, 0.625}, {0.5, 0.25}, {0.7, 0.9}};
  for (int k = 0; k < kNadconAreaCount; ++k) {
    const AreaLayout& a = kAreas[k];
    int checked = 0;
    for (int c = 1; c < a.columns; c += 7) {
      for (int r = 1; r < a.rows; r += 5) {
        for (const Fraction& f : kFractions) {
          // Exact in double: a float spacing times a small integer.
          const double lon = a.xMin + (c - 1 + f.x) * static_cast<double>(a.spacing);
          const double lat = a.yMin + (r - 1 + f.y) * static_cast<double>(a.spacing);
          if (lon <= a.xMin || lat <= a.yMin) continue;  // on a bound: outside
          const int area = ExpectedArea(lon, lat);
          ASSERT_NE(area, kNoArea) << a.name << " " << lon << " " << lat;
          double outLon = 0.0, outLat = 0.0;
          int32_t status = -1;
          Nadcon27To83(lon, lat, &outLon, &outLat, &status);
          ASSERT_EQ(status, 0) << a.name << " " << lon << " " << lat;
          const Shifted want = Expected(area, lon, lat);
          ASSERT_EQ(outLon, want.lon) << a.name << " lon " << lon << " " << lat;
          ASSERT_EQ(outLat, want.lat) << a.name << " lat " << lon << " " << lat;
          if (f.x == 0.0 && f.y == 0.0 && area == k) {  // a node: exactly the node's values
            EXPECT_EQ(outLat, lat + NodeValue(las_[k], a.columns, r, c) * kSecondsToDegrees);
            EXPECT_EQ(outLon, lon - NodeValue(los_[k], a.columns, r, c) * kSecondsToDegrees);
          }
          checked += area == k;
        }
      }
    }
    EXPECT_GT(checked, 0) << a.name;
  }
}

// The mapped fast path and the seek-and-read path read the same values and
// give the same bits.
TEST_F(NadconGridsTest, MappedPathEqualsSeekAndReadBitForBit) {
  uint64_t seed = 0x9E3779B97F4A7C15u;
  auto next = [&seed]() {  // 53-bit uniform in [0, 1), fixed sequence
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(seed >> 11) * 0x1.0p-53;
  };
  double lon = 0.0, lat = 0.0;
  int32_t status = 0;
  Nadcon27To83(-117.0, 34.0, &lon, &lat, &status);  // loads the headers
  ASSERT_EQ(status, 0);
  for (int k = 0; k < kNadconAreaCount; ++k) {
    const AreaLayout& a = kAreas[k];
    const std::string base = std::string(ZONVERT_NADCON_GRIDS) + "/" + a.name;
    std::FILE* lasStream = std::fopen((base + ".las").c_str(), "rb");
    std::FILE* losStream = std::fopen((base + ".los").c_str(), "rb");
    ASSERT_NE(lasStream, nullptr);
    ASSERT_NE(losStream, nullptr);
    ASSERT_TRUE(NadconOpenArea(k));
    for (int i = 0; i < 4000; ++i) {
      const double pLon = a.xMin + next() * (XMax(a) - a.xMin);
      const double pLat = a.yMin + next() * (YMax(a) - a.yMin);
      NadconCell cell{};
      if (!NadconLocate(pLon, pLat, &cell) || cell.area != k) continue;
      for (auto [mapped, stream] : {std::pair{&gNadconState.lasFile, lasStream},
                                    std::pair{&gNadconState.losFile, losStream}}) {
        double fast = 0.0, slow = 1.0;
        ASSERT_TRUE(NadconInterpolate(*mapped, cell.columnCount, cell.row, cell.col, cell.rowF,
                                      cell.colF, &fast));
        ASSERT_TRUE(NadconInterpolateBySeek(stream, cell.columnCount, cell.row, cell.col,
                                            cell.rowF, cell.colF, &slow));
        ASSERT_EQ(std::memcmp(&fast, &slow, sizeof fast), 0) << a.name << " " << pLon << " " << pLat;
      }
    }
    std::fclose(lasStream);
    std::fclose(losStream);
  }
}

// NAD 27 -> NAD 83 -> NAD 27 returns the start within 1e-9 degrees on each
// axis, over a lattice that covers each area two cells in from its bounds.
TEST_F(NadconGridsTest, RoundTripReturnsTheStartInEveryArea) {
  constexpr double kTolerance = 1e-9;  // degrees, each axis
  constexpr int kSteps = 40;
  for (int k = 0; k < kNadconAreaCount; ++k) {
    const AreaLayout& a = kAreas[k];
    const double margin = 2.0 * a.spacing;
    double worstLon = 0.0, worstLat = 0.0;
    int trips = 0;
    for (int i = 0; i <= kSteps; ++i) {
      for (int j = 0; j <= kSteps; ++j) {
        const double lon = a.xMin + margin + (XMax(a) - a.xMin - 2.0 * margin) * i / kSteps;
        const double lat = a.yMin + margin + (YMax(a) - a.yMin - 2.0 * margin) * j / kSteps;
        if (ExpectedArea(lon, lat) != k) continue;  // taken by an earlier area
        double lon83 = 0.0, lat83 = 0.0, lon27 = 0.0, lat27 = 0.0;
        int32_t status = -1;
        Nadcon27To83(lon, lat, &lon83, &lat83, &status);
        ASSERT_EQ(status, 0) << a.name;
        Nadcon83To27(lon83, lat83, &lon27, &lat27, &status);
        ASSERT_EQ(status, 0) << a.name << " " << lon << " " << lat;
        worstLon = std::fmax(worstLon, std::fabs(lon27 - lon));
        worstLat = std::fmax(worstLat, std::fabs(lat27 - lat));
        ++trips;
      }
    }
    EXPECT_GT(trips, 0) << a.name;
    EXPECT_LE(worstLon, kTolerance) << a.name;
    EXPECT_LE(worstLat, kTolerance) << a.name;
    std::printf("round trip %-8s %5d points: max |dlon| %.3e, max |dlat| %.3e degrees\n", a.name,
                trips, worstLon, worstLat);
  }
}

// Points exactly on a bound lie outside that area: a later area that
// contains them strictly takes them, or they are outside every area.  One
// ulp inside, the area itself takes them (or an earlier area that overlaps
// it there: conus at alaska's eastern bound).
TEST_F(NadconGridsTest, PointsOnTheBoundsOfEachArea) {
  struct Case {
    int area;      // whose bound the point lies on
    double lon;
    double lat;
    int expected;  // area that takes the point, or kNoArea
  };
  const Case kCases[] = {
      {0, -131.0, 35.0, kNoArea}, {0, -63.0, 35.0, kNoArea},
      {0, -100.0, 20.0, kNoArea}, {0, -100.0, 50.0, kNoArea},
      {0, -129.5, 50.0, 6},  // conus's northern bound inside alaska
      {1, -161.0, 20.0, kNoArea}, {1, -154.0, 20.0, kNoArea},
      {1, -158.0, 18.0, kNoArea}, {1, -158.0, 23.0, kNoArea},
      {2, -68.0, 18.0, kNoArea},  {2, -64.0, 18.0, kNoArea},
      {2, -66.0, 17.0, kNoArea},  {2, -66.0, 19.0, kNoArea},
      {3, -172.0, 63.0, 6},       {3, -168.0, 63.0, 6},
      {3, -170.0, 62.0, 6},       {3, -170.0, 64.0, 6},
      {4, -171.0, 56.5, 6},       {4, -169.0, 56.5, 6},
      {4, -170.0, 56.0, 6},       {4, -170.0, 57.0, 6},  // also stpaul's southern bound
      {5, -171.0, 57.5, 6},       {5, -169.0, 57.5, 6},
      {5, -170.0, 58.0, 6},
      {6, -194.0, 60.0, kNoArea}, {6, -128.0, 60.0, kNoArea},
      {6, -150.0, 46.0, kNoArea}, {6, -150.0, 77.0, kNoArea},
      {6, -128.0, 47.0, 0},  // alaska's eastern bound inside conus
  };
  for (const Case& c : kCases) {
    ASSERT_EQ(ExpectedArea(c.lon, c.lat), c.expected) << "table row " << c.lon << " " << c.lat;
    double outLon = 7.0, outLat = 8.0;
    int32_t status = -1;
    Nadcon27To83(c.lon, c.lat, &outLon, &outLat, &status);
    if (c.expected == kNoArea) {
      EXPECT_EQ(status, 1) << c.lon << " " << c.lat;
      EXPECT_EQ(outLon, 7.0);
      EXPECT_EQ(outLat, 8.0);
    } else {
      EXPECT_EQ(status, 0) << c.lon << " " << c.lat;
      const Shifted want = Expected(c.expected, c.lon, c.lat);
      EXPECT_EQ(outLon, want.lon) << c.lon << " " << c.lat;
      EXPECT_EQ(outLat, want.lat) << c.lon << " " << c.lat;
    }
    // One ulp inside the bound the area takes the point itself.
    const AreaLayout& a = kAreas[c.area];
    const double midLon = 0.5 * (a.xMin + XMax(a));
    const double midLat = 0.5 * (a.yMin + YMax(a));
    double inLon = c.lon, inLat = c.lat;
    if (c.lon == a.xMin || c.lon == XMax(a)) inLon = std::nextafter(c.lon, midLon);
    if (c.lat == a.yMin || c.lat == YMax(a)) inLat = std::nextafter(c.lat, midLat);
    Nadcon27To83(inLon, inLat, &outLon, &outLat, &status);
    EXPECT_EQ(status, 0) << inLon << " " << inLat;
    const int insideArea = ExpectedArea(inLon, inLat);
    ASSERT_TRUE(insideArea == c.area || insideArea < c.area) << a.name;
    const Shifted inside = Expected(insideArea, inLon, inLat);
    EXPECT_EQ(outLon, inside.lon) << a.name << " " << inLon << " " << inLat;
    EXPECT_EQ(outLat, inside.lat) << a.name << " " << inLon << " " << inLat;
  }
}

// Where areas overlap the earlier one in the order is used; the later
// area's grid would give another value there.
TEST_F(NadconGridsTest, OverlapTakesTheEarlierArea) {
  struct Case {
    double lon;
    double lat;
    int earlier;
    int later;
  };
  const Case kCases[] = {
      {-129.3, 48.1, 0, 6},   // conus over alaska
      {-171.6, 63.3, 3, 6},   // stlrnc over alaska
      {-170.3, 56.6, 4, 6},   // stgeorge over alaska
      {-170.2, 57.15, 5, 6},  // stpaul over alaska
  };
  for (const Case& c : kCases) {
    double outLon = 0.0, outLat = 0.0;
    int32_t status = -1;
    Nadcon27To83(c.lon, c.lat, &outLon, &outLat, &status);
    ASSERT_EQ(status, 0);
    const Shifted earlier = Expected(c.earlier, c.lon, c.lat);
    const Shifted later = Expected(c.later, c.lon, c.lat);
    ASSERT_TRUE(earlier.lon != later.lon || earlier.lat != later.lat) << "case cannot tell areas apart";
    EXPECT_EQ(outLon, earlier.lon) << kAreas[c.earlier].name;
    EXPECT_EQ(outLat, earlier.lat) << kAreas[c.earlier].name;
  }
}

// Near conus's western bound the first longitude estimate of the inverse
// (the forward shift applied a second time, westward) leaves every area:
// the input comes back with status 1.
TEST_F(NadconGridsTest, InverseWhoseFirstEstimateLeavesEveryArea) {
  const double lon = -131.0 + 0.0002;
  const double lat = 35.0;
  double outLon = 0.0, outLat = 0.0;
  int32_t status = -1;
  Nadcon27To83(lon, lat, &outLon, &outLat, &status);
  ASSERT_EQ(status, 0);
  // The first estimate is the forward image itself: west of xMin.
  ASSERT_LE(outLon, -131.0) << "precondition: the shift there is westward and large enough";
  Nadcon83To27(lon, lat, &outLon, &outLat, &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(outLon, lon);
  EXPECT_EQ(outLat, lat);
}

// A point in no area: the forward shift leaves the outputs alone, the
// inverse writes the input back; both report status 1.
TEST_F(NadconGridsTest, PointInNoArea) {
  double outLon = 5.0, outLat = 6.0;
  int32_t status = -1;
  Nadcon27To83(0.0, 0.0, &outLon, &outLat, &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(outLon, 5.0);
  EXPECT_EQ(outLat, 6.0);
  Nadcon83To27(0.0, 0.0, &outLon, &outLat, &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(outLon, 0.0);
  EXPECT_EQ(outLat, 0.0);
}

}  // namespace
}  // namespace zonvert
