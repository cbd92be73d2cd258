// Listing blocks of the multiple-diffraction calculation.
#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

#include "crystal/notes.hpp"
#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "engine/calculated_scan.hpp"
#include "engine/calculation_options.hpp"
#include "engine/multiple_diffraction.hpp"
#include "scans/measured_scan.hpp"

namespace kavro {

// Header of a pass: primary reflection, radiation, beam and crystal
// parameters, index bounds, reference direction and psi offset.
void write_pass_header(std::ostream& out, const Primary& primary, const Sample& sample, const PassResult& pass);
// The primary reflection of the pass and the header of the event table.
void write_primary_block(std::ostream& out, const Radiation& radiation, const Primary& primary,
                         const MeasuredScan& measured, const CalculationOptions& options, const PassResult& pass);
// Phase in degrees within -180..180 as the event lines show it.
float listed_phase(float radians);
// Triplet phase in degrees as the event lines show it: 360 off while above 180, at most twice.
float listed_triplet_phase(float radians);
// One stored event.
void write_event_line(std::ostream& out, const EventRecord& r);
// Events of a full turn and the Prager count.
void write_event_counts(std::ostream& out, const PassResult& pass);

// Measured against calculated scan.
void write_measured_comparison(std::ostream& out, const Primary& primary, const MeasuredScan& measured,
                               const CalculatedScan& calculated);
// Extremes and I-prim of the calculated scan.
void write_calculated_extremes(std::ostream& out, const CalculatedScan& calculated);
// The psi grid and the interference setting.
void write_scan_settings(std::ostream& out, const PsiGrid& grid, const CalculationOptions& options);
// Number of crossings that entered the scan.
void write_scan_event_count(std::ostream& out, const Radiation& radiation, const CalculatedScan& calculated,
                            const CalculationOptions& options);
// The line of a run that takes the fast path, with its bound (none for the
// direct path, whose listing stays as it was).
void write_fast_path_line(std::ostream& out);

// No crossing entered the scan, or the scan is flat: no page.
void write_no_events(std::ostream& out);

// More events than the store holds: the message, and the run stops with it.
[[noreturn]] void stop_store_overflow(const Notes& notes);
// The same message as a warning, after the events of a pass that keeps its event table.
void write_store_overflow_warning(std::ostream& out, std::int64_t limit);

// After two empty lines " <what> gives no finite number," and " check the
// <lines> of the input-file!": a value of the calculation became NaN or
// infinite, and the run cannot show it. The run stops with "<what> gives no
// finite number" (the value, whatever the input was).
[[noreturn]] void stop_not_finite(const Notes& notes, std::string_view what, std::string_view lines);

// The index box of the search holds more reflections than one search may
// test, or an index beyond the largest one: the message naming the cell and
// wavelength lines, and the run stops with the box's message.
[[noreturn]] void stop_search_too_large(const Notes& notes, const IndexBounds& bounds, std::int64_t max_reflections);

// The calculation needs more terms than the work limit of the run: the
// message, and the run stops with it.
[[noreturn]] void stop_work_limit(const Notes& notes, std::int64_t limit);

}  // namespace kavro
