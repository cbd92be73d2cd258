// Absorption of X-rays in the crystal: linear absorption coefficient and
// density from the cell contents, and the absorption correction A* of a
// spherical crystal.
#pragma once


#include "crystal/crystal.hpp"
#include "crystal/notes.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"

namespace kavro {

// mu R at which the sphere table ends; beyond it no correction is applied.
inline constexpr float kMurLimit = 31.5f;

struct LinearAbsorption {
  float mu = 0;   // linear absorption coefficient (cm^-1)
  float rho = 0;  // density (g/cm^3)
};

// Klein-Nishina cross-section per electron at wavelength lambda (Angstrom),
// scaled so that sigma * Z / A is a mass coefficient in cm^2/g.
float klein_nishina(float lambda);

// Mass attenuation coefficient mu/rho (cm^2/g) of element z (1..83) at lambda:
// Victoreen photoelectric term of the wavelength's segment plus sigma * Z / A.
// A wavelength outside every segment of the element gets no photoelectric term.
float mass_attenuation(int z, float lambda, float sigma);

// X-rays: mu and density of the cell (volume vol in A^3) from the types
// 0..nf-1 of the run (`atomic_number`, `atoms_in_cell`) at wavelength lambda. An atomic
// number outside 1..83 is told as a warning and makes mu = 1.
LinearAbsorption mue(const Crystal& crystal, float lambda, float vol, const Notes& notes);

// Neutrons: density of the cell. An atomic number outside 1..92 is told as a
// warning and gives density 0.
float mue_n(const Crystal& crystal, float vol, const Notes& notes);

// A* of a sphere with mu R = mur at Bragg angle theta (degrees), interpolated
// in the table. Returns 1 where the table has no value (mur >= 31.5).
float absor1(float mur, float theta);

// The factor A* the run applies to a reflection at Bragg angle theta
// (radians): absor1 for X-rays with mur below 31.5, otherwise 1.
float absorption_factor(const Radiation& radiation, const Sample& sample, float theta);

}  // namespace kavro
