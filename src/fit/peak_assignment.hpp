// One-to-one assignment of the measured peaks and dips to the calculated
// events: the pattern of positions and signs matched as a whole at a trial
// offset, each measured feature to at most one calculated feature and back.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace kavro {

// A peak (intensity pumped into the primary beam), a dip (pumped out), or
// both: a peak beside a dip closer than the scan resolves, which is one
// feature of either sign.
enum class FeatureSign { peak, dip, both };

struct Feature {
  double psi = 0;       // degrees (a calculated feature: plus the trial offset)
  FeatureSign sign = FeatureSign::peak;
  double strength = 0;  // measured height, or calculated |I_K - I_A| / FWHM
  std::size_t source = 0;  // the strongest member's index in the list the features were made from
};

struct Signed {
  double psi = 0;
  bool dip = false;
  double strength = 0;
};

// Neighbours in psi closer than `merge` degrees, or of opposite signs closer
// than `merge_opposite` (the dip beside a peak of an event's interference
// profile, or a peak and a dip the scan does not resolve), become one feature
// at the psi of its strongest member; members of both signs make it
// FeatureSign::both.
std::vector<Feature> features_of(const std::vector<Signed>& items, double merge, double merge_opposite);

struct PatternMatch {
  std::vector<std::pair<std::size_t, std::size_t>> pairs;  // (measured, calculated) feature indices
  double score = 0;
};

// How a pattern is scored: every pair within `tolerance` earns w (1 - (d /
// tolerance)^2) for its distance d, w = sqrt(height / highest height) of the
// measured feature, so that the strongest peaks weigh most and a weak one
// that noise made little; and the strongest calculated features in the
// measured psi range (as many as there are measured features) cost
// `missed_strong` times the weight of the measured feature of the same rank
// when they stay unassigned. Matching every measured feature exactly to the
// strongest events scores the sum of the weights.
struct PatternScoring {
  double tolerance = 0.1;  // degrees
  double psi_low = 0, psi_high = 0;  // the measured range
  double missed_strong = 0.5;
};

// The assignment of largest score. `forbidden` pairs are not taken.
PatternMatch match_pattern(const std::vector<Feature>& measured, const std::vector<Feature>& calculated,
                           const PatternScoring& scoring,
                           const std::vector<std::pair<std::size_t, std::size_t>>& forbidden = {});

// Rectangular assignment of largest total weight, rows to columns one to
// one; a row may stay unassigned (weight <= 0 is no pair). Returns the column
// of every row, or -1. Weights row-major, rows x columns.
std::vector<long> largest_weight_assignment(const std::vector<double>& weight, std::size_t rows, std::size_t columns);

}  // namespace kavro
