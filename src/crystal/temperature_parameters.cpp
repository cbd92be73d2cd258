// The two forms of the anisotropic temperature parameters and their listing.
#include "crystal/temperature_parameters.hpp"

#include "format/fixed_format.hpp"

namespace kavro {
namespace {

constexpr float kOneOverTwoPiSquared = 0.05066059f;
constexpr float kTwoPiSquared = 19.739208f;

// The reciprocal-axis products that scale b_i into u_i: a*a*, b*b*, c*c*, a*b*, a*c*, b*c*.
std::array<float, 6> axis_products(const Crystal& crystal) {
  return {crystal.a_star_per_A * crystal.a_star_per_A, crystal.b_star_per_A * crystal.b_star_per_A, crystal.c_star_per_A * crystal.c_star_per_A,
          crystal.a_star_per_A * crystal.b_star_per_A, crystal.a_star_per_A * crystal.c_star_per_A, crystal.b_star_per_A * crystal.c_star_per_A};
}

}  // namespace

void convert_temperature_parameters(Crystal& crystal) {
  const std::array<float, 6> products = axis_products(crystal);
  for (int i = 0; i < crystal.na; ++i) {
    auto& beta = crystal.bt[static_cast<std::size_t>(i)];
    auto& u = crystal.u_aniso_A2[static_cast<std::size_t>(i)];
    for (std::size_t m = 0; m < 6; ++m) {
      if (crystal.i_u_b == 0) {
        u[m] = kOneOverTwoPiSquared * beta[m] / products[m];
      } else {
        u[m] = beta[m];
        beta[m] = kTwoPiSquared * u[m] * products[m];
      }
    }
  }
}

//
//  Atomic position and temperature parameters (beta-ij are input by the user):
//
//  Y3+  0.250000  0.125000  0.000000  0.250000      (1X,A4,F9.6,2X,3F10.6)
//  beta:  b1 .. b6                                  (' beta:',6F10.6)
//  u   :  u1 .. u6                                  (' u   :',6F10.6)
void write_atom_parameters(const Crystal& crystal, std::ostream& out) {
  ff::write(out, crystal.i_u_b == 0
                     ? "(/' Atomic position and temperature parameters (beta-ij are input by the user):')"
                     : "(/' Atomic position and temperature parameters (u-ij are input by the user):')");
  for (int i = 0; i < crystal.na; ++i) {
    const auto ii = static_cast<std::size_t>(i);
    const auto type = static_cast<std::size_t>(static_cast<int>(crystal.fnr[ii]) - 1);
    const Vec3& x = crystal.xyz[ii];
    const auto& b = crystal.bt[ii];
    const auto& u = crystal.u_aniso_A2[ii];
    ff::write(out, "(/1X,A4,F9.6,2X,3F10.6)", {crystal.atn[type], crystal.afact[ii], x[0], x[1], x[2]});
    ff::write(out, "(' beta:',6F10.6)", {b[0], b[1], b[2], b[3], b[4], b[5]});
    ff::write(out, "(' u   :',6F10.6)", {u[0], u[1], u[2], u[3], u[4], u[5]});
  }
}

}  // namespace kavro
