// The extinction table and its bilinear interpolation.
#include "crystal/extinction.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>

namespace kavro {
namespace {

// A table on the heap, exactly its own size, so that a read past either end
// is caught by the address sanitizer.
std::unique_ptr<ExtinctionTable> loaded_table() { return std::make_unique<ExtinctionTable>(kExtinctionTable); }

double three_decimals(float y) { return std::round(1000.0 * y) / 1000.0; }

TEST(Extinction, ReferenceRowsAtZeroAndNinetyDegrees) {
  struct Row { float x; double y0, y90; };
  const Row rows[] = {{0.0f, 1.0, 1.0},     {0.1f, 0.992, 0.986}, {0.2f, 0.969, 0.939},
                      {1.0f, 0.470, 0.421}, {5.0f, 0.074, 0.123}, {10.0f, 0.038, 0.070},
                      {20.0f, 0.019, 0.039}, {30.0f, 0.012, 0.028}};
  const auto yext = loaded_table();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.x);
    EXPECT_DOUBLE_EQ(three_decimals(chuk(*yext, r.x, 0.0f)), r.y0);
    EXPECT_DOUBLE_EQ(three_decimals(chuk(*yext, r.x, 90.0f)), r.y90);
  }
}

TEST(Extinction, GridPointsGiveTheTableValues) {
  const auto yext = loaded_table();
  for (int i = 0; i < kExtRows; ++i) {
    for (int j = 0; j < kExtColumns; ++j) {
      const float x = 0.1f * static_cast<float>(i);
      const float theta = 5.0f * static_cast<float>(j);
      ASSERT_NEAR(chuk(*yext, x, theta), (*yext)[i][j], 2e-6f) << "x " << x << " theta " << theta;
    }
  }
}

TEST(Extinction, NoExtinctionForAVanishingBlockAtAnyAngle) {
  const auto yext = loaded_table();
  for (float theta : {0.0f, 2.5f, 17.3f, 45.0f, 89.9f, 90.0f}) {
    EXPECT_FLOAT_EQ(chuk(*yext, 0.0f, theta), 1.0f) << theta;
  }
}

TEST(Extinction, HalfwayBetweenCellEdgesGivesTheMean) {
  const auto yext = loaded_table();
  const auto& t = *yext;
  for (int j = 0; j + 1 < kExtColumns; ++j) {
    const float theta = 5.0f * static_cast<float>(j) + 2.5f;
    EXPECT_NEAR(chuk(t, 1.0f, theta), 0.5f * (t[10][j] + t[10][j + 1]), 1e-6f) << theta;
    // Halfway in x as well: the mean of the four corners.
    const float corners = t[2][j] + t[2][j + 1] + t[3][j] + t[3][j + 1];
    EXPECT_NEAR(chuk(t, 0.25f, theta), 0.25f * corners, 1e-6f) << theta;
  }
}

// Bilinear interpolation reproduces a plane exactly, wherever it is evaluated.
TEST(Extinction, InterpolationReproducesAPlane) {
  auto plane = std::make_unique<ExtinctionTable>();
  for (int i = 0; i < kExtRows; ++i) {
    for (int j = 0; j < kExtColumns; ++j) (*plane)[i][j] = 0.5f + 0.01f * i - 0.03f * j;
  }
  std::mt19937 random(99);
  std::uniform_real_distribution<float> x_in(0.0f, 30.0f), theta_in(0.0f, 90.0f);
  for (int n = 0; n < 1000; ++n) {
    const float x = x_in(random), theta = theta_in(random);
    EXPECT_NEAR(chuk(*plane, x, theta), 0.5f + 0.1f * x - 0.006f * theta, 2e-5f)
        << "x " << x << " theta " << theta;
  }
}

TEST(Extinction, ArgumentsAtAndBeyondTheEdgesAreClampedToTheTable) {
  const auto yext = loaded_table();
  const auto& t = *yext;
  const float last_row_at_45 = 0.5f * (t[300][9] + t[300][10]);
  EXPECT_NEAR(chuk(t, 30.0f, 47.5f), last_row_at_45, 1e-6f);
  EXPECT_NEAR(chuk(t, 31.0f, 47.5f), last_row_at_45, 1e-6f);
  EXPECT_NEAR(chuk(t, 1e30f, 47.5f), last_row_at_45, 1e-6f);
  EXPECT_NEAR(chuk(t, std::numeric_limits<float>::infinity(), 47.5f), last_row_at_45, 1e-6f);
  EXPECT_NEAR(chuk(t, 30.0f, 90.0f), t[300][18], 1e-6f);
  EXPECT_NEAR(chuk(t, 40.0f, 135.0f), t[300][18], 1e-6f);
  EXPECT_NEAR(chuk(t, 4.0f, 90.0f), t[40][18], 1e-6f);
  EXPECT_NEAR(chuk(t, 4.0f, 180.0f), t[40][18], 1e-6f);
  EXPECT_NEAR(chuk(t, 4.0f, -10.0f), t[40][0], 1e-6f);
  EXPECT_FLOAT_EQ(chuk(t, -2.0f, 60.0f), 1.0f);
  EXPECT_FLOAT_EQ(chuk(t, std::nanf(""), 60.0f), 1.0f);
  EXPECT_NEAR(chuk(t, 4.0f, std::nanf("")), t[40][0], 1e-6f);
}

TEST(Extinction, FallsWithBlockSizeAtEveryAngle) {
  const auto yext = loaded_table();
  for (float theta : {0.0f, 5.0f, 12.5f, 45.0f, 77.7f, 90.0f}) {
    float previous = chuk(*yext, 0.0f, theta);
    for (int i = 1; i <= 600; ++i) {
      const float y = chuk(*yext, 0.05f * static_cast<float>(i), theta);
      ASSERT_LT(y, previous) << "theta " << theta << " x " << 0.05f * i;
      ASSERT_GT(y, 0.0f);
      previous = y;
    }
  }
}

}  // namespace
}  // namespace kavro
