// Names of the fit parameters.
#include "fit/fit_parameters.hpp"

#include <algorithm>

namespace kavro {

std::string_view parameter_name(FitParameter p) {
  switch (p) {
    case FitParameter::offset:
      return "offset";
    case FitParameter::energy:
      return "energy";
    case FitParameter::scale:
      return "scale";
    case FitParameter::background:
      return "background";
    case FitParameter::eta:
      return "eta";
    case FitParameter::divergence:
      return "divergence";
    case FitParameter::cell:
      return "cell";
  }
  return "";
}

std::string_view parameter_unit(FitParameter p) {
  switch (p) {
    case FitParameter::offset:
    case FitParameter::eta:
    case FitParameter::divergence:
      return "deg";
    case FitParameter::background:
      return "cps";
    default:
      return "";
  }
}

bool parse_free_parameters(std::string_view list, std::vector<FitParameter>& free, std::string& error) {
  free.clear();
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    const auto* found = std::find_if(kFitParameters.begin(), kFitParameters.end(),
                                     [&](FitParameter p) { return parameter_name(p) == name; });
    if (found == kFitParameters.end()) {
      error = "unknown fit parameter '" + std::string(name) +
              "' (offset, energy, scale, background, eta, divergence, cell)";
      return false;
    }
    if (std::find(free.begin(), free.end(), *found) != free.end()) {
      error = "the fit parameter '" + std::string(name) + "' is named twice";
      return false;
    }
    free.push_back(*found);
  }
  if (free.empty()) error = "no fit parameter is named";
  return !free.empty();
}

double& ModelValues::operator[](FitParameter p) {
  switch (p) {
    case FitParameter::offset:
      return offset;
    case FitParameter::energy:
      return energy;
    case FitParameter::scale:
      return scale;
    case FitParameter::background:
      return background;
    case FitParameter::eta:
      return eta;
    case FitParameter::divergence:
      return divergence;
    case FitParameter::cell:
      return cell;
  }
  return offset;
}

}  // namespace kavro
