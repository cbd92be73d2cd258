// Starting an external program directly with its arguments (no shell in
// between, so file names with blanks, quotes or semicolons pass unchanged)
// and waiting until it has ended.
#pragma once

#include <string>
#include <vector>

namespace kavro::shell {

struct LaunchResult {
  bool started = false;
  int exit_status = 0;  // meaningful only when started
  std::string error;    // why the program could not be started
};

class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  // argv[0] is the program (a path, or a name looked up on PATH).
  virtual LaunchResult run_and_wait(const std::vector<std::string>& argv) = 0;
};

// The launcher of the real program: posix_spawnp and waitpid.
class SpawnLauncher final : public ProgramLauncher {
 public:
  LaunchResult run_and_wait(const std::vector<std::string>& argv) override;
};

}  // namespace kavro::shell
