// The space group of a crystal file, from whichever symmetry items it gives:
// the list of symmetry operators, the Hall symbol, the Hermann-Mauguin symbol
// or the space-group number (in that order of trust), checked against each
// other and against the cell.
#pragma once

#include <string>
#include <vector>

#include "cif/crystal.hpp"

namespace kavro::cif {

// The symmetry items as written in the file; empty strings for items it lacks.
struct SymmetryItems {
  std::vector<std::string> operators;  // coordinate triplets, "-x+1/2,y,-z"
  std::string hall;                    // "-P 2ybc"
  std::string hermann_mauguin;         // "P 1 21/c 1", "F d -3 m :2", "R -3 c H"
  std::string number;                  // "14"
};

struct FileSpaceGroup {
  std::vector<SymOp> group;  // every operation, centring included, identity first
  std::string description;   // the item the group was taken from
  std::vector<std::string> notes;  // items that were left aside, and why
};

// The operator list, when it forms a group, decides; a symbol or number beside
// it that cannot be read or names another group is a note. Without usable
// operators, throws CifError when no item is given, an item cannot be read or
// is ambiguous (a symbol or number of a group with two origins and no origin
// choice) or the items contradict each other; in either case when the cell
// lacks the symmetry.
FileSpaceGroup file_space_group(const SymmetryItems& items, const UnitCell& cell);

}  // namespace kavro::cif
