// The structure-factor sum prepared once per run, evaluated for many h k l.
#include "crystal/structure_factor_kernel.hpp"
#include "crystal/units.hpp"

#include <algorithm>
#include <cmath>

#include "crystal/form_factor.hpp"
#include "crystal/sincosf_lanes.hpp"
#include "format/fixed_format.hpp"

namespace kavro {
namespace {

constexpr double kPhaseTwoPi = 6.283185;  // 2 pi of the phase sums, to the seven digits they always used

//
//
// The quadratic form for hkl =  h' k' l'             (3I5)
//
//
//    b1*h*h+b2*k*k+b3*l*l+2*b4*h*k+2*b5*h*l+2*b6*k*l = Q   (F10.2)
//
//
//  of the atom   i is not positive definite
//
//
// please check the corresponding temperature parameters:
// b1 .. b6 (6F10.5)
std::string quadratic_form_message(const std::array<int, 3>& hp, float q, int atom, const std::array<float, 6>& b) {
  return ff::format("(//'The quadratic form for hkl = ',3I5)", {hp[0], hp[1], hp[2]}) +
         ff::format("(//'   b1*h*h+b2*k*k+b3*l*l+2*b4*h*k+2*b5*h*l+2*b6*k*l =',F10.2)", {q}) +
         ff::format("(//' of the atom',I4,' is not positive definite')", {atom}) +
         ff::format("(//'please check the corresponding temperature parameters:'/6F10.5)",
                    {b[0], b[1], b[2], b[3], b[4], b[5]});
}

// Same layout with "Temperature factor for hkl =", T (F10.3) and "is greater than 1!".
std::string temperature_factor_message(const std::array<int, 3>& hp, float t, int atom,
                                       const std::array<float, 6>& b) {
  return ff::format("(//'Temperature factor for hkl = ',3I5)", {hp[0], hp[1], hp[2]}) +
         ff::format("(//' T=exp(-(b1*h*h+b2*k*k+b3*l*l+2*b4*h*k+2*b5*h*l+2*b6*k*l) =',F10.3)", {t}) +
         ff::format("(//' of the atom',I4,' is greater than 1!')", {atom}) +
         ff::format("(//'please check the corresponding temperature parameters:'/6F10.5)",
                    {b[0], b[1], b[2], b[3], b[4], b[5]});
}

// b1 h h + b2 k k + b3 l l + 2 b4 h k + 2 b5 h l + 2 b6 k l of the rotated indices.
float quadratic_form(float h1, float h2, float h3, const std::array<float, 6>& b) {
  return h1 * h1 * b[0] + h2 * h2 * b[1] + h3 * h3 * b[2] + 2 * h1 * h2 * b[3] + 2 * h1 * h3 * b[4] +
         2 * h2 * h3 * b[5];
}

// h.t of an operator's translation.
float translation_phase(int h, int k, int l, const Vec3& t) {
  return static_cast<float>(h) * t[0] + static_cast<float>(k) * t[1] + static_cast<float>(l) * t[2];
}

// 2 pi (h'.x + h.t) in single precision.
float atom_phase(float h1, float h2, float h3, float ht, float x, float y, float z) {
  return (h1 * x + h2 * y + h3 * z + ht) * static_cast<float>(kPhaseTwoPi);
}

float atom_phase(float h1, float h2, float h3, float ht, const Vec3& x) {
  return atom_phase(h1, h2, h3, ht, x[0], x[1], x[2]);
}

}  // namespace

float structure_factor_phase(double re, double im) {
  if (re != 0 && im != 0) {
    auto phase = static_cast<float>(std::atan2(im, re));
    if (phase < -0.001f) phase += kTwoPi;
    return phase;
  }
  if (im == 0) return re < 0 ? kPi : 0.f;
  return im > 0 ? 1.5707963f : -1.5707963f;
}

StructureFactorKernel::StructureFactorKernel(const Crystal& crystal, TemperatureFactors temperature_factors)
    : temperature_factors_(temperature_factors), centrosymmetric_(crystal.ic == 1) {
  for (int n = 0; n < crystal.ns; ++n) {
    const Mat3& r = crystal.symr[static_cast<std::size_t>(n)];
    Operator op{};
    // Row j of the operator holds the coefficients of x'_j; h'_k = sum_j h_j r[j][k].
    for (int kk = 0; kk < 3; ++kk)
      for (int j = 0; j < 3; ++j) op.rt[kk][j] = static_cast<int>(r[j][kk]);
    op.t = crystal.symt[static_cast<std::size_t>(n)];
    operators_.push_back(op);
  }
  for (int i = 0; i < crystal.na; ++i) {
    const auto ii = static_cast<std::size_t>(i);
    const std::array<float, 6>& beta = crystal.bt[ii];
    const auto known = std::find(betas_.begin(), betas_.end(), beta);
    const auto group = static_cast<std::size_t>(known - betas_.begin());
    if (known == betas_.end()) betas_.push_back(beta);
    atoms_.push_back({crystal.xyz[ii], beta, crystal.afact[ii], static_cast<int>(crystal.fnr[ii]) - 1, group});
    for (std::size_t c = 0; c < 3; ++c) coordinates_[c].push_back(crystal.xyz[ii][c]);
    groups_.push_back(group);
  }
  fcoef_ = crystal.form_factor_coefficients;
  fp_ = crystal.fp;
  fpp_ = crystal.fpp;
}

std::array<int, 3> StructureFactorKernel::rotated(const Operator& op, int h, int k, int l) const {
  return {op.rt[0][0] * h + op.rt[0][1] * k + op.rt[0][2] * l, op.rt[1][0] * h + op.rt[1][1] * k + op.rt[1][2] * l,
          op.rt[2][0] * h + op.rt[2][1] * k + op.rt[2][2] * l};
}

std::vector<float> StructureFactorKernel::shared_temperature_factors(int h, int k, int l) const {
  std::vector<float> t;
  t.reserve(operators_.size() * betas_.size());
  for (const Operator& op : operators_) {
    const std::array<int, 3> hp = rotated(op, h, k, l);
    const auto h1 = static_cast<float>(hp[0]), h2 = static_cast<float>(hp[1]), h3 = static_cast<float>(hp[2]);
    for (const std::array<float, 6>& beta : betas_) {
      const float q = quadratic_form(h1, h2, h3, beta);
      if (q < 0) return {};
      t.push_back(std::exp(-q));
    }
  }
  return t;
}

StructureFactorKernel::Sums StructureFactorKernel::phase_sums(int h, int k, int l, const Notes& notes) const {
  if (temperature_factors_ == TemperatureFactors::kPerAtom) return per_atom_sums(h, k, l, notes);
  const std::vector<float> t = shared_temperature_factors(h, k, l);
  if (t.empty()) return per_atom_sums(h, k, l, notes);
  Sums sums;
  sums.a.assign(atoms_.size(), 0.0);
  sums.b.assign(atoms_.size(), 0.0);
  std::vector<float> phase(atoms_.size()), sine(atoms_.size()), cosine(atoms_.size());
  double *cos_sum = sums.a.data(), *sin_sum = sums.b.data();
  sums.mirrored = true;
  for (std::size_t n = 0; n < operators_.size(); ++n) {
    const Operator& op = operators_[n];
    const std::array<int, 3> hp = rotated(op, h, k, l);
    const float ht = translation_phase(h, k, l, op.t);
    const auto h1 = static_cast<float>(hp[0]), h2 = static_cast<float>(hp[1]), h3 = static_cast<float>(hp[2]);
    const float* t_op = t.data() + n * betas_.size();
    const float *x = coordinates_[0].data(), *y = coordinates_[1].data(), *z = coordinates_[2].data();
    for (std::size_t i = 0; i < atoms_.size(); ++i) phase[i] = atom_phase(h1, h2, h3, ht, x[i], y[i], z[i]);
    const bool mirrored = sincosf_batch(phase.data(), sine.data(), cosine.data(), atoms_.size());
    sums.mirrored = sums.mirrored && mirrored;
    for (std::size_t i = 0; i < atoms_.size(); ++i) {
      const float ti = t_op[groups_[i]];
      cos_sum[i] += static_cast<double>(ti * cosine[i]);
      sin_sum[i] += static_cast<double>(ti * sine[i]);
    }
  }
  if (centrosymmetric_)
    for (double& a : sums.a) a *= 2;
  return sums;
}

StructureFactorKernel::Sums StructureFactorKernel::per_atom_sums(int h, int k, int l, const Notes& notes) const {
  Sums sums;
  sums.a.assign(atoms_.size(), 0.0);
  sums.b.assign(atoms_.size(), 0.0);
  for (const Operator& op : operators_) {
    const std::array<int, 3> hp = rotated(op, h, k, l);
    const float ht = translation_phase(h, k, l, op.t);
    const auto h1 = static_cast<float>(hp[0]), h2 = static_cast<float>(hp[1]), h3 = static_cast<float>(hp[2]);
    for (std::size_t i = 0; i < atoms_.size(); ++i) {
      const Atom& atom = atoms_[i];
      const float p = atom_phase(h1, h2, h3, ht, atom.x);
      const float q = quadratic_form(h1, h2, h3, atom.beta);
      const int atom_number = static_cast<int>(i) + 1;
      if (q < 0) notes.warning(quadratic_form_message(hp, q, atom_number, atom.beta));
      const float t = std::exp(-q);
      if (t > 1) {
        notes.warning(temperature_factor_message(hp, t, atom_number, atom.beta));
        sums.ok = false;
        return sums;
      }
      sums.a[i] += static_cast<double>(t * std::cos(p));
      sums.b[i] += static_cast<double>(t * std::sin(p));
    }
  }
  if (centrosymmetric_)
    for (double& a : sums.a) a *= 2;
  return sums;
}

StructureFactor StructureFactorKernel::combine(const Sums& sums, const std::vector<float>& real_f,
                                               const std::vector<float>& imag_f) const {
  double re = 0, im = 0;
  for (std::size_t i = 0; i < atoms_.size(); ++i) {
    const Atom& atom = atoms_[i];
    const auto type = static_cast<std::size_t>(atom.type);
    const double f = real_f[type], fi = imag_f[type], a = atom.afact;
    if (centrosymmetric_) {
      re += sums.a[i] * a * f;
      im += sums.a[i] * a * fi;
    } else {
      re += (f * sums.a[i] - fi * sums.b[i]) * a;
      im += (fi * sums.a[i] + f * sums.b[i]) * a;
    }
  }
  StructureFactor result;
  result.modulus = static_cast<float>(std::sqrt(re * re + im * im));
  result.phase = structure_factor_phase(static_cast<float>(re), static_cast<float>(im));
  result.imaginary = static_cast<float>(im);
  return result;
}

StructureFactorKernel::Sums StructureFactorKernel::mirror(const Sums& sums) {
  Sums m = sums;
  for (double& b : m.b) b = b == 0 ? 0.0 : -b;
  return m;
}

StructureFactorPair StructureFactorKernel::xray_pair(int h, int k, int l, float s, const Notes& notes,
                                                     bool with_mate) const {
  if (s > 6.0f) return {StructureFactor{}, StructureFactor{}};
  const Sums sums = phase_sums(h, k, l, notes);
  if (!sums.ok) return {StructureFactor{0, 0, 0, false}, std::nullopt};
  std::vector<float> f(fcoef_.size());
  for (std::size_t j = 0; j < fcoef_.size(); ++j) {
    f[j] = form_factor(fcoef_[j], s) + fp_[j];
    if (f[j] < 0) f[j] = 0;
  }
  StructureFactorPair pair{combine(sums, f, fpp_), std::nullopt};
  if (with_mate && sums.mirrored) pair.mate = combine(mirror(sums), f, fpp_);
  return pair;
}

StructureFactor StructureFactorKernel::xray(int h, int k, int l, float s, const Notes& notes) const {
  return xray_pair(h, k, l, s, notes, false).value;
}

StructureFactorPair StructureFactorKernel::xray_with_mate(int h, int k, int l, float s, const Notes& notes) const {
  return xray_pair(h, k, l, s, notes, true);
}

bool StructureFactorKernel::type_sums(int h, int k, int l, const Notes& notes,
                                      std::vector<std::complex<double>>& sums) const {
  sums.assign(fp_.size(), {});
  const Sums atoms = phase_sums(h, k, l, notes);
  if (!atoms.ok) return false;
  for (std::size_t i = 0; i < atoms_.size(); ++i) {
    const double b = centrosymmetric_ ? 0.0 : atoms.b[i];
    sums[static_cast<std::size_t>(atoms_[i].type)] += std::complex<double>(atoms.a[i], b) * double{atoms_[i].afact};
  }
  return true;
}

StructureFactorPair StructureFactorKernel::neutron_pair(int h, int k, int l, const Notes& notes, bool with_mate) const {
  const Sums sums = phase_sums(h, k, l, notes);
  if (!sums.ok) return {StructureFactor{0, 0, 0, false}, std::nullopt};
  const std::vector<float> no_absorption(fp_.size(), 0.f);
  StructureFactorPair pair{combine(sums, fp_, no_absorption), std::nullopt};
  if (with_mate && sums.mirrored) pair.mate = combine(mirror(sums), fp_, no_absorption);
  return pair;
}

StructureFactor StructureFactorKernel::neutron(int h, int k, int l, const Notes& notes) const {
  return neutron_pair(h, k, l, notes, false).value;
}

StructureFactorPair StructureFactorKernel::neutron_with_mate(int h, int k, int l, const Notes& notes) const {
  return neutron_pair(h, k, l, notes, true);
}

}  // namespace kavro
