// Runs the calculation on input text in a scratch folder and keeps the listing.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "run/kavro.hpp"

namespace kavro::testing {

struct RunResult {
  kavro::RunResult outcome;
  std::string listing;
  RunArguments names;
  RunState state;
};

class ScratchFolder {
 public:
  ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // The process id keeps test runs of several checkouts on one machine apart.
    path_ = std::filesystem::temp_directory_path() /
            ("kavro_test_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
             std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name) << text;
  }

 private:
  std::filesystem::path path_;
};

inline RunResult run_input(const std::string& input, const std::filesystem::path& base_dir) {
  RunResult result;
  std::istringstream in(input);
  std::ostringstream out;
  result.state.banner = version_banner();
  result.outcome = kavro(result.state, in, out, result.names, base_dir);
  result.listing = out.str();
  return result;
}

// The listing with each clock line (date, time, CPU time) replaced by "<clock>".
inline std::string without_clock(const std::string& listing) {
  static const std::regex clock("^( {31}(Date|Time): | CPU-time since program start:).*$");
  std::string kept;
  std::istringstream in(listing);
  for (std::string line; std::getline(in, line);) kept += std::regex_match(line, clock) ? "<clock>\n" : line + "\n";
  return kept;
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The listing from the first line equal to `first` on, `count` lines.
inline std::vector<std::string> block(const std::string& listing, const std::string& first, std::size_t count) {
  const std::vector<std::string> lines = lines_of(listing);
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == first) {
      const std::size_t end = std::min(lines.size(), i + count);
      return {lines.begin() + static_cast<std::ptrdiff_t>(i), lines.begin() + static_cast<std::ptrdiff_t>(end)};
    }
  return {};
}

// The last `count` lines of the listing.
inline std::vector<std::string> tail(const std::string& listing, std::size_t count) {
  const std::vector<std::string> lines = lines_of(listing);
  const std::size_t start = lines.size() > count ? lines.size() - count : 0;
  return {lines.begin() + static_cast<std::ptrdiff_t>(start), lines.end()};
}

// Input lines 1-10 of a small silicon crystal with the given radiation line
// and psi-range line; lines 11 and 12 are appended by the caller.
inline std::string silicon_input(const std::string& radiation = "Cu",
                                 const std::string& scan_range = "-66. 16. 50 0 1. 0.",
                                 const std::string& primary = " 2 2 2 0 0 -24.5 -23.5") {
  return "Si test\n"
         "si.ps\n"
         "5.431  5.431  5.431  90. 90. 90.\n" +
         radiation + "\n" +
         "0.14 0.14 150. 150. 0.0\n" + scan_range + "\n" +
         "227 1 1\n"
         "Siv\n"
         "   1  0.04167 0.125 0.125 0.125\n"
         "0.0039 0.0039 0.0039 0. 0. 0.\n" +
         primary + "\n";
}

}  // namespace kavro::testing
