// The page of an energy scan of the perfect crystal: the calculated value
// against the energy (in eV from the lowest energy) in the result page's
// landscape frame, from 0 at the foot to the highest value at the top, and
// the parameter block right of it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "crystal/primary.hpp"
#include "plot/time_sample.hpp"

namespace kavro::app {

struct GlitchPage {
  const std::string& title;
  const Primary& primary;
  double psi = 0;                  // degrees
  std::vector<double> energy;      // keV, rising and evenly spaced
  std::vector<double> value;       // the calculated value per energy
  std::vector<std::string> lines;  // the parameter block: quantity, crystal, polarisation
  int digits = 4;                  // decimals of the extremes
};

void write_glitch_page(std::ostream& ps, std::ostream& messages, const GlitchPage& page, const TimeSample& now);

}  // namespace kavro::app
