// kavro99 rocking: reads the input file, takes the crystal as perfect and
// writes the primary's dynamical rocking curve at one psi, with the beams it
// took and the peak of the curve. The CSV file appears complete or not at all.
#include "rocking_command.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "cif_command.hpp"
#include "command_arguments.hpp"
#include "dynamical_run_files.hpp"
#include "page_images.hpp"
#include "result_writing.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/units.hpp"
#include "dynamical/perfect_crystal.hpp"
#include "run/input_preparation.hpp"
#include "run/result_file.hpp"
#include "run/run_files.hpp"
#include "run/run_requests.hpp"

namespace kavro::app {

const char* const kRockingUsage =
    "       kavro99 rocking INPUT --psi P [--range A:B] [--points N] [--csv FILE]\n"
    "                   [--surface H K L] [--thickness MM]\n"
    "       kavro99 run INPUT --dynamical[=peak|=integrated] [--thickness MM] [--surface H K L]\n"
    "                   [--scan-table FILE.csv] [--html REPORT.html] [--png] [--pdf]\n";

namespace {

namespace fs = std::filesystem;
using dynamical::PerfectCrystal;

struct RockingArguments {
  fs::path input, csv, html;
  dynamical::ScanQuantity quantity = dynamical::ScanQuantity::peak;
  std::vector<PageImage> images;
  std::optional<double> psi;
  std::optional<std::pair<double, double>> range;
  int points = 801;
  dynamical::DynamicalOptions options;
};

int whole_value(std::string_view token, const std::string& option, int lo, int hi) {
  const double v = real_value(token, option);
  if (!(v >= lo && v <= hi && v == std::floor(v)))
    throw UsageError(option + " needs whole numbers from " + std::to_string(lo) + " to " + std::to_string(hi) +
                     ", not '" + std::string(token) + "'");
  return static_cast<int>(v);
}

RockingArguments parse(const std::vector<std::string_view>& args, bool scan) {
  RockingArguments a;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string option(args[i]);
    const auto value = [&]() -> std::string_view {
      if (i + 1 >= args.size()) throw UsageError(option + " needs a value");
      return args[++i];
    };
    if (scan && (option == "--dynamical" || option == "--dynamical=peak")) {
      continue;
    } else if (scan && option == "--dynamical=integrated") {
      a.quantity = dynamical::ScanQuantity::integrated;
    } else if (scan && option.rfind("--dynamical=", 0) == 0) {
      throw UsageError("--dynamical takes =peak or =integrated, not '" + option + "'");
    } else if (scan && option == "--html") {
      a.html = std::string(value());
      const std::string ext = lowercase_extension(a.html);
      if (ext != ".html" && ext != ".htm") throw UsageError("--html takes REPORT.html, not '" + a.html.string() + "'");
    } else if (scan && (option == "--png" || option == "--pdf")) {
      a.images.push_back(option == "--png" ? PageImage::png : PageImage::pdf);
    } else if (scan && option == "--scan-table") {
      a.csv = std::string(value());
      if (lowercase_extension(a.csv) != ".csv") throw UsageError("--scan-table takes FILE.csv, not '" + a.csv.string() + "'");
    } else if (!scan && option == "--psi") {
      a.psi = real_value(value(), option);
    } else if (!scan && option == "--range") {
      const std::string_view text = value();
      const std::size_t colon = text.find(':');
      if (colon == std::string_view::npos) throw UsageError("--range needs A:B, not '" + std::string(text) + "'");
      a.range = {real_value(text.substr(0, colon), option), real_value(text.substr(colon + 1), option)};
      if (!(a.range->first < a.range->second)) throw UsageError("--range needs A:B with A < B");
    } else if (!scan && option == "--points") {
      a.points = whole_value(value(), option, 2, 100000);
    } else if (!scan && option == "--csv") {
      a.csv = std::string(value());
    } else if (option == "--thickness") {
      const double mm = real_value(value(), option);
      if (!(mm > 0)) throw UsageError("--thickness needs a positive thickness in mm");
      a.options.thickness = mm * kAngstromPerMillimetre;
    } else if (option == "--surface") {
      Hkl h{};
      for (int& index : h) index = whole_value(value(), option, -999, 999);
      if (h == Hkl{0, 0, 0}) throw UsageError("--surface needs a lattice plane H K L, not 0 0 0");
      a.options.surface = h;
    } else if (!option.empty() && option[0] != '-' && a.input.empty()) {
      a.input = option;
    } else {
      throw UsageError("unknown or repeated argument '" + option + "'");
    }
  }
  if (a.input.empty()) throw UsageError("the input file is missing");
  if (!scan && !a.psi) throw UsageError("--psi P is missing");
  if (scan && a.csv.empty()) a.csv = a.input.parent_path() / (a.input.stem().string() + "_dynamical.csv");
  return a;
}

std::string indices(const Hkl& h, char separator) {
  return std::to_string(h[0]) + separator + std::to_string(h[1]) + separator + std::to_string(h[2]);
}

void write_table(std::ostream& out, const dynamical::RockingCurve& curve) {
  out.imbue(std::locale::classic());
  out << "dtheta_arcsec,R_sigma,R_pi";
  for (std::size_t g = 0; g < curve.beams.size(); ++g)
    if (g != 1) out << ",P_" << indices(curve.beams[g], '_') << "_sigma,P_" << indices(curve.beams[g], '_') << "_pi";
  out << "\n" << std::setprecision(9);
  for (std::size_t i = 0; i < curve.dtheta.size(); ++i) {
    const dynamical::CrystalPoint& p = curve.points[i];
    out << curve.dtheta[i] / kArcsec << ',' << p.r_sigma << ',' << p.r_pi;
    for (std::size_t g = 0; g < p.beams.size(); ++g)
      if (g != 1)
        out << ',' << p.beams[g].sigma.front + p.beams[g].sigma.back << ','
            << p.beams[g].pi.front + p.beams[g].pi.back;
    out << "\n";
  }
}

// Peak and full width at half maximum of one polarisation's curve (arcsec).
void write_peak(std::ostream& out, const dynamical::RockingCurve& curve, bool sigma) {
  const auto r = [&](std::size_t i) { return sigma ? curve.points[i].r_sigma : curve.points[i].r_pi; };
  std::size_t top = 0;
  for (std::size_t i = 1; i < curve.dtheta.size(); ++i)
    if (r(i) > r(top)) top = i;
  std::size_t lo = top, hi = top;
  while (lo > 0 && r(lo) > r(top) / 2) --lo;
  while (hi + 1 < curve.dtheta.size() && r(hi) > r(top) / 2) ++hi;
  out << (sigma ? "#   sigma: peak R " : "#   pi:    peak R ") << std::setprecision(6) << r(top) << " at "
      << std::setprecision(4) << curve.dtheta[top] / kArcsec << " arcsec, width above half the peak "
      << (curve.dtheta[hi] - curve.dtheta[lo]) / kArcsec << " arcsec\n";
}

// The calculation of the input file, or the exit status when it cannot be read.
std::optional<Calculation> read_input(const RockingArguments& a, int& status) {
  status = kExitUsage;
  if (path_kind(a.input) != PathKind::regular) {
    std::cerr << "kavro99: cannot open the input file " << a.input << "\n";
    return std::nullopt;
  }
  if (!a.csv.empty() && (path_kind(a.csv) == PathKind::other || same_file(a.csv, a.input))) {
    std::cerr << "kavro99: cannot write " << a.csv << " (a folder, a device, a pipe or the input file)\n";
    return std::nullopt;
  }
  std::ifstream in(a.input);
  std::ostringstream listing;
  try {
    return read_calculation(in, listing);
  } catch (const RunStop&) {
    std::cerr << "kavro99: the input file cannot be used:\n" << stop_message(listing.str());
    return std::nullopt;
  }
}

// One result file, written and committed.
template <typename Writer>
bool write_result(const fs::path& path, Writer&& write) {
  ResultFile file;
  if (!write_file(file, path, std::forward<Writer>(write))) return false;
  if (file.commit()) return true;
  std::cerr << "kavro99: " << path << " could not be written completely\n";
  return false;
}

int make_curve(const RockingArguments& a) {
  int status = 0;
  const std::optional<Calculation> c = read_input(a, status);
  if (!c) return status;
  const PerfectCrystal crystal(*c, a.options);
  const double psi = *a.psi;
  std::pair<double, double> range;
  if (a.range) {
    range = {a.range->first * kArcsec, a.range->second * kArcsec};
  } else {
    const dynamical::TwoBeamWidth w = crystal.two_beam_width(psi);
    const double half = 6 * w.half_width + 2 * std::abs(crystal.chi({0, 0, 0})) / std::sin(2 * crystal.bragg_angle());
    range = {w.centre - half, w.centre + half};
  }
  if (!crystal.enters(psi, range.first) || !crystal.enters(psi, range.second))
    throw Error("the incident beam does not enter the crystal surface at psi " + std::to_string(psi));
  const dynamical::RockingCurve curve = dynamical::rocking_curve(crystal, psi, range.first, range.second, a.points);

  std::cout.imbue(std::locale::classic());
  std::cout << "# Perfect crystal, dynamical " << curve.beams.size() << "-beam rocking curve of " << indices(crystal.primary(), ' ')
            << " at psi " << psi << " deg (kinematic Bragg angle " << std::setprecision(8)
            << crystal.bragg_angle() * 180 / 3.14159265358979323846 << " deg), " << crystal_form(a.options)
            << "\n#   beams:";
  for (const Hkl& h : curve.beams) std::cout << "  " << indices(h, ' ');
  std::cout << "\n";
  write_peak(std::cout, curve, true);
  write_peak(std::cout, curve, false);
  if (a.csv.empty()) {
    write_table(std::cout, curve);
    return std::cout ? 0 : kExitFailed;
  }
  if (!write_result(a.csv, [&](std::ostream& out) { write_table(out, curve); })) return kExitFailed;
  std::cout << "Rocking curve:   " << a.csv.string() << "\n";
  return 0;
}

// The files of a dynamical run beside the input, named after it, unless the
// scan table is named on the command line; none may be the input, the crystal
// file it is converted from, or another.
std::optional<DynamicalRunFiles> run_files(const RockingArguments& a, const CrystalRun* crystal) {
  const fs::path stem = a.input.parent_path() / (a.input.stem().string() + "_dynamical");
  DynamicalRunFiles f{a.csv, fs::path(stem).concat(".cal"), fs::path(stem).concat(".ps"), a.html, a.images};
  std::vector<CommandFile> files = {{a.input, crystal ? "converted input file" : "input file", crystal != nullptr},
                                    {f.table, "scan table", true},
                                    {f.cal, "calculated-scan file", true},
                                    {f.page, "page", true},
                                    {f.html, "HTML page", true}};
  for (const PageImage kind : a.images) files.push_back({image_path(f.page, kind), "image of the page", true});
  if (crystal) files.push_back({crystal->crystal, "crystal file", false});
  const std::string clash = command_file_clash(files);
  if (clash.empty()) return f;
  std::cerr << "kavro99: " << clash << "\n";
  return std::nullopt;
}

// `converted`: the run's input converted from a crystal file, saved here; null for an input file.
int make_scan(const RockingArguments& a, CrystalRun* converted) {
  // The converted input is saved once the names are checked (save_crystal_input returns 2 or 0).
  if (converted && (!run_files(a, converted) || save_crystal_input(*converted) != 0)) return kExitUsage;
  int status = 0;
  const std::optional<Calculation> c = read_input(a, status);
  if (!c) return status;
  if (!(c->grid.zsw1 > 0)) throw UsageError("the input asks for no scan (steps per degree not above 0)");
  const std::optional<DynamicalRunFiles> files = run_files(a, converted);
  if (!files) return kExitUsage;
  const auto start = std::chrono::steady_clock::now();
  const PerfectCrystal crystal(*c, a.options);
  const dynamical::DynamicalScan scan = dynamical::dynamical_scan(crystal, c->grid, a.quantity);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::string form = crystal_form(a.options), title = input_title(a.input);
  std::size_t top = 0, bottom = 0;
  for (std::size_t i = 0; i < scan.psi.size(); ++i) {
    if (scan_value(scan, i) > scan_value(scan, top)) top = i;
    if (scan_value(scan, i) < scan_value(scan, bottom)) bottom = i;
  }
  std::cout.imbue(std::locale::classic());
  std::cout << "Perfect crystal (" << form << "), dynamical psi-scan of " << indices(crystal.primary(), ' ') << ": "
            << scan.psi.size() << " steps in " << std::setprecision(3) << seconds << " s\n"
            << "  calculated = " << scan_quantity_words(a.quantity) << ", sigma share " << crystal.sigma_weight()
            << "\n  highest " << std::setprecision(6) << scan_value(scan, top) << " at psi " << scan.psi[top]
            << ", lowest " << scan_value(scan, bottom) << " at psi " << scan.psi[bottom] << "\n";
  if (scan.steps_outside > 0)
    std::cout << "  " << scan.steps_outside << " steps where the incident beam misses the surface are 0\n";
  const DynamicalRunResult result{*c, title, form, crystal, scan};
  return write_dynamical_run_files(result, *files) ? 0 : kExitFailed;
}

}  // namespace

bool asks_dynamical(const std::vector<std::string_view>& args) {
  return std::any_of(args.begin(), args.end(),
                     [](std::string_view a) { return a == "--dynamical" || a.substr(0, 12) == "--dynamical="; });
}

namespace {

// A dynamical command's arguments and run; `name` heads its messages.
template <typename Make>
int dynamical_command(const char* name, const std::vector<std::string_view>& args, bool scan, Make make) {
  try {
    return make(parse(args, scan));
  } catch (const UsageError& e) {
    std::cerr << name << ": " << e.what() << "\nusage:\n" << kRockingUsage;
    return kExitUsage;
  } catch (const Error& e) {
    std::cerr << name << ": " << e.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace

int dynamical_run_command(const std::vector<std::string_view>& args, CrystalRun* crystal) {
  CrystalRun* converted = crystal && !crystal->crystal.empty() ? crystal : nullptr;
  return dynamical_command("kavro99 run --dynamical", args, true,
                           [converted](const RockingArguments& a) { return make_scan(a, converted); });
}

int rocking_command(const std::vector<std::string_view>& args) {
  return dynamical_command("kavro99 rocking", args, false, make_curve);
}

}  // namespace kavro::app
