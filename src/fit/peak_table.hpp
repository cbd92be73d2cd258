// Peaks and dips of the measured scan, each matched to the calculated event
// that makes it, and the fit of the psi offset and the energy (or the cell)
// to their positions alone.
#pragma once

#include <vector>

#include "engine/calculation.hpp"
#include "engine/event_store.hpp"
#include "fit/fit_parameters.hpp"
#include "fit/scan_fit.hpp"
#include "scans/plain_scan.hpp"

namespace kavro {

struct MeasuredPeak {
  double psi = 0;     // vertex of the parabola through the extreme point and its neighbours (degrees)
  double height = 0;  // above (peak) or below (dip) the median about it (cps)
  bool dip = false;
};

// Extremes of the measured points that stand out of the median of the points
// within half a degree by more than five of their sigma (and of the median
// point's) and are the largest (smallest) within `window` degrees.
std::vector<MeasuredPeak> find_measured_peaks(std::vector<ScanPoint> points, double window);

struct PeakMatch {
  MeasuredPeak peak;
  EventRecord event;      // the calculated event assigned to the peak
  double psi_calc = 0;    // the event's psi plus the offset (degrees)
  double difference = 0;  // measured less calculated (degrees)
  int line = 0;           // the event's wavelength: 0 the first, 1 the second of a tube
};

// Fits the offset and the energy or the cell (those in `free`) to the matched
// peaks: psi_measured = psi_event(energy, cell) + offset, each event placed
// again from its h2 for the retuned calculation. The uncertainties are those
// of the scatter of the positions. FitError with fewer matches than free
// parameters and one more.
FitOutcome fit_peak_positions(const Calculation& base, const std::vector<PeakMatch>& matches,
                              const std::vector<FitParameter>& free, ModelValues start);

}  // namespace kavro
