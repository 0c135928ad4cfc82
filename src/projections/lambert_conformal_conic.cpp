// Lambert Conformal Conic on the ellipsoid, from the cone constants stored in
// the record: Snyder, "Map Projections -- A Working Manual", USGS
// Professional Paper 1395 (1987), eqs. 15-9, 15-7, 14-4, 14-1, 14-2
// (forward) and 14-10, 15-11, 14-11, 14-9, 7-11, 7-9 (inverse).  The routine
// never derives n, F or rho0 from standard parallels (eqs. 15-8, 15-10,
// 15-7a); the record holds them.
//
// Departures from the published form:
//  - degrees to radians is 0.017453292520882225 (1/57.29577951) and radians
//    to degrees 57.29577951, not pi/180 and 180/pi; the factor 2 of eq. 7-9
//    is folded into 114.59155902 (twice 57.29577951);
//  - the longitude difference is not reduced into +-180 degrees;
//  - eq. 14-11 (the inverse polar angle) uses the one-argument principal
//    arctangent of dx / q, in (-90, 90) degrees, not a two-argument form, so
//    points beyond the apex (q < 0) are folded back;
//  - the latitude of eq. 7-9 is iterated in degrees from the first value
//    90 - 2 atan t, with the previous value starting at 0, until two
//    successive latitudes differ by no more than 1e-7 degrees; the iteration
//    stops after kMaxLatitudePasses passes and keeps the latest latitude, so
//    a record with a nonsensical eccentricity cannot hang the caller (valid
//    ellipsoids need at most five passes).
// Nothing is tested: where a formula has no finite value (the apex in the
// inverse, the far pole in the forward direction, F of the wrong sign) the
// infinities or not-a-numbers that arise are the results.
//
// Legend: phi latitude, lam longitude (degrees); theta the polar angle
// n (lam - lam0) (radians); t the isometric term of eq. 15-9; rho the radius
// on the cone (metres, with the sign of n); es = e sin phi; dx, dy grid
// offsets from the false origin; q = rho0 - dy.
//
// Record slots: P0 a (m), P2 e, P6 lam0 (arc-seconds, positive east),
// P7 false easting (m), P8 false northing (m), P9 n, P10 F, P11 rho0 (m).
// The record is only read; for n < 0 the inverse reverses the signs of
// working copies, never of P11.
#include <cmath>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "projections/projections.h"
#include "projections/record_constants.h"
#include "projections/units.h"

namespace zonvert {
namespace {

constexpr double kDegToRad = 0.017453292520882225;   // 1/57.29577951, not pi/180
constexpr double kRadToDeg = 57.29577951;            // not 180/pi
constexpr double kTwoRadToDeg = 114.59155902;        // 2 * 57.29577951, eq. 7-9
constexpr double kEighthTurnDeg = 45.0;              // degrees, half-angle of eq. 15-9
constexpr double kQuarterTurnDeg = 90.0;             // degrees, eq. 7-9
constexpr double kHalf = 0.5;                        // e/2 exponent; half the latitude
constexpr double kLatitudeToleranceDeg = 1e-7;       // degrees, stop of the iteration
constexpr int kMaxLatitudePasses = 100;              // valid ellipsoids need <= 5

// What the routine works out from a record (P0, P2, P6, P9, P10), each
// formed as the formulas below write it.
struct ConeConstants {
  double lam0;       // P6 in degrees
  double halfE;      // e/2, the exponent of eq. 15-9
  double Fa;         // F a, divisor of eq. 15-11
  double inverseN;   // 1/n, the exponent of eq. 15-11
};

ConeConstants ConeConstantsOf(const ZoneParams& params) {
  const double* P = params.p;
  return ConeConstants{P[6] * units::kArcSecondsToDegrees, kHalf * P[2], P[10] * P[0], 1.0 / P[9]};
}

RecordConstants<ConeConstants, 0, 2, 6, 9, 10> gCone;

}  // namespace

void LambertConformalConic(double* x, double* y, double* lat, double* lon) {
  const ConversionState& state = gConversionState;
  const ZoneParams& params = ActiveParams();
  const double* P = params.p;
  const ConeConstants& k = gCone.Of(params, &ConeConstantsOf);
  const double a = P[0];
  const double e = P[2];
  const double n = P[9];
  const double F = P[10];
  const double lam0 = k.lam0;  // degrees

  if (state.direction == kGeographicToGrid) {
    double phi = *lat;
    double lam = *lon;
    units::ApplyUnitFlag(state.inputUnits, units::kArcSecondsToDegrees, &phi, &lam);
    // eq. 14-4, unreduced longitude difference
    const double theta = (lam - lam0) * n * kDegToRad;
    // eq. 15-9
    const double es = e * std::sin(phi * kDegToRad);
    const double t = std::tan((kEighthTurnDeg - kHalf * phi) * kDegToRad) /
                     std::pow((1.0 - es) / (1.0 + es), k.halfE);
    // eq. 15-7
    const double rho = std::pow(t, n) * F * a;
    // eqs. 14-1, 14-2
    double xm = rho * std::sin(theta) + P[7];
    double ym = P[11] - rho * std::cos(theta) + P[8];
    units::ApplyUnitFlag(state.outputUnits, units::kMetresToUsFeet, &xm, &ym);
    *x = xm;
    *y = ym;
  } else if (state.direction == kGridToGeographic) {
    double xm = *x;
    double ym = *y;
    units::ApplyUnitFlag(state.inputUnits, units::kUsFeetToMetres, &xm, &ym);
    double dx = xm - P[7];
    double dy = ym - P[8];
    double rho0 = P[11];
    if (n < 0.0) {  // working copies only; the record keeps its rho0
      dx = -dx;
      dy = -dy;
      rho0 = -rho0;
    }
    // eq. 14-10: rho takes the sign of n (0 stays 0)
    const double q = rho0 - dy;
    double rho = std::sqrt(q * q + dx * dx);
    if (n < 0.0 && rho > 0.0) rho = -rho;
    // eq. 15-11
    const double t = std::pow(rho / k.Fa, k.inverseN);
    // eqs. 14-11, 14-9: principal arctangent of the quotient
    double lamOut = std::atan(dx / q) * kRadToDeg / n + lam0;
    // eq. 7-11 first value, then eq. 7-9 by fixed-point passes
    double phi = kQuarterTurnDeg - 2.0 * (std::atan(t) * kRadToDeg);
    double phiPrev = 0.0;
    for (int pass = 0; pass < kMaxLatitudePasses && std::fabs(phi - phiPrev) > kLatitudeToleranceDeg;
         ++pass) {
      phiPrev = phi;
      const double es = e * std::sin(phi * kDegToRad);
      phi = kQuarterTurnDeg - std::atan(t * std::pow((1.0 - es) / (1.0 + es), k.halfE)) * kTwoRadToDeg;
    }
    double phiOut = phi;
    units::ApplyUnitFlag(state.outputUnits, units::kDegreesToArcSeconds, &phiOut, &lamOut);
    *lat = phiOut;
    *lon = lamOut;
  }
}

}  // namespace zonvert
