// Meridian distance and footpoint latitude on the ellipsoid, shared by the
// Transverse Mercator, Cassini-Soldner and Bonne routines.
//
// Series of Snyder, "Map Projections -- A Working Manual", USGS Professional
// Paper 1395 (1987): meridian distance eq. 3-21 (to e^6), rectifying
// latitude eq. 7-19 and footpoint latitude eq. 3-26 (to sin 6mu, or sin 8mu
// with the 1097/512 e1^4 term).  Coefficients are multiplied in as the
// doubles below; the terms are summed in the order of the published series.
#pragma once

#include "interface/zone_params.h"

namespace zonvert {

// Ellipsoid terms of a record: a = P0, e^2 = P1, e^4 = P2^4, e^6 = P2^6,
// and the coefficients of the series that depend on them alone, each formed
// exactly as the series writes it (so a record's terms can be worked out
// once and serve every point).
struct MeridianTerms {
  double a;   // semi-major axis, metres
  double e2;  // first eccentricity squared
  double e4;  // P2 to the fourth power
  double e6;  // P2 to the sixth power
  // eq. 3-21: the factor of phi, and of sin 2phi, sin 4phi, sin 6phi
  double phiFactor;   // 1 - e^2/4 - 3e^4/64 - 5e^6/256
  double sin2Factor;  // 3e^2/8 + 3e^4/32 + 45e^6/1024
  double sin4Factor;  // 15e^4/256 + 45e^6/1024
  double sin6Factor;  // 35e^6/3072
  // eq. 7-19: the divisor of the meridian distance, a * phiFactor
  double rectifyingDivisor;
  // eq. 3-26: the factors of sin 2mu, sin 4mu, sin 6mu and sin 8mu
  double footSin2Factor;  // 3e1/2 - 27e1^3/32
  double footSin4Factor;  // 21e1^2/16 - 55e1^4/32
  double footSin6Factor;  // 151e1^3/96
  double footSin8Factor;  // 1097e1^4/512
};

MeridianTerms MeridianTermsOf(const ZoneParams& params);

// The bracketed factor of phi in the meridian distance:
// 1 - e^2/4 - 3e^4/64 - 5e^6/256.
inline double MeridianPhiFactor(const MeridianTerms& terms) { return terms.phiFactor; }

// Meridian distance from the equator to latitude phi (radians), metres.
double MeridianDistance(const MeridianTerms& terms, double phi);

// Which footpoint series to sum.
enum class FootpointSeries {
  kToSin6Mu,  // Transverse Mercator
  kToSin8Mu,  // Cassini-Soldner and Bonne
};

// Rectifying latitude mu (radians) of the meridian distance m (metres):
// m / (a * MeridianPhiFactor).
double RectifyingLatitude(const MeridianTerms& terms, double m);

// Footpoint latitude (radians) of the rectifying latitude mu, with
// e1 = (1 - sqrt(1 - e^2)) / (1 + sqrt(1 - e^2)).
double FootpointLatitude(const MeridianTerms& terms, double mu, FootpointSeries series);

}  // namespace zonvert
