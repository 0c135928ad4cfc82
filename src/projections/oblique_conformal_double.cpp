// Oblique conformal double projection of the Hungarian national grid: the
// ellipsoid is mapped onto a conformal (Gauss) sphere by fixed power series
// in the latitude difference from the reference point, the sphere is turned
// into the oblique aspect whose equator crosses the central meridian at the
// rotation latitude (rotation of the graticule, Snyder, "Map Projections --
// A Working Manual", USGS Professional Paper 1395 (1987), ch. 5), and the
// oblique sphere is mapped by the cylindrical conformal (Mercator)
// projection scaled to metres (spherical Mercator, eqs. 7-1 to 7-5).
//
// Departures from a closed-form double projection:
//  - the ellipsoid-to-sphere and sphere-to-ellipsoid latitudes are short
//    power series in arc-seconds with fixed coefficients, and the sphere
//    longitude a fixed multiple of the ellipsoid longitude; the ellipsoid is
//    not read from the record;
//  - the forward northing is a power series in the oblique latitude
//    (arc-seconds), the inverse uses the closed form
//    phi = 2 atan(exp(t)) - 90 degrees (eq. 7-4); the two directions
//    are not exact inverses: near the reference point the latitude comes
//    back about 0.0055 arc-seconds north, because atan(1) * 57.295780490442965
//    exceeds 45 by about 7.7e-7;
//  - degrees to radians is 0.017453292222222222 (3.1415926/180) and radians
//    to degrees 57.295780490442965 (180/3.1415926), not pi/180 and 180/pi;
//  - the inverse reads the easting and northing in either order: a first
//    value above 400000 m is the easting, otherwise (400000 m exactly
//    included) the two are exchanged; feet are turned into metres first;
//  - nothing is tested: an arcsine argument outside [-1, 1] or a zero
//    cosine divisor gives not-a-number or an infinity; the longitude
//    difference is not reduced into +-180 degrees.
//
// Legend: dPhi ellipsoid latitude difference (arc-seconds); phiS, dLamS
// sphere latitude and longitude from the central meridian; phiO, lamO
// oblique latitude and longitude; phi0 = P9 rotation latitude; e, n easting
// and northing of the inverse (metres).
//
// Record slots (degrees unless noted): P5 sphere latitude of the reference
// point, P6 ellipsoid latitude of the reference point, P8 central meridian,
// P9 rotation latitude, P11 false easting (m), P12 false northing (m).
#include <cmath>

#include "interface/conversion.h"
#include "interface/zone_params.h"
#include "projections/projections.h"
#include "projections/record_constants.h"
#include "projections/units.h"

namespace zonvert {
namespace {

constexpr double kDegToRad = 0.017453292222222222;  // 3.1415926/180, not pi/180
constexpr double kRadToDeg = 57.295780490442965;    // 180/3.1415926, not 180/pi

// Ellipsoid to sphere, latitude difference in arc-seconds (forward).
constexpr double kToSphere1 = 0.99844601;  // first-power term
constexpr double kToSphere2 = 2.4323e-08;  // per arc-second, second-power term
constexpr double kToSphere3 = 5.3e-15;     // per arc-second^2, third-power term
// Sphere to ellipsoid, latitude difference in arc-seconds (inverse).
constexpr double kToEllipsoid1 = 1.00155641;
constexpr double kToEllipsoid2 = 2.4436e-08;
constexpr double kToEllipsoid3 = 6.5e-15;
// Sphere longitude per ellipsoid longitude, and its reciprocal.
constexpr double kSphereLonPerLon = 1.0007197049;
constexpr double kLonPerSphereLon = 0.9992808127026219;  // 1/1.0007197049

// Forward grid scale: metres per arc-second on the projection sphere, and
// the third- and fifth-power terms of the northing series (m/arcsec^3,
// m/arcsec^5).
constexpr double kMetresPerArcSecond = 30.9277018;
constexpr double kNorthing3 = 1.2156e-10;
constexpr double kNorthing5 = 7.1e-22;

// Inverse grid scale: 1/R of the projection sphere (R = 6379296.419 m), per
// metre; and metres to arc-seconds along the oblique equator, applied one
// after the other (1e-5 then 3233.34726).
constexpr double kInverseSphereRadius = 1.5675709895241977e-07;
constexpr double kMetresToHundredKm = 1e-05;              // 100 km per metre
constexpr double kArcSecondsPerHundredKm = 3233.34726;
constexpr double kHalfRightAngle = 45.0;                  // degrees, eq. 7-4

// Axis order of the inverse: a first value above this is the easting.
constexpr double kAxisOrderThreshold = 400000.0;  // metres

// The rotation latitude of a record (P9) in radians, its cosine and sine.
struct RotationConstants {
  double cosPhi0;
  double sinPhi0;
};

RotationConstants RotationConstantsOf(const ZoneParams& params) {
  const double phi0 = params.p[9] * kDegToRad;
  return RotationConstants{std::cos(phi0), std::sin(phi0)};
}

RecordConstants<RotationConstants, 9> gRotation;

}  // namespace

void ObliqueConformalDouble(double* x, double* y, double* lat, double* lon) {
  const ConversionState& state = gConversionState;
  const ZoneParams& params = ActiveParams();
  const double* P = params.p;
  const RotationConstants& rotation = gRotation.Of(params, &RotationConstantsOf);

  if (state.direction == kGeographicToGrid) {
    double latDeg = *lat;
    double lonDeg = *lon;
    units::ApplyUnitFlag(state.inputUnits, units::kArcSecondsToDegrees, &latDeg, &lonDeg);
    // Ellipsoid to Gauss sphere.
    const double dPhi = (latDeg - P[6]) * units::kDegreesToArcSeconds;
    const double phiSDeg =
        ((dPhi * dPhi * kToSphere2 + dPhi * kToSphere1) - dPhi * dPhi * dPhi * kToSphere3) *
            units::kArcSecondsToDegrees +
        P[5];
    const double dLamSDeg = (lonDeg - P[8]) * kSphereLonPerLon;  // unreduced

    // Rotation to the oblique aspect.
    const double phiS = phiSDeg * kDegToRad;
    const double dLamS = dLamSDeg * kDegToRad;
    const double phiODeg =
        std::asin(rotation.cosPhi0 * std::sin(phiS) - std::cos(dLamS) * rotation.sinPhi0 * std::cos(phiS)) *
        kRadToDeg;
    const double lamODeg =
        std::asin(std::sin(dLamS) * std::cos(phiS) / std::cos(phiODeg * kDegToRad)) * kRadToDeg;

    // Oblique sphere to the plane, in arc-seconds.
    const double phiOSec = phiODeg * units::kDegreesToArcSeconds;
    const double lamOSec = lamODeg * units::kDegreesToArcSeconds;
    const double phiOSec3 = phiOSec * phiOSec * phiOSec;
    const double phiOSec5 = phiOSec3 * phiOSec * phiOSec;
    double xm = lamOSec * kMetresPerArcSecond + P[11];
    double ym = ((phiOSec3 * kNorthing3 + phiOSec5 * kNorthing5) + phiOSec * kMetresPerArcSecond) + P[12];
    units::ApplyUnitFlag(state.outputUnits, units::kMetresToUsFeet, &xm, &ym);
    *x = xm;
    *y = ym;
  } else if (state.direction == kGridToGeographic) {
    double xm = *x;
    double ym = *y;
    units::ApplyUnitFlag(state.inputUnits, units::kUsFeetToMetres, &xm, &ym);
    // Either order: a first value above the threshold is the easting.
    double e = xm;
    double n = ym;
    if (!(xm > kAxisOrderThreshold)) {
      e = ym;
      n = xm;
    }

    // Plane to oblique sphere: Mercator inverse (eq. 7-4) and the scale of
    // the oblique equator.
    const double t = (n - P[12]) * kInverseSphereRadius;
    const double phiODeg = (std::atan(std::exp(t)) * kRadToDeg - kHalfRightAngle) * 2.0;
    const double phiO = phiODeg * kDegToRad;
    const double lamO =
        (e - P[11]) * kMetresToHundredKm * kArcSecondsPerHundredKm * units::kArcSecondsToDegrees * kDegToRad;

    // Rotation back to the Gauss sphere.
    const double phiSDeg =
        std::asin(std::cos(lamO) * rotation.sinPhi0 * std::cos(phiO) + std::sin(phiO) * rotation.cosPhi0) *
        kRadToDeg;

    // Gauss sphere to ellipsoid.
    const double dPhiS = (phiSDeg - P[5]) * units::kDegreesToArcSeconds;
    double latOut =
        (dPhiS * kToEllipsoid1 - (dPhiS * dPhiS * dPhiS * kToEllipsoid3 + dPhiS * dPhiS * kToEllipsoid2)) *
            units::kArcSecondsToDegrees +
        P[6];
    const double dLamSDeg =
        std::asin(std::sin(lamO) * std::cos(phiO) / std::cos(phiSDeg * kDegToRad)) * kRadToDeg;
    double lonOut = dLamSDeg * kLonPerSphereLon + P[8];

    units::ApplyUnitFlag(state.outputUnits, units::kDegreesToArcSeconds, &latOut, &lonOut);
    *lat = latOut;
    *lon = lonOut;
  }
}

}  // namespace zonvert
