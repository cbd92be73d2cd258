#include "command_arguments.hpp"

#include <cmath>
#include <exception>

namespace kavro::app {

double real_value(std::string_view token, const std::string& option) {
  const std::string s(token);
  std::size_t used = 0;
  double value = 0;
  try {
    value = std::stod(s, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (s.empty() || used != s.size() || !std::isfinite(value))
    throw UsageError(option + " needs a number, not '" + s + "'");
  return value;
}

}  // namespace kavro::app
