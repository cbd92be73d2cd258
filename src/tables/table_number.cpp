#include "tables/table_number.hpp"

#include <array>
#include <charconv>
#include <cstdlib>

namespace kavro {
namespace {

template <typename T>
std::string shortest(T value) {
  std::array<char, 64> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
  return {text.data(), result.ptr};
}

}  // namespace

std::string shortest_text(float value) { return shortest(value); }
std::string shortest_text(double value) { return shortest(value); }

double as_decimal_double(float value) { return std::strtod(shortest(value).c_str(), nullptr); }

}  // namespace kavro
