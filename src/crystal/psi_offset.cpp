// Psi offset PsiD between the diffractometer's psi = 0 and the reference direction.
//
// The orientation matrix UB takes reciprocal-lattice vectors to the
// diffractometer frame. The scattering vector v = UB h fixes the angles phi and
// chi that bring it into the diffraction position; the reference direction
// w = UB r, rotated by the same angles into the frame of the scattering vector,
// has there the azimuth PsiD about v. Every event position carries PsiD, so it
// is formed in double precision from the matrix as read.
#include "crystal/psi_offset.hpp"

#include <algorithm>
#include <cmath>

#include "crystal/value_as_read.hpp"

namespace kavro {
namespace {

constexpr double kTwoPi = 6.28318530717958647692;
constexpr double kRadToDeg = 57.2957795130823208768;

using Matrix = std::array<double, 9>;

// m times (x, y, z), normalised; false for the zero vector.
bool unit_image(const Matrix& m, const Vec3d& x, Vec3d& out) {
  out = {m[0] * x[0] + m[1] * x[1] + m[2] * x[2], m[3] * x[0] + m[4] * x[1] + m[5] * x[2],
         m[6] * x[0] + m[7] * x[1] + m[8] * x[2]};
  const double length = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
  if (!(length > 0.0)) return false;
  for (double& c : out) c /= length;
  return true;
}

// Diffractometer angle phi of the scattering vector v (0 for v along z), in 0..2 pi.
double phi_of(const Vec3d& v) {
  if (v[0] == 0.0 && v[1] == 0.0) return 0.0;
  const double t = kTwoPi - std::atan2(v[0], v[1]);
  return t - std::trunc(t / kTwoPi) * kTwoPi;
}

}  // namespace

double psi_offset(const std::array<float, 9>& ubm, int h, int k, int l, const Vec3d& r) {
  Matrix m{};
  std::transform(ubm.begin(), ubm.end(), m.begin(), as_read);
  Vec3d v{};
  Vec3d w{};
  if (!unit_image(m, {double(h), double(k), double(l)}, v) || !unit_image(m, r, w)) return 0.0;
  const double phi = phi_of(v);
  const double chi = std::atan2(v[2], std::sqrt(v[0] * v[0] + v[1] * v[1]));
  const double sp = std::sin(phi), cp = std::cos(phi), sc = std::sin(chi), cc = std::cos(chi);
  const double a = w[1] * sp + w[0] * cp;
  const double b = sc * w[2] - w[0] * sp * cc + w[1] * cp * cc;
  const double g = cc * w[2] - w[1] * cp * sc + w[0] * sp * sc;
  const double norm = std::sqrt(g * g + b * b + a * a);
  if (!(norm > 0.0)) return 0.0;
  const double psi = std::acos(std::clamp(a / norm, -1.0, 1.0)) * kRadToDeg;
  return g < 0.0 ? -psi : psi;
}

void upsi(Primary& primary, const Vec3d& r) {
  primary.psi_offset_deg = psi_offset(primary.ubm, primary.h, primary.k, primary.l, r);
}

}  // namespace kavro
