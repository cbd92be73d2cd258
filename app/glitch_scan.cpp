#include "glitch_scan.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "command_arguments.hpp"
#include "dynamical_run_files.hpp"
#include "glitch_page.hpp"
#include "page_images.hpp"
#include "crystal/radiation_kind.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/units.hpp"
#include "dynamical/perfect_crystal.hpp"
#include "energy/energy_calculation.hpp"
#include "run/input_preparation.hpp"
#include "run/result_file.hpp"
#include "run/run_files.hpp"

namespace kavro::app {

const char* const kGlitchUsage =
    "       kavro99 map INPUT --dynamical[=peak|=integrated] --psi P (--energy E1:E2 | --wavelength L1:L2)\n"
    "                   [--points N] [--thickness MM] [--surface H K L] [-o PAGE.ps] [--png] [--pdf]\n"
    "                   [--csv FILE.csv]\n";

namespace {

namespace fs = std::filesystem;
using dynamical::ScanQuantity;

struct GlitchArguments {
  fs::path input, page, csv;
  std::optional<double> psi;
  std::optional<std::pair<double, double>> energies, wavelengths;
  int points = 501;
  ScanQuantity quantity = ScanQuantity::peak;
  dynamical::DynamicalOptions options;
  std::vector<PageImage> images;
};


int whole_value(std::string_view token, const std::string& option, int lo, int hi) {
  const double v = real_value(token, option);
  if (!(v >= lo && v <= hi && v == std::floor(v)))
    throw UsageError(option + " needs whole numbers from " + std::to_string(lo) + " to " + std::to_string(hi) +
                     ", not '" + std::string(token) + "'");
  return static_cast<int>(v);
}

GlitchArguments parse(const std::vector<std::string_view>& args) {
  GlitchArguments a;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string option(args[i]);
    const auto value = [&]() -> std::string_view {
      if (i + 1 >= args.size()) throw UsageError(option + " needs a value");
      return args[++i];
    };
    if (option == "--dynamical" || option == "--dynamical=peak") {
      continue;
    } else if (option == "--dynamical=integrated") {
      a.quantity = ScanQuantity::integrated;
    } else if (option.rfind("--dynamical=", 0) == 0) {
      throw UsageError("--dynamical takes =peak or =integrated, not '" + option + "'");
    } else if (option == "--psi") {
      a.psi = real_value(value(), option);
    } else if (option == "--energy") {
      a.energies = range(value(), option);
    } else if (option == "--wavelength") {
      a.wavelengths = range(value(), option);
    } else if (option == "--points") {
      a.points = whole_value(value(), option, 2, 100000);
    } else if (option == "--thickness") {
      const double mm = real_value(value(), option);
      if (!(mm > 0)) throw UsageError("--thickness needs a positive thickness in mm");
      a.options.thickness = mm * kAngstromPerMillimetre;
    } else if (option == "--surface") {
      Hkl h{};
      for (int& index : h) index = whole_value(value(), option, -999, 999);
      if (h == Hkl{0, 0, 0}) throw UsageError("--surface needs a lattice plane H K L, not 0 0 0");
      a.options.surface = h;
    } else if (option == "-o") {
      a.page = std::string(value());
    } else if (option == "--csv") {
      a.csv = std::string(value());
      if (lowercase_extension(a.csv) != ".csv") throw UsageError("--csv takes FILE.csv, not '" + a.csv.string() + "'");
    } else if (option == "--png" || option == "--pdf") {
      a.images.push_back(option == "--png" ? PageImage::png : PageImage::pdf);
    } else if (!option.empty() && option[0] != '-' && a.input.empty()) {
      a.input = option;
    } else {
      throw UsageError("unknown or repeated argument '" + option + "' (the energy scan of --dynamical)");
    }
  }
  if (a.input.empty()) throw UsageError("the input file is missing");
  if (!a.psi) throw UsageError("--dynamical needs the azimuth --psi P (one value)");
  if (a.energies.has_value() == a.wavelengths.has_value())
    throw UsageError("give the energy range with either --energy E1:E2 or --wavelength L1:L2");
  if (a.page.empty()) a.page = a.input.parent_path() / (a.input.stem().string() + "_glitches.ps");
  if (a.csv.empty()) a.csv = fs::path(a.page).replace_extension(".csv");
  return a;
}

// The energy range in keV, lowest first, of two different energies.
std::pair<double, double> scan_energies(const GlitchArguments& a) {
  const std::pair<double, double> e = energy_range(a.energies, a.wavelengths);
  if (!(e.second > e.first)) throw UsageError("the energy scan needs two different energies");
  return e;
}

struct EnergyScan {
  std::vector<double> energy;
  std::vector<dynamical::ScanStep> steps;
  double sigma_weight = 0.5;
};

// Each energy is prepared alone (f', f'', the monochromator's band, the beams
// near the sphere) and solved on one thread; the energies go to the threads in turn.
EnergyScan energy_scan(const Calculation& base, const GlitchArguments& a, std::pair<double, double> e) {
  EnergyScan scan;
  const std::size_t n = static_cast<std::size_t>(a.points);
  for (std::size_t i = 0; i < n; ++i)
    scan.energy.push_back(e.first + (e.second - e.first) * static_cast<double>(i) / static_cast<double>(n - 1));
  scan.steps.resize(n);
  dynamical::DynamicalOptions options = a.options;
  options.threads = 1;
  int workers = base.options.threads > 0 ? base.options.threads : static_cast<int>(std::thread::hardware_concurrency());
  workers = std::clamp(workers, 1, a.points);
  std::vector<std::exception_ptr> failures(static_cast<std::size_t>(workers));
  std::vector<std::string> notes(static_cast<std::size_t>(workers));
  std::vector<std::thread> pool;
  for (int w = 0; w < workers; ++w)
    pool.emplace_back([&, w] {
      try {
        for (std::size_t i = static_cast<std::size_t>(w); i < n; i += static_cast<std::size_t>(workers)) {
          std::ostringstream messages;
          try {
            const Calculation c = calculation_at_energy(base, scan.energy[i], warnings_only(messages));
            const dynamical::PerfectCrystal crystal(c, options);
            scan.steps[i] = dynamical::scan_step(crystal, *a.psi, a.quantity);
          } catch (const RunStop&) {
            throw Error("at " + std::to_string(scan.energy[i]) + " keV the input cannot be used: " +
                        stop_message(messages.str()));
          }
        }
      } catch (...) {
        failures[static_cast<std::size_t>(w)] = std::current_exception();
      }
    });
  for (std::thread& t : pool) t.join();
  for (const std::exception_ptr& f : failures)
    if (f) std::rethrow_exception(f);
  scan.sigma_weight = (1 + double(base.radiation.polarization_degree)) / 2;
  return scan;
}

double step_value(const dynamical::ScanStep& s, ScanQuantity q) {
  return q == ScanQuantity::integrated ? s.integrated : s.peak;
}

void write_csv(std::ostream& out, const EnergyScan& scan, const GlitchArguments& a) {
  const bool integral = a.quantity == ScanQuantity::integrated;
  out.imbue(std::locale::classic());
  out << "# kavro-99 energy scan of the perfect crystal at psi " << *a.psi << " deg, N-beam dynamical theory\n"
      << "# energy_keV [keV], wavelength [Angstrom]\n"
      << "# calculated [" << (integral ? "microradians" : "1") << "]: " << scan_quantity_words(a.quantity) << ", for "
      << scan.sigma_weight << " R_sigma + " << 1 - scan.sigma_weight << " R_pi\n"
      << (integral ? "# R_sigma_int, R_pi_int [microradians]: the integrated reflectivities for sigma and pi\n"
                   : "# R_sigma, R_pi [1]: the reflectivities at the glancing angle of the peak\n"
                     "# dtheta_arcsec [arcsec]: that glancing angle, from the kinematic Bragg angle\n")
      << "# beams: the beams taken, the incident beam and the primary included; outside: 1 where the incident\n"
         "#   beam misses the surface (values 0)\n"
      << (integral ? "energy_keV,wavelength,calculated,R_sigma_int,R_pi_int,beams,outside\n"
                   : "energy_keV,wavelength,calculated,R_sigma,R_pi,dtheta_arcsec,beams,outside\n")
      << std::setprecision(9);
  for (std::size_t i = 0; i < scan.energy.size(); ++i) {
    const dynamical::ScanStep& s = scan.steps[i];
    out << scan.energy[i] << ',' << wavelength_of(scan.energy[i]) << ',' << step_value(s, a.quantity) << ',';
    if (integral)
      out << s.integrated_sigma << ',' << s.integrated_pi;
    else
      out << s.r_sigma << ',' << s.r_pi << ',' << s.dtheta / kArcsec;
    out << ',' << s.beams << ',' << (s.outside ? 1 : 0) << "\n";
  }
}

std::string crystal_line(const dynamical::DynamicalOptions& o, const Primary& primary) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  if (std::isfinite(o.thickness))
    text << "plate of " << o.thickness / kAngstromPerMillimetre << " mm, ";
  else
    text << "half-space, ";
  if (o.surface)
    text << "surface " << (*o.surface)[0] << " " << (*o.surface)[1] << " " << (*o.surface)[2];
  else
    text << "surface " << primary.h << " " << primary.k << " " << primary.l << " (symm. Bragg)";
  return text.str();
}

bool usable_files(const GlitchArguments& a) {
  std::vector<CommandFile> files = {{a.input, "input file", false}, {a.page, "page", true}, {a.csv, "CSV file", true}};
  for (const PageImage kind : a.images) files.push_back({image_path(a.page, kind), "image of the page", true});
  const std::string clash = command_file_clash(files);
  if (clash.empty()) return true;
  std::cerr << "kavro99: " << clash << "\n";
  return false;
}

int make_glitch_scan(const GlitchArguments& a) {
  if (path_kind(a.input) != PathKind::regular) {
    std::cerr << "kavro99: cannot open the input file " << a.input << "\n";
    return kExitUsage;
  }
  if (!usable_files(a)) return kExitUsage;
  std::ifstream in(a.input);
  std::ostringstream listing;
  Calculation base;
  try {
    base = read_calculation(in, listing);
  } catch (const RunStop&) {
    std::cerr << "kavro99: the input file cannot be used:\n" << stop_message(listing.str());
    return kExitUsage;
  }
  if (base.radiation.idesy == RadiationKind::neutrons) throw UsageError("the energy scan is made for X-rays; the input describes neutrons");
  const std::pair<double, double> e = scan_energies(a);
  const EnergyScan scan = energy_scan(base, a, e);

  const bool integral = a.quantity == ScanQuantity::integrated;
  const std::string title = input_title(a.input);
  std::ostringstream share;
  share.imbue(std::locale::classic());
  share << "R = " << scan.sigma_weight << " R-sigma + " << 1 - scan.sigma_weight << " R-pi";
  GlitchPage page{title, base.primary, *a.psi, scan.energy, {}, {}, 4};
  for (const dynamical::ScanStep& s : scan.steps) page.value.push_back(step_value(s, a.quantity));
  page.lines = {"Perfect crystal, N-beam dynamical",
                integral ? "integrated reflectivity (microrad)" : "peak reflectivity of the primary",
                integral ? "of the primary over the glancing angle" : "(the maximum over the glancing angle)",
                share.str(), crystal_line(a.options, base.primary)};
  std::ostringstream messages;
  ResultFile ps, csv;
  if (!write_file(ps, a.page, [&](std::ostream& out) { write_glitch_page(out, messages, page, current_time()); }) ||
      !write_file(csv, a.csv, [&](std::ostream& out) { write_csv(out, scan, a); }))
    return kExitFailed;
  if (!ps.commit() || !csv.commit()) {
    std::cerr << "kavro99: the files of the energy scan could not be written completely\n";
    return kExitFailed;
  }
  std::cerr << messages.str();
  const auto [lo, hi] = std::minmax_element(page.value.begin(), page.value.end());
  const std::int64_t outside = std::count_if(scan.steps.begin(), scan.steps.end(), [](const auto& s) { return s.outside; });
  std::cout.imbue(std::locale::classic());
  std::cout << "Perfect crystal, dynamical energy scan of " << base.primary.h << " " << base.primary.k << " "
            << base.primary.l << " at psi " << *a.psi << " deg: " << scan.energy.size() << " energies from "
            << std::setprecision(8) << e.first << " to " << e.second << " keV\n"
            << "  calculated = " << scan_quantity_words(a.quantity) << "\n"
            << "  highest " << std::setprecision(6) << *hi << ", lowest " << *lo << " at "
            << std::setprecision(8) << scan.energy[static_cast<std::size_t>(lo - page.value.begin())] << " keV\n";
  if (outside > 0) std::cout << "  " << outside << " energies where the incident beam misses the surface are 0\n";
  std::cout << "PostScript page: " << a.page.string() << "\n"
            << "Energy scan:     " << a.csv.string() << "\n";
  return convert_page_images(a.page, a.images) ? 0 : kExitFailed;
}

}  // namespace

int glitch_scan_command(const std::vector<std::string_view>& args) {
  try {
    return make_glitch_scan(parse(args));
  } catch (const UsageError& e) {
    std::cerr << "kavro99 map --dynamical: " << e.what() << "\nusage:\n" << kGlitchUsage;
    return kExitUsage;
  } catch (const Error& e) {
    std::cerr << "kavro99 map --dynamical: " << e.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace kavro::app
