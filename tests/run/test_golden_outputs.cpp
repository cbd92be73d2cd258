// Whole runs of every example and of the golden inputs against their stored
// listing, ".cal" file and page, byte for byte. The clock lines (date, time,
// CPU time) are masked; everything else must match exactly.
//
// KAVRO_UPDATE_GOLDENS=1 writes the stored outputs anew instead of comparing:
// do that only in a commit of its own that says why the outputs change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "run/run_fixture.hpp"

namespace kavro::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = fs::path(KAVRO_EXAMPLES_DIR).parent_path();
const fs::path kGoldens = kSource / "tests" / "golden";

std::string read_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_text(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// The listing's clock lines and the page's date and time strings (three I2
// fields each, so " 5 .  4 .  1" as well as "21 . 14 . 26").
std::string masked(const std::string& text) {
  static const std::regex listing_clock("^( {31}(Date|Time): |^ CPU-time since program start:).*$");
  static const std::regex page_clock(R"(^\([ \d]\d \. [ \d]\d \. [ \d]\d\) s$)");
  std::string result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (std::regex_match(line, listing_clock) || std::regex_match(line, page_clock)) line = "<clock>";
    result += line + "\n";
  }
  return result;
}

// The files below `root`, as paths relative to it.
std::set<std::string> files_under(const fs::path& root) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) names.insert(fs::relative(entry.path(), root).generic_string());
  return names;
}

// Copies the inputs and measured scans below `from`, leaving out what earlier
// runs in the source folders wrote (the README's first command runs an
// example in place), so that those files are written anew by the run.
void copy_inputs(const fs::path& from, const fs::path& to) {
  static const std::set<std::string> results{".lis", ".cal", ".ps", ".png", ".pdf"};
  for (const auto& entry : fs::recursive_directory_iterator(from)) {
    if (!entry.is_regular_file() || results.count(entry.path().extension().string())) continue;
    const fs::path target = to / fs::relative(entry.path(), from);
    fs::create_directories(target.parent_path());
    fs::copy_file(entry.path(), target);
  }
}

// A run of `input` (a file name in the scratch copy of examples/) in a
// scratch folder that mirrors the examples and their scan folders; returns
// the listing and every file the run wrote, masked.
std::map<std::string, std::string> run_case(const ScratchFolder& folder, const fs::path& input) {
  const fs::path examples = folder.path() / "examples";
  copy_inputs(kSource / "examples", examples);
  copy_inputs(kSource / "hasylab", folder.path() / "hasylab");
  fs::copy_file(input, examples / input.filename(), fs::copy_options::overwrite_existing);
  const std::set<std::string> before = files_under(folder.path());

  const RunResult r = run_input(read_text(examples / input.filename()), examples);
  std::map<std::string, std::string> outputs{{"listing.lis", masked(r.listing)}};
  for (const std::string& name : files_under(folder.path()))
    if (!before.count(name)) outputs[name] = masked(read_text(folder.path() / name));
  return outputs;
}

class GoldenOutputs : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenOutputs, RunWritesTheStoredFiles) {
  const fs::path input = GetParam();
  const fs::path stored = kGoldens / input.stem();
  ScratchFolder folder;
  const std::map<std::string, std::string> outputs = run_case(folder, input);

  if (std::getenv("KAVRO_UPDATE_GOLDENS")) {
    fs::remove_all(stored);
    for (const auto& [name, text] : outputs) write_text(stored / name, text);
    GTEST_SKIP() << "stored outputs written anew in " << stored;
  }
  const std::set<std::string> stored_names = files_under(stored);
  std::set<std::string> written_names;
  for (const auto& output : outputs) written_names.insert(output.first);
  EXPECT_EQ(written_names, stored_names);
  for (const auto& [name, text] : outputs) {
    if (!stored_names.count(name)) continue;
    const std::string expected = read_text(stored / name);
    if (text == expected) continue;
    const auto [first_diff, ignored] = std::mismatch(text.begin(), text.end(), expected.begin(), expected.end());
    const auto line = 1 + std::count(text.begin(), first_diff, '\n');
    ADD_FAILURE() << name << " differs from " << (stored / name) << " first at line " << line;
  }
}

std::vector<std::string> golden_inputs() {
  std::vector<std::string> inputs;
  for (const fs::path& folder : {kSource / "examples", kGoldens / "inputs"})
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.path().extension() == ".inp") inputs.push_back(entry.path().string());
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

INSTANTIATE_TEST_SUITE_P(EveryExampleAndGoldenInput, GoldenOutputs, ::testing::ValuesIn(golden_inputs()),
                         [](const auto& test) { return fs::path(test.param).stem().string(); });

}  // namespace
}  // namespace kavro::testing
