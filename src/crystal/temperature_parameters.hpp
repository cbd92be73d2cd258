// The two forms of the anisotropic temperature parameters and their listing.
#pragma once

#include <ostream>

#include "crystal/crystal.hpp"

namespace kavro {

// Converts the parameters read for every atom into both forms: beta (kept in
// `bt`, T = exp(-(b1 h h + ... + 2 b6 k l))) and u (square Angstrom, kept in
// `u_aniso_A2`, T = exp(-2 pi^2 (u1 a*^2 h h + ... + 2 u6 b* c* k l))). `i_u_b`
// tells which form was read. Needs the reciprocal axes.
void convert_temperature_parameters(Crystal& crystal);

// Atom listing: symbol, multiplier, position, beta and u of every atom of the
// expanded list.
void write_atom_parameters(const Crystal& crystal, std::ostream& out);

}  // namespace kavro
