// Blocked intervals are brought into the turn that starts at the domain's
// start, split where they pass its end, merged, and the gaps between them
// within the domain kept.
#include "map/safe_windows.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "format/fixed_format.hpp"

namespace kavro::map {
namespace {

struct Blocked {
  double from = 0, to = 0;
  Hkl h2{};
};

// [from, to] (to - from below 360) in the turn [start, start + 360), split in two where it passes the end.
void add_in_turn(std::vector<Blocked>& out, double from, double to, double start, const Hkl& h2) {
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

void add_branch(std::vector<Blocked>& out, const MapCurve& c, bool first, double threshold, double start) {
  const double half = c.fwhm / 2.0;
  const auto psi = [first](const MapPoint& p) { return first ? p.at.psi_a : p.at.psi_b; };
  if (c.points.size() == 1) {
    if (c.points[0].strength >= threshold)
      add_in_turn(out, psi(c.points[0]) - half, psi(c.points[0]) + half, start, c.h2);
    return;
  }
  for (std::size_t i = 1; i < c.points.size(); ++i) {
    const MapPoint& a = c.points[i - 1];
    const MapPoint& b = c.points[i];
    if (!(std::max(a.strength, b.strength) >= threshold)) continue;
    add_in_turn(out, std::min(psi(a), psi(b)) - half, std::max(psi(a), psi(b)) + half, start, c.h2);
  }
}

std::string indices(const Hkl& h) {
  std::string text = ff::format("(3I4)", {h[0], h[1], h[2]});
  text.pop_back();
  return text;
}

}  // namespace

std::vector<SafeWindow> safe_windows(const PsiEnergyMap& map, const PsiDomain& domain, double min_width) {
  std::vector<Blocked> blocked;
  for (const MapCurve& c : map.curves)
    for (const bool first : {true, false}) add_branch(blocked, c, first, map.threshold, domain.from);
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
    gaps.front() = {gaps.back().from, gaps.front().to + 360, gaps.back().left, gaps.front().right};
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
                        double min_width) {
  char threshold[32];
  std::snprintf(threshold, sizeof threshold, "%.4g", static_cast<double>(map.threshold));
  ff::write(out, "(/' Safe psi windows from',F8.3,' to',F8.3,' keV: no event with I/FWHM s**2 at or above ',A)",
            {map.e_lo, map.e_hi, std::string(threshold)});
  ff::write(out, "(' at least',F8.3,' degrees wide, widest first',I8,' found')",
            {min_width, static_cast<int>(windows.size())});
  out << "    psi from      psi to       width    event before    event after\n";
  for (const SafeWindow& w : windows) {
    std::string line = ff::format("(3F12.3)", {w.from, w.to, w.width()});
    line.pop_back();
    line += "  " + (w.left ? indices(*w.left) : std::string(12, ' '));
    line += "    " + (w.right ? indices(*w.right) : std::string(12, ' '));
    out << line << "\n";
  }
}

}  // namespace kavro::map
