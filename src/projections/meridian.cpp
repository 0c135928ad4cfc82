// Meridian distance and footpoint latitude, Snyder (1987) eqs. 3-21, 7-19
// and 3-26.  One unit serves the Transverse Mercator, Cassini-Soldner and
// Bonne routines so that all three sum the same series in the same order.
// The coefficients that depend on the ellipsoid alone are formed by
// MeridianTermsOf, once per record; the series multiply them in as formed.
#include "projections/meridian.h"

#include "projections/meridian_series.h"

#include <cmath>

namespace zonvert {
namespace {

// Meridian distance, eq. 3-21.
constexpr double kM1e2 = 0.25;                   // 1/4
constexpr double kM1e4 = 0.046875;               // 3/64
constexpr double kM1e6 = 0.01953125;             // 5/256
constexpr double kM2e2 = 0.375;                  // 3/8
constexpr double kM2e4 = 0.09375;                // 3/32
constexpr double kM2e6 = 0.0439453125;           // 45/1024
constexpr double kM4e4 = 0.05859375;             // 15/256
constexpr double kM4e6 = 0.0439453125;           // 45/1024
constexpr double kM6e6 = 0.011393229166666666;   // 35/3072

// Footpoint latitude, eq. 3-26.
constexpr double kJ2e1 = 1.5;                    // 3/2
constexpr double kJ2e3 = 0.84375;                // 27/32
constexpr double kJ4e2 = 1.3125;                 // 21/16
constexpr double kJ4e4 = 1.71875;                // 55/32
constexpr double kJ6e3 = 1.5729166666666665;     // 151/96, one ulp below the nearest double
constexpr double kJ8e4 = 2.142578125;            // 1097/512

}  // namespace

MeridianTerms MeridianTermsOf(const ZoneParams& params) {
  const double e = params.p[2];
  MeridianTerms t{};
  t.a = params.p[0];
  t.e2 = params.p[1];
  t.e4 = e * e * e * e;
  t.e6 = e * e * e * e * e * e;
  t.phiFactor = 1.0 - kM1e2 * t.e2 - kM1e4 * t.e4 - kM1e6 * t.e6;
  t.sin2Factor = kM2e2 * t.e2 + kM2e4 * t.e4 + kM2e6 * t.e6;
  t.sin4Factor = kM4e4 * t.e4 + kM4e6 * t.e6;
  t.sin6Factor = kM6e6 * t.e6;
  t.rectifyingDivisor = t.a * t.phiFactor;
  // e1 = (1 - sqrt(1 - e^2)) / (1 + sqrt(1 - e^2))
  const double root = std::sqrt(1.0 - t.e2);
  const double e1 = (1.0 - root) / (1.0 + root);
  const double e1Sq = e1 * e1;
  const double e1Cu = e1 * e1 * e1;
  const double e1Qu = e1 * e1 * e1 * e1;
  t.footSin2Factor = kJ2e1 * e1 - kJ2e3 * e1Cu;
  t.footSin4Factor = kJ4e2 * e1Sq - kJ4e4 * e1Qu;
  t.footSin6Factor = kJ6e3 * e1Cu;
  t.footSin8Factor = kJ8e4 * e1Qu;
  return t;
}

double MeridianDistance(const MeridianTerms& t, double phi) { return series::MeridianDistance(t, phi); }

double RectifyingLatitude(const MeridianTerms& t, double m) { return series::RectifyingLatitude(t, m); }

double FootpointLatitude(const MeridianTerms& t, double mu, FootpointSeries which) {
  return series::FootpointLatitude(t, mu, which);
}

}  // namespace zonvert
