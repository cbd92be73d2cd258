// kavro99 map: reads the input file, builds the psi-energy map, prints the
// table of safe windows and writes the page (and on request its images and
// the curve samples). Every file appears complete or not at all.
#include "map_command.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>

#include "command_arguments.hpp"
#include "glitch_scan.hpp"
#include "page_images.hpp"
#include "result_writing.hpp"
#include "rocking_command.hpp"
#include "crystal/radiation_kind.hpp"
#include "crystal/run_stop.hpp"
#include "energy/energy_calculation.hpp"
#include "format/input_reader.hpp"
#include "map/map_csv.hpp"
#include "map/map_html.hpp"
#include "map/map_limits.hpp"
#include "map/map_page.hpp"
#include "map/psi_energy_map.hpp"
#include "map/safe_windows.hpp"
#include "plot/ghostscript.hpp"
#include "run/input_preparation.hpp"
#include "run/result_file.hpp"
#include "run/run_files.hpp"

namespace kavro::app {

const char* const kMapUsage =
    "       kavro99 map INPUT --energy E1:E2 | --wavelength L1:L2 [--psi A:B] [--threshold I]\n"
    "                   [--min-width W] [--levels N] [-o MAP.ps] [--png] [--pdf] [--csv FILE]\n"
    "                   [--html MAP.html]\n";

namespace {

namespace fs = std::filesystem;

struct MapArguments {
  fs::path input, page, csv, html;
  std::optional<std::pair<double, double>> energies, wavelengths, psi;
  std::optional<float> threshold;
  std::optional<double> min_width;
  int levels = 0;
  std::vector<PageImage> images;
};

MapArguments parse(const std::vector<std::string_view>& args) {
  MapArguments a;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string option(args[i]);
    const bool has_value = i + 1 < args.size();
    const auto value = [&]() -> std::string_view {
      if (!has_value) throw UsageError(option + " needs a value");
      return args[++i];
    };
    if (option == "--energy") {
      a.energies = range(value(), option);
    } else if (option == "--wavelength") {
      a.wavelengths = range(value(), option);
    } else if (option == "--psi") {
      a.psi = range(value(), option);
    } else if (option == "--threshold") {
      // Strengths are single-precision numbers: the threshold must be one that is positive and finite.
      const double threshold = real_value(value(), option);
      if (!(threshold >= std::numeric_limits<float>::min() && threshold <= std::numeric_limits<float>::max()))
        throw UsageError("--threshold needs a positive number from 1.2e-38 to 3.4e+38");
      a.threshold = static_cast<float>(threshold);
    } else if (option == "--min-width") {
      // A window lies within one turn.
      a.min_width = real_value(value(), option);
      if (!(*a.min_width > 0 && *a.min_width <= 360))
        throw UsageError("--min-width needs a width above 0 and at most 360 degrees");
    } else if (option == "--levels") {
      const double n = real_value(value(), option);
      if (!(n >= 2 && n <= 2001 && n == std::floor(n))) throw UsageError("--levels needs a whole number 2 to 2001");
      a.levels = static_cast<int>(n);
    } else if (option == "-o") {
      a.page = std::string(value());
    } else if (option == "--csv") {
      a.csv = std::string(value());
    } else if (option == "--html") {
      a.html = std::string(value());
    } else if (option == "--png" || option == "--pdf") {
      a.images.push_back(option == "--png" ? PageImage::png : PageImage::pdf);
    } else if (!option.empty() && option[0] != '-' && a.input.empty()) {
      a.input = option;
    } else {
      throw UsageError("unknown or repeated argument '" + option + "'");
    }
  }
  if (a.input.empty()) throw UsageError("the input file is missing");
  if (a.energies.has_value() == a.wavelengths.has_value())
    throw UsageError("give the energy range with either --energy E1:E2 or --wavelength L1:L2");
  if (a.page.empty()) a.page = a.input.parent_path() / (a.input.stem().string() + "_map.ps");
  return a;
}

map::PsiDomain psi_domain(const MapArguments& a, const Calculation& c) {
  if (!a.psi) {
    const double start = c.radiation.idesy != RadiationKind::tube && c.grid.psia >= 0 ? 0.0 : -180.0;
    return {start, start + 360};
  }
  if (!(a.psi->first < a.psi->second && a.psi->second - a.psi->first <= 360))
    throw UsageError("--psi needs A:B with A < B at most 360 degrees apart");
  return {a.psi->first, a.psi->second};
}

// The files of the map: the input and the measured scan it names are read,
// the page, its images and the curve samples written; none may be another.
bool usable_files(const MapArguments& a, const fs::path& scan) {
  std::vector<CommandFile> files = {{a.input, "input file", false}, {scan, "measured scan of the input", false},
                                    {a.page, "map page", true}};
  for (const PageImage kind : a.images)
    files.push_back({fs::path(a.page).replace_extension(kind == PageImage::png ? ".png" : ".pdf"), "image of the map page",
                     true});
  files.push_back({a.csv, "curve-sample file", true});
  files.push_back({a.html, "HTML page", true});
  const std::string clash = command_file_clash(files);
  if (clash.empty()) return true;
  std::cerr << "kavro99: " << clash << "\n";
  return false;
}

// A name from the input file, relative to the input's folder unless absolute.
fs::path result_path(const fs::path& base_dir, std::string_view name) {
  const fs::path path{std::string(ff::trim(name))};
  return path.is_absolute() || path.empty() ? path : base_dir / path;
}

// The reflections that can meet the sphere at the shortest wavelength of
// the range must fit the run's memory budget; a larger map is refused with
// its estimate.
bool within_memory_budget(const Calculation& c, const std::pair<double, double>& e) {
  const map::MapSize size = map::map_size(c, e);
  const double budget = static_cast<double>(c.options.limits.memory_bytes);
  if (size.bytes <= budget) {
    if (size.atom_sums > map::kAtomSumsWorthANote)
      std::fprintf(stderr,
                   "kavro99: the map sums about %.3g reflections over %d atoms (about %.0f MB); this can take hours\n",
                   size.reflections, c.crystal.na, size.bytes / (1 << 20));
    return true;
  }
  std::fprintf(stderr,
               "kavro99: the map would hold about %.3g reflections that can reach the sphere at %.3f keV, about %.0f MB,"
               " more than the memory budget of %lld MB; lower the highest energy\n",
               size.reflections, e.second, size.bytes / (1 << 20),
               static_cast<long long>(c.options.limits.memory_megabytes()));
  return false;
}

int make_map(const MapArguments& a) {
  if (path_kind(a.input) != PathKind::regular) {
    std::cerr << "kavro99: cannot open the input file " << a.input << "\n";
    return kExitUsage;
  }
  std::ifstream in(a.input);
  std::ostringstream listing;
  Calculation c;
  RunArguments names;
  try {
    c = read_calculation(in, listing, &names);
  } catch (const RunStop&) {
    std::cerr << "kavro99: the input file cannot be used:\n" << stop_message(listing.str());
    return kExitUsage;
  }
  const fs::path scan = result_path(a.input.parent_path(), names.dname2);
  if (!usable_files(a, scan)) return kExitUsage;
  if (c.radiation.idesy == RadiationKind::neutrons) {
    std::cerr << "kavro99: the map is made for X-rays; " << a.input << " describes neutrons\n";
    return kExitUsage;
  }
  const std::pair<double, double> e = energy_range(a.energies, a.wavelengths);
  if (!map::reflects_over(c, e.first))
    throw UsageError("the primary reflection does not reach the Ewald sphere at the lowest energy");
  const map::PsiDomain domain = psi_domain(a, c);
  map::MapRequest request;
  request.e_lo = e.first;
  request.e_hi = e.second;
  request.threshold = a.threshold.value_or(c.options.drumin > 0 ? c.options.drumin : 1.0f);
  request.levels = a.levels;
  if (!(request.threshold > 0)) throw UsageError("--threshold needs a positive number");

  std::ostringstream messages;
  map::PsiEnergyMap m;
  try {
    if (!within_memory_budget(c, e)) return kExitFailed;
    m = map::psi_energy_map(c, request, messages);
  } catch (const RunStop&) {
    std::cerr << "kavro99: the map could not be made:\n" << stop_message(messages.str());
    return kExitFailed;
  } catch (const std::bad_alloc&) {
    std::cerr << "kavro99: the map needs more memory than there is; try a narrower energy range or psi window\n";
    return kExitFailed;
  }
  const double min_width = a.min_width.value_or(5.0 * m.largest_fwhm);
  const std::vector<map::SafeWindow> gaps = map::safe_windows(m, domain, 0);
  std::vector<map::SafeWindow> windows;
  std::copy_if(gaps.begin(), gaps.end(), std::back_inserter(windows),
               [&](const map::SafeWindow& w) { return w.width() >= min_width; });
  map::write_window_table(std::cout, m, windows, min_width, gaps.empty() ? 0.0 : gaps.front().width());

  const std::string title = input_title(a.input);
  const map::MapPage page{title, c, m, domain, windows, min_width};
  std::ostringstream page_messages;
  // The page, the curve samples and the HTML page take their names together, or none does.
  ResultFile page_file, csv_file, html_file;
  if (!write_file(page_file, a.page,
                    [&](std::ostream& ps) { map::write_map_page(ps, page_messages, page, current_time()); }))
    return kExitFailed;
  if (!a.csv.empty() && !write_file(csv_file, a.csv, [&](std::ostream& out) { map::write_map_csv(out, m, domain); }))
    return kExitFailed;
  if (!a.html.empty() && !write_file(html_file, a.html, [&](std::ostream& out) { map::write_map_html(out, page); }))
    return kExitFailed;
  if (!page_file.commit() || (!a.csv.empty() && !csv_file.commit()) || (!a.html.empty() && !html_file.commit())) {
    std::cerr << "kavro99: the map's files could not be written completely\n";
    return kExitFailed;
  }
  std::cerr << page_messages.str();
  std::cout << "PostScript page: " << a.page.string() << "\n";
  if (!a.csv.empty()) std::cout << "Curve samples:   " << a.csv.string() << "\n";
  if (!a.html.empty()) std::cout << "HTML page:       " << a.html.string() << "\n";
  return convert_page_images(a.page, a.images) ? 0 : kExitFailed;
}

}  // namespace

int map_command(const std::vector<std::string_view>& args) {
  if (asks_dynamical(args)) return glitch_scan_command(args);
  try {
    return make_map(parse(args));
  } catch (const UsageError& e) {
    std::cerr << "kavro99 map: " << e.what() << "\nusage:\n" << kMapUsage;
    return kExitUsage;
  }
}

}  // namespace kavro::app
