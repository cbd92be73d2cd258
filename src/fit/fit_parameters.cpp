// Names of the fit parameters.
#include "fit/fit_parameters.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

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

namespace {

// The items of a comma list, split at '='.
bool next_item(std::string_view& list, std::string_view& name, std::string_view& value) {
  const std::size_t comma = list.find(',');
  const std::string_view item = list.substr(0, comma);
  list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  const std::size_t equals = item.find('=');
  if (equals == std::string_view::npos) return false;
  name = item.substr(0, equals);
  value = item.substr(equals + 1);
  return true;
}

std::string item_text(std::string_view name, std::string_view value) {
  std::string text(name);
  if (!value.empty()) text.append(1, '=').append(value);
  return text;
}

bool number(std::string_view text, double& value) {
  if (text.empty()) return false;
  if (text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

const FitParameter* named(std::string_view name) {
  const auto* found = std::find_if(kFitParameters.begin(), kFitParameters.end(),
                                   [&](FitParameter p) { return parameter_name(p) == name; });
  return found == kFitParameters.end() ? nullptr : found;
}

}  // namespace

bool parse_start_values(std::string_view list, ModelValues& values, std::vector<FitParameter>& given,
                        std::string& error) {
  given.clear();
  while (!list.empty()) {
    std::string_view name, text;
    double value = 0;
    if (!next_item(list, name, text) || named(name) == nullptr || !number(text, value)) {
      error = "--start takes name=value items of the fit parameters (offset, energy, scale, background, eta, "
              "divergence, cell), not '" + item_text(name, text) + "'";
      return false;
    }
    const FitParameter p = *named(name);
    if (std::find(given.begin(), given.end(), p) != given.end()) {
      error = "--start names '" + std::string(name) + "' twice";
      return false;
    }
    values[p] = value;
    given.push_back(p);
  }
  if (given.empty()) error = "--start names no parameter";
  return !given.empty();
}

bool parse_ranges(std::string_view list, SearchRanges& ranges, std::string& error) {
  bool any = false;
  while (!list.empty()) {
    std::string_view name, text;
    const bool item = next_item(list, name, text);
    const std::size_t colon = text.find(':');
    double low = 0, high = 0;
    if (!item || colon == std::string_view::npos || !number(text.substr(0, colon), low) ||
        !number(text.substr(colon + 1), high) || (name != "offset" && name != "energy" && name != "cell")) {
      error = "--range takes offset=A:B, energy=A:B or cell=A:B, not '" + item_text(name, text) + "'";
      return false;
    }
    if (!(low < high)) {
      error = "the --range of the " + std::string(name) + " is empty (" + std::string(text) + ")";
      return false;
    }
    if (name == "offset") {
      ranges.offset = {low, high};
      ranges.offset_given = true;
    } else {
      if (!(low > -1 && high < 1)) {
        error = "the --range of the " + std::string(name) + " is a relative change and lies within -1:1";
        return false;
      }
      ranges.shift = {low, high};
      ranges.shift_given = true;
    }
    any = true;
  }
  if (!any) error = "--range names no parameter";
  return any;
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
