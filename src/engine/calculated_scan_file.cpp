// Writer of the calculated-scan file.
#include "engine/calculated_scan_file.hpp"

#include <cstddef>

#include "crystal/units.hpp"
#include "format/fixed_format.hpp"

namespace kavro {

// (F10.3,F20.4[,F20.4]): psi_i = psia + i (1/zsw), calculated, measured.
void write_calculated_scan(std::ostream& cal, const PsiGrid& grid, const MeasuredScan& measured,
                           const CalculatedScan& calculated) {
  const float step = 1.0f / grid.steps_per_degree;
  for (int i = 0; i <= grid.step_count; ++i) {
    const auto n = static_cast<std::size_t>(i);
    const float psi = grid.psia + static_cast<float>(i) * step;
    if (measured.scan_obs[n] < kGapMarker)
      ff::write(cal, "(F10.3,F20.4,F20.4)", {psi, calculated.scan_calc[n], measured.scan_obs[n]});
    else
      ff::write(cal, "(F10.3,F20.4)", {psi, calculated.scan_calc[n]});
  }
}

}  // namespace kavro
