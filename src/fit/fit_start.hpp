// Where a fit starts: the offset (and the energy or the cell) at which the
// pattern of the measured peaks and dips, their positions and signs, matches
// the calculated events best, searched over the whole offset range before
// the least squares refine it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/calculation.hpp"
#include "fit/fit_parameters.hpp"
#include "fit/peak_table.hpp"

namespace kavro {

struct StartRequest {
  std::vector<FitParameter> free;
  ModelValues start;           // the widths, and the offset, energy and cell where given
  bool offset_given = false;   // the offset search stays within the tolerance of start.offset
  bool shift_given = false;    // the energy (or cell) is not searched
  ParameterRange offset;       // degrees
  ParameterRange shift;        // relative change of the energy, or of the cell when only it is free
  double tolerance = 0.1;      // degrees: a measured peak this far from an event can be its peak
  double fine_tolerance = 0.02;  // degrees: the same once offset and energy are refined to the pairs
  double merge = 0.02;         // degrees: closer events are one feature
  // Peak positions alone are fitted: another assignment at the same offset
  // nearly as good is an ambiguity too (the scan's fit decides among those).
  bool positions_only = false;
};

struct StartSearch {
  ModelValues values;                // offset and energy or cell of the best match
  std::vector<PeakMatch> matches;    // one to one at `values`
  std::vector<EventRecord> events;   // the calculated events the search placed (at the start's energy)
  std::vector<int> lines;            // per event: 0 the first wavelength, 1 the second
  std::size_t measured_peaks = 0;
  std::size_t trials = 0;            // trial energies or cells
  double score = 0;
  bool ambiguous = false;
  std::string ambiguity;             // the other match nearly as good
};

// The search over the offset range and, when the energy or the cell is free,
// over the range of its change, each trial's events placed from their h2
// without a new search. Without measured peaks: the start values, no match.
StartSearch search_start(const Calculation& base, const std::vector<ScanPoint>& points,
                         const std::vector<MeasuredPeak>& peaks, const StartRequest& request);

// The measured peaks assigned one to one to the scan's crossings `events`
// (psi of the calculation, on wavelength `lines`) at `offset`, within the
// fine tolerance.
std::vector<PeakMatch> assign_peaks(const std::vector<MeasuredPeak>& peaks, const std::vector<EventRecord>& events,
                                    const std::vector<int>& lines, double offset, const StartRequest& request,
                                    double psi_low, double psi_high);

}  // namespace kavro
