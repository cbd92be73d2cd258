// N-beam eigenproblem and boundary conditions (Colella, Acta Cryst. A30
// (1974) 413; the continuity of amplitude and normal derivative per beam as
// in Stepanov's grazing-incidence solutions). See n_beam.hpp for the
// conventions.
#include "dynamical/n_beam.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <Eigen/Dense>

#include "kavro/error.hpp"

namespace kavro::dynamical {
namespace {

using cd = std::complex<double>;
using Matrix = Eigen::MatrixXcd;
using Vector = Eigen::VectorXcd;

constexpr double kPi = 3.14159265358979323846;

Vec3d add(const Vec3d& a, const Vec3d& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3d scaled(const Vec3d& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
double dot(const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3d cross(const Vec3d& a, const Vec3d& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double norm(const Vec3d& a) { return std::sqrt(dot(a, a)); }

// Two unit vectors perpendicular to the direction u and to each other: the
// first as near the incident sigma as possible, so that beams near the
// primary's plane keep sigma and pi apart.
void polarisation_basis(const Vec3d& u, const Vec3d& sigma, const Vec3d& normal, Vec3d& e1, Vec3d& e2) {
  Vec3d s = add(sigma, scaled(u, -dot(sigma, u)));
  if (norm(s) < 1e-6) s = cross(normal, u);
  e1 = scaled(s, 1 / norm(s));
  e2 = cross(u, e1);
}

// The vacuum normal component of beam g over K: sqrt(gamma^2 - alpha), with
// Im < 0 for an evanescent wave (it then decays away from the surface on both sides).
cd vacuum_beta(double gamma, double alpha) {
  const double q = gamma * gamma - alpha;
  return q >= 0 ? cd(std::sqrt(q), 0) : cd(0, -std::sqrt(-q));
}

struct Modes {
  Vector eps;  // 4N eigenvalues
  Matrix x;    // 2N x 4N amplitudes, one column per mode
};

Modes eigenmodes(const Matrix& c, const Eigen::VectorXd& row_gamma) {
  const Eigen::Index m = c.rows();
  Matrix companion = Matrix::Zero(2 * m, 2 * m);
  companion.topRightCorner(m, m) = Matrix::Identity(m, m);
  companion.bottomLeftCorner(m, m) = -c;
  for (Eigen::Index i = 0; i < m; ++i) companion(m + i, m + i) = -2.0 * row_gamma(i);
  Eigen::ComplexEigenSolver<Matrix> solver(companion, true);
  if (solver.info() != Eigen::Success) throw Error("the N-beam eigenproblem did not converge");
  Modes modes{solver.eigenvalues(), solver.eigenvectors().topRows(m)};
  for (Eigen::Index j = 0; j < 2 * m; ++j) {
    const double n = modes.x.col(j).norm();
    if (n > 0) modes.x.col(j) /= n;
  }
  return modes;
}

}  // namespace

NBeamSolution solve_n_beam(const BeamSet& beams, double thickness) {
  const std::size_t n = beams.g.size();
  if (n == 0 || beams.chi.size() != n * n) throw Error("the beam set has no beams or a chi table of the wrong size");
  if (!(beams.k > 0) || !(thickness > 0)) throw Error("the wavelength and the thickness must be positive");
  const double k = beams.k;
  const Vec3d& nrm = beams.normal;
  const double gamma0 = dot(nrm, beams.k0) / k;
  if (!(gamma0 > 1e-9)) throw Error("the incident beam does not enter the crystal surface");

  NBeamSolution out;
  out.alpha.resize(n);
  out.gamma.resize(n);
  std::vector<Vec3d> e1(n), e2(n);
  for (std::size_t g = 0; g < n; ++g) {
    const Vec3d u = add(beams.k0, beams.g[g]);
    const double u_len = norm(u);
    if (!(u_len > 0)) throw Error("a beam has no direction");
    out.alpha[g] = g == 0 ? 0.0 : (dot(u, u) - k * k) / (k * k);
    out.gamma[g] = dot(nrm, u) / k;
    polarisation_basis(scaled(u, 1 / u_len), beams.sigma, nrm, e1[g], e2[g]);
  }

  // C = alpha - chi_0 - M on the 2N components (beam g: rows 2g, 2g + 1).
  const Eigen::Index m = static_cast<Eigen::Index>(2 * n);
  Matrix c = Matrix::Zero(m, m);
  Eigen::VectorXd row_gamma(m);
  for (std::size_t g = 0; g < n; ++g) {
    const Vec3d* eg[2] = {&e1[g], &e2[g]};
    for (int a = 0; a < 2; ++a) {
      const Eigen::Index row = static_cast<Eigen::Index>(2 * g + a);
      row_gamma(row) = out.gamma[g];
      c(row, row) = out.alpha[g] - beams.chi[g * n + g];
      for (std::size_t h = 0; h < n; ++h) {
        if (h == g) continue;
        const Vec3d* eh[2] = {&e1[h], &e2[h]};
        for (int b = 0; b < 2; ++b)
          c(row, static_cast<Eigen::Index>(2 * h + b)) = -beams.chi[g * n + h] * dot(*eg[a], *eh[b]);
      }
    }
  }
  const Modes modes = eigenmodes(c, row_gamma);

  std::vector<cd> beta(n);
  for (std::size_t g = 0; g < n; ++g) beta[g] = vacuum_beta(out.gamma[g], out.alpha[g]);
  const double kappa = 2 * kPi * k;
  const bool plate = std::isfinite(thickness);

  // The modes taken: all 4N in a plate; in a half-space the 2N that decay
  // into the crystal or, without absorption, carry their energy into it.
  std::vector<Eigen::Index> taken;
  if (plate) {
    taken.resize(static_cast<std::size_t>(2 * m));
    std::iota(taken.begin(), taken.end(), Eigen::Index{0});
  } else {
    std::vector<std::pair<double, Eigen::Index>> key;
    const double tiny = 1e-13 * (1 + modes.eps.cwiseAbs().maxCoeff());
    for (Eigen::Index j = 0; j < 2 * m; ++j) {
      const double im = modes.eps(j).imag();
      double flux = 0;
      for (Eigen::Index r = 0; r < m; ++r) flux += std::norm(modes.x(r, j)) * (row_gamma(r) + modes.eps(j).real());
      key.emplace_back(std::fabs(im) > tiny ? im : (flux > 0 ? -tiny / 2 : tiny / 2), j);
    }
    std::sort(key.begin(), key.end());
    for (Eigen::Index j = 0; j < m; ++j) taken.push_back(key[static_cast<std::size_t>(j)].second);
  }

  // Unknowns: the amplitude of each taken mode, referred to the surface where
  // it is largest (the entrance for a mode decaying with depth, the back
  // surface for one growing), so that no factor exceeds 1 in a thick plate.
  const Eigen::Index unknowns = static_cast<Eigen::Index>(taken.size());
  std::vector<cd> at_front(taken.size(), 1.0), at_back(taken.size(), 0.0);
  if (plate) {
    for (std::size_t t = 0; t < taken.size(); ++t) {
      const cd eps = modes.eps(taken[t]);
      const cd phase = std::exp(cd(0, -kappa * thickness) * eps);  // exp(-i kappa eps t), |.| = exp(kappa Im eps t)
      if (eps.imag() > 0) {
        at_front[t] = std::exp(cd(0, kappa * thickness) * eps);
        at_back[t] = 1.0;
      } else {
        at_back[t] = phase;
      }
    }
  }
  // Front: sum_j c_j x_j (gamma_g + eps_j + beta_g) = 2 beta_0 delta_g0 s;
  // back: sum_j c_j x_j (gamma_g + eps_j - beta_g) = 0 (the common phase of each row dropped).
  Matrix system = Matrix::Zero(plate ? 2 * m : m, unknowns);
  for (Eigen::Index t = 0; t < unknowns; ++t) {
    const Eigen::Index j = taken[static_cast<std::size_t>(t)];
    for (Eigen::Index r = 0; r < m; ++r) {
      const cd b = beta[static_cast<std::size_t>(r / 2)];
      const cd x = modes.x(r, j) * (row_gamma(r) + modes.eps(j));
      system(r, t) = at_front[static_cast<std::size_t>(t)] * (x + b * modes.x(r, j));
      if (plate) system(m + r, t) = at_back[static_cast<std::size_t>(t)] * (x - b * modes.x(r, j));
    }
  }
  Matrix rhs = Matrix::Zero(system.rows(), 2);
  rhs(0, 0) = 2.0 * beta[0];
  rhs(1, 1) = 2.0 * beta[0];
  const Eigen::FullPivLU<Matrix> lu(system);
  if (!lu.isInvertible()) throw Error("the boundary conditions of the N-beam solution are singular");
  const Matrix amplitudes = lu.solve(rhs);

  for (int pol = 0; pol < 2; ++pol) {
    out.power[pol].assign(n, ExitPower{});
    for (Eigen::Index r = 0; r < m; ++r) {
      cd front = r == pol ? cd(-1.0) : cd(0.0), back = 0.0;
      for (Eigen::Index t = 0; t < unknowns; ++t) {
        const Eigen::Index j = taken[static_cast<std::size_t>(t)];
        front += amplitudes(t, pol) * at_front[static_cast<std::size_t>(t)] * modes.x(r, j);
        back += amplitudes(t, pol) * at_back[static_cast<std::size_t>(t)] * modes.x(r, j);
      }
      const std::size_t g = static_cast<std::size_t>(r / 2);
      const double flux = beta[g].real() / gamma0;
      out.power[pol][g].front += std::norm(front) * flux;
      if (plate) out.power[pol][g].back += std::norm(back) * flux;
    }
  }
  return out;
}

}  // namespace kavro::dynamical
