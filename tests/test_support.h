// Helpers shared by the tests: a temporary folder, fixture files, a message
// sink that records what was shown, and the return to the state at load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "platform/platform.h"

namespace zonvert::testing {

// A fresh folder under $TMPDIR (or /tmp), removed with its contents at the
// end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Writes `contents` to path()/relative, creating folders on the way;
  // returns the full path.
  std::string Write(const std::string& relative, const std::string& contents) const;

 private:
  std::string path_;
};

// A path of exactly `length` characters inside `dir` (folder names of at
// most 201 characters); nothing is created.  Lengths beyond what the system
// accepts in a path (4096 on Linux) give a root that can never be opened.
// `length` must exceed dir.path().size() + 1.
std::string PathOfLength(const TempDir& dir, std::size_t length);

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// One shown message.
struct ShownMessage {
  std::string caption;
  std::string text;
  platform::MessageIcon icon;
};

// Replaces the platform message sink for its lifetime and records every
// message shown meanwhile.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  const std::vector<ShownMessage>& messages() const;
  void Clear();
};

// The two values a projection routine wrote: (x, y) or (lat, lon).
struct Pair {
  double a;
  double b;
};

// Runs `routine` on the active record from geographic (lat, lon) to grid
// coordinates, with the given unit flags.
Pair RunForward(ProjectionRoutine routine, double lat, double lon, int32_t inputUnits = 1,
                int32_t outputUnits = 1);

// Runs `routine` on the active record from grid (x, y) to geographic
// coordinates, with the given unit flags.
Pair RunInverse(ProjectionRoutine routine, double x, double y, int32_t inputUnits = 1,
                int32_t outputUnits = 1);

// Runs `routine` once for each of `directions` (none of them 2 or 3) on the
// values (x, y, lat, lon) and expects all four to come back unchanged.
void ExpectNothingWritten(ProjectionRoutine routine, std::initializer_list<int32_t> directions,
                          double x, double y, double lat, double lon);

// One parameter-file record: the code and the twenty numbers with full
// round-trip precision, ending with a line feed.
std::string RecordLine(int32_t code, const ZoneParams& record);

// Returns every module-wide record of the library to its state at load:
// conversion settings, parameter cache, root path and the grid state.
void ResetLibraryState();

}  // namespace zonvert::testing
