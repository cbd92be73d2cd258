// The calculation a fit varies: an input file's, with the steps a run takes
// before its passes, and the same calculation for other energies and cells.
#pragma once

#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>

#include "engine/calculation.hpp"

namespace kavro {

// A fit that cannot go on: bad input, a parameter the scan cannot determine,
// a diverging fit. The message says which.
class FitError : public std::runtime_error {
 public:
  explicit FitError(const std::string& message) : std::runtime_error(message) {}
};

// The input file's calculation as a run computes it without a measured scan. A bad input writes its message to
// `listing` and throws RunStop; an input without a simulated scan throws FitError.
Calculation fit_calculation(std::istream& input, std::ostream& listing);

// `base` with every wavelength divided by 1 + energy and the cell edges times
// 1 + cell. A changed energy moves f' and f'' of synchrotron inputs' types
// that carry Cromer-Liberman's values by Cromer-Liberman's change (with F-prim
// when it was computed), and
// mu as a run computes it; a tube keeps its table's f' and f'', neutrons their
// scattering lengths. FitError when the primary reflection then leaves the
// sphere.
Calculation retuned_calculation(const Calculation& base, double energy, double cell);

}  // namespace kavro
