// Starting external programs and waiting for them.
#include "shell/program_launcher.hpp"

#include <sys/wait.h>

#include <cstring>

#include "system/process.hpp"

namespace kavro::shell {

LaunchResult SpawnLauncher::run_and_wait(const std::vector<std::string>& argv) {
  if (argv.empty()) return {false, 0, "no program given"};
  const process::ProcessEnd end = process::run_and_wait(argv);
  if (end.spawn_error != 0) return {false, 0, std::strerror(end.spawn_error)};
  return {true, WIFEXITED(end.wait_status) ? WEXITSTATUS(end.wait_status) : -1, {}};
}

}  // namespace kavro::shell
