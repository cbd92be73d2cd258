// Temporary files removed on SIGINT, SIGTERM and SIGHUP.
#include "system/temporary_files.hpp"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>

namespace kavro::temporaries {
namespace {

// A run writes a handful of results at a time; the places are fixed so that
// the handler reads them without taking a lock or allocating.
constexpr int kPlaces = 64;
enum State : int { kFree = 0, kBusy = 1, kHeld = 2 };

struct Place {
  std::atomic<int> state{kFree};
  char path[PATH_MAX] = {};
};

std::array<Place, kPlaces> places;

void remove_and_end(int signal_number) {
  for (Place& place : places)
    if (place.state.load() == kHeld) ::unlink(place.path);
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

}  // namespace

int remember(const std::filesystem::path& path) {
  const std::string& text = path.native();
  if (text.empty() || text.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kPlaces; ++i) {
    int expected = kFree;
    if (!places[i].state.compare_exchange_strong(expected, kBusy)) continue;
    std::memcpy(places[i].path, text.c_str(), text.size() + 1);
    places[i].state.store(kHeld);
    return i;
  }
  return -1;
}

void forget(int handle) {
  if (handle < 0 || handle >= kPlaces) return;
  places[handle].state.store(kBusy);
  places[handle].path[0] = '\0';
  places[handle].state.store(kFree);
}

void remove_on_signals() {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (::sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = remove_and_end;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal_number, &action, nullptr);
  }
}

int registered() {
  int count = 0;
  for (const Place& place : places) count += place.state.load() == kHeld;
  return count;
}

}  // namespace kavro::temporaries
