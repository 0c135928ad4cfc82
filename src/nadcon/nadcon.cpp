// NADCON datum shift between NAD 27 and NAD 83.
//
// Method: the latitude and longitude shifts (arc-seconds) are interpolated
// bilinearly in the NADCON grids of the US National Geodetic Survey
// (Dewhurst, W.T., 1990, "NADCON: The Application of Minimum-Curvature-
// Derived Surfaces in the Transformation of Positional Data from the North
// American Datum of 1927 to the North American Datum of 1983", NOAA
// Technical Memorandum NOS NGS-50).  The inverse is a fixed-point iteration
// of the forward step.
//
// Grid files, one pair per area (".las" latitude shifts, ".los" longitude
// shifts, positive west): records of R = 4 * (columnCount + 1) bytes,
// little-endian.  Record 0 starts with a 96-byte header; record r holds
// grid row r (1-based) as 4 unused bytes and columnCount float32 values, so
// the value of column c lies at byte offset r * R + 4 * c.
//
// Where this unit departs from the bare method:
//  - A grid file is mapped read-only when its area's pair is opened and its
//    values are read from memory: no system call per value.  The values
//    and the arithmetic are those of a seek and a read per grid row
//    (NadconInterpolateBySeek, kept for checking and measuring).
//  - Status 2 when the chosen area's pair cannot be opened or a value lies
//    beyond the end of a file; status 3 when the inverse does not converge
//    in ten passes.  The inverse then returns its input unchanged.
//  - Header load rejects a file shorter than its header or than the rows
//    its header declares, a column or row count below 1, and a header
//    number (or derived bound) that is not finite: the area stays
//    unregistered and one "Damaged Grid File" message names the file.
//  - The row count is kept in the area entry so that a point which passes
//    the bounds test only through the single-precision rounding of xMax or
//    yMax is clamped to the last cell of the grid.
//  - The inverse stops at the first pass whose forward step fails: later
//    passes would repeat the same step on the same estimate.  A residual
//    that is not a number counts as not converged.
#include "nadcon/nadcon.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "interface/zone_params.h"
#include "platform/platform.h"
#include "projections/units.h"
#include "zonvert.h"

namespace zonvert {

NadconArea gNadconAreaTable[kNadconAreaCount] = {
    {"conus", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0},
    {"hawaii", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0},
    {"prvi", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0},
    {"stlrnc", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0},
    {"stgeorge", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0},
    {"stpaul", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0},
    {"alaska", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0},
};

NadconState gNadconState{1, -1, platform::MappedFile{}, platform::MappedFile{}, 0.0, 0.0};

namespace {

constexpr char kLatitudeExtension[] = ".las";
constexpr char kLongitudeExtension[] = ".los";

constexpr char kMissingCaption[] = "File not Found";
constexpr char kMissingText[] = " not found.  Conversions may not be computed.";
constexpr char kDamagedCaption[] = "Damaged Grid File";
constexpr char kDamagedText[] = " is damaged.  Conversions may not be computed.";

constexpr std::uint64_t kValueBytes = 4;  // one float32 shift
constexpr std::uint64_t kPairBytes = 8;   // two neighbouring shifts of one row

// Header field offsets, bytes from the start of the file.
constexpr int kIdentOffset = 0;
constexpr int kProgramOffset = 56;
constexpr int kColumnCountOffset = 64;
constexpr int kRowCountOffset = 68;
constexpr int kZCountOffset = 72;
constexpr int kXMinOffset = 76;
constexpr int kXSpacingOffset = 80;
constexpr int kYMinOffset = 84;
constexpr int kYSpacingOffset = 88;
constexpr int kAngleOffset = 92;

std::uint32_t LoadLittleEndian32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) |
         (static_cast<std::uint32_t>(bytes[3]) << 24);
}

float LoadFloat32(const unsigned char* bytes) {
  return std::bit_cast<float>(LoadLittleEndian32(bytes));
}

int32_t LoadInt32(const unsigned char* bytes) {
  return static_cast<int32_t>(LoadLittleEndian32(bytes));
}

// Record length of a grid with `columnCount` columns (at least 1), bytes.
std::uint64_t RecordLength(int32_t columnCount) {
  return kValueBytes * (static_cast<std::uint64_t>(columnCount) + 1);
}

// Byte offset of the value at (row, col) when both rows of the cell, from
// column col to col + 1, lie inside a file of `fileSize` bytes.
bool CellOffset(std::uint64_t fileSize, int32_t columnCount, int row, int col,
                std::uint64_t* offset) {
  if (columnCount < 1 || row < 0 || col < 0 || col >= columnCount) return false;
  const std::uint64_t recordLength = RecordLength(columnCount);
  const std::uint64_t nextRow = static_cast<std::uint64_t>(row) + 1;
  if (nextRow > fileSize / recordLength) return false;
  const std::uint64_t upperOffset = nextRow * recordLength + kValueBytes * col;
  if (upperOffset + kPairBytes > fileSize) return false;
  *offset = upperOffset - recordLength;
  return true;
}

// Bounds of a grid as the area entry holds them: (count - 1) * spacing +
// min with the spacing as stored (sign included), in single precision.
float GridMax(int32_t count, float spacing, float minimum) {
  return static_cast<float>(count - 1) * spacing + minimum;
}

enum class HeaderOutcome { kRead, kMissing, kDamaged };

// A header is sound when its counts are at least 1, its numbers and the
// bounds derived from them are finite, and the file holds the whole header
// and every row it declares.
bool HeaderIsSound(const NadconGridHeader& header, long fileLength) {
  if (header.columnCount < 1 || header.rowCount < 1) return false;
  if (!std::isfinite(header.xMin) || !std::isfinite(header.xSpacing) ||
      !std::isfinite(header.yMin) || !std::isfinite(header.ySpacing) ||
      !std::isfinite(header.angle)) {
    return false;
  }
  if (!std::isfinite(GridMax(header.columnCount, header.xSpacing, header.xMin)) ||
      !std::isfinite(GridMax(header.rowCount, header.ySpacing, header.yMin))) {
    return false;
  }
  if (fileLength < kNadconHeaderBytes) return false;
  const std::uint64_t records =
      static_cast<std::uint64_t>(fileLength) / RecordLength(header.columnCount);
  return records >= static_cast<std::uint64_t>(header.rowCount) + 1;
}

// Opens one grid file (binary), reads its header and checks it against the
// file's length.  No file stays open.
HeaderOutcome ReadGridHeader(const std::string& path, NadconGridHeader* header) {
  if (platform::IsPipeOrDevice(path)) return HeaderOutcome::kDamaged;  // never a grid
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return HeaderOutcome::kMissing;
  unsigned char bytes[kNadconHeaderBytes];
  const bool complete = std::fread(bytes, 1, sizeof bytes, file) == sizeof bytes;
  long fileLength = -1;
  if (complete && std::fseek(file, 0, SEEK_END) == 0) fileLength = std::ftell(file);
  std::fclose(file);
  if (!complete) return HeaderOutcome::kDamaged;
  *header = NadconDecodeHeader(bytes);
  return HeaderIsSound(*header, fileLength) ? HeaderOutcome::kRead : HeaderOutcome::kDamaged;
}

// A grid-file message: the file's path followed by the text, with the
// exclamation icon.
void ShowFileMessage(const char* caption, const std::string& path, const char* text) {
  const std::string message = path + text;
  platform::ShowMessage(caption, message.c_str(), platform::MessageIcon::kExclamation);
}

// The two headers agree in every compared field; floats compare as numbers
// (0 and -0 agree).  ident and program are not compared.
bool HeadersAgree(const NadconGridHeader& las, const NadconGridHeader& los) {
  return las.columnCount == los.columnCount && las.rowCount == los.rowCount &&
         las.zCount == los.zCount && las.xMin == los.xMin && las.xSpacing == los.xSpacing &&
         las.yMin == los.yMin && las.ySpacing == los.ySpacing && las.angle == los.angle;
}

void LoadHeadersIfPending(int32_t* status) {
  if (gNadconState.headersPending == 1) {
    NadconLoadHeaders(status);
    gNadconState.headersPending = 0;
  }
}

}  // namespace

std::string NadconGridPath(int area, const char* extension) {
  return TemplateDirectory(ResolveRootDirectory()) + gNadconAreaTable[area].name + extension;
}

NadconGridHeader NadconDecodeHeader(const unsigned char* bytes) {
  NadconGridHeader header{};
  std::memcpy(header.ident, bytes + kIdentOffset, sizeof header.ident);
  std::memcpy(header.program, bytes + kProgramOffset, sizeof header.program);
  header.columnCount = LoadInt32(bytes + kColumnCountOffset);
  header.rowCount = LoadInt32(bytes + kRowCountOffset);
  header.zCount = LoadInt32(bytes + kZCountOffset);
  header.xMin = LoadFloat32(bytes + kXMinOffset);
  header.xSpacing = LoadFloat32(bytes + kXSpacingOffset);
  header.yMin = LoadFloat32(bytes + kYMinOffset);
  header.ySpacing = LoadFloat32(bytes + kYSpacingOffset);
  header.angle = LoadFloat32(bytes + kAngleOffset);
  return header;
}

void NadconReadAreaHeader(int area, int32_t* status, NadconArea* entry) {
  NadconGridHeader las{};
  const std::string lasPath = NadconGridPath(area, kLatitudeExtension);
  switch (ReadGridHeader(lasPath, &las)) {
    case HeaderOutcome::kMissing:
      ShowFileMessage(kMissingCaption, lasPath, kMissingText);
      *status = kNadconLasMissing;
      return;
    case HeaderOutcome::kDamaged:
      ShowFileMessage(kDamagedCaption, lasPath, kDamagedText);
      *status = kNadconDamaged;
      return;
    case HeaderOutcome::kRead:
      break;
  }

  NadconGridHeader los{};
  const std::string losPath = NadconGridPath(area, kLongitudeExtension);
  switch (ReadGridHeader(losPath, &los)) {
    case HeaderOutcome::kMissing:
      ShowFileMessage(kMissingCaption, losPath, kMissingText);
      *status = kNadconLosMissing;
      return;
    case HeaderOutcome::kDamaged:
      ShowFileMessage(kDamagedCaption, losPath, kDamagedText);
      *status = kNadconDamaged;
      return;
    case HeaderOutcome::kRead:
      break;
  }

  if (!HeadersAgree(las, los)) {
    *status = kNadconMismatch;
    return;
  }

  // Bounds from the spacings as stored; a negative spacing puts the maximum
  // below the minimum, so the area never contains a point.
  entry->xMin = las.xMin;
  entry->yMin = las.yMin;
  entry->xMax = GridMax(las.columnCount, las.xSpacing, las.xMin);
  entry->yMax = GridMax(las.rowCount, las.ySpacing, las.yMin);
  entry->xSpacing = std::fabs(las.xSpacing);
  entry->ySpacing = std::fabs(las.ySpacing);
  entry->columnCount = las.columnCount;
  entry->rowCount = las.rowCount;
}

void NadconLoadHeaders(int32_t* status) {
  for (int area = 0; area < kNadconAreaCount; ++area) {
    // Each area stands on its own outcome; a failure never stops the load.
    int32_t areaStatus = 0;
    NadconArea entry = gNadconAreaTable[area];
    NadconReadAreaHeader(area, &areaStatus, &entry);
    if (areaStatus == 0) {
      gNadconAreaTable[area] = entry;
    } else {
      *status = areaStatus;
    }
  }
}

bool NadconOpenArea(int area) {
  NadconState& state = gNadconState;
  if (area == state.openArea) return true;
  platform::UnmapFile(&state.lasFile);
  platform::UnmapFile(&state.losFile);
  state.openArea = -1;
  if (area < 0 || area >= kNadconAreaCount) return false;
  if (!platform::MapFileReadOnly(NadconGridPath(area, kLatitudeExtension), &state.lasFile)) {
    return false;
  }
  // On failure the .las mapping stays until the next switch or NadconClean.
  if (!platform::MapFileReadOnly(NadconGridPath(area, kLongitudeExtension), &state.losFile)) {
    return false;
  }
  state.openArea = area;
  return true;
}

bool NadconLocate(double lon, double lat, NadconCell* cell) {
  for (int area = 0; area < kNadconAreaCount; ++area) {
    const NadconArea& entry = gNadconAreaTable[area];
    // Strict on all four sides, double coordinate against float bound; a
    // NaN coordinate fails every test.
    if (!(entry.xMin < lon && lon < entry.xMax && entry.yMin < lat && lat < entry.yMax)) continue;

    // 1-based grid coordinates.  lon > xMin and a positive spacing make
    // colF >= 1 (likewise rowF).
    const double colF = (lon - entry.xMin) / entry.xSpacing + 1.0;
    const double rowF = (lat - entry.yMin) / entry.ySpacing + 1.0;
    cell->area = area;
    cell->columnCount = entry.columnCount;
    cell->colF = colF;
    cell->rowF = rowF;
    // A point above the exact eastern or northern edge but below its
    // single-precision rounding would reach column columnCount or row
    // rowCount: it is clamped to the last cell.
    cell->col = colF < entry.columnCount ? static_cast<int>(colF) : entry.columnCount - 1;
    cell->row = rowF < entry.rowCount ? static_cast<int>(rowF) : entry.rowCount - 1;
    return true;
  }
  return false;
}

double NadconBilinear(float z1, float z2, float z3, float z4, double X, double Y) {
  // shift = a + b X + c Y + d X Y over the unit cell, evaluated in this
  // order so that every platform gets the same bits.
  const double a = z1;
  const double b = static_cast<double>(z2) - z1;        // along the row, eastward
  const double c = static_cast<double>(z3) - z1;        // across rows, northward
  const double d = ((static_cast<double>(z4) - z2) - z3) + z1;  // twist
  return ((d * X * Y + b * X) + c * Y) + a;
}

bool NadconInterpolate(const platform::MappedFile& file, int32_t columnCount, int row, int col,
                       double rowF, double colF, double* shift) {
  std::uint64_t offset = 0;
  if (!CellOffset(file.size, columnCount, row, col, &offset)) return false;
  const unsigned char* lower = file.data + offset;
  const unsigned char* upper = lower + RecordLength(columnCount);
  *shift = NadconBilinear(LoadFloat32(lower), LoadFloat32(lower + kValueBytes), LoadFloat32(upper),
                          LoadFloat32(upper + kValueBytes), colF - col, rowF - row);
  return true;
}

bool NadconInterpolateBySeek(std::FILE* file, int32_t columnCount, int row, int col, double rowF,
                             double colF, double* shift) {
  if (file == nullptr || columnCount < 1 || row < 0 || col < 0 || col >= columnCount) return false;
  const std::uint64_t recordLength = RecordLength(columnCount);
  const std::uint64_t nextRow = static_cast<std::uint64_t>(row) + 1;
  const std::uint64_t longMax = static_cast<std::uint64_t>(LONG_MAX);
  if (nextRow > (longMax - kValueBytes * col) / recordLength) return false;  // offset fits a long
  const std::uint64_t lowerOffset = static_cast<std::uint64_t>(row) * recordLength + kValueBytes * col;
  unsigned char lower[kPairBytes];
  unsigned char upper[kPairBytes];
  if (std::fseek(file, static_cast<long>(lowerOffset), SEEK_SET) != 0 ||
      std::fread(lower, 1, sizeof lower, file) != sizeof lower ||
      std::fseek(file, static_cast<long>(lowerOffset + recordLength), SEEK_SET) != 0 ||
      std::fread(upper, 1, sizeof upper, file) != sizeof upper) {
    return false;
  }
  *shift = NadconBilinear(LoadFloat32(lower), LoadFloat32(lower + kValueBytes), LoadFloat32(upper),
                          LoadFloat32(upper + kValueBytes), colF - col, rowF - row);
  return true;
}

void NadconApplyShifts(double lon, double lat, double latShift, double lonShift, double* outLon,
                       double* outLat) {
  *outLat = lat + latShift * units::kArcSecondsToDegrees;
  *outLon = lon - lonShift * units::kArcSecondsToDegrees;
}

void NadconForward(double lon, double lat, double* outLon, double* outLat, int32_t* status) {
  NadconCell cell{};
  if (!NadconLocate(lon, lat, &cell)) {
    *status = kNadconOutside;
    return;
  }
  if (!NadconOpenArea(cell.area)) {
    *status = kNadconNoGrid;
    return;
  }
  double latShift = 0.0;
  double lonShift = 0.0;
  if (!NadconInterpolate(gNadconState.lasFile, cell.columnCount, cell.row, cell.col, cell.rowF,
                         cell.colF, &latShift) ||
      !NadconInterpolate(gNadconState.losFile, cell.columnCount, cell.row, cell.col, cell.rowF,
                         cell.colF, &lonShift)) {
    *status = kNadconNoGrid;
    return;
  }
  gNadconState.lastLatShift = latShift;
  gNadconState.lastLonShift = lonShift;
  NadconApplyShifts(lon, lat, latShift, lonShift, outLon, outLat);
}

}  // namespace zonvert

using zonvert::gNadconState;

extern "C" {

ZONVERT_API void ZONVERT_CALL Nadcon27To83(double lon, double lat, double* outLon, double* outLat,
                                           int32_t* status) {
  if (outLon == nullptr || outLat == nullptr || status == nullptr) return;
  *status = zonvert::kNadconShifted;
  zonvert::LoadHeadersIfPending(status);
  *status = zonvert::kNadconShifted;  // the load's codes are not the caller's
  zonvert::NadconForward(lon, lat, outLon, outLat, status);
}

ZONVERT_API void ZONVERT_CALL Nadcon83To27(double lon, double lat, double* outLon, double* outLat,
                                           int32_t* status) {
  using zonvert::kNadconTolerance;
  using zonvert::units::kArcSecondsToDegrees;
  if (outLon == nullptr || outLat == nullptr || status == nullptr) return;
  *status = zonvert::kNadconShifted;
  zonvert::LoadHeadersIfPending(status);
  *status = zonvert::kNadconShifted;

  // w: forward image of the estimate; e: NAD 27 estimate; r: result.
  double wLon = 0.0;
  double wLat = 0.0;
  double eLon = lon;
  double eLat = lat;
  double rLon = lon;
  double rLat = lat;
  bool converged = false;
  for (int pass = 0; pass < zonvert::kNadconMaxPasses; ++pass) {
    zonvert::NadconForward(eLon, eLat, &wLon, &wLat, status);
    if (*status != zonvert::kNadconShifted) break;
    const double dLon = std::fabs(lon - wLon);
    const double dLat = std::fabs(lat - wLat);
    const bool lonOpen = !(dLon <= kNadconTolerance);
    const bool latOpen = !(dLat <= kNadconTolerance);
    // Pass 0 takes the shifts at the input off the input; the longitude
    // shift keeps the sign of the forward step, so the first longitude
    // estimate lies on the far side of the input and later passes bring
    // it back.
    if (lonOpen) {
      eLon = pass == 0 ? lon - gNadconState.lastLonShift * kArcSecondsToDegrees
                       : eLon - (wLon - lon);
    }
    if (latOpen) {
      eLat = pass == 0 ? lat - gNadconState.lastLatShift * kArcSecondsToDegrees
                       : eLat - (wLat - lat);
      continue;
    }
    if (lonOpen) continue;
    rLon = eLon;  // the estimate whose forward image was just tested
    rLat = eLat;
    converged = true;
    break;
  }
  if (*status == zonvert::kNadconShifted && !converged) {
    *status = zonvert::kNadconNoConvergence;
  }
  *outLon = rLon;
  *outLat = rLat;
}

ZONVERT_API void ZONVERT_CALL NadconClean(void) {
  zonvert::NadconState& state = zonvert::gNadconState;
  zonvert::platform::UnmapFile(&state.lasFile);
  zonvert::platform::UnmapFile(&state.losFile);
  for (zonvert::NadconArea& entry : zonvert::gNadconAreaTable) {
    entry = zonvert::NadconArea{entry.name, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0};
  }
  state.headersPending = 1;
  state.openArea = -1;
}

}  // extern "C"
