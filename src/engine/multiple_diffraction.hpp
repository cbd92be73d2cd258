// The multiple-diffraction calculation of a run: one pass per wavelength line
// (event search, intensities, listing of the events) and the simulated scan
// built from the events of all passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "crystal/notes.hpp"
#include "crystal/structure_factor_bound.hpp"

#include "engine/event_intensity.hpp"
#include "engine/event_search.hpp"
#include "engine/event_store.hpp"
#include "engine/pass_constants.hpp"
#include "engine/pass_input.hpp"
#include "engine/pass_part.hpp"
#include "engine/scan_profile.hpp"
#include "engine/search_share.hpp"
#include "engine/structure_factor_cache.hpp"

namespace kavro {

// What one pass found, for its listing.
struct PassResult {
  PassConstants constants;
  PrimaryReflection primary;
  IndexBounds bounds;
  EventStore store;
  int prager = 0;  // number of operative reflections
  std::int64_t scan_crossings = 0;  // crossings that entered the scan
  std::vector<TableEvent> table;    // in psi order, when the options keep the event table
};

// Fraction (0..1) of the pass's reflections gone through.
using PassProgress = std::function<void(double done)>;
// An event as the search found it, with the structure factors of h2 and h3:
// enough to evaluate it again for a sample of other widths without searching.
struct KeptEvent {
  EventGeometry geometry;
  double h3_sq = 0;
  StructureFactor f2, f3;
};

// The events of one pass with the line and the primary reflection it ran with.
struct KeptPass {
  WavelengthLine line;
  Primary primary;
  std::vector<KeptEvent> events;
};

// The wavelength lines of the radiation: K-alpha1 and K-alpha2 for the tube, one otherwise.
std::vector<WavelengthLine> wavelength_lines(const Radiation& radiation);

// How the calculation keeps within the memory budget of the run, whatever
// the size of the cell: the index box is searched a part of this many
// reflections at a time, the structure-factor table holds at most so many
// reflections, and the crossings of the scan are added to it whenever this
// many are waiting. An eighth of the budget goes to the table, a sixteenth
// each to the part of the box and to the waiting crossings: with the psi grid
// (half of it) and the atoms (a quarter) the whole run stays within it.
struct EngineMemory {
  std::int64_t search_part = 0;
  std::size_t structure_factors = 0;
  std::size_t waiting_crossings = 0;

  static EngineMemory of(const RunLimits& limits);
};

class MultipleDiffraction {
 public:
  explicit MultipleDiffraction(StructureFactorSource structure_factors, const RunLimits& limits = {})
      : memory_(EngineMemory::of(limits)),
        structure_factors_(std::move(structure_factors), memory_.structure_factors) {}

  // Searches and evaluates the events of one wavelength line, keeps those
  // near the window with intensity at or above drumin (at most 600) and
  // collects the crossings above drucut for the scan. Structure-factor
  // warnings go to `notes`; a failing structure factor, a full store or a value
  // that is no finite number tells its message and ends the run.
  PassResult run_pass(const PassInput& input, const Notes& notes, const WavelengthLine& line);

  // The share of a pass's search that one run of a split search makes, one
  // part per block of the share: the events of the block's reflections,
  // taken as run_pass takes them but with no limit on the listing's store,
  // their crossings kept in the part instead of added to the scan. A part's
  // messages are what run_pass would tell for its reflections; a run that
  // stops tells them to `notes`.
  std::vector<PassPart> search_share(const PassInput& input, const Notes& notes, const WavelengthLine& line,
                                     const SearchShare& share);

  // The pass joined from the parts of all its shares (shares[k] from
  // search_share with share k): open_pass, join_shares, then finish_pass
  // give what run_pass gives, its crossings waiting for add_profiles_to_scan
  // as run_pass leaves them.
  PassResult open_pass(const PassInput& input, const Notes& notes, const WavelengthLine& line);
  void join_shares(const PassInput& input, const Notes& notes, PassResult& pass,
                   std::vector<std::vector<PassPart>>& shares);
  void finish_pass(const PassInput& input, PassResult& pass) const;

  // Adds the profiles of all collected crossings to the scan on the grid.
  void add_profiles_to_scan(const PsiGrid& grid, const CalculationOptions& options, std::vector<float>& scan_calc,
                            const Notes& notes);

  // Called after each part of the index box of a pass.
  void report_progress(PassProgress progress) { progress_ = std::move(progress); }
  // Every later pass also appends its events, in enumeration order, to `kept`
  // (nullptr: none are kept).
  void keep_events(std::vector<KeptPass>* kept) { kept_ = kept; }

  // Structure factors and profile values computed so far, and the time they took.
  const EngineWork& work_done() const { return work_done_; }

 private:
  // Goes through reflections first..last-1 of the box a part at a time,
  // telling the progress as `done` of `total` reflections gone through before.
  void search_range(const PassInput& input, const Notes& notes, PassResult& pass, const SearchFrame& frame,
                    std::int64_t first, std::int64_t last, int workers, std::int64_t done, std::int64_t total);
  // Takes one block's part into the pass, in enumeration order.
  void join_part(const PassInput& input, const Notes& notes, PassResult& pass, PassPart& part);
  // Searches, evaluates and takes the events of reflections first..last-1 of the box.
  void take_part(const PassInput& input, const Notes& notes, PassResult& pass, const SearchFrame& frame,
                 std::int64_t first, std::int64_t last, int workers);
  // Adds the waiting crossings to the profile sums.
  void add_waiting_crossings(const PsiGrid& grid, const CalculationOptions& options, const Notes& notes);
  // Counts work about to be done; beyond the run's limit the run ends with a message.
  void spend_work(const CalculationOptions& options, const Notes& notes, std::int64_t terms);
  std::vector<EventIntensity> evaluate_events(const Radiation& radiation, const Sample& sample, const PassResult& pass,
                                              const std::vector<EventGeometry>& events, const std::vector<Hkl>& h3,
                                              const std::vector<double>& h3_sq, const std::vector<char>& needed,
                                              int workers) const;
  // Counts, stores and collects one event in enumeration order.
  void take_event(const PsiGrid& grid, const CalculationOptions& options, const Notes& notes, PassResult& pass,
                  const EventGeometry& e, const Hkl& h3, const EventIntensity& ev);
  void fill_structure_factors(const ReciprocalMetric& metric, const std::vector<EventGeometry>& events,
                              const std::vector<Hkl>& h3, const std::vector<double>& h3_sq,
                              const std::vector<char>& needed, int workers);
  // Builds the |F| bounds of the pass's box once, when the options ask for them and the crystal allows them.
  void prepare_bound(const PassInput& input, const PassResult& pass, const SearchFrame& frame);
  // Which events may reach drucut or drumin and so need their exact structure factors.
  std::vector<char> screen_events(const PassInput& input, const PassResult& pass,
                                  const std::vector<EventGeometry>& events, const std::vector<Hkl>& h3,
                                  const std::vector<double>& h3_sq, int workers) const;

  EngineMemory memory_;
  StructureFactorCache structure_factors_;
  std::vector<KeptPass>* kept_ = nullptr;
  std::vector<ScanEvent>* kept_crossings_ = nullptr;  // a share's crossings, kept instead of added
  std::optional<StructureFactorBound> bound_;
  bool bound_prepared_ = false;
  std::vector<ScanEvent> scan_events_;  // crossings waiting to be added to the sums
  ScanSums profile_sums_;
  bool interpolate_far_tails_ = false;  // the fast path of a large cell (fast_path.hpp)
  std::int64_t work_ = 0;
  EngineWork work_done_;
  PassProgress progress_;
};

}  // namespace kavro
