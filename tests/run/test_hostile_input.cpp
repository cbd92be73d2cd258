// Inputs that once crashed the program, exhausted its memory, hung it or
// passed as a good result: each ends orderly with the message of its line, or
// runs within the memory budget to the same result as an unbounded run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "run/file_size_limit.hpp"
#include "run/run_fixture.hpp"
#include "run/run_state.hpp"

namespace kavro::testing {
namespace {

namespace fs = std::filesystem;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

std::string read_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const std::string kMatrix =
    " -0.071161  -0.036463   0.012399\n  0.038060  -0.062495   0.034549\n"
    " -0.006014   0.036221   0.072079\n";

// The run stopped, its last listing line is `last`, and nothing but the
// input's own files is left in the folder.
void expect_stopped_with(const RunResult& r, const std::string& last, const ScratchFolder& folder,
                         const std::string& context) {
  EXPECT_FALSE(r.outcome.completed) << context;
  ASSERT_FALSE(r.listing.empty()) << context;
  EXPECT_EQ(tail(r.listing, 1)[0], last) << context << "\n" << r.listing;
  EXPECT_FALSE(fs::exists(folder.path() / "si.ps")) << context;
  EXPECT_FALSE(fs::exists(folder.path() / "si.cal")) << context;
  EXPECT_EQ(r.listing.find("NaN"), std::string::npos) << context;
  EXPECT_EQ(r.listing.find("Inf"), std::string::npos) << context;
}

struct Case {
  std::string from, to, last;
};

void expect_each_stops(const std::string& input, std::initializer_list<Case> cases) {
  ScratchFolder folder;
  for (const Case& c : cases)
    expect_stopped_with(run_input(replaced(input, c.from, c.to), folder.path()), c.last, folder, c.to);
}

// Values that crashed the run (a wavelength of 0, -0 or below, a
// monochromator reflection beyond the integers), overflowed (operators,
// multipliers) or gave NaN later are refused on the line that holds them.
TEST(HostileInput, UnusableValuesStopOnTheirLine) {
  const std::string line4 = " and their weights not negative, check the fourth line of the input-file!";
  const std::string line5 = " check the fifth line of the input-file!";
  expect_each_stops(silicon_input(),
                    {{"Cu\n", "-1.54 0.0003 1 1.544 0.0004 0.5\n", line4},
                     {"Cu\n", "1.54 0.0003 1 -0 0.0004 0.5\n", line4},
                     {"Cu\n", "1.54 -0.0003 1 1.544 0.0004 0.5\n", line4},
                     {"Cu\n", "3 -0 0.001\n", line4},
                     {"Cu\n", "3 0 0.001\n", line4},
                     {"Cu\n", "3 1.0 2\n", line4},
                     {"Cu\n", "1 0 5.43 1 1 1 58.19\n", line4},
                     {"Cu\n", "1 0.5612 5.43 2147483647 1 1 58.19\n", " check the fourth line of the input-file!"},
                     {"0.14 0.14 150. 150.", "0.14 0.14 0 150.", line5},
                     {"0.14 0.14 150. 150.", "0.14 0.14 150. 1e38", line5},
                     {"0.14 0.14 150. 150. 0.0", "0.14 -0.14 150. 150. 0.0", line5},
                     {"   1  0.04167", "   1  1e38", " check the atom parameter lines of the input-file!"}});
  const std::string operators =
      " translations lie between -10 and 10, check the symmetry information lines of the input-file!";
  expect_each_stops(replaced(silicon_input(), "227 1 1\n", "231 1 1\n2 1\n0 1 0 0 0 0 1 0 0 0 0 1\n"),
                    {{"0 1 0 0 0 0 1", "0 1e38 0 0 0 0 1", operators},
                     {"0 1 0 0 0 0 1", "0 0.5 0 0 0 0 1", operators},
                     {"0 1 0 0 0 0 1", "1e38 1 0 0 0 0 1", operators}});
}

// A cell or wavelength whose index box would take days (or all the memory)
// is refused at once; one that fits is searched.
TEST(HostileInput, IndexBoxBeyondTheSearchLimitIsRefusedAtOnce) {
  const std::string last = " check the third and the fourth line of the input-file!";
  const auto start = std::chrono::steady_clock::now();
  expect_each_stops(silicon_input(), {{"5.431  5.431  5.431", "1e4 1e4 1e4", last},
                                      {"5.431  5.431  5.431", "5.431 1e30 5.431", last},
                                      {"5.431  5.431  5.431", "1e30 5.431 5.431", last},
                                      {"Cu\n", "3 0.01 0.001\n", last}});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

  // A caller's work limit (the fuzzer's) ends a run that would exceed it.
  ScratchFolder folder;
  std::istringstream in(silicon_input());
  std::ostringstream out;
  RunState st;
  st.options.limits.work = 100'000;
  RunArguments names;
  EXPECT_FALSE(kavro(st, in, out, names, folder.path()).completed);
  EXPECT_EQ(tail(out.str(), 2)[0], " The calculation needs more than the 100000 terms this run may compute,");
}

// The index box searched a few thousand reflections at a time, with a
// structure-factor table that is cleared again and again and the scan
// summed in portions, gives the same listing and ".cal" file, on any number
// of threads.
TEST(HostileInput, SearchInSmallPartsGivesTheSameRun) {
  const std::string input = silicon_input("Mo", "-66. 16. 20 1 1. 0.") + kMatrix;
  const auto run = [&input](std::int64_t memory, int threads) {
    ScratchFolder folder;
    std::istringstream in(input);
    std::ostringstream out;
    RunState st;
    st.banner = version_banner();
    st.options.threads = threads;
    st.options.limits.memory_bytes = memory;
    RunArguments names;
    EXPECT_TRUE(kavro(st, in, out, names, folder.path()).completed) << out.str();
    return without_clock(out.str()) + read_text(folder.path() / "si.cal");
  };
  const std::string whole = run(std::int64_t{2} << 30, 2);
  // Parts of 4096 reflections, a table of 8192, the 2016 crossings added in two portions.
  EXPECT_TRUE(run(1 << 20, 1) == whole);
  EXPECT_TRUE(run(1 << 20, 3) == whole);
}

// Every wavelength is tested against the Ewald sphere, a matrix cut off by
// the end of the file or one that cannot be inverted is an error of line 11,
// and a value that still becomes NaN or infinite ends the run unwritten.
TEST(HostileInput, BrokenCalculationsAreNoResults) {
  expect_each_stops(
      silicon_input("Cu", "-66. 16. 50 0 1. 0.", " 1 1 1 0 0 -24.5 -23.5"),
      {{"Cu\n", "0.3 0.0003 1 7.0 0.0004 0.5\n", " the primary reflection is outside of the Ewald-sphere !!"}});
  const std::string m12 = "read-error in the ub-matrix lines of the input-file";
  const std::string singular = " check the ub-matrix lines of the input-file!";
  ScratchFolder folder;
  for (const auto& [matrix, last] :
       {std::pair{kMatrix.substr(0, 45), m12}, std::pair{std::string("0 0 0 0 0 0 0 0 0\n"), singular},
        std::pair{std::string("1 2 0 1 2 0 0 0 1\n"), singular}})
    expect_stopped_with(run_input(silicon_input() + matrix, folder.path()), last, folder, matrix);
  // Blank lines after line 10 are still no matrix.
  EXPECT_TRUE(run_input(silicon_input() + "\n\n", folder.path()).outcome.completed);

  const std::string guard = " check the input-file!";
  expect_each_stops(silicon_input(), {{"0.0039 0.0039 0.0039 0. 0. 0.", "-1e38 0.0039 0.0039 0. 0. 0.", guard}});
}

// A full disk: the ".cal" file and the page are reported and removed, and the
// run does not pass for a completed one.
TEST(HostileInput, OutputsThatCannotBeWrittenAreRemoved) {
  ScratchFolder folder;
  RunResult r;
  {
    const FileSizeLimit full_disk(20'000);
    r = run_input(silicon_input(), folder.path());
  }
  EXPECT_FALSE(r.outcome.completed);
  EXPECT_EQ(tail(r.listing, 2), (std::vector<std::string>{" The calculated-scan file cannot be written:", "si.cal"}));
  EXPECT_TRUE(fs::is_empty(folder.path()));
}

// Names are kept whole and refused when they cannot name a file, when they
// lead to a pipe, a device or a folder (which could block the run or take
// it through an endless "file"), or when an output would replace an input or
// another output; refused files are left as they were.
TEST(HostileInput, FileNamesAreKeptWholeOrRefused) {
  ScratchFolder folder;
  // The page's name has at most 72 characters (trailing blanks aside), as
  // the input description says: a longer one is refused, not cut or kept.
  const std::string long_name(70, 'p');
  const RunResult whole = run_input(replaced(silicon_input(), "si.ps", long_name + ".ps   "), folder.path());
  EXPECT_FALSE(whole.outcome.completed);
  EXPECT_NE(whole.listing.find("is longer than the 72 characters the name of the page may have"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(folder.path()));
  const std::string name72(72, 'p');
  const RunResult kept = run_input(replaced(silicon_input(), "si.ps", name72), folder.path());
  EXPECT_TRUE(kept.outcome.completed);
  fs::remove(folder.path() / name72);
  fs::remove(folder.path() / (name72.substr(0, 69) + ".cal"));

  ASSERT_EQ(::mkfifo((folder.path() / "pipe").c_str(), 0600), 0);
  folder.write("scan.obs", "2 2 2 30. -66. 100.\n");
  folder.write("x.cal", "0 1\n");
  folder.write("input.inp", "the input\n");
  const std::string line2 = " check the second line of the input-file!";
  const std::string line12 = " check the twelfth line of the input-file!";
  const std::string scan_lines = kMatrix + "scan.obs\n";
  struct NameCase {
    std::string input, last;
  };
  const NameCase cases[] = {
      {replaced(silicon_input(), "si.ps", std::string("a.ps\0b", 6)), line2},
      {replaced(silicon_input(), "si.ps", "pipe"), line2},
      {replaced(silicon_input(), "si.ps", "input.inp"), line2},
      {replaced(silicon_input(), "si.ps", "listing.lis"), line2},
      {replaced(silicon_input(), "si.ps", "scan.obs") + scan_lines,
       " check the second and the twelfth line of the input-file!"},
      {silicon_input() + kMatrix + "pipe\n", line12},
      {silicon_input() + kMatrix + "/dev/zero\n", line12},
      {silicon_input() + kMatrix + "x.cal\n", line12},
  };
  for (const NameCase& c : cases) {
    std::istringstream in(c.input);
    std::ostringstream out;
    RunState st;
    RunArguments names;
    names.input_file = folder.path() / "input.inp";
    names.listing_file = folder.path() / "listing.lis";
    const kavro::RunResult outcome = kavro(st, in, out, names, folder.path());
    EXPECT_FALSE(outcome.completed) << c.input;
    EXPECT_EQ(outcome.ios, 1) << c.input;
    EXPECT_EQ(tail(out.str(), 1)[0], c.last) << out.str();
  }
  EXPECT_EQ(read_text(folder.path() / "scan.obs"), "2 2 2 30. -66. 100.\n");
  EXPECT_EQ(read_text(folder.path() / "x.cal"), "0 1\n");
  EXPECT_EQ(read_text(folder.path() / "input.inp"), "the input\n");
  EXPECT_FALSE(fs::exists(folder.path() / "listing.lis"));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()),
            4);  // no page, no temporary

  // A measured scan larger than the memory budget leaves for it (a sixty-fourth).
  folder.write("big.obs", std::string(20'000, '\n'));
  std::istringstream in(silicon_input() + kMatrix + "big.obs\n");
  std::ostringstream out;
  RunState st;
  st.options.limits.memory_bytes = 1 << 20;
  RunArguments names;
  EXPECT_FALSE(kavro(st, in, out, names, folder.path()).completed);
  EXPECT_EQ(tail(out.str(), 1)[0], line12);
}

// A line without end (a file of zeros, a line of 100000 characters) is an
// error of that line, read no further than the limit.
TEST(HostileInput, OverlongLineIsAReadErrorOfItsLine) {
  ScratchFolder folder;
  const RunResult title = run_input(std::string(100'000, '\0'), folder.path());
  EXPECT_FALSE(title.outcome.completed);
  EXPECT_GT(title.outcome.ios, 0);
  EXPECT_EQ(tail(title.listing, 2)[0],
            " The line is longer than the 65536 characters a line of the input-file may have:");
  EXPECT_EQ(tail(title.listing, 1)[0], "read-error in the first line of the input-file");
  const RunResult atoms =
      run_input(replaced(silicon_input(), "0.0039 0.0039 0.0039", std::string(70'000, ' ') + "0.0039"), folder.path());
  EXPECT_EQ(tail(atoms.listing, 1)[0], "read-error in the atom parameter lines of the input-file");
}

// The command line: the listing is never the input, the input is never a
// device, and a listing that cannot be written completely is reported and removed.
TEST(HostileInput, CommandLineGuardsTheListingAndTheInput) {
  ScratchFolder folder;
  folder.write("si.inp", silicon_input());
  const std::string binary = KAVRO_BINARY;
  const fs::path input = folder.path() / "si.inp";
  const auto status = [&](const std::string& args) {
    const std::string command = binary + " run " + args + " >/dev/null 2>&1";
    return WEXITSTATUS(std::system(command.c_str()));
  };
  EXPECT_EQ(status(input.string() + " -o " + input.string()), 2);
  EXPECT_EQ(read_text(input), silicon_input());
  EXPECT_EQ(status("/dev/zero"), 2);
  EXPECT_EQ(status(input.string() + " -o /dev/null"), 2);

  // 5000 bytes hold the listing's first lines, not the whole of it; the
  // signal of a full file is ignored, so the writes fail as on a full disk.
  if (std::system("command -v prlimit >/dev/null") != 0) GTEST_SKIP() << "no prlimit";
  const std::string limited =
      "sh -c 'trap \"\" XFSZ; exec prlimit --fsize=5000 " + binary + " run " + input.string() + "' >/dev/null 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system(limited.c_str())), 1);
  EXPECT_FALSE(fs::exists(folder.path() / "si.lis"));
}

}  // namespace
}  // namespace kavro::testing
