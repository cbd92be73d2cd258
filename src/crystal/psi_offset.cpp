// Psi offset PsiD between the diffractometer's psi = 0 and the reference direction.
//
// The orientation matrix UB takes reciprocal-lattice vectors to the
// diffractometer frame. The scattering vector v = UB h fixes the angles phi and
// chi that bring it into the diffraction position; the reference direction
// w = UB r, rotated by the same angles into the frame of the scattering vector,
// has there the azimuth PsiD about v. Single precision.
#include "crystal/psi_offset.hpp"

#include <algorithm>
#include <cmath>

namespace kavro {
namespace {

constexpr float kTwoPi = 6.28318f;
constexpr float kRadToDeg = 57.2958f;

// ubm times (x, y, z), normalised; false for the zero vector.
bool unit_image(const std::array<float, 9>& ubm, float x, float y, float z, Vec3& out) {
  out = {ubm[0] * x + ubm[1] * y + ubm[2] * z, ubm[3] * x + ubm[4] * y + ubm[5] * z,
         ubm[6] * x + ubm[7] * y + ubm[8] * z};
  const float length = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
  if (!(length > 0.0f)) return false;
  for (float& c : out) c /= length;
  return true;
}

// Diffractometer angle phi of the scattering vector v (0 for v along z).
float phi_of(const Vec3& v) {
  if (v[0] == 0.0f && v[1] == 0.0f) return 0.0f;
  const float t = kTwoPi - std::atan2(v[0], v[1]);
  return t - std::trunc(t / kTwoPi) * kTwoPi;
}

}  // namespace

float psi_offset(const std::array<float, 9>& ubm, int h, int k, int l, const Vec3& r) {
  Vec3 v{};
  Vec3 w{};
  if (!unit_image(ubm, static_cast<float>(h), static_cast<float>(k), static_cast<float>(l), v) ||
      !unit_image(ubm, r[0], r[1], r[2], w))
    return 0.0f;
  const float phi = phi_of(v);
  const float chi = std::atan2(v[2], std::sqrt(v[0] * v[0] + v[1] * v[1]));
  const float sp = std::sin(phi), cp = std::cos(phi), sc = std::sin(chi), cc = std::cos(chi);
  const float a = w[1] * sp + w[0] * cp;
  const float b = sc * w[2] - w[0] * sp * cc + w[1] * cp * cc;
  const float g = cc * w[2] - w[1] * cp * sc + w[0] * sp * sc;
  const float norm = std::sqrt(g * g + b * b + a * a);
  if (!(norm > 0.0f)) return 0.0f;
  const float psi = std::acos(std::clamp(a / norm, -1.0f, 1.0f)) * kRadToDeg;
  return g < 0.0f ? -psi : psi;
}

void upsi(RunState& st) { st.PsiD = psi_offset(st.ubm, st.h, st.k, st.l, st.refdir); }

}  // namespace kavro
