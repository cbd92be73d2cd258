// Absorption correction A*(mu R, theta) of a spherical crystal, interpolated
// linearly in the tabulated A* (rows mu R = 0, 0.1, ..., 10 and 10.5, ..., 31.5;
// columns theta = 0, 5, ..., 90 degrees). The intensity is lowered by 1/A*.
#include <cmath>
#include <cstddef>

#include "crystal/absorption.hpp"
#include "crystal/tables/absorption_tables.hpp"
#include "crystal/units.hpp"

namespace kavro {
namespace {

// Table row below mur and the weight of the next row (conversions truncate).
void locate_row(float mur, int& row, float& weight) {
  if (mur < 10.0f) {
    const int i = static_cast<int>(10.0f * mur);
    row = i;
    weight = (mur - 0.1f * static_cast<float>(i)) * 10.0f;
  } else {
    const int i = static_cast<int>(2.0f * (mur - 10.0f));
    row = i + 100;
    weight = (mur - (10.0f + 0.5f * static_cast<float>(i))) * 2.0f;
  }
}

// Table column at or below theta and the weight of the next column.
void locate_column(float theta, int& column, float& weight) {
  const int tens = static_cast<int>(0.1f * theta);
  const int fives = static_cast<int>((theta - 10.0f * static_cast<float>(tens)) * 0.2f);
  const float theta0 = 10.0f * static_cast<float>(tens) + 5.0f * static_cast<float>(fives);
  column = static_cast<int>(0.2f * theta0 + 1.0f) - 1;
  weight = 0.2f * (theta - theta0);
}

// A* of one table row at the column position.
float along_row(int row, int column, float weight) {
  const auto& values = tables::kSphereAbsorption[static_cast<std::size_t>(row)];
  const float here = values[static_cast<std::size_t>(column)];
  if (column + 1 >= tables::kSphereColumns) return here;  // theta = 90
  return here - (here - values[static_cast<std::size_t>(column + 1)]) * weight;
}

}  // namespace

float absor1(float mur, float theta) {
  if (!(mur >= 0.0f && mur < kMurLimit) || !std::isfinite(theta)) return 1.0f;
  theta = std::fmin(std::fmax(theta, 0.0f), 90.0f);
  int row = 0;
  int column = 0;
  float row_weight = 0;
  float column_weight = 0;
  locate_row(mur, row, row_weight);
  locate_column(theta, column, column_weight);
  const float lower = along_row(row, column, column_weight);
  const float upper = along_row(row + 1, column, column_weight);
  return lower - row_weight * (lower - upper);
}

float absorption_factor(const Radiation& radiation, const Sample& sample, float theta) {
  if (radiation.idesy == RadiationKind::neutrons || !(sample.mu_times_radius < kMurLimit)) return 1.0f;
  return absor1(sample.mu_times_radius, theta * kLegacyRadToDeg);
}

}  // namespace kavro
