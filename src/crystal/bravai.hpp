// Expansion of the atom list by the lattice-centring translations.
#pragma once

#include "crystal/crystal.hpp"

namespace kavro {

// Appends to atoms 1..na of the asymmetric unit one shifted copy per centring
// translation of the lattice letter sgsym[0] (see `centring_translations`) and
// sets `na` to the expanded count (2 na for A, B, C, I; 4 na for F). A copy keeps
// `fnr`, `afact`, `bt` and `u_aniso_A2` of its atom; coordinates are not reduced into
// the cell. The atom arrays are grown when the caller left too little room.
void bravai(Crystal& crystal);

// Room for the centring copies of the na atoms (4 na) and for the tables of
// the nf scattering types; values already there are kept.
void make_room(Crystal& crystal);

// Atoms in the unit cell that one site of multiplier afact stands for, with
// the operators and the centring of the crystal's space group.
inline float cell_atoms_of_site(const Crystal& crystal, float afact) {
  return (static_cast<float>(crystal.centring_multiplicity) / static_cast<float>(crystal.ic)) * 2 * afact *
         static_cast<float>(crystal.ns);
}

}  // namespace kavro
