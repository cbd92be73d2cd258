#include "engine/preparation_stops.hpp"

#include "crystal/run_stop.hpp"
#include "engine/engine_listing.hpp"

namespace kavro {
namespace {

constexpr const char* kStructureLines = "chemical symbol lines and the atom parameter lines";

}  // namespace

void stop_cell_atoms_uncountable(const Notes& notes, StopWording wording) {
  if (wording == StopWording::input_lines)
    stop_with_lines(notes, {" The site multipliers afact put more atoms into the cell than can be counted,",
                            " check the atom parameter lines of the input-file!"});
  stop_with_lines(notes, {" The site multipliers afact put more atoms into the cell than can be counted"});
}

void stop_no_reciprocal_cell(const Notes& notes, StopWording wording) {
  if (wording == StopWording::input_lines)
    stop_with_lines(notes, {" The cell constants describe no cell: its volume is zero or imaginary,",
                            " check the third line of the input-file!"});
  stop_with_lines(notes, {" The cell constants a, b, c, alpha, beta, gamma describe no cell:",
                          " its volume is zero or imaginary"});
}

void stop_outside_ewald_sphere(const Notes& notes, StopWording wording) {
  if (wording == StopWording::input_lines)
    stop_with_text(notes, "\n\n\n The wavelength is to large\n the primary reflection is outside of the Ewald-sphere !!\n");
  stop_with_lines(notes, {" The wavelength is to large", " the primary reflection is outside of the Ewald-sphere !!"});
}

void stop_primary_not_finite(const Notes& notes, StopWording wording) {
  if (wording == StopWording::input_lines)
    stop_not_finite(notes, "The structure factor of the primary reflection", kStructureLines);
  stop_with_lines(notes, {" The structure factor of the primary reflection is no finite number"});
}

void stop_mu_not_finite(const Notes& notes, StopWording wording) {
  if (wording == StopWording::input_lines)
    stop_not_finite(notes, "The linear absorption coefficient", kStructureLines);
  stop_with_lines(notes, {" The linear absorption coefficient mu is no finite number"});
}

}  // namespace kavro
