#include "usage.hpp"

#include "cif_command.hpp"
#include "glitch_scan.hpp"
#include "map_command.hpp"
#include "rocking_command.hpp"
#ifdef KAVRO_HAVE_FIT
#include "fit_command.hpp"
#endif

namespace kavro::app {

void print_usage(std::ostream& out) {
  out << "usage: kavro99                     (the desktop window)\n"
         "       kavro99 run INPUT [-o LISTING] [--measured SCAN] [--png] [--pdf]\n"
         "                   [--events FILE.csv|FILE.json] [--scan-table FILE.csv] [--html REPORT.html]\n"
         "                   [--max-listed N] [--exact]\n"
         "       kavro99 run INPUT --chunk I/N [-o LISTING] [--measured SCAN]   (share I of N of the run)\n"
         "       kavro99 merge INPUT CHUNK.kchunk... [run options]   (the whole run from its N shares)\n"
         "       kavro99 help                (the input description)\n"
      << kCifUsage << kMapUsage << kGlitchUsage << kRockingUsage
#ifdef KAVRO_HAVE_FIT
      << kFitUsage
#endif
      ;
}

}  // namespace kavro::app
