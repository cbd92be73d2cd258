// Starts Ghostscript on the PostScript page with posix_spawn and an argument
// vector (no shell), collects what it prints and waits for it.
#include "plot/ghostscript.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

extern char** environ;

namespace kavro {

namespace {

using Status = GhostscriptResult::Status;

GhostscriptResult failure(Status status, std::string reason, std::string messages = {}) {
  GhostscriptResult result;
  result.status = status;
  result.reason = std::move(reason);
  result.messages = std::move(messages);
  return result;
}

bool is_executable_file(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

// A file name as gs reads it on its command line: a leading '-' would make it
// an option, so relative names get "./" in front.
std::string input_argument(const std::filesystem::path& path) {
  if (path.is_absolute()) return path.string();
  return (std::filesystem::path(".") / path).string();
}

// gs takes '%' in an output name as a page-number template; "%%" is one '%'.
std::string output_argument(const std::filesystem::path& path) {
  std::string arg = "-sOutputFile=";
  for (const char ch : path.string()) {
    arg += ch;
    if (ch == '%') arg += '%';
  }
  return arg;
}

// The page is drawn on an upright A4 sheet with its x axis running up the
// sheet; the image is given landscape A4 media (842 x 595 points) and every
// page is turned back by -90 degrees, so the plot reads left to right.
constexpr const char* kLandscapeA4 =
    "<< /BeginPage { pop 0 595 translate -90 rotate } >> setpagedevice";

std::vector<std::string> gs_arguments(const std::filesystem::path& gs,
                                      const std::filesystem::path& postscript,
                                      const std::filesystem::path& output, PageImage kind) {
  std::vector<std::string> args = {gs.string(), "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE",
                                   "-dDEVICEWIDTHPOINTS=842", "-dDEVICEHEIGHTPOINTS=595",
                                   "-dFIXEDMEDIA"};
  if (kind == PageImage::png) {
    args.insert(args.end(), {"-sDEVICE=png16m", "-r100"});
  } else {
    args.emplace_back("-sDEVICE=pdfwrite");
  }
  args.push_back(output_argument(output));
  args.insert(args.end(), {"-c", kLandscapeA4, "-f", input_argument(postscript)});
  return args;
}

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

struct ProcessEnd {
  int spawn_error = 0;  // errno of a failed start, 0 when it started
  int wait_status = 0;
  std::string output;
};

ProcessEnd run_collecting_output(const std::vector<std::string>& args) {
  ProcessEnd end;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    end.spawn_error = errno;
    return end;
  }
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  {
    SpawnActions actions(fds[1]);
    end.spawn_error = posix_spawn(&pid, argv[0], &actions.actions, nullptr, argv.data(), environ);
  }
  ::close(fds[1]);
  if (end.spawn_error == 0) {
    end.output = read_all(fds[0]);
    while (::waitpid(pid, &end.wait_status, 0) < 0 && errno == EINTR) {
    }
  }
  ::close(fds[0]);
  return end;
}

std::string exit_description(int wait_status) {
  if (WIFSIGNALED(wait_status)) {
    return "Ghostscript was ended by signal " + std::to_string(WTERMSIG(wait_status));
  }
  return "Ghostscript ended with status " + std::to_string(WEXITSTATUS(wait_status));
}

bool wrote_file(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0;
}

}  // namespace

std::optional<std::filesystem::path> find_ghostscript() {
  const char* path_variable = std::getenv("PATH");
  if (path_variable == nullptr) return std::nullopt;
  std::string_view rest(path_variable);
  while (true) {
    const std::size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    // An empty entry means the current directory.
    const std::filesystem::path candidate =
        std::filesystem::path(dir.empty() ? "." : std::string(dir)) / "gs";
    if (is_executable_file(candidate)) return candidate;
    if (colon == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(colon + 1);
  }
}

GhostscriptResult convert_page(const std::filesystem::path& postscript,
                               const std::filesystem::path& output, PageImage kind) {
  const std::optional<std::filesystem::path> gs = find_ghostscript();
  if (!gs) {
    return failure(Status::not_installed,
                   "Ghostscript (gs) is not installed; the page stays in PostScript only");
  }
  std::error_code ec;
  std::filesystem::remove(output, ec);  // a stale file must not pass for a new one
  const ProcessEnd end = run_collecting_output(gs_arguments(*gs, postscript, output, kind));
  if (end.spawn_error != 0) {
    return failure(Status::failed,
                   "Ghostscript could not be started: " + std::string(std::strerror(end.spawn_error)));
  }
  if (!WIFEXITED(end.wait_status) || WEXITSTATUS(end.wait_status) != 0) {
    return failure(Status::failed, exit_description(end.wait_status), end.output);
  }
  if (!wrote_file(output)) {
    return failure(Status::failed, "Ghostscript wrote no " + output.string(), end.output);
  }
  GhostscriptResult result;
  result.status = Status::converted;
  result.messages = end.output;
  return result;
}

}  // namespace kavro
