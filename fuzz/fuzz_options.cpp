// Fuzz target: the command line. The fuzzer's data, split at newlines, is the
// argument list of kavro99 (the command first: run, cif, map, fit, rocking,
// help, or anything else). The commands run in an empty folder of their own,
// so every input they name is missing and what is exercised is the reading
// and checking of their options up to the first file they open; a '/' in an
// argument is replaced, so that no name reaches outside that folder. Their
// messages are discarded. Every argument list must end with a status (usage
// error, refusal or success): an exception, a crash or a hang is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

int kavro99_main(int argc, char** argv);

namespace {

std::vector<std::string> arguments_of(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args{"kavro99"};
  std::string token;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i == size || data[i] == '\n') {
      args.push_back(token);
      token.clear();
    } else if (data[i] != '\0') {
      token.push_back(data[i] == '/' ? '_' : static_cast<char>(data[i]));
    }
  }
  return args;
}

// Takes the commands' messages and usage texts, which would drown the
// fuzzer's own report.
class Discard : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

const std::filesystem::path& folder() {
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("kavro_fuzz_options_" + std::to_string(::getpid()));
  return path;
}

void empty_folder() {
  for (const auto& entry : std::filesystem::directory_iterator(folder())) std::filesystem::remove_all(entry.path());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::filesystem::create_directories(folder());
  std::filesystem::current_path(folder());
  static Discard discard;
  std::cout.rdbuf(&discard);
  std::cerr.rdbuf(&discard);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;  // no command: the desktop window, not built here
  std::vector<std::string> args = arguments_of(data, size);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  (void)kavro99_main(static_cast<int>(args.size()), argv.data());
  empty_folder();
  return 0;
}
