// Transverse Mercator on the ellipsoid: the truncated power series of
// Snyder, "Map Projections -- A Working Manual", USGS Professional Paper 1395
// (1987), eqs. 8-9 to 8-10 (forward, to A^6) and 8-17 to 8-18 (inverse, to
// D^6), footpoint latitude to sin 6mu (eq. 3-26).
//
// Departures from the published form:
//  - degrees to radians is 0.017453292520882225 (1/57.29577951) and radians
//    to degrees 57.29577951, not pi/180 and 180/pi;
//  - e^4 and e^6 are powers of P2 (e), e^2 is P1;
//  - the longitude difference is not reduced into +-180 degrees.
//
// Legend: phi latitude, lam longitude (radians); N radius of curvature in the
// prime vertical; t = tan phi, T = t^2; C = e'^2 cos^2 phi; A the longitude
// term; M meridian distance; e1, mu footpoint terms; D the easting term.
//
// Record slots: P0 a (m), P1 e^2, P2 e, P3 k0, P5 central meridian (rad),
// P6 false easting (m), P7 false northing (m), P8 M0 of the origin (m).
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

constexpr double kDegToRad = 0.017453292520882225;  // 1/57.29577951, not pi/180
constexpr double kRadToDeg = 57.29577951;           // not 180/pi

constexpr double kOneSixth = 0.16666666666666666;          // 1/6
constexpr double kOne120th = 0.008333333333333333;         // 1/120
constexpr double kOneHalf = 0.5;                           // 1/2
constexpr double kOne24th = 0.041666666666666664;          // 1/24
constexpr double kOne720th = 0.001388888888888889;         // 1/720

// What the routine works out from the ellipsoid of a record (P0, P1, P2):
// the meridian series and e'^2 with the multiples of it that the series
// below subtract or add, each formed as the series writes it.
struct EllipsoidConstants {
  MeridianTerms terms;
  double ep2;              // second eccentricity squared, P1 / (1 - P1)
  double ep2Times58;       // 58 e'^2, eq. 8-9
  double ep2Times330;      // 330 e'^2, eq. 8-10
  double ep2Times9;        // 9 e'^2, eq. 8-17
  double ep2Times252;      // 252 e'^2, eq. 8-17
  double ep2Times8;        // 8 e'^2, eq. 8-18
  double radiusNumerator;  // (1 - e^2) a, of R1
};

EllipsoidConstants EllipsoidConstantsOf(const ZoneParams& params) {
  const double* P = params.p;
  EllipsoidConstants k{};
  k.terms = MeridianTermsOf(params);
  k.ep2 = P[1] / (1.0 - P[1]);
  k.ep2Times58 = 58.0 * k.ep2;
  k.ep2Times330 = 330.0 * k.ep2;
  k.ep2Times9 = 9.0 * k.ep2;
  k.ep2Times252 = 252.0 * k.ep2;
  k.ep2Times8 = 8.0 * k.ep2;
  k.radiusNumerator = (1.0 - P[1]) * P[0];
  return k;
}

RecordConstants<EllipsoidConstants, 0, 1, 2> gEllipsoid;

}  // namespace

void TransverseMercator(double* x, double* y, double* lat, double* lon) {
  const ConversionState& state = gConversionState;
  const ZoneParams& params = ActiveParams();
  const double* P = params.p;
  const EllipsoidConstants& k = gEllipsoid.Of(params, &EllipsoidConstantsOf);
  const MeridianTerms& terms = k.terms;
  const double ep2 = k.ep2;  // second eccentricity squared

  if (state.direction == kGeographicToGrid) {
    double latDeg = *lat;
    double lonDeg = *lon;
    units::ApplyUnitFlag(state.inputUnits, units::kArcSecondsToDegrees, &latDeg, &lonDeg);
    const double phi = latDeg * kDegToRad;
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double N = P[0] / std::sqrt(1.0 - P[1] * (sinPhi * sinPhi));
    const double t = std::tan(phi);
    const double T = t * t;
    const double C = ep2 * (cosPhi * cosPhi);
    const double A = (lonDeg * kDegToRad - P[5]) * cosPhi;  // eq. 8-15, unreduced
    const double A2 = A * A;
    const double A3 = A2 * A;
    const double A4 = A3 * A;
    const double A5 = A4 * A;
    const double A6 = A5 * A;

    // eq. 8-9
    double xm = P[3] * N *
                    (A + kOneSixth * (1.0 - T + C) * A3 +
                     kOne120th * (5.0 - 18.0 * T + T * T + 72.0 * C - k.ep2Times58) * A5) +
                P[6];
    // eq. 8-10
    double ym = P[3] * (series::MeridianDistance(terms, phi) - P[8] +
                        N * t *
                            (kOneHalf * A2 + kOne24th * (5.0 - T + 9.0 * C + 4.0 * C * C) * A4 +
                             kOne720th * (61.0 - 58.0 * T + T * T + 600.0 * C - k.ep2Times330) * A6)) +
                P[7];
    units::ApplyUnitFlag(state.outputUnits, units::kMetresToUsFeet, &xm, &ym);
    *x = xm;
    *y = ym;
  } else if (state.direction == kGridToGeographic) {
    double xm = *x;
    double ym = *y;
    units::ApplyUnitFlag(state.inputUnits, units::kUsFeetToMetres, &xm, &ym);
    // eqs. 8-20, 7-19, 3-26: footpoint latitude
    const double M = (ym - P[7]) / P[3] + P[8];
    const double mu = series::RectifyingLatitude(terms, M);
    const double phi1 = series::FootpointLatitude(terms, mu, FootpointSeries::kToSin6Mu);

    // eqs. 8-21 to 8-25, at phi1
    const double sinPhi1 = std::sin(phi1);
    const double cosPhi1 = std::cos(phi1);
    const double C1 = ep2 * (cosPhi1 * cosPhi1);
    const double t1 = std::tan(phi1);
    const double T1 = t1 * t1;
    const double W = 1.0 - P[1] * (sinPhi1 * sinPhi1);
    const double N1 = P[0] / std::sqrt(W);
    const double R1 = k.radiusNumerator / std::sqrt(W * W * W);
    const double D = (xm - P[6]) / (N1 * P[3]);
    const double D2 = D * D;
    const double D3 = D2 * D;
    const double D4 = D3 * D;
    const double D5 = D4 * D;
    const double D6 = D5 * D;

    // eq. 8-17
    const double phi =
        phi1 - (N1 * t1 / R1) *
                   (kOneHalf * D2 -
                    kOne24th * (5.0 + 3.0 * T1 + 10.0 * C1 - 4.0 * C1 * C1 - k.ep2Times9) * D4 +
                    kOne720th *
                        (61.0 + 90.0 * T1 + 298.0 * C1 + 45.0 * T1 * T1 - k.ep2Times252 - 3.0 * C1 * C1) *
                        D6);
    // eq. 8-18
    const double lam =
        P[5] + (D - kOneSixth * (1.0 + 2.0 * T1 + C1) * D3 +
                kOne120th * (5.0 - 2.0 * C1 + 28.0 * T1 - 3.0 * C1 * C1 + k.ep2Times8 + 24.0 * T1 * T1) * D5) /
                   cosPhi1;

    double latOut = phi * kRadToDeg;
    double lonOut = lam * kRadToDeg;
    units::ApplyUnitFlag(state.outputUnits, units::kDegreesToArcSeconds, &latOut, &lonOut);
    *lat = latOut;
    *lon = lonOut;
  }
}

}  // namespace zonvert
