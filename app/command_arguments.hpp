// What the subcommands share in reading their arguments.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <string_view>

#include "kavro/error.hpp"

namespace kavro::app {

// The exit statuses of the commands: a run or a result that failed, a misused
// command (or a file it would clash with).
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// A misused command: the message says what is wrong (exit status 2).
class UsageError : public Error {
 public:
  using Error::Error;
};

// The whole token as a finite number, else UsageError "<option> needs a number, not '<token>'".
double real_value(std::string_view token, const std::string& option);

// The two numbers of "A:B", else UsageError "<option> needs A:B, not '<text>'".
std::pair<double, double> range(std::string_view text, const std::string& option);

// The energy range in keV, lowest first, of --energy E1:E2 (keV) or --wavelength L1:L2 (Angstrom), one of
// them given; UsageError outside 1 to 100 keV, the range of Cromer-Liberman's f' and f''.
using OptionalRange = std::optional<std::pair<double, double>>;
std::pair<double, double> energy_range(const OptionalRange& energies, const OptionalRange& wavelengths);

// The message that ends a listing of a run that stopped: its lines after the
// last empty line, at most six.
std::string stop_message(const std::string& listing);

// Line 1 of an input file, the title of the run (80 characters; empty when it cannot be read).
std::string input_title(const std::filesystem::path& input);

}  // namespace kavro::app
