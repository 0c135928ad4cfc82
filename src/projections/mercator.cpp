// Mercator on the ellipsoid, normal (equatorial) aspect: Snyder, "Map
// Projections -- A Working Manual", USGS Professional Paper 1395 (1987),
// eqs. 7-6, 7-7 (forward) and 7-10, 7-11, 7-9, 7-12 (inverse), with the
// ellipsoid of the record and the latitude of true scale and central
// meridian of the conversion settings.
//
// Departures from the published form:
//  - degrees to radians is 0.01745329237161969 (1/57.29578) and radians to
//    degrees 57.29578, not pi/180 and 180/pi.  Because 57.29578 * pi exceeds
//    180 by about 1.53e-6, a forward then inverse conversion returns the
//    latitude about 1.53e-6 degrees low, and the equator maps to a northing
//    of about -1.3349e-8 a K rather than 0;
//  - the scale factor is K = sqrt(1 - e^2 sin^2 phi1) * cos phi1: the root
//    multiplies the cosine instead of dividing it (the true-scale factor
//    cos phi1 / sqrt(1 - e^2 sin^2 phi1) would be the reciprocal of eq. 7-8
//    at phi1).  K = 1 when phi1 = 0 and on a sphere;
//  - phi1 and lam0 are single-precision settings, widened as stored;
//  - longitudes are converted to radians one by one before the subtraction,
//    and never reduced into +-180 degrees;
//  - the inverse iterates eq. 7-9 in degrees, folding each arctangent with
//    FoldAngle360, until two successive latitudes differ by no more than
//    1e-7 degrees; it stops after kMaxLatitudePasses passes and keeps the
//    latest latitude, so a record with a nonsensical eccentricity cannot
//    hang the caller (valid ellipsoids need at most five passes).  A first
//    latitude that is not a number skips the refinement.
// Nothing is tested: latitude -90 gives a northing of minus infinity, and a
// grid value that is not a number gives a result that is not a number.
//
// Legend: phi latitude, lam longitude (degrees); phi1 latitude of true
// scale, lam0 central meridian (degrees); K the scale factor above;
// es = e sin phi; q the isometric factor ((1 - es)/(1 + es))^(e/2);
// t = exp(-y / (a K)) of eq. 7-10; h = e/2; v the arctangent term of eq. 7-9
// (degrees).
//
// Record slots: P0 a (m), P1 e^2 (only in K), P2 e.
#include <bit>
#include <cmath>
#include <cstdint>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "projections/projections.h"
#include "projections/units.h"

namespace zonvert {
namespace {

constexpr double kDegToRad = 0.01745329237161969;  // 1/57.29578, not pi/180
constexpr double kRadToDeg = 57.29578;             // not 180/pi
constexpr double kEighthTurnDeg = 45.0;            // degrees, eq. 7-7
constexpr double kQuarterTurnDeg = 90.0;           // degrees, eqs. 7-9, 7-11
constexpr double kHalf = 0.5;                      // e/2 exponent; half the latitude
constexpr double kLatitudeToleranceDeg = 1e-7;     // degrees, stop of the iteration
constexpr int kMaxLatitudePasses = 100;            // valid ellipsoids need <= 5

constexpr double kFullTurnDeg = 360.0;  // degrees, FoldAngle360

// K = sqrt(1 - e^2 sin^2 phi1) * cos phi1, phi1 in degrees.
double ScaleFactor(double e2, double phi1) {
  const double sinPhi1 = std::sin(phi1 * kDegToRad);
  return std::sqrt(1.0 - e2 * (sinPhi1 * sinPhi1)) * std::cos(phi1 * kDegToRad);
}

// K of the e^2 and the latitude of true scale (single precision, as
// passed) seen last: hosts convert many points with one zone and one
// setting, and K depends on nothing else.  Bit patterns are compared.
struct ScaleFactorMemo {
  uint64_t e2Bits = 0;
  uint32_t phi1Bits = 0;
  bool valid = false;
  double K = 0.0;
};
ScaleFactorMemo gScaleFactor;

double ScaleFactorOf(double e2, float phi1) {
  const uint64_t e2Bits = std::bit_cast<uint64_t>(e2);
  const uint32_t phi1Bits = std::bit_cast<uint32_t>(phi1);
  if (!gScaleFactor.valid || e2Bits != gScaleFactor.e2Bits || phi1Bits != gScaleFactor.phi1Bits) {
    gScaleFactor.K = ScaleFactor(e2, static_cast<double>(phi1));
    gScaleFactor.e2Bits = e2Bits;
    gScaleFactor.phi1Bits = phi1Bits;
    gScaleFactor.valid = true;
  }
  return gScaleFactor.K;
}

}  // namespace

// Folding by whole turns: below -360 the result is the first of
// angle + 360, angle + 720, ... that is >= -360; above 360 the first of
// angle - 360, angle - 720, ... that is <= 360.  Each of those additions is
// exact while |angle| < 2^56 (360 is then a multiple of the angle's unit in
// the last place), so the exact remainder std::fmod gives the same bits in
// one step, and it ends for any finite angle however large.  A remainder of
// zero means the angle was a whole number of turns: the steps stop at -360
// or 360, not at 0.
void FoldAngle360(double* angle) {
  const double value = *angle;
  if (!std::isfinite(value)) return;  // no number of turns brings it into range
  if (value < -kFullTurnDeg) {
    const double r = std::fmod(value, kFullTurnDeg);  // in (-360, 0]
    *angle = r == 0.0 ? -kFullTurnDeg : r;
  } else if (value > kFullTurnDeg) {
    const double r = std::fmod(value, kFullTurnDeg);  // in [0, 360)
    *angle = r == 0.0 ? kFullTurnDeg : r;
  }
}

void Mercator(double* x, double* y, double* lat, double* lon) {
  const ConversionState& state = gConversionState;
  const double* P = ActiveParams().p;
  const double a = P[0];
  const double e2 = P[1];
  const double e = P[2];
  const double lam0 = static_cast<double>(state.mercatorCentralMeridian);  // degrees

  if (state.direction == kGeographicToGrid) {
    double phi = *lat;
    double lam = *lon;
    units::ApplyUnitFlag(state.inputUnits, units::kArcSecondsToDegrees, &phi, &lam);
    const double K = ScaleFactorOf(e2, state.mercatorTrueScaleLat);
    const double es = std::sin(phi * kDegToRad) * e;
    const double q = std::pow((1.0 - es) / (es + 1.0), kHalf * e);
    // eq. 7-7
    const double ym = std::log(std::tan((kHalf * phi + kEighthTurnDeg) * kDegToRad) * q) * a * K;
    // eq. 7-6, unreduced longitude difference
    const double xm = (lam * kDegToRad - lam0 * kDegToRad) * a * K;
    // Stored x, then y; feet are formed from the stored values.
    *x = xm;
    *y = ym;
    units::ApplyUnitFlag(state.outputUnits, units::kMetresToUsFeet, x, y);
  } else if (state.direction == kGridToGeographic) {
    double xm = *x;
    double ym = *y;
    units::ApplyUnitFlag(state.inputUnits, units::kUsFeetToMetres, &xm, &ym);
    const double K = ScaleFactorOf(e2, state.mercatorTrueScaleLat);
    const double xK = xm / K;
    // eq. 7-10
    const double t = std::exp(-((ym / K) / a));
    // eq. 7-11 first value, then eq. 7-9 by fixed-point passes
    double phi = kQuarterTurnDeg - 2.0 * (std::atan(t) * kRadToDeg);
    const double h = kHalf * e;
    if (!std::isnan(phi)) {
      double phiPrev = 0.0;
      int pass = 0;
      do {
        phiPrev = phi;
        const double es = std::sin(phiPrev * kDegToRad) * e;
        double v = std::atan(t * std::pow((1.0 - es) / (es + 1.0), h)) * kRadToDeg;
        FoldAngle360(&v);
        phi = kQuarterTurnDeg - 2.0 * v;
        ++pass;
      } while (pass < kMaxLatitudePasses && std::fabs(phi - phiPrev) > kLatitudeToleranceDeg);
    }
    // eq. 7-12
    const double lamOut = (xK / a) * kRadToDeg + lam0;
    // Stored lat, then lon; arc-seconds are formed from the stored values.
    *lat = phi;
    *lon = lamOut;
    units::ApplyUnitFlag(state.outputUnits, units::kDegreesToArcSeconds, lat, lon);
  }
}

}  // namespace zonvert
