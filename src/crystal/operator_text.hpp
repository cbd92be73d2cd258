// Text form of the symmetry operators in the listing ("1/2+x    ,     -y  ,...").
#pragma once

#include <string>
#include <vector>

#include "crystal/crystal.hpp"

namespace kavro {

// The three-character text of a translation t, found by the first of these open
// intervals that holds t: (0.80,0.90) "5/6", (0.73,0.76) "3/4", (0.65,0.67) "2/3",
// (0.49,0.51) "1/2", (0.32,0.34) "1/3", (0.24,0.26) "1/4", (0.15,0.17) "1/6",
// (-0.10,0.10) blanks, otherwise "***". For the seven fractions t is replaced by
// the exact fraction in single precision; otherwise it is left unchanged.
std::string snap_translation(float& t);

// One row of an operator, 9 characters: the translation text, then for x, y, z
// "+x"/"-x" for a coefficient +1/-1 and two blanks for 0. Snaps t.
std::string operator_row_text(float& t, const Vec3& coefficients);

// The listing lines of operators 1..ns, three operators per line; each operator is
// its rows joined by "," and closed by ";", operators on a line are separated by two
// blanks. Snaps the translations of st in place.
std::vector<std::string> operator_lines(Crystal& crystal);

}  // namespace kavro
