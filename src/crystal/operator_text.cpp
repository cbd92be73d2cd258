// Operator texts of the space-group listing. The built-in table stores the
// translations n/6 and n/4 only approximately; reading them back through these
// intervals both names them and makes them exact for the structure factor.
#include "crystal/operator_text.hpp"

#include <algorithm>
#include <array>

namespace kavro {
namespace {

struct Fraction {
  float low, high;  // open interval
  const char* text;
  float exact;
};

constexpr std::array<Fraction, 7> kFractions{{
    {0.80f, 0.90f, "5/6", 5.0f / 6.0f},
    {0.73f, 0.76f, "3/4", 0.75f},
    {0.65f, 0.67f, "2/3", 2.0f / 3.0f},
    {0.49f, 0.51f, "1/2", 0.5f},
    {0.32f, 0.34f, "1/3", 1.0f / 3.0f},
    {0.24f, 0.26f, "1/4", 0.25f},
    {0.15f, 0.17f, "1/6", 1.0f / 6.0f},
}};

std::string coefficient_term(float coefficient, char axis) {
  if (coefficient == 1.0f) return std::string{'+', axis};
  if (coefficient == -1.0f) return std::string{'-', axis};
  return "  ";
}

constexpr int kOperatorsPerLine = 3;

}  // namespace

std::string snap_translation(float& t) {
  for (const auto& f : kFractions) {
    if (t > f.low && t < f.high) {
      t = f.exact;
      return f.text;
    }
  }
  if (t > -0.10f && t < 0.10f) return "   ";
  return "***";
}

std::string operator_row_text(float& t, const Vec3& coefficients) {
  std::string text = snap_translation(t);
  const char axes[3] = {'x', 'y', 'z'};
  for (int k = 0; k < 3; ++k) text += coefficient_term(coefficients[k], axes[k]);
  return text;
}

std::vector<std::string> operator_lines(Crystal& crystal) {
  const int ns = std::clamp(crystal.ns, 0, kMaxOperators);
  std::vector<std::string> lines;
  for (int n = 0; n < ns; ++n) {
    std::string op;
    for (int j = 0; j < 3; ++j) {
      op += operator_row_text(crystal.symt[n][j], crystal.symr[n][j]);
      op += j < 2 ? ',' : ';';
    }
    if (n % kOperatorsPerLine == 0) {
      lines.push_back(op);
    } else {
      lines.back() += "  " + op;
    }
  }
  return lines;
}

}  // namespace kavro
