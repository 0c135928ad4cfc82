// The six projection routines.  Each converts one point of the active zone
// between geographic and grid coordinates, in the direction that
// gConversionState gives, reading the active ZoneParams record:
//
//   direction 3  reads *lat, *lon; writes *x, *y
//   direction 2  reads *x, *y;     writes *lat, *lon
//   otherwise    reads and writes nothing
//
// Units follow the unit flags of gConversionState: 0 means feet and
// arc-seconds, nonzero metres and decimal degrees.  No routine tests its
// inputs: where a formula has no finite value the result is an infinity or
// not-a-number.
#pragma once

namespace zonvert {

void TransverseMercator(double* x, double* y, double* lat, double* lon);
void LambertConformalConic(double* x, double* y, double* lat, double* lon);
void Mercator(double* x, double* y, double* lat, double* lon);
void CassiniSoldner(double* x, double* y, double* lat, double* lon);
void Bonne(double* x, double* y, double* lat, double* lon);
void ObliqueConformalDouble(double* x, double* y, double* lat, double* lon);

// Folds an angle in degrees into [-360, 360] by whole turns, in place:
// first adds 360 while below -360, then subtracts 360 while above 360.
// Infinities and not-a-number are left as they are.
void FoldAngle360(double* angle);

}  // namespace zonvert
