// Features of a pattern and their assignment (the Hungarian method with
// potentials, on a matrix widened by one "unassigned" column per row).
#include "fit/peak_assignment.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>

namespace kavro {
namespace {

bool compatible(FeatureSign a, FeatureSign b) {
  return a == FeatureSign::both || b == FeatureSign::both || a == b;
}

// Ties in the distance go to the stronger calculated feature, by a weight far
// below any difference of position that matters.
constexpr double kStrengthTieBreak = 1e-3;

}  // namespace

std::vector<Feature> features_of(const std::vector<Signed>& items, double merge, double merge_opposite) {
  std::vector<std::size_t> order(items.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return items[a].psi < items[b].psi; });
  std::vector<Feature> features;
  for (std::size_t k = 0; k < order.size();) {
    std::size_t end = k + 1;
    const auto joins = [&](std::size_t m) {
      const Signed &a = items[order[m - 1]], &b = items[order[m]];
      return b.psi - a.psi < (a.dip != b.dip ? std::max(merge, merge_opposite) : merge);
    };
    while (end < order.size() && joins(end)) ++end;
    std::size_t strongest = order[k];
    bool peaks = false, dips = false;
    for (std::size_t m = k; m < end; ++m) {
      const Signed& s = items[order[m]];
      (s.dip ? dips : peaks) = true;
      if (s.strength > items[strongest].strength) strongest = order[m];
    }
    features.push_back({items[strongest].psi,
                        peaks && dips ? FeatureSign::both : (dips ? FeatureSign::dip : FeatureSign::peak),
                        items[strongest].strength, strongest});
    k = end;
  }
  return features;
}

std::vector<long> largest_weight_assignment(const std::vector<double>& weight, std::size_t rows,
                                            std::size_t columns) {
  // Minimum cost over n rows and m = columns + n columns, 1-based as the method is usually written.
  const std::size_t n = rows, m = columns + rows;
  constexpr double kNoPair = 1e9;
  const auto cost = [&](std::size_t i, std::size_t j) {
    if (j > columns) return 0.0;  // left unassigned
    const double w = weight[(i - 1) * columns + (j - 1)];
    return w > 0 ? -w : kNoPair;
  };
  const double infinity = std::numeric_limits<double>::infinity();
  std::vector<double> u(n + 1, 0), v(m + 1, 0);
  std::vector<std::size_t> p(m + 1, 0), way(m + 1, 0);
  for (std::size_t i = 1; i <= n; ++i) {
    p[0] = i;
    std::size_t j0 = 0;
    std::vector<double> least(m + 1, infinity);
    std::vector<bool> used(m + 1, false);
    do {
      used[j0] = true;
      const std::size_t i0 = p[j0];
      double delta = infinity;
      std::size_t j1 = 0;
      for (std::size_t j = 1; j <= m; ++j) {
        if (used[j]) continue;
        const double reduced = cost(i0, j) - u[i0] - v[j];
        if (reduced < least[j]) {
          least[j] = reduced;
          way[j] = j0;
        }
        if (least[j] < delta) {
          delta = least[j];
          j1 = j;
        }
      }
      for (std::size_t j = 0; j <= m; ++j) {
        if (used[j]) {
          u[p[j]] += delta;
          v[j] -= delta;
        } else {
          least[j] -= delta;
        }
      }
      j0 = j1;
    } while (p[j0] != 0);
    do {
      const std::size_t j1 = way[j0];
      p[j0] = p[j1];
      j0 = j1;
    } while (j0 != 0);
  }
  std::vector<long> assigned(rows, -1);
  for (std::size_t j = 1; j <= columns; ++j)
    if (p[j] != 0 && weight[(p[j] - 1) * columns + (j - 1)] > 0) assigned[p[j] - 1] = static_cast<long>(j - 1);
  return assigned;
}

PatternMatch match_pattern(const std::vector<Feature>& measured, const std::vector<Feature>& calculated,
                           const PatternScoring& scoring,
                           const std::vector<std::pair<std::size_t, std::size_t>>& forbidden) {
  // The strongest calculated features in the measured range, as many as were measured.
  std::vector<std::size_t> in_range;
  double strongest = 0;
  for (std::size_t j = 0; j < calculated.size(); ++j) {
    strongest = std::max(strongest, calculated[j].strength);
    if (scoring.psi_low <= calculated[j].psi && calculated[j].psi <= scoring.psi_high) in_range.push_back(j);
  }
  const std::size_t strong_count = std::min(measured.size(), in_range.size());
  std::partial_sort(in_range.begin(), in_range.begin() + static_cast<std::ptrdiff_t>(strong_count), in_range.end(),
                    [&](std::size_t a, std::size_t b) { return calculated[a].strength > calculated[b].strength; });
  // The k-th strongest calculated feature stands for the k-th highest measured one and weighs as much.
  double highest = 0;
  for (const Feature& f : measured) highest = std::max(highest, f.strength);
  const auto importance = [&](const Feature& f) { return highest > 0 ? std::sqrt(f.strength / highest) : 1.0; };
  std::vector<double> ranked;
  for (const Feature& f : measured) ranked.push_back(importance(f));
  std::sort(ranked.begin(), ranked.end(), std::greater<>());
  std::vector<double> strong(calculated.size(), 0);
  double missed = 0;
  for (std::size_t s = 0; s < strong_count; ++s) {
    strong[in_range[s]] = scoring.missed_strong * ranked[s];
    missed += strong[in_range[s]];
  }

  // Only calculated features near some measured one take part.
  std::vector<std::size_t> candidates;
  for (std::size_t j = 0; j < calculated.size(); ++j)
    for (const Feature& f : measured)
      if (std::fabs(f.psi - calculated[j].psi) < scoring.tolerance && compatible(f.sign, calculated[j].sign)) {
        candidates.push_back(j);
        break;
      }
  const std::size_t rows = measured.size(), columns = candidates.size();
  std::vector<double> weight(rows * columns, 0);
  for (std::size_t i = 0; i < rows; ++i)
    for (std::size_t c = 0; c < columns; ++c) {
      const std::size_t j = candidates[c];
      const double d = (measured[i].psi - calculated[j].psi) / scoring.tolerance;
      if (!(std::fabs(d) < 1) || !compatible(measured[i].sign, calculated[j].sign)) continue;
      if (std::find(forbidden.begin(), forbidden.end(), std::make_pair(i, j)) != forbidden.end()) continue;
      weight[i * columns + c] = importance(measured[i]) * (1 - d * d) + strong[j] +
                                kStrengthTieBreak * calculated[j].strength / std::max(strongest, 1e-30);
    }
  PatternMatch match;
  match.score = -missed;
  if (rows == 0 || columns == 0) return match;
  // The pairs link few rows and columns: each connected group is assigned on its own.
  std::vector<std::size_t> group(rows + columns);
  std::iota(group.begin(), group.end(), std::size_t{0});
  const auto root = [&](std::size_t x) {
    while (group[x] != x) x = group[x] = group[group[x]];
    return x;
  };
  for (std::size_t i = 0; i < rows; ++i)
    for (std::size_t c = 0; c < columns; ++c)
      if (weight[i * columns + c] > 0) group[root(i)] = root(rows + c);
  std::vector<std::vector<std::size_t>> group_rows(rows + columns), group_columns(rows + columns);
  for (std::size_t i = 0; i < rows; ++i) group_rows[root(i)].push_back(i);
  for (std::size_t c = 0; c < columns; ++c) group_columns[root(rows + c)].push_back(c);
  for (std::size_t g = 0; g < rows + columns; ++g) {
    const std::vector<std::size_t>&r = group_rows[g], &cs = group_columns[g];
    if (r.empty() || cs.empty()) continue;
    std::vector<double> part(r.size() * cs.size());
    for (std::size_t a = 0; a < r.size(); ++a)
      for (std::size_t b = 0; b < cs.size(); ++b) part[a * cs.size() + b] = weight[r[a] * columns + cs[b]];
    const std::vector<long> assigned = largest_weight_assignment(part, r.size(), cs.size());
    for (std::size_t a = 0; a < r.size(); ++a) {
      if (assigned[a] < 0) continue;
      const std::size_t c = cs[static_cast<std::size_t>(assigned[a])];
      match.pairs.emplace_back(r[a], candidates[c]);
      match.score += weight[r[a] * columns + c];
    }
  }
  std::sort(match.pairs.begin(), match.pairs.end());
  return match;
}

}  // namespace kavro
