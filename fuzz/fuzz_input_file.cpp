// Fuzz target: one whole run whose input file is the fuzzer's data. The run
// takes a small memory budget, a small event search and a work limit, so that
// every input is done in a moment, and works in a scratch folder of its own:
// a slash in the data becomes a blank, so no name the data holds leads out of it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <system_error>

#include "run/kavro.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path& folder() {
  static const fs::path path = [] {
    auto p = fs::temp_directory_path() / ("kavro_fuzz_input_" + std::to_string(getpid()));
    fs::create_directories(p);
    return p;
  }();
  return path;
}

void empty_folder() {
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder(), ignored)) fs::remove_all(entry.path(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (char& ch : text)
    if (ch == '/') ch = ' ';
  std::istringstream in(text);
  std::ostringstream listing;
  kavro::RunState st;
  st.options.threads = 1;
  st.options.limits.memory_bytes = std::int64_t{64} << 20;
  st.options.limits.search_reflections = 200'000;
  st.options.limits.work = 20'000'000;
  kavro::RunArguments args;
  args.input_file = folder() / "input.inp";
  args.listing_file = folder() / "input.lis";
  kavro::kavro(st, in, listing, args, folder());
  empty_folder();
  return 0;
}
