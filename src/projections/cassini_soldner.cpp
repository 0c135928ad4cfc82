// Cassini-Soldner on the ellipsoid: the truncated power series of Snyder,
// "Map Projections -- A Working Manual", USGS Professional Paper 1395
// (1987), ch. 13, ellipsoidal forms: forward eqs. 13-5 and 13-6 (to A^5),
// inverse to D^5; meridian distance eq. 3-21 and footpoint latitude eqs.
// 7-19 and 3-26 with the sin 8mu term.
//
// Departures from the published form:
//  - degrees to radians is 0.01745329237161969 (1/57.29578) and radians to
//    degrees 57.29578, not pi/180 and 180/pi;
//  - grid values in feet use a foot of its own, 0.30479973299811614 m
//    (metres to feet 3.280842769), not the US survey foot;
//  - e^4 and e^6 are powers of P2 (e), e^2 is P1;
//  - R1 divides by W^1.5 formed with pow(), W = 1 - e^2 sin^2 phi1;
//  - there is no scale factor, and the longitude difference is not reduced
//    into +-180 degrees;
//  - nothing is tested: a record with P0 or 1 - P1 equal to zero, or a
//    footpoint beyond the pole, gives infinities or not-a-number.
//
// Legend: phi latitude, lam longitude (radians); N radius of curvature in the
// prime vertical; t = tan phi, T = t^2; c = e'^2 cos^2 phi; A the longitude
// term; M meridian distance; M1, mu1, phi1 footpoint terms; W, N1, R1 the
// radii at phi1; D the easting term.
//
// Record slots: P0 a (m), P1 e^2, P2 e, P5 central meridian (rad),
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

constexpr double kDegToRad = 0.01745329237161969;  // 1/57.29578, not pi/180
constexpr double kRadToDeg = 57.29578;             // not 180/pi

// The foot of this family, a reciprocal pair of its own (not the US survey
// foot of the other families).
constexpr double kMetresToFeet = 3.280842769;           // feet per metre
constexpr double kFeetToMetres = 0.30479973299811614;   // metres per foot, 1/3.280842769

constexpr double kOneHalf = 0.5;                     // 1/2
constexpr double kOneThird = 0.3333333333333333;     // 1/3
constexpr double kOneSixth = 0.16666666666666666;    // 1/6
constexpr double kOne15th = 0.06666666666666667;     // 1/15
constexpr double kOne24th = 0.041666666666666664;    // 1/24
constexpr double kOne120th = 0.008333333333333333;   // 1/120

constexpr double kRadiusOfCurvaturePower = 1.5;      // W^1.5 in R1

// What the routine works out from the ellipsoid of a record (P0, P1, P2),
// each formed as the formulas below write it.
struct EllipsoidConstants {
  MeridianTerms terms;
  double oneMinusE2;       // 1 - e^2, divisor of c
  double radiusNumerator;  // (1 - e^2) a, of R1
};

EllipsoidConstants EllipsoidConstantsOf(const ZoneParams& params) {
  const double* P = params.p;
  return EllipsoidConstants{MeridianTermsOf(params), 1.0 - P[1], (1.0 - P[1]) * P[0]};
}

RecordConstants<EllipsoidConstants, 0, 1, 2> gEllipsoid;

}  // namespace

void CassiniSoldner(double* x, double* y, double* lat, double* lon) {
  const ConversionState& state = gConversionState;
  const ZoneParams& params = ActiveParams();
  const double* P = params.p;
  const EllipsoidConstants& k = gEllipsoid.Of(params, &EllipsoidConstantsOf);
  const MeridianTerms& terms = k.terms;

  if (state.direction == kGeographicToGrid) {
    double latDeg = *lat;
    double lonDeg = *lon;
    units::ApplyUnitFlag(state.inputUnits, units::kArcSecondsToDegrees, &latDeg, &lonDeg);
    const double phi = latDeg * kDegToRad;
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double N = P[0] / std::sqrt(1.0 - P[1] * (sinPhi * sinPhi));  // eq. 4-20
    const double t = std::tan(phi);
    const double T = t * t;                                             // eq. 8-13
    const double c = P[1] * (cosPhi * cosPhi) / k.oneMinusE2;           // eq. 8-14
    const double A = (lonDeg * kDegToRad - P[5]) * cosPhi;              // eq. 8-15, unreduced
    const double A2 = A * A;
    const double A3 = A2 * A;
    const double A4 = A3 * A;
    const double A5 = A4 * A;

    // eq. 13-5
    double xm = N * (A - kOneSixth * T * A3 - kOne120th * (8.0 - T + 8.0 * c) * T * A5) + P[6];
    // eq. 13-6
    double ym = series::MeridianDistance(terms, phi) - P[8] +
                N * t * (kOneHalf * A2 + kOne24th * (5.0 - T + 6.0 * c) * A4) + P[7];
    units::ApplyUnitFlag(state.outputUnits, kMetresToFeet, &xm, &ym);
    *x = xm;
    *y = ym;
  } else if (state.direction == kGridToGeographic) {
    double xm = *x;
    double ym = *y;
    units::ApplyUnitFlag(state.inputUnits, kFeetToMetres, &xm, &ym);
    // Footpoint: M1 = M0 + (y - FN), then eqs. 7-19 and 3-26 with sin 8mu1
    const double M1 = (ym - P[7]) + P[8];
    const double mu1 = series::RectifyingLatitude(terms, M1);
    const double phi1 = series::FootpointLatitude(terms, mu1, FootpointSeries::kToSin8Mu);

    // T1, N1, R1 at phi1 (eqs. 8-22 to 8-24); D = (x - FE) / N1
    const double sinPhi1 = std::sin(phi1);
    const double cosPhi1 = std::cos(phi1);
    const double t1 = std::tan(phi1);
    const double T1 = t1 * t1;
    const double W = 1.0 - P[1] * (sinPhi1 * sinPhi1);
    const double N1 = P[0] / std::sqrt(W);
    const double R1 = k.radiusNumerator / std::pow(W, kRadiusOfCurvaturePower);
    const double D = (xm - P[6]) / N1;
    const double D2 = D * D;
    const double D3 = D2 * D;
    const double D4 = D3 * D;
    const double D5 = D4 * D;

    // Latitude, ch. 13 inverse series
    const double phi = phi1 - (N1 * t1 / R1) * (kOneHalf * D2 - kOne24th * (1.0 + 3.0 * T1) * D4);
    // Longitude, ch. 13 inverse series
    const double lam =
        P[5] + (D - kOneThird * T1 * D3 + kOne15th * (1.0 + 3.0 * T1) * T1 * D5) / cosPhi1;

    double latOut = phi * kRadToDeg;
    double lonOut = lam * kRadToDeg;
    units::ApplyUnitFlag(state.outputUnits, units::kDegreesToArcSeconds, &latOut, &lonOut);
    *lat = latOut;
    *lon = lonOut;
  }
}

}  // namespace zonvert
