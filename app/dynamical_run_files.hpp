// The files of `kavro99 run INPUT --dynamical`: the scan table, the ".cal"
// file, the PostScript page (with its images) and on request the HTML page,
// each saying which quantity the calculated scan holds (the primary's peak
// or integrated reflectivity). Under the scan the page and the HTML page show
// the kinematic events of the same input, where the N-beam cases lie.
#pragma once

#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "dynamical/perfect_crystal.hpp"
#include "engine/calculation.hpp"
#include "plot/ghostscript.hpp"
#include "result_writing.hpp"
#include "run/result_file.hpp"

namespace kavro::app {

struct DynamicalRunFiles {
  std::filesystem::path table, cal, page, html;  // html empty: none
  std::vector<PageImage> images;
};

struct DynamicalRunResult {
  const Calculation& calculation;
  const std::string& title;        // line 1 of the input
  const std::string& crystal_form; // "plate of 0.5 mm, surface ..."
  const dynamical::PerfectCrystal& crystal;
  const dynamical::DynamicalScan& scan;
};

// The crystal's form in words: "plate of 0.5 mm, surface 1 1 0" or
// "half-space, surface that of the primary (symmetric Bragg)".
std::string crystal_form(const dynamical::DynamicalOptions& options);

// The quantity of a scan in words with its unit, for a listing line:
// "peak reflectivity of the primary (1)".
std::string scan_quantity_words(dynamical::ScanQuantity quantity);

// The calculated value of step i: the peak or the integrated reflectivity.
double scan_value(const dynamical::DynamicalScan& scan, std::size_t i);

// The HTML page of the run, as the files' HTML page named `name` (its tables
// are offered for download under that name).
std::string dynamical_html_page(const DynamicalRunResult& result, std::string_view name);

// Writes every file; each appears complete or not at all. Returns false with
// the reason on stderr when one could not be written or converted.
bool write_dynamical_run_files(const DynamicalRunResult& result, const DynamicalRunFiles& files);

}  // namespace kavro::app
