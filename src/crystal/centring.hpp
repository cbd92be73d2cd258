// Lattice centring: the translations that a centred lattice adds to every atom.
#pragma once

#include <string>
#include <vector>

#include "crystal/vectors.hpp"

namespace kavro {

// The non-zero centring translations of the lattice letter, in the order in which
// `bravai` appends the copies: I (1/2,1/2,1/2); A (0,1/2,1/2); B (1/2,0,1/2);
// C (1/2,1/2,0); F (1/2,1/2,0), (1/2,0,1/2), (0,1/2,1/2). P, R (rhombohedral
// axes) and every other letter have none.
const std::vector<Vec3>& centring_translations(char lattice);

// `centring_multiplicity`: 2 for A, B, C, I; 4 for F; 1 otherwise (judged by the first character
// of the space-group symbol; 1 for an empty symbol).
int centring_multiplicity(const std::string& sgsym);

}  // namespace kavro
