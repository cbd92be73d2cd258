// The fit command: arguments, files, and the fit of the run library.
#include "fit_command.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "command_arguments.hpp"
#include "page_images.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/units.hpp"
#include "engine/calculated_scan_file.hpp"
#include "fit/fit_calculation.hpp"
#include "fit/fit_html.hpp"
#include "fit/fit_run.hpp"
#include "plot/uplot.hpp"
#include "run/result_file.hpp"
#include "run/run_files.hpp"
#include "scans/plain_scan.hpp"

namespace kavro::app {
namespace {

namespace fs = std::filesystem;

struct FitArguments {
  fs::path input, measured, report, html;
  std::string free, start, range;
  bool peaks = false;
  std::vector<PageImage> images;  // of the page: --png, --pdf
};

bool parse(const std::vector<std::string_view>& args, FitArguments& a) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size() && !args[i + 1].empty();
    if (args[i] == "--measured" && has_value) {
      a.measured = args[++i];
    } else if (args[i] == "--free" && has_value) {
      a.free = args[++i];
    } else if (args[i] == "--start" && has_value && a.start.empty()) {
      a.start = args[++i];
    } else if (args[i] == "--range" && has_value && a.range.empty()) {
      a.range = args[++i];
    } else if (args[i] == "-o" && has_value) {
      a.report = args[++i];
    } else if (args[i] == "--html" && has_value && a.html.empty()) {
      a.html = args[++i];
    } else if (args[i] == "--peaks") {
      a.peaks = true;
    } else if (args[i] == "--png" || args[i] == "--pdf") {
      a.images.push_back(args[i] == "--png" ? PageImage::png : PageImage::pdf);
    } else if (!args[i].empty() && args[i][0] != '-' && a.input.empty()) {
      a.input = args[i];
    } else {
      return false;
    }
  }
  if (a.input.empty() || a.measured.empty()) return false;
  if (!a.html.empty() && a.html.extension() != ".html" && a.html.extension() != ".htm") {
    std::cerr << "kavro99: --html takes FIT.html, not " << a.html << "\n";
    return false;
  }
  if (a.report.empty()) a.report = fs::path(a.input).replace_extension(".fit");
  if (a.free.empty()) a.free = a.peaks ? "offset,energy" : "offset,scale,background";
  return true;
}

bool regular_file(const fs::path& path, const char* what) {
  if (path_kind(path) == PathKind::regular) return true;
  std::cerr << "kavro99: cannot read the " << what << " " << path << "\n";
  return false;
}

// The last lines of the listing of an input that stopped: they say why.
std::string listing_end(const std::string& listing) {
  const std::size_t keep = 400;
  return listing.size() > keep ? listing.substr(listing.size() - keep) : listing;
}

// The files of a fit are named after its report, so that fits with other
// reports never write over each other's files.
fs::path beside_report(const fs::path& report, const char* suffix) {
  fs::path name = report;
  name.replace_extension();
  name += suffix;
  return name;
}

// The measured points on the psi grid, as the other readers place them.
MeasuredScan measured_on_grid(const Calculation& c, const FitRun& run) {
  MeasuredScan measured;
  measured.scan_given = 1;
  measured.scan_obs.assign(run.fitted_scan.size(), kGapMarker);
  measured.imax_obs = 0;
  measured.imin_obs = 1.0e6f;
  PlainScan scan;
  scan.points = run.points;
  plain_scan({c.crystal, c.radiation, c.sample, c.primary, c.grid, measured}, scan, Notes());
  return measured;
}

// The page's title: the scan and the fitted offset, scale and background.
std::string fitted_title(const fs::path& measured, const ModelValues& v) {
  char text[160];
  std::snprintf(text, sizeof text, "Fit to %s: offset %.4f deg, scale %.5g, background %.5g cps",
                measured.filename().string().c_str(), v.offset, v.scale, v.background);
  std::string title = text;
  title.resize(80, ' ');
  return title;
}

// The result page of the fit: the measured scan, the fitted one and the
// normalised residuals, with the parameter block of the fitted calculation
// (its wavelength, cell, mosaic spread and divergences).
void write_fitted_page(std::ostream& out, const Calculation& input, const MeasuredScan& measured, const FitRun& run,
                       const FitRequest& request, const std::string& title) {
  std::ostringstream ignored;
  const ModelValues& v = run.report.outcome.values;
  const Calculation c = retuned_calculation(input, v.energy, v.cell);
  Sample sample = c.sample;
  const auto is_free = [&request](FitParameter p) {
    return std::find(request.free.begin(), request.free.end(), p) != request.free.end();
  };
  if (is_free(FitParameter::eta)) sample.eta = static_cast<float>(std::fabs(v.eta));
  if (is_free(FitParameter::divergence)) sample.diverp = sample.divers = static_cast<float>(std::fabs(v.divergence));
  const ResidualBand residuals{residuals_on_grid(input.grid, run)};
  uplot({title, 0, c.radiation, sample, c.primary, input.grid, c.options, measured, run.page_scan, &residuals}, out,
        ignored);
}

// Every point with its fit: psi, measured, sigma, fitted, (measured - fitted) / sigma.
void write_residuals(std::ostream& out, const FitRun& run) {
  out << "#      psi        measured           sigma          fitted   residual/sigma\n";
  char line[128];
  for (std::size_t i = 0; i < run.points.size(); ++i) {
    const ScanPoint& p = run.points[i];
    std::snprintf(line, sizeof line, "%10.4f %15.4f %15.4f %15.4f %15.4f\n", p.psi, p.intensity, p.sigma,
                  run.fitted_points[i], (p.intensity - run.fitted_points[i]) / p.sigma);
    out << line;
  }
}

struct Output {
  fs::path path;
  std::function<void(std::ostream&)> write;
};

// Every result written under a temporary name first; only when all are
// complete do they replace their targets, so that a fit that cannot write
// one of them leaves every earlier result as it was.
bool write_results(const std::vector<Output>& outputs) {
  std::vector<std::unique_ptr<ResultFile>> files;
  for (const Output& o : outputs) {
    files.push_back(std::make_unique<ResultFile>());
    ResultFile& file = *files.back();
    if (file.open(o.path)) {
      o.write(file.stream());
      file.stream().flush();
    }
    if (!file.is_open() || !file.stream()) {
      std::cerr << "kavro99: cannot write " << o.path << "; no result is written\n";
      return false;  // the temporary files go with `files`
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i)
    if (!files[i]->commit()) {
      std::cerr << "kavro99: cannot write " << outputs[i].path << "\n";
      return false;
    }
  return true;
}

int fit(const FitArguments& a, const FitRequest& request) {
  std::ifstream scan_in(a.measured, std::ios::binary);
  const PlainScan scan = read_plain_scan(scan_in);
  if (!scan.error.empty()) {
    std::cerr << "kavro99: " << scan.error << " " << a.measured << "\n";
    return kExitUsage;
  }
  std::ifstream in(a.input);
  std::ostringstream listing;
  Calculation calculation;
  try {
    calculation = fit_calculation(in, listing);
  } catch (const RunStop&) {
    std::cerr << "kavro99: the input cannot be calculated:\n" << listing_end(listing.str()) << "\n";
    return kExitUsage;
  }
  FitRun run;
  try {
    run = run_fit(calculation, scan.points, request);
  } catch (const FitError& e) {
    std::cerr << "kavro99: the fit failed: " << e.what() << "\n";
    return kExitFailed;
  } catch (const RunStop&) {
    std::cerr << "kavro99: the calculation stopped during the fit\n";
    return kExitFailed;
  }
  run.report.title = "kavro99 fit of " + a.input.string() + " to " + a.measured.string();
  write_fit_report(std::cout, run.report);
  std::vector<Output> outputs{{a.report, [&](std::ostream& out) { write_fit_report(out, run.report); }}};
  if (!a.peaks) {
    const MeasuredScan measured = measured_on_grid(calculation, run);
    CalculatedScan fitted;
    fitted.scan_calc = run.fitted_scan;
    const std::string title = fitted_title(a.measured, run.report.outcome.values);
    outputs.push_back({beside_report(a.report, "_fit.cal"), [&calculation, measured, fitted](std::ostream& out) {
                         write_calculated_scan(out, calculation.grid, measured, fitted);
                       }});
    outputs.push_back({beside_report(a.report, "_fit.res"), [&](std::ostream& out) { write_residuals(out, run); }});
    outputs.push_back({beside_report(a.report, "_fit.ps"),
                       [&calculation, measured, &run, &request, title](std::ostream& out) {
                         write_fitted_page(out, calculation, measured, run, request, title);
                       }});
  }
  if (!a.html.empty()) outputs.push_back({a.html, [&run](std::ostream& out) { write_fit_html(out, run); }});
  if (!write_results(outputs)) return kExitFailed;
  std::cout << "\nReport:          " << a.report.string() << "\n";
  if (!a.peaks)
    std::cout << "Fitted scan:     " << outputs[1].path.string() << "\nResiduals:       " << outputs[2].path.string()
              << "\nPostScript page: " << outputs[3].path.string() << "\n";
  if (!a.html.empty()) std::cout << "HTML page:       " << a.html.string() << "\n";
  if (!a.peaks && !convert_page_images(outputs[3].path, a.images)) return kExitFailed;
  return 0;
}

}  // namespace

int fit_command(const std::vector<std::string_view>& args) {
  FitArguments a;
  if (!parse(args, a)) {
    std::cerr << "usage:" << std::string(kFitUsage).substr(6);
    return kExitUsage;
  }
  std::vector<FitParameter> free;
  std::string error;
  if (!parse_free_parameters(a.free, free, error)) {
    std::cerr << "kavro99: " << error << "\n";
    return kExitUsage;
  }
  if (a.peaks && !peak_parameters_only(free)) {
    std::cerr << "kavro99: --peaks fits only offset, energy and cell\n";
    return kExitUsage;
  }
  if (a.peaks && !a.images.empty()) {
    std::cerr << "kavro99: --peaks draws no page to convert: leave out --png and --pdf\n";
    return kExitUsage;
  }
  FitRequest request(free, a.peaks);
  if ((!a.start.empty() && !parse_start_values(a.start, request.start, request.started, error)) ||
      (!a.range.empty() && !parse_ranges(a.range, request.ranges, error))) {
    std::cerr << "kavro99: " << error << "\n";
    return kExitUsage;
  }
  if (!regular_file(a.input, "input file") || !regular_file(a.measured, "measured scan")) return kExitUsage;
  std::vector<CommandFile> files{{a.input, "input file", false}, {a.measured, "measured scan", false},
                                 {a.report, "report"}};
  if (!a.peaks) {
    files.push_back({beside_report(a.report, "_fit.cal"), "fitted scan"});
    files.push_back({beside_report(a.report, "_fit.res"), "residuals"});
    const fs::path page = beside_report(a.report, "_fit.ps");
    files.push_back({page, "page"});
    for (const PageImage kind : a.images) files.push_back({image_path(page, kind), "image of the page"});
  }
  if (!a.html.empty()) files.push_back({a.html, "HTML page"});
  if (const std::string clash = command_file_clash(files); !clash.empty()) {
    std::cerr << "kavro99: " << clash << "\n";
    return kExitUsage;
  }
  return fit(a, request);
}

}  // namespace kavro::app
