#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "interface/conversion.h"
#include "platform/platform.h"
#include "zonvert.h"

namespace zonvert::testing {
namespace fs = std::filesystem;

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                        "/zonvert-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& relative, const std::string& contents) const {
  const fs::path full = fs::path(path_) / relative;
  fs::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out << contents;
  return full.string();
}

std::string PathOfLength(const TempDir& dir, std::size_t length) {
  std::string path = dir.path() + "/";
  const std::size_t first = path.size();
  while (path.size() < length) path += (path.size() - first) % 201 == 200 ? '/' : 'd';
  if (path.back() == '/') path.back() = 'd';
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {
std::vector<ShownMessage> gShown;
void Record(const char* caption, const char* text, platform::MessageIcon icon) {
  gShown.push_back({caption, text, icon});
}
}  // namespace

MessageRecorder::MessageRecorder() {
  gShown.clear();
  platform::SetMessageSink(&Record);
}
MessageRecorder::~MessageRecorder() { platform::SetMessageSink(nullptr); }
const std::vector<ShownMessage>& MessageRecorder::messages() const { return gShown; }
void MessageRecorder::Clear() { gShown.clear(); }

Pair RunForward(ProjectionRoutine routine, double lat, double lon, int32_t inputUnits,
                int32_t outputUnits) {
  gConversionState.direction = kGeographicToGrid;
  gConversionState.inputUnits = inputUnits;
  gConversionState.outputUnits = outputUnits;
  double x = 0.0, y = 0.0;
  routine(&x, &y, &lat, &lon);
  return {x, y};
}

Pair RunInverse(ProjectionRoutine routine, double x, double y, int32_t inputUnits,
                int32_t outputUnits) {
  gConversionState.direction = kGridToGeographic;
  gConversionState.inputUnits = inputUnits;
  gConversionState.outputUnits = outputUnits;
  double lat = 0.0, lon = 0.0;
  routine(&x, &y, &lat, &lon);
  return {lat, lon};
}

void ExpectNothingWritten(ProjectionRoutine routine, std::initializer_list<int32_t> directions,
                          double x, double y, double lat, double lon) {
  for (int32_t direction : directions) {
    SCOPED_TRACE(direction);
    gConversionState.direction = direction;
    double xOut = x, yOut = y, latOut = lat, lonOut = lon;
    routine(&xOut, &yOut, &latOut, &lonOut);
    EXPECT_EQ(xOut, x);
    EXPECT_EQ(yOut, y);
    EXPECT_EQ(latOut, lat);
    EXPECT_EQ(lonOut, lon);
  }
}

std::string RecordLine(int32_t code, const ZoneParams& record) {
  std::string line = std::to_string(code);
  for (double value : record.p) {
    char field[32];
    std::snprintf(field, sizeof field, " %.17g", value);
    line += field;
  }
  return line + "\n";
}

void ResetLibraryState() {
  ResetConversionModule();
  NadconClean();
}

}  // namespace zonvert::testing
