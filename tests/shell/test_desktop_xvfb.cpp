// The real desktop program on a virtual X display: its window "kavro-99"
// appears with menu bar and status bar, and a close request ends it. Built
// without FLTK, the front end says how to get the window instead.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "shell/program_search.hpp"

#ifdef KAVRO_DESKTOP_BINARY
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// A child process that is ended and reaped when the test lets go of it.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr);
    envp.push_back(nullptr);
    if (::posix_spawn(&pid_, args[0], nullptr, nullptr, args.data(), envp.data()) != 0) pid_ = 0;
  }
  ~Child() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }
  // The exit status once the process has ended within the time allowed.
  std::optional<int> wait_for_exit(std::chrono::milliseconds limit) {
    for (auto waited = 0ms; waited < limit; waited += 50ms) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(50ms);
    }
    return std::nullopt;
  }

 private:
  pid_t pid_ = 0;
};

// This process's environment with the given "NAME=value" entries set.
std::vector<std::string> environment_with(const std::vector<std::string>& entries = {}) {
  std::vector<std::string> env = entries;
  for (char** e = environ; *e; ++e) {
    const std::string_view entry(*e);
    const bool replaced = std::ranges::any_of(entries, [&](const std::string& set) {
      return entry.substr(0, entry.find('=') + 1) == set.substr(0, set.find('=') + 1);
    });
    if (!replaced) env.emplace_back(entry);
  }
  return env;
}

// Under the leak checker, the font caches of the display libraries are not ours.
std::string leak_suppressions() {
  const auto file = std::filesystem::path(__FILE__).parent_path() / "lsan_desktop.supp";
  return "LSAN_OPTIONS=suppressions=" + file.string();
}

// Reads the display number Xvfb writes to the -displayfd pipe once it is ready.
std::optional<std::string> read_display(int fd) {
  std::string number;
  pollfd p{fd, POLLIN, 0};
  while (::poll(&p, 1, 10000) == 1) {
    char c = 0;
    if (::read(fd, &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  return number.empty() ? std::nullopt : std::optional(":" + number);
}

Window find_viewable_window(Display* display, const std::string& title) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    char* name = nullptr;
    XWindowAttributes attributes{};
    if (XFetchName(display, children[i], &name) && name && title == name &&
        XGetWindowAttributes(display, children[i], &attributes) &&
        attributes.map_state == IsViewable) {
      found = children[i];
    }
    if (name) XFree(name);
  }
  if (children) XFree(children);
  return found;
}

void send_close_request(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

TEST(DesktopProgram, OpensItsWindowAndEndsOnCloseRequest) {
  const auto xvfb = kavro::shell::find_program("Xvfb", kavro::shell::Environment::current());
  if (!xvfb) GTEST_SKIP() << "Xvfb is not installed";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  Child server({xvfb->string(), "-displayfd", std::to_string(ready[1]), "-screen", "0",
                "1280x1024x24", "-nolisten", "tcp"},
               environment_with());
  ::close(ready[1]);
  const auto display_name = read_display(ready[0]);
  ::close(ready[0]);
  ASSERT_TRUE(server.started() && display_name) << "Xvfb did not start";

  Child program({KAVRO_DESKTOP_BINARY},
                environment_with({"DISPLAY=" + *display_name, leak_suppressions()}));
  ASSERT_TRUE(program.started());
  Display* display = XOpenDisplay(display_name->c_str());
  ASSERT_NE(display, nullptr);

  Window window = 0;
  for (auto waited = 0ms; waited < 10000ms && !window; waited += 100ms) {
    std::this_thread::sleep_for(100ms);
    window = find_viewable_window(display, "kavro-99");
  }
  ASSERT_NE(window, 0u) << "no window kavro-99 appeared";
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  EXPECT_GT(attributes.height, 250 + 40);  // the 250-pixel text area with menu and status bar
  EXPECT_EQ(attributes.width, 1280 * 8 / 10);

  send_close_request(display, window);
  EXPECT_EQ(program.wait_for_exit(10000ms), std::optional<int>(0));
  XCloseDisplay(display);
}

}  // namespace

#elif defined(KAVRO_HAVE_DESKTOP)

TEST(DesktopProgram, OpensItsWindowAndEndsOnCloseRequest) { GTEST_SKIP() << "built without Xlib for the test"; }

#else

// Built without FLTK, the front end started without arguments says in one
// line how to get the window, and fails.
TEST(DesktopProgram, FrontEndWithoutItSaysHowToGetIt) {
  const std::string command = std::string(KAVRO_BINARY) + " 2>&1 </dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  for (int c; (c = std::fgetc(pipe)) != EOF;) output += static_cast<char>(c);
  const int status = ::pclose(pipe);
  EXPECT_NE(WEXITSTATUS(status), 0);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("install libfltk1.3-dev and rebuild"), std::string::npos) << output;
}

#endif
