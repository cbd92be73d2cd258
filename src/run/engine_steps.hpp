// The steps of a run that belong to the multiple-diffraction calculation.
#pragma once

#include <functional>
#include <ostream>

#include "engine/multiple_diffraction.hpp"
#include "run/run_requests.hpp"
#include "run/run_state.hpp"

namespace kavro {

// The event search of every wavelength line with its listing (two passes for
// the tube), then the simulated scan with I-prim and its extremes. Writes the
// elapsed time after each pass. Keeps each pass's event table when the
// options ask for it, and tells `progress` (when set) how far a pass is.
// With `pass_source`, each pass is taken from it instead of the engine's search
// (the join of a split run's chunk tables).
using PassSource = std::function<PassResult(const PassInput& input, std::ostream& out, const WavelengthLine& line,
                                            int pass_number)>;
void calculate_multiple_diffraction(RunState& st, std::ostream& out, MultipleDiffraction& engine,
                                    const RunProgress& progress = {}, const PassSource& pass_source = {});

// The share's event search of every wavelength line, each pass written to
// the chunk table `table` with one line about it in the listing.
void search_chunk(RunState& st, std::ostream& out, MultipleDiffraction& engine, const SearchShare& share,
                  std::ostream& table, const RunProgress& progress = {});

// The comparison with the measured scan (when there is one) and the Bragg
// angle of the tube's primary as the mean of its two lines.
void compare_and_finish(RunState& st);

// The summary blocks that precede the ".cal" file.
void write_scan_summary(const RunState& st, std::ostream& out);

// The event count before the page, or the message that there is no page.
// Returns whether a page is to be drawn.
bool write_page_prelude(const Radiation& radiation, const CalculatedScan& calculated, const CalculationOptions& options,
                        std::ostream& out);

}  // namespace kavro
