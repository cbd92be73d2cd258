// kavro99: command-line front end of the multiple-diffraction simulation.
//
//   kavro99                                          the desktop window
//   kavro99 run INPUT [-o LISTING] [--measured SCAN] [--png] [--pdf] [--events FILE.csv|FILE.json]
//               [--scan-table FILE.csv] [--html REPORT.html] [--max-listed N] [--exact]   one calculation run
//   kavro99 fit INPUT --measured SCAN [options]      fit of the scan to the measurement (fit_command.hpp)
//   kavro99 help                                     the input description
//   kavro99 cif CRYSTAL.cif --hkl H K L ...          an input file from a CIF (cif_command.hpp)
//   kavro99 map INPUT --energy E1:E2 ...             the psi-energy map (map_command.hpp)
//   kavro99 map INPUT --dynamical --psi P ...        the perfect crystal's energy scan (glitch_scan.hpp)
//   kavro99 rocking INPUT --psi P ...                the perfect crystal's rocking curve (rocking_command.hpp)
//   kavro99 run INPUT --chunk I/N                    share I of N of the run's event search: a chunk table
//   kavro99 merge INPUT CHUNK.kchunk... [options]    the whole run from the chunk tables of all shares
//
// main() hands each command to its own file (run_command.hpp, merge_command.hpp, ...).
#include <iostream>
#include <string_view>
#include <vector>

#include "cif_command.hpp"
#include "map_command.hpp"
#include "merge_command.hpp"
#include "rocking_command.hpp"
#include "run_command.hpp"
#include "usage.hpp"
#ifdef KAVRO_HAVE_FIT
#include "fit_command.hpp"
#endif
#include "shell/input_description.hpp"
#include "system/temporary_files.hpp"
#ifdef KAVRO_HAVE_DESKTOP
#include "shell/run_desktop.hpp"
#endif

namespace {

constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
  kavro::temporaries::remove_on_signals();
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) {
#ifdef KAVRO_HAVE_DESKTOP
    return kavro::shell::run_desktop(argc, argv);
#else
    std::cerr << "kavro99: the desktop window is not built in; install libfltk1.3-dev and rebuild to get it,"
                 " or use 'kavro99 run INPUT' (kavro99 --help)\n";
    return kExitUsage;
#endif
  }
  if (args[0] == "-h" || args[0] == "--help") {
    kavro::app::print_usage(std::cout);
    return 0;
  }
  if (args[0] == "help" && args.size() == 1) {
    kavro::shell::write_input_description(std::cout);
    return std::cout ? 0 : kExitRunFailed;
  }
  if (args[0] == "fit") {
#ifdef KAVRO_HAVE_FIT
    return kavro::app::fit_command({args.begin() + 1, args.end()});
#else
    std::cerr << "kavro99: built without the fit (GSL, libgsl-dev, was not found)\n";
    return kExitUsage;
#endif
  }
  if (args[0] == "cif") return kavro::app::cif_command({args.begin() + 1, args.end()});
  if (args[0] == "map") return kavro::app::map_command({args.begin() + 1, args.end()});
  if (args[0] == "rocking") return kavro::app::rocking_command({args.begin() + 1, args.end()});
  if (args[0] == "merge") return kavro::app::merge_command({args.begin() + 1, args.end()});
  if (args[0] == "run") {
    kavro::app::RunRequest request;
    std::vector<std::string_view> run_args(args.begin() + 1, args.end());
    kavro::app::CrystalRun crystal;
    if (const int status = kavro::app::prepare_crystal_run(run_args, crystal)) return status;
    if (kavro::app::asks_dynamical(run_args)) return kavro::app::dynamical_run_command(run_args, &crystal);
    if (!kavro::app::parse_run_arguments(run_args, request)) {
      kavro::app::print_usage(std::cerr);
      return kExitUsage;
    }
    request.tables.file_indices = crystal.file_indices;
    if (!crystal.crystal.empty() && request.tables.chunk) {
      std::cerr << "kavro99: --chunk runs an input file; convert the crystal first (kavro99 cif) and split the"
                   " run of its input\n";
      return kExitUsage;
    }
    if (!crystal.crystal.empty()) {
      request.crystal = &crystal;
      request.tables.other_inputs.push_back({crystal.crystal, "crystal file"});
    }
    return kavro::app::run_command(request);
  }
  std::cerr << "kavro99: unknown command '" << args[0] << "'\n";
  kavro::app::print_usage(std::cerr);
  return kExitUsage;
}
