// Starting external programs with posix_spawn and waiting for them.
#include "system/process.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

extern char** environ;

namespace kavro::process {
namespace {

// Reads everything from `fd` until the writer closes it.
std::string read_all(int fd) {
  std::string text;
  char buffer[4096];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
      text.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      return text;
    }
  }
}

// The child's standard input reads /dev/null; its output and error streams
// both go into the pipe (whose own descriptors close on exec).
struct SpawnActions {
  posix_spawn_file_actions_t actions;
  explicit SpawnActions(int pipe_write) {
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe_write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipe_write, STDERR_FILENO);
  }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
};

std::vector<char*> argument_vector(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  return argv;
}

void wait_for(pid_t pid, ProcessEnd& end) {
  while (::waitpid(pid, &end.wait_status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

bool is_executable_file(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::filesystem::path> find_on_path(std::string_view name, std::string_view path_list) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string_view::npos) {
    const std::filesystem::path path(name);
    return is_executable_file(path) ? std::optional(path) : std::nullopt;
  }
  while (true) {
    const std::size_t colon = path_list.find(':');
    const std::string_view dir = path_list.substr(0, colon);
    const std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : std::string(dir)) / name;
    if (is_executable_file(candidate)) return candidate;
    if (colon == std::string_view::npos) return std::nullopt;
    path_list.remove_prefix(colon + 1);
  }
}

ProcessEnd run_collecting_output(const std::vector<std::string>& args) {
  ProcessEnd end;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    end.spawn_error = errno;
    return end;
  }
  std::vector<char*> argv = argument_vector(args);
  pid_t pid = 0;
  {
    SpawnActions actions(fds[1]);
    end.spawn_error = posix_spawn(&pid, argv[0], &actions.actions, nullptr, argv.data(), environ);
  }
  ::close(fds[1]);
  if (end.spawn_error == 0) {
    end.output = read_all(fds[0]);
    wait_for(pid, end);
  }
  ::close(fds[0]);
  return end;
}

ProcessEnd run_and_wait(const std::vector<std::string>& args) {
  ProcessEnd end;
  if (args.empty()) {
    end.spawn_error = EINVAL;
    return end;
  }
  std::vector<char*> argv = argument_vector(args);
  pid_t pid = 0;
  end.spawn_error = ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (end.spawn_error == 0) wait_for(pid, end);
  return end;
}

}  // namespace kavro::process
