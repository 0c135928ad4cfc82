// Bonne on the ellipsoid: Snyder, "Map Projections -- A Working Manual",
// USGS Professional Paper 1395 (1987), ch. 19, ellipsoidal forms.  Forward
// closed-form: rho = a m1 / sin phi1 + M1 - M, E = a m (lam - lam0) / rho,
// x = rho sin E, y = a m1 / sin phi1 - rho cos E, with m of eq. 14-15 and M
// of eq. 3-21.  Inverse: rho from x and a m1 / sin phi1 - y, M = a m1 /
// sin phi1 + M1 - rho, latitude from eqs. 7-19 and 3-26 with the sin 8mu
// term, lam = lam0 + rho arctan(x / (a m1 / sin phi1 - y)) / (a m).
//
// Departures from the published form:
//  - degrees to radians is 0.01745329237161969 (1/57.29578) and radians to
//    degrees 57.29578, not pi/180 and 180/pi;
//  - the forward longitude difference is formed in degrees, lon - P5 *
//    57.29578, and turned into radians after the division by rho; it is not
//    reduced into +-180 degrees;
//  - the inverse takes the principal arctangent of x / h (h = Q - y), not a
//    two-argument arctangent, and always the positive root for rho: a point
//    whose polar angle E lies beyond +-90 degrees comes back on the other
//    side of the central meridian;
//  - e^4 and e^6 are powers of P2 (e), e^2 is P1;
//  - there is no false easting or northing: the origin (phi1, lam0) is the
//    grid origin when P8 = M(phi1);
//  - nothing is tested: a standard parallel of 0 makes Q infinite and every
//    result not-a-number; the apex (x = 0, h = 0) gives a longitude that is
//    not a number.
//
// Southern standard parallel: the formulas are kept as they are.  Q and rho
// are then negative near the origin; the forward direction stays as written,
// but the inverse, which takes the positive root for rho, does not undo it.
// Only records with a standard parallel north of the equator convert both
// ways.
//
// Legend: phi latitude, lam longitude (radians); phi1 = P4 standard parallel;
// m(phi) = cos phi / sqrt(1 - e^2 sin^2 phi); Q = a m(phi1) / sin phi1 the
// radius of the standard parallel from the apex of the cone; rho polar
// radius; E polar angle; h = Q - y; M meridian distance; mu rectifying
// latitude.
//
// Record slots: P0 a (m), P1 e^2, P2 e, P4 standard parallel (rad),
// P5 central meridian (rad), P8 M1 = M(phi1) of the standard parallel (m).
#include <cmath>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "projections/meridian.h"
#include "projections/meridian_series.h"
#include "projections/projections.h"
#include "projections/record_constants.h"
#include "projections/units.h"

namespace zonvert {
namespace {

constexpr double kDegToRad = 0.01745329237161969;  // 1/57.29578, not pi/180
constexpr double kRadToDeg = 57.29578;             // not 180/pi

// eq. 14-15: m(phi) = cos phi / sqrt(1 - e^2 sin^2 phi).
double ParallelFactor(double e2, double phi) {
  const double sinPhi = std::sin(phi);
  return std::cos(phi) / std::sqrt(1.0 - e2 * (sinPhi * sinPhi));
}

// What the routine works out from a record (P0, P1, P2, P4, P5, P8), each
// formed as the formulas below write it.
struct RecordTerms {
  MeridianTerms terms;
  double Q;                   // a m(phi1) / sin phi1, metres
  double QPlusM1;             // Q + P8, metres
  double centralMeridianDeg;  // P5 * 57.29578, degrees
};

RecordTerms RecordTermsOf(const ZoneParams& params) {
  const double* P = params.p;
  RecordTerms k{};
  k.terms = MeridianTermsOf(params);
  k.Q = P[0] * ParallelFactor(P[1], P[4]) / std::sin(P[4]);
  k.QPlusM1 = k.Q + P[8];
  k.centralMeridianDeg = P[5] * kRadToDeg;
  return k;
}

RecordConstants<RecordTerms, 0, 1, 2, 4, 5, 8> gRecordTerms;

}  // namespace

void Bonne(double* x, double* y, double* lat, double* lon) {
  const ConversionState& state = gConversionState;
  const ZoneParams& params = ActiveParams();
  const double* P = params.p;
  const RecordTerms& k = gRecordTerms.Of(params, &RecordTermsOf);
  const MeridianTerms& terms = k.terms;

  if (state.direction == kGeographicToGrid) {
    double latDeg = *lat;
    double lonDeg = *lon;
    units::ApplyUnitFlag(state.inputUnits, units::kArcSecondsToDegrees, &latDeg, &lonDeg);
    const double phi = latDeg * kDegToRad;
    const double Q = k.Q;
    const double rho = k.QPlusM1 - series::MeridianDistance(terms, phi);
    const double m = ParallelFactor(P[1], phi);
    // Polar angle: the longitude difference in degrees, then radians.
    const double E = (P[0] * m * (lonDeg - k.centralMeridianDeg) / rho) * kDegToRad;

    double xm = rho * std::sin(E);
    double ym = Q - rho * std::cos(E);
    units::ApplyUnitFlag(state.outputUnits, units::kMetresToUsFeet, &xm, &ym);
    *x = xm;
    *y = ym;
  } else if (state.direction == kGridToGeographic) {
    double xm = *x;
    double ym = *y;
    units::ApplyUnitFlag(state.inputUnits, units::kUsFeetToMetres, &xm, &ym);
    const double h = k.Q - ym;
    const double rho = std::sqrt(h * h + xm * xm);  // always the positive root
    const double M = k.QPlusM1 - rho;
    const double mu = series::RectifyingLatitude(terms, M);
    const double phi = series::FootpointLatitude(terms, mu, FootpointSeries::kToSin8Mu);
    // Principal arctangent of x / h, in (-pi/2, pi/2).
    const double lam = P[5] + std::atan(xm / h) * rho / (ParallelFactor(P[1], phi) * P[0]);

    double latOut = phi * kRadToDeg;
    double lonOut = lam * kRadToDeg;
    units::ApplyUnitFlag(state.outputUnits, units::kDegreesToArcSeconds, &latOut, &lonOut);
    *lat = latOut;
    *lon = lonOut;
  }
}

}  // namespace zonvert
