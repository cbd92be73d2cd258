// Starting external programs with posix_spawnp and waiting for them.
#include "shell/program_launcher.hpp"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace kavro::shell {

LaunchResult SpawnLauncher::run_and_wait(const std::vector<std::string>& argv) {
  if (argv.empty()) return {false, 0, "no program given"};
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  pid_t pid = 0;
  if (const int rc = ::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
      rc != 0) {
    return {false, 0, std::strerror(rc)};
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return {true, -1, {}};
  }
  return {true, WIFEXITED(status) ? WEXITSTATUS(status) : -1, {}};
}

}  // namespace kavro::shell
