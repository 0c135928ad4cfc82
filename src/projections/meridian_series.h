// The meridian-distance and footpoint series of meridian.h as inline
// functions, for the projection units (compiled, like every library unit,
// without contraction into fused multiply-add): the routines that sum them
// once per point call them here without a call, and meridian.cpp forwards
// to them, so there is one sum in one order.
#pragma once

#include <cmath>

#include "projections/meridian.h"

namespace zonvert::series {

// Meridian distance, eq. 3-21.
inline double MeridianDistance(const MeridianTerms& t, double phi) {
  return t.a * (t.phiFactor * phi - t.sin2Factor * std::sin(2.0 * phi) +
                t.sin4Factor * std::sin(4.0 * phi) - t.sin6Factor * std::sin(6.0 * phi));
}

// Rectifying latitude, eq. 7-19.
inline double RectifyingLatitude(const MeridianTerms& t, double m) { return m / t.rectifyingDivisor; }

// Footpoint latitude, eq. 3-26.
inline double FootpointLatitude(const MeridianTerms& t, double mu, FootpointSeries which) {
  double phi1 = mu + t.footSin2Factor * std::sin(2.0 * mu) + t.footSin4Factor * std::sin(4.0 * mu) +
                t.footSin6Factor * std::sin(6.0 * mu);
  if (which == FootpointSeries::kToSin8Mu) {
    phi1 = phi1 + t.footSin8Factor * std::sin(8.0 * mu);
  }
  return phi1;
}

}  // namespace zonvert::series
