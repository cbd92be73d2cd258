// Each event blocks, along its curve, the psi on either side of it where its
// own contribution to the scan reaches the threshold, and inside the gaps
// left the summed profiles block where tails add up. Blocked intervals are brought into the turn that starts at the domain's
// start, split where they pass its end, merged, and the gaps between them
// within the domain kept.
#include "map/safe_windows.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/scan_profile.hpp"
#include "format/fixed_format.hpp"
#include "map/level_profiles.hpp"

namespace kavro::map {
namespace {

struct Blocked {
  double from = 0, to = 0;
  std::optional<Hkl> h2;
};

// [from, to] (to - from below 360) in the turn [start, start + 360), split in two where it passes the end.
void add_in_turn(std::vector<Blocked>& out, double from, double to, double start, const std::optional<Hkl>& h2) {
  if (to - from >= 360) {
    out.push_back({start, start + 360, h2});
    return;
  }
  const double shift = std::floor((from - start) / 360) * 360;
  from -= shift;
  to -= shift;
  if (to <= start + 360) {
    out.push_back({from, to, h2});
    return;
  }
  out.push_back({from, start + 360, h2});
  out.push_back({start, to - 360, h2});
}

// The largest reach of the curve over the levels from the last at or below
// `lo` to the first at or above `hi`: between two levels the profile is
// taken as wide as at the wider of them.
Reach reach_over(const MapCurve& c, double lo, double hi) {
  Reach r;
  if (c.reach.empty()) return r;
  std::size_t first = 0, last = c.reach.size() - 1;
  for (std::size_t i = 0; i < c.reach.size(); ++i) {
    if (c.reach[i].energy <= lo) first = i;
    if (c.reach[i].energy >= hi) {
      last = i;
      break;
    }
  }
  for (std::size_t i = first; i <= last; ++i) {
    r.inner = std::max(r.inner, c.reach[i].reach.inner);
    r.outer = std::max(r.outer, c.reach[i].reach.outer);
  }
  return r;
}

// The first crossing's inner side lies at lower psi, the second's at higher.
void add_branch(std::vector<Blocked>& out, const MapCurve& c, bool first, double start) {
  const auto psi = [first](const MapPoint& p) { return first ? p.at.psi_a : p.at.psi_b; };
  const auto block = [&](double lo_psi, double hi_psi, double lo_e, double hi_e) {
    const Reach r = reach_over(c, lo_e, hi_e);
    if (!r.any()) return;
    const double below = first ? r.inner : r.outer;
    const double above = first ? r.outer : r.inner;
    add_in_turn(out, lo_psi - below, hi_psi + above, start, c.h2);
  };
  if (c.points.size() == 1) {
    block(psi(c.points[0]), psi(c.points[0]), c.points[0].at.energy, c.points[0].at.energy);
    return;
  }
  for (std::size_t i = 1; i < c.points.size(); ++i) {
    const MapPoint& a = c.points[i - 1];
    const MapPoint& b = c.points[i];
    block(std::min(psi(a), psi(b)), std::max(psi(a), psi(b)), a.at.energy, b.at.energy);
  }
}

// The free intervals of the turn [start, start + 360) between sorted blocked ones.
std::vector<Blocked> free_intervals(const std::vector<Blocked>& blocked, double start) {
  std::vector<Blocked> gaps;
  double free_from = start;
  for (const Blocked& b : blocked) {
    if (b.from > free_from) gaps.push_back({free_from, b.from, std::nullopt});
    free_from = std::max(free_from, b.to);
  }
  if (free_from < start + 360) gaps.push_back({free_from, start + 360, std::nullopt});
  return gaps;
}

// The steps of [from, to] where at one of the levels the profiles of all
// the map's events, added as the run adds them, reach the threshold; each
// named by the crossing nearest to it (steps of profile_step).
std::vector<Blocked> summed_blocks(const PsiEnergyMap& map, const std::vector<LevelProfiles>& levels, double from,
                                   double to, double step) {
  const ScanGrid grid{static_cast<float>(from), static_cast<float>(1 / step),
                      static_cast<int>(std::ceil((to - from) / step)), map.nnn};
  std::vector<Blocked> blocks;
  for (const LevelProfiles& level : levels) {
    if (level.events.empty()) continue;
    const ScanSums sums = accumulate_profiles(level.events, grid, map.workers);
    const auto nearest = [&](double psi) {
      std::size_t best = 0;
      for (std::size_t j = 1; j < level.events.size(); ++j)
        if (std::fabs(level.events[j].psi - psi) < std::fabs(level.events[best].psi - psi)) best = j;
      return level.h2[best];
    };
    const std::size_t before = blocks.size();  // the blocks of this level start here
    for (std::size_t i = 0; i < sums.sums.size(); ++i) {
      if (!(std::fabs(sums.sums[i]) >= map.threshold)) continue;
      const double psi = from + static_cast<double>(i) * step;
      if (blocks.size() > before && blocks.back().to >= psi - step)
        blocks.back().to = psi + step;
      else
        blocks.push_back({psi - step, psi + step, nearest(psi)});
    }
  }
  return blocks;
}

std::string indices(const Hkl& h) {
  std::string text = ff::format("(3I4)", {h[0], h[1], h[2]});
  text.pop_back();
  return text;
}

}  // namespace

std::vector<SafeWindow> safe_windows(const PsiEnergyMap& map, const PsiDomain& domain, double min_width) {
  std::vector<Blocked> blocked;
  for (const auto* curves : {&map.curves, &map.faint})
    for (const MapCurve& c : *curves)
      for (const bool first : {true, false}) add_branch(blocked, c, first, domain.from);
  std::sort(blocked.begin(), blocked.end(), [](const Blocked& a, const Blocked& b) { return a.from < b.from; });
  // Where the tails of all events together reach the threshold inside the
  // gaps left by the events one at a time.
  std::vector<Blocked> summed;
  const std::vector<LevelProfiles> levels = level_profiles(map, domain.from);
  const double step = profile_step(map);
  for (const Blocked& gap : free_intervals(blocked, domain.from))
    for (const Blocked& b : summed_blocks(map, levels, gap.from, gap.to, step))
      add_in_turn(summed, b.from, b.to, domain.from, b.h2);
  blocked.insert(blocked.end(), summed.begin(), summed.end());
  std::sort(blocked.begin(), blocked.end(), [](const Blocked& a, const Blocked& b) { return a.from < b.from; });

  std::vector<SafeWindow> gaps;
  double free_from = domain.from;
  std::optional<Hkl> left;
  for (const Blocked& b : blocked) {
    if (b.from > free_from) gaps.push_back({free_from, b.from, left, b.h2});
    if (b.to > free_from) {
      free_from = b.to;
      left = b.h2;
    }
  }
  const double end = domain.full_turn() ? domain.from + 360 : domain.to;
  if (free_from < end) gaps.push_back({free_from, end, left, std::nullopt});
  // A full turn closes on itself: the last gap runs on into the first.
  if (domain.full_turn() && gaps.size() > 1 && gaps.front().from <= domain.from && gaps.back().to >= end) {
    gaps.front() = {gaps.back().from, gaps.front().to + 360, gaps.back().left, gaps.front().right, true};
    gaps.pop_back();
  }
  std::vector<SafeWindow> windows;
  for (SafeWindow& g : gaps) {
    g.from = std::max(g.from, domain.from);
    if (!domain.full_turn() && g.to > domain.to) {
      g.to = domain.to;
      g.right.reset();
    }
    if (g.width() >= min_width) windows.push_back(g);
  }
  std::stable_sort(windows.begin(), windows.end(),
                   [](const SafeWindow& a, const SafeWindow& b) { return a.width() > b.width(); });
  return windows;
}

void write_window_table(std::ostream& out, const PsiEnergyMap& map, const std::vector<SafeWindow>& windows,
                        double min_width, double widest) {
  char threshold[32];
  std::snprintf(threshold, sizeof threshold, "%.4g", static_cast<double>(map.threshold));
  ff::write(out, "(/' Safe psi windows from',F8.3,' to',F8.3,' keV: the simulated scan stays within ',A,' cps')",
            {map.e_lo, map.e_hi, std::string(threshold)});
  out << " of the primary's own level at every energy (each event's profile cut where it falls below that)\n";
  ff::write(out, "(' at least',F8.3,' degrees wide, widest first',I8,' found')",
            {min_width, static_cast<int>(windows.size())});
  if (windows.empty()) {
    if (widest > 0)
      ff::write(out, "(' none is that wide: the widest free interval is',F8.3,' degrees;')", {widest});
    else
      out << " the events cover every azimuth of the range;\n";
    out << " give a smaller --min-width (default 5 x the largest FWHM), a larger --threshold (cps)"
           " or a narrower energy range\n";
    return;
  }
  out << "    psi from      psi to       width    event before    event after\n";
  bool any_wraps = false;
  for (const SafeWindow& w : windows) {
    std::string line = ff::format("(3F12.3)", {w.from, w.end_in_domain(), w.width()});
    line.pop_back();
    line += "  " + (w.left ? indices(*w.left) : std::string(12, ' '));
    line += "    " + (w.right ? indices(*w.right) : std::string(12, ' '));
    if (w.wraps) line += "  *";
    any_wraps = any_wraps || w.wraps;
    out << line << "\n";
  }
  if (any_wraps) out << " * runs through the end of the full turn into its start\n";
}

}  // namespace kavro::map
