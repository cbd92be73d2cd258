// The crystal-file commands: options, conversion, the written input file.
#include "cif_command.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <system_error>

#include "cif_sampling.hpp"
#include "command_arguments.hpp"
#include "cif/cif_error.hpp"
#include "cif/conversion.hpp"
#include "cif/crystal_file.hpp"
#include "cif/crystal_run.hpp"
#include "crystal/run_stop.hpp"
#include "format/input_reader.hpp"
#include "run/calculated_scan_name.hpp"
#include "run/input_preparation.hpp"
#include "run/result_file.hpp"
#include "run/run_files.hpp"

namespace kavro::app {

const char* const kCifUsage =
    "       kavro99 cif CRYSTAL.cif --hkl H K L [radiation] [--psi A:B] [--steps N] [--drumin D] [-o INPUT]\n"
    "       kavro99 run CRYSTAL.cif --hkl H K L [radiation] [--psi A:B] [--steps N] [--drumin D]\n"
    "                   [-o LISTING] [--png] [--pdf]\n"
    "         radiation: --tube Cu|Mo|Ag (default Cu), --wavelength LAMBDA, --neutron LAMBDA,\n"
    "                    --energy KEV [--monochromator A H K L F] [--polarization sigma|pi]\n"
    "         --azimuth-ref H K L: psi = 0 where this reciprocal-lattice vector's part perpendicular to\n"
    "                    the primary lies in the scattering plane, towards the source\n";

namespace {

namespace fs = std::filesystem;
using cif::RadiationChoice;

constexpr int kExitBadInput = 2;

struct CifRequest {
  fs::path crystal;
  fs::path output;  // cif: -o INPUT; run: beside the crystal file
  cif::ConversionSettings settings;
  bool hkl_given = false;
  int radiation_options = 0;
  bool synchrotron_options = false;
  bool steps_given = false;  // else the step follows the narrowest event
};

std::string text(std::string_view view) { return std::string(view); }

int integer_value(std::string_view token, const std::string& option) {
  int value = 0;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (token.empty() || error != std::errc() || end != token.data() + token.size())
    throw UsageError(option + " needs whole numbers, not '" + text(token) + "'");
  return value;
}

// The values of an option, which must be there.
std::vector<std::string_view> values(const std::vector<std::string_view>& args, std::size_t& i, std::size_t count) {
  const std::string option = text(args[i]);
  if (i + count >= args.size()) throw UsageError(option + " needs " + std::to_string(count) + " value(s)");
  std::vector<std::string_view> result(args.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                       args.begin() + static_cast<std::ptrdiff_t>(i + 1 + count));
  i += count;
  return result;
}

double positive(double value, const std::string& option) {
  if (!(value > 0)) throw UsageError(option + " needs a positive number");
  return value;
}

// The input file holds a wavelength with six decimals: below a hundredth of
// an Angstrom it would lose its digits (1e-7 would be written as 0.000000).
// Beyond 100 Angstrom no reflection of a crystal reaches the sphere.
constexpr double kShortestWavelength = 0.01, kLongestWavelength = 100;

double wavelength_value(double value, const std::string& option) {
  if (!(value >= kShortestWavelength && value <= kLongestWavelength))
    throw UsageError(option + " needs a wavelength from 0.01 to 100 Angstrom");
  return value;
}

void set_radiation(CifRequest& request, RadiationChoice::Kind kind, double wavelength) {
  ++request.radiation_options;
  request.settings.radiation.kind = kind;
  request.settings.radiation.wavelength = wavelength;
}

// Takes the option at args[i] when it is one of the conversion's; false otherwise.
bool take_option(const std::vector<std::string_view>& args, std::size_t& i, CifRequest& request) {
  const std::string_view option = args[i];
  const std::string name = text(option);
  cif::ConversionSettings& s = request.settings;
  if (option == "--hkl") {
    const auto v = values(args, i, 3);
    s.hkl = {integer_value(v[0], name), integer_value(v[1], name), integer_value(v[2], name)};
    request.hkl_given = true;
  } else if (option == "--tube") {
    const std::string tube = text(values(args, i, 1)[0]);
    if (!cif::known_tube(tube)) throw UsageError("--tube is Cu, Mo or Ag, not '" + tube + "'");
    set_radiation(request, RadiationChoice::Kind::tube, 0);
    s.radiation.tube = tube;
  } else if (option == "--wavelength") {
    set_radiation(request, RadiationChoice::Kind::wavelength,
                  wavelength_value(real_value(values(args, i, 1)[0], name), name));
  } else if (option == "--neutron") {
    set_radiation(request, RadiationChoice::Kind::neutrons,
                  wavelength_value(real_value(values(args, i, 1)[0], name), name));
  } else if (option == "--energy") {
    const double kev = real_value(values(args, i, 1)[0], name);
    if (!(kev >= cif::kMinEnergyKev && kev <= cif::kMaxEnergyKev))
      throw UsageError("--energy needs an energy from 1 to 200 keV");
    set_radiation(request, RadiationChoice::Kind::synchrotron, cif::energy_wavelength(kev));
  } else if (option == "--monochromator") {
    const auto v = values(args, i, 5);
    cif::Monochromator& m = s.radiation.monochromator;
    m.cell = positive(real_value(v[0], name), name);
    m.hkl = {integer_value(v[1], name), integer_value(v[2], name), integer_value(v[3], name)};
    m.f = positive(real_value(v[4], name), name + " (the structure factor F)");
    if (m.hkl == std::array<int, 3>{0, 0, 0}) throw UsageError("--monochromator needs a reflection other than 0 0 0");
    request.synchrotron_options = true;
  } else if (option == "--polarization") {
    const std::string_view p = values(args, i, 1)[0];
    if (p != "sigma" && p != "pi") throw UsageError("--polarization is sigma or pi");
    s.radiation.pi_polarization = p == "pi";
    request.synchrotron_options = true;
  } else if (option == "--psi") {
    const std::string_view range = values(args, i, 1)[0];
    const std::size_t colon = range.find(':', 1);
    if (colon == std::string_view::npos) throw UsageError("--psi needs a range A:B");
    s.psia = real_value(range.substr(0, colon), name);
    s.psie = real_value(range.substr(colon + 1), name);
    if (!(s.psie > s.psia)) throw UsageError("--psi needs A:B with A below B, not '" + text(range) + "'");
  } else if (option == "--steps") {
    s.steps = real_value(values(args, i, 1)[0], name);
    request.steps_given = true;
  } else if (option == "--drumin") {
    s.drumin = real_value(values(args, i, 1)[0], name);
  } else if (option == "--azimuth-ref") {
    const auto v = values(args, i, 3);
    s.azimuth_reference = {real_value(v[0], name), real_value(v[1], name), real_value(v[2], name)};
  } else {
    return false;
  }
  return true;
}

void check_request(const CifRequest& request) {
  const cif::ConversionSettings& s = request.settings;
  if (request.crystal.empty()) throw UsageError("no crystal file given");
  if (!request.hkl_given) throw UsageError("--hkl H K L is needed (the primary reflection)");
  if (request.radiation_options > 1) throw UsageError("give one radiation: --tube, --wavelength, --energy or --neutron");
  if (request.synchrotron_options && s.radiation.kind != RadiationChoice::Kind::synchrotron)
    throw UsageError("--monochromator and --polarization belong to --energy");
  try {
    cif::check_settings(s);
  } catch (const cif::CifError& e) {
    throw UsageError(e.what());
  }
}

bool crystal_file_name(std::string_view name) {
  std::string lower = text(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.ends_with(".gz")) lower.resize(lower.size() - 3);
  for (const char* ext : {".cif", ".mmcif", ".pdb", ".ent"})
    if (lower.ends_with(ext)) return true;
  return false;
}

// The crystal's name without its extensions, with the input's extension.
fs::path input_beside(const fs::path& crystal) {
  fs::path path = crystal;
  if (path.extension() == ".gz" || path.extension() == ".GZ") path.replace_extension();
  return path.replace_extension(".inp");
}

// Writes the whole text or nothing: a partial file is never left under the name.
std::string file_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes the converted input whole or not at all. Another file of that name
// (an input edited by hand, say) is not lost: it is kept as NAME~. When the
// name is a symbolic link, the file it leads to is the one replaced and kept.
// Returns a note for the report when that happened.
std::string write_input_file(const fs::path& path, const std::string& content) {
  ResultFile file;
  if (!file.open(path)) throw cif::CifError("cannot write " + path.string());
  file.stream() << content;
  const fs::path place = file.target();
  std::string note;
  std::error_code error;
  fs::path backup;
  if (fs::is_regular_file(place, error) && file_text(place) != content) {
    backup = place;
    backup += "~";
    fs::rename(place, backup, error);
    if (error) throw cif::CifError("cannot keep the earlier " + place.string() + " as " + backup.string());
    note = "the earlier " + (place == path ? place.filename().string() : place.string()) + " is kept as " +
           (place == path ? backup.filename().string() : backup.string());
  }
  if (!file.commit()) {
    if (!backup.empty()) fs::rename(backup, place, error);
    throw cif::CifError("cannot write " + path.string());
  }
  return note;
}

// The converted input goes through the reading of a run (no file touched):
// what a run would refuse (a psi range, too many steps for the memory budget,
// a wavelength that misses the primary reflection) is refused now.
void check_runs(const std::string& input) {
  std::istringstream in(input);
  std::ostringstream listing;
  try {
    (void)read_calculation(in, listing);
  } catch (const RunStop&) {
    throw cif::CifError("a run would refuse the converted input:\n" + stop_message(listing.str()));
  } catch (const std::bad_alloc&) {
    throw cif::CifError("the converted input needs more memory than there is");
  }
}

struct Converted {
  cif::Conversion conversion;
  std::string report;  // what the terminal and the listing learn about the conversion
};

// Reads and converts, checks that a run takes the input; throws CifError.
Converted convert(const CifRequest& request) {
  std::error_code error;
  if (!fs::is_regular_file(request.crystal, error))
    throw cif::CifError("cannot open the crystal file " + request.crystal.string());
  if (same_file(request.output, request.crystal))
    throw cif::CifError("the input file would replace the crystal file " + request.crystal.string());
  cif::ConversionSettings settings = request.settings;
  settings.page_name = cif::page_file_name(request.output);
  const cif::CifCrystal crystal = cif::read_crystal_file(request.crystal);
  StepChoice step;
  if (!request.steps_given) {
    step = steps_for_events(crystal, settings);
    settings.steps = step.steps;
  }
  Converted result{cif::convert_crystal(crystal, settings), ""};
  if (step.narrowest > 0) result.conversion.summary.push_back(step_summary(step));
  check_runs(result.conversion.input);
  result.report = cif::conversion_report(crystal, result.conversion);
  return result;
}

// Saves the converted input; the report learns about an earlier file kept.
void save(const CifRequest& request, Converted& converted) {
  const std::string kept = write_input_file(request.output, converted.conversion.input);
  if (!kept.empty()) converted.report += "  note: " + kept + "\n";
}

// Parses the conversion's options; `rest` receives everything else (the
// run's options) when given, otherwise anything unknown is an error.
CifRequest parse(const std::vector<std::string_view>& args, std::vector<std::string_view>* rest) {
  CifRequest request;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (take_option(args, i, request)) continue;
    if (args[i] == "-o") {
      const std::string_view value = values(args, i, 1)[0];
      if (rest) rest->insert(rest->end(), {"-o", value});
      else request.output = text(value);
    } else if (!args[i].empty() && args[i][0] != '-' && request.crystal.empty()) {
      request.crystal = text(args[i]);
    } else if (rest) {
      rest->push_back(args[i]);
    } else {
      throw UsageError("unknown option '" + text(args[i]) + "'");
    }
  }
  check_request(request);
  if (request.output.empty()) request.output = input_beside(request.crystal);
  return request;
}

int usage_failure(const std::string& message) {
  std::cerr << "kavro99: " << message << "\nusage:\n" << kCifUsage;
  return kExitBadInput;
}

int conversion_failure(const CifRequest& request, const std::string& message) {
  std::cerr << "kavro99: " << request.crystal.string() << ": " << message << "\n";
  return kExitBadInput;
}

}  // namespace

int cif_command(const std::vector<std::string_view>& args) {
  CifRequest request;
  try {
    request = parse(args, nullptr);
  } catch (const UsageError& e) {
    return usage_failure(e.what());
  }
  try {
    Converted converted = convert(request);
    save(request, converted);
    std::cout << converted.report << "Input file:      " << request.output.string() << "\n";
  } catch (const cif::CifError& e) {
    return conversion_failure(request, e.what());
  }
  return 0;
}

int prepare_crystal_run(std::vector<std::string_view>& args, CrystalRun& run) {
  bool names_crystal = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") ++i;
    else names_crystal = names_crystal || args[i] == "--hkl" || crystal_file_name(args[i]);
  }
  if (!names_crystal) return 0;
  CifRequest request;
  std::vector<std::string_view> rest;
  try {
    request = parse(args, &rest);
  } catch (const UsageError& e) {
    return usage_failure(e.what());
  }
  try {
    const Converted converted = convert(request);
    run.input_text = converted.conversion.input;
    run.listing_preface = converted.report + "\n";
    run.file_indices = cif::file_indices(converted.conversion.space_group);
    // The page and the ".cal" file the run of the input will write beside it.
    RunArguments names;
    names.dname1 = cif::page_file_name(request.output);
    const fs::path folder = request.output.parent_path();
    run.page = folder / names.dname1;
    run.calculated_scan = folder / std::string(ff::trim(calculated_scan_name(names)));
  } catch (const cif::CifError& e) {
    return conversion_failure(request, e.what());
  }
  run.crystal = request.crystal;
  run.input = request.output.string();
  args.assign({run.input});
  args.insert(args.end(), rest.begin(), rest.end());
  return 0;
}

int save_crystal_input(CrystalRun& run) {
  try {
    const std::string kept = write_input_file(run.input, run.input_text);
    if (!kept.empty()) run.listing_preface.insert(run.listing_preface.size() - 1, "  note: " + kept + "\n");
  } catch (const cif::CifError& e) {
    std::cerr << "kavro99: " << run.crystal.string() << ": " << e.what() << "\n";
    return kExitBadInput;
  }
  std::cout << run.listing_preface.substr(0, run.listing_preface.size() - 1) << "Input file:      " << run.input
            << "\n";
  return 0;
}

}  // namespace kavro::app
