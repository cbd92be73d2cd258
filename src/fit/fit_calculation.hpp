// The calculation a fit varies: an input file's, with the steps a run takes
// before its passes, and the same calculation for other energies and cells.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "engine/calculation.hpp"
#include "kavro/error.hpp"

namespace kavro {

// A fit that cannot go on: bad input, a parameter the scan cannot determine,
// a diverging fit. The message says which.
class FitError : public Error {
 public:
  explicit FitError(const std::string& message) : Error(message) {}
};

// The input file's calculation as a run computes it without a measured scan. A bad input writes its message to
// `listing` and throws RunStop; an input without a simulated scan throws FitError.
Calculation fit_calculation(std::istream& input, std::ostream& listing);

// `base`'s experiment at 1 + energy times its energy (as experiment_at_energy
// moves it) with the cell edges times 1 + cell, prepared again: what a run of
// the input written there gives. FitError when it cannot be prepared there
// (the primary reflection leaves the sphere).
Calculation retuned_calculation(const Calculation& base, double energy, double cell);

}  // namespace kavro
