#include "command_arguments.hpp"

#include <cmath>
#include <exception>
#include <fstream>
#include <sstream>
#include <vector>

#include "energy/energy_calculation.hpp"

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

std::pair<double, double> range(std::string_view text, const std::string& option) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) throw UsageError(option + " needs A:B, not '" + std::string(text) + "'");
  return {real_value(text.substr(0, colon), option), real_value(text.substr(colon + 1), option)};
}

std::pair<double, double> energy_range(const OptionalRange& energies, const OptionalRange& wavelengths) {
  constexpr double kLowestEnergy = 1.0, kHighestEnergy = 100.0;  // keV
  std::pair<double, double> e;
  if (wavelengths) {
    if (!(wavelengths->first > 0 && wavelengths->second > 0))
      throw UsageError("--wavelength needs positive wavelengths");
    e = {energy_of(wavelengths->second), energy_of(wavelengths->first)};
  } else {
    e = *energies;
  }
  if (e.first > e.second) std::swap(e.first, e.second);
  if (!(e.first >= kLowestEnergy && e.second <= kHighestEnergy))
    throw UsageError("the energies must lie within 1 to 100 keV (0.124 to 12.4 Angstrom)");
  return e;
}

std::string stop_message(const std::string& listing) {
  // A stop's message follows an empty line; the lines before it are the echo of the input.
  const std::size_t end = listing.find_last_not_of(" \t\n");
  const std::string text = end == std::string::npos ? std::string() : listing.substr(0, end + 1);
  const std::size_t gap = text.rfind("\n\n");
  std::istringstream in(gap == std::string::npos ? text : text.substr(gap + 2));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(line);
  std::string message;
  for (std::size_t i = lines.size() > 6 ? lines.size() - 6 : 0; i < lines.size(); ++i) message += lines[i] + "\n";
  return message;
}

std::string input_title(const std::filesystem::path& input) {
  std::ifstream in(input);
  std::string title;
  std::getline(in, title);
  if (!title.empty() && title.back() == '\r') title.pop_back();
  return title.substr(0, 80);
}

}  // namespace kavro::app
