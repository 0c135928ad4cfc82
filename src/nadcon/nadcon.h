// NADCON datum shift between NAD 27 and NAD 83: the seven grid areas, the
// grid files and their headers, the open pair of grid files, bilinear
// interpolation, the forward shift and its iterative inverse.
//
// The exports Nadcon27To83, Nadcon83To27 and NadconClean are declared in
// zonvert.h; this header holds the internal operations and the module-wide
// state, so that tests and benchmarks can reach them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace zonvert {

inline constexpr int kNadconAreaCount = 7;

// Size of the grid-file header at the start of record 0, bytes.
inline constexpr int kNadconHeaderBytes = 96;

// Convergence tolerance of the inverse on each axis, degrees.
inline constexpr double kNadconTolerance = 1e-9;
// Passes of the inverse iteration.
inline constexpr int kNadconMaxPasses = 10;

// Status codes written by the exports (see zonvert.h).
inline constexpr int32_t kNadconShifted = 0;
inline constexpr int32_t kNadconOutside = 1;
inline constexpr int32_t kNadconNoGrid = 2;
inline constexpr int32_t kNadconNoConvergence = 3;

// Outcome codes of NadconReadAreaHeader; they never reach a caller of the
// exports.
inline constexpr int32_t kNadconLasMissing = -1;  // the .las file cannot be opened
inline constexpr int32_t kNadconLosMissing = -2;  // the .los file cannot be opened
inline constexpr int32_t kNadconMismatch = -3;    // the two headers disagree
inline constexpr int32_t kNadconDamaged = -4;     // a file is short or its header invalid

// One grid area.  Unregistered areas keep every numeric field zero; the
// strict bounds test of the forward step can never pass on such an entry.
struct NadconArea {
  const char* name;     // base name of the two grid files
  float xSpacing;       // column spacing, degrees of longitude, absolute value
  float ySpacing;       // row spacing, degrees of latitude, absolute value
  float xMax;           // eastern bound, degrees (single precision)
  float yMax;           // northern bound, degrees (single precision)
  float xMin;           // western bound, degrees; longitude of column 1
  float yMin;           // southern bound, degrees; latitude of row 1
  int32_t columnCount;  // grid columns; fixes the record length
  int32_t rowCount;     // grid rows; bounds the last cell of a row clamp
};

// The area table, indexed by area index, in search order: conus, hawaii,
// prvi, stlrnc, stgeorge, stpaul, alaska.
extern NadconArea gNadconAreaTable[kNadconAreaCount];

// The header of one grid file, fields in file order.
struct NadconGridHeader {
  char ident[56];
  char program[8];
  int32_t columnCount;
  int32_t rowCount;
  int32_t zCount;
  float xMin;
  float xSpacing;  // signed as stored
  float yMin;
  float ySpacing;  // signed as stored
  float angle;
};

// Module-wide grid state besides the area table.
struct NadconState {
  int headersPending;            // 1 while every header must be loaded before a shift
  int openArea;                  // area whose pair is open; -1 when none
  platform::MappedFile lasFile;  // open latitude-shift grid of openArea
  platform::MappedFile losFile;  // open longitude-shift grid of openArea
  double lastLatShift;           // arc-seconds, from the latest forward step that read the grids
  double lastLonShift;           // arc-seconds, positive west
};
extern NadconState gNadconState;

// Full path of an area's grid file: root, template folder, name, extension
// (".las" or ".los").  The root is resolved anew on every call.
std::string NadconGridPath(int area, const char* extension);

// Decodes the 96 header bytes.
NadconGridHeader NadconDecodeHeader(const unsigned char* bytes);

// Reads and compares the two headers of one area.  On success fills the
// numeric fields of *entry and leaves *status alone; on failure writes
// kNadconLasMissing, kNadconLosMissing, kNadconMismatch or kNadconDamaged
// to *status and leaves *entry alone.  Shows "File not Found" for a missing
// file and "Damaged Grid File" for a damaged one; leaves no file open.
void NadconReadAreaHeader(int area, int32_t* status, NadconArea* entry);

// Reads the headers of all seven areas in order and registers each area
// whose two headers load and agree.  Leaves a code in *status that the
// exports discard.
void NadconLoadHeaders(int32_t* status);

// Makes the two files of `area` the open pair.  Returns false when one of
// them cannot be opened; no message is shown.
bool NadconOpenArea(int area);

// Where a point falls: its area and cell, with the 1-based fractional grid
// coordinates.  col lies in 1..columnCount-1 and row in 1..rowCount-1.
struct NadconCell {
  int area;
  int32_t columnCount;
  int row;
  int col;
  double rowF;
  double colF;
};

// The first registered area, in search order, that contains (lon, lat)
// strictly, and the cell of the point in it.  False when no area does.
bool NadconLocate(double lon, double lat, NadconCell* cell);

// Bilinear interpolation of the four node values of a cell: z1 at (row,
// col), z2 at (row, col+1), z3 at (row+1, col), z4 at (row+1, col+1);
// X and Y are the fractional offsets inside the cell.  Arc-seconds.
double NadconBilinear(float z1, float z2, float z3, float z4, double X, double Y);

// The interpolated shift at a cell of one mapped grid file, arc-seconds.
// False when a node value lies beyond the end of the file.
bool NadconInterpolate(const platform::MappedFile& file, int32_t columnCount, int row, int col,
                       double rowF, double colF, double* shift);

// The same interpolation through a seek and a read of two values per grid
// row: two system calls per row.  Results are bit for bit those of
// NadconInterpolate; kept as the reference the fast path is checked and
// measured against.
bool NadconInterpolateBySeek(std::FILE* file, int32_t columnCount, int row, int col, double rowF,
                             double colF, double* shift);

// Applies interpolated shifts (arc-seconds) to a NAD 27 point: the
// latitude shift is added, the longitude shift (positive west) subtracted.
// Writes the latitude first, then the longitude.
void NadconApplyShifts(double lon, double lat, double latShift, double lonShift, double* outLon,
                       double* outLat);

// The forward step for one point.  Writes kNadconOutside to *status when
// the point lies in no area and kNadconNoGrid when the area's pair cannot
// be opened or read; the outputs are then untouched.  On success writes
// the outputs and leaves *status alone.
void NadconForward(double lon, double lat, double* outLon, double* outLat, int32_t* status);

}  // namespace zonvert
