// Preparing and retuning the calculation of a fit.
#include "fit/fit_calculation.hpp"

#include "crystal/run_stop.hpp"
#include "energy/energy_calculation.hpp"
#include "run/input_preparation.hpp"

namespace kavro {

Calculation fit_calculation(std::istream& input, std::ostream& listing) {
  Calculation c = read_calculation(input, listing);
  if (!(c.grid.zsw1 > 0)) throw FitError("the input simulates no scan (steps per degree at or below 0 on line 6)");
  return c;
}

Calculation retuned_calculation(const Calculation& base, double energy, double cell) {
  Experiment e =
      energy == 0 ? current_experiment(base) : experiment_at_energy(base, energy_of(base.radiation.alam1) * (1 + energy));
  const auto edge_factor = static_cast<float>(1 + cell);
  e.crystal.a *= edge_factor;
  e.crystal.b *= edge_factor;
  e.crystal.c *= edge_factor;
  try {
    return prepare(e, Notes{});
  } catch (const RunStop& stop) {
    throw FitError(std::string("the calculation cannot be made at this energy and cell: ") + stop.what());
  }
}

}  // namespace kavro
