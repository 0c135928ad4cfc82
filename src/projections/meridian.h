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

// Ellipsoid terms of a record: a = P0, e^2 = P1, e^4 = P2^4, e^6 = P2^6.
struct MeridianTerms {
  double a;   // semi-major axis, metres
  double e2;  // first eccentricity squared
  double e4;  // P2 to the fourth power
  double e6;  // P2 to the sixth power
};

MeridianTerms MeridianTermsOf(const ZoneParams& params);

// The bracketed factor of phi in the meridian distance:
// 1 - e^2/4 - 3e^4/64 - 5e^6/256.
double MeridianPhiFactor(const MeridianTerms& terms);

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
