// A run split with --chunk and joined with kavro99 merge writes the files of
// the whole run, byte for byte; chunk tables that are not all of one run are
// refused before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "run/command_fixture.hpp"

namespace kavro::testing {
namespace {

namespace fs = std::filesystem;

// The listing without its times, which differ from run to run.
std::string timeless(const std::string& listing) {
  std::string kept;
  for (const std::string& line : lines_of(listing))
    if (line.find("Time:") == std::string::npos && line.find("CPU-time") == std::string::npos) kept += line + "\n";
  return kept;
}

// The chunk tables of shares 1..parts of the run of `input`.
std::vector<std::string> run_shares(const fs::path& input, int parts) {
  std::vector<std::string> tables;
  for (int i = 1; i <= parts; ++i) {
    const std::string n = std::to_string(parts), number = std::to_string(i);
    const process::ProcessEnd end = kavro99({"run", input.string(), "--chunk", number + "/" + n});
    EXPECT_EQ(exit_status(end), 0) << end.output;
    const std::string padded = std::string(n.size() - number.size(), '0') + number;
    tables.push_back((input.parent_path() / (input.stem().string() + "_chunk" + padded + "of" + n + ".kchunk")).string());
  }
  return tables;
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The YIG example with its CAD4 scan (two passes, the measured scan's scale
// in every event): 1 and 3 shares merged, given in any order.
TEST(ChunkedRuns, MergedSharesWriteTheFilesOfTheWholeRun) {
  ScratchFolder folder;
  const fs::path dir = folder.path();
  const fs::path input = copy_example(folder, "yig.inp");
  copy_example(folder, "yig.dat");
  const std::vector<std::string> tables = {"--events", (dir / "events.json").string(), "--scan-table",
                                           (dir / "scan.csv").string()};
  ASSERT_EQ(exit_status(kavro99(with({"run", input.string(), "-o", (dir / "whole.lis").string()}, tables))), 0);
  const std::string events = read_text(dir / "events.json"), scan = read_text(dir / "scan.csv");
  const std::string cal = read_text(dir / "yig.cal"), listing = timeless(read_text(dir / "whole.lis"));
  for (const int parts : {1, 3}) {
    SCOPED_TRACE(std::to_string(parts) + " shares");
    std::vector<std::string> chunks = run_shares(input, parts);
    std::reverse(chunks.begin(), chunks.end());
    for (const fs::path file : {"events.json", "scan.csv", "yig.cal", "yig.lis"}) fs::remove(dir / file);
    const process::ProcessEnd end = kavro99(with(with({"merge", input.string()}, chunks), tables));
    ASSERT_EQ(exit_status(end), 0) << end.output;
    EXPECT_EQ(read_text(dir / "events.json"), events);
    EXPECT_EQ(read_text(dir / "scan.csv"), scan);
    EXPECT_EQ(read_text(dir / "yig.cal"), cal);
    EXPECT_EQ(timeless(read_text(dir / "yig.lis")), listing);
  }
}

// Missing, doubled, foreign, cut and mixed chunk tables, and a share asked
// for the whole run's files: status 2, a message naming the fault, and
// nothing written.
TEST(ChunkedRuns, ChunkTablesNotAllOfOneRunAreRefused) {
  ScratchFolder folder;
  const fs::path dir = folder.path();
  const fs::path input = copy_example(folder, "si222_no_scan.inp");
  const std::vector<std::string> three = run_shares(input, 3);
  const std::vector<std::string> two = run_shares(input, 2);
  folder.write("other.inp", read_text(input).replace(read_text(input).find("1000."), 5, "2000."));
  const std::string other = run_shares(dir / "other.inp", 3)[1];
  const std::string cut = (dir / "cut.kchunk").string();
  const std::string whole = read_text(three[2]);
  folder.write("cut.kchunk", whole.substr(0, whole.size() / 2));
  folder.write("not.kchunk", "psi,calculated\n");
  const std::vector<std::string> before = names_in(dir);
  const std::string events = (dir / "events.csv").string();
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{three[0], three[2]}, "chunk 2 of 3 is missing"},
      {{three[0], three[1], three[1], three[2]}, "chunk 2 of 3 is given twice"},
      {{three[0], other, three[2]}, "belongs to another run"},
      {{three[0], three[1], cut}, "is not complete"},
      {{three[0], two[1], three[2]}, "chunks of two different splits"},
      {{three[0], three[1], (dir / "not.kchunk").string()}, "is no chunk table"},
      {{three[0], three[1], (dir / "none.kchunk").string()}, "cannot read the chunk table"},
      {{three[0], three[1], three[2], "-o", three[0]}, "would overwrite"},
  };
  for (const auto& [chunks, message] : refused) {
    const process::ProcessEnd end = kavro99(with(with({"merge", input.string()}, chunks), {"--events", events}));
    EXPECT_EQ(exit_status(end), 2) << message << ": " << end.output;
    EXPECT_NE(end.output.find(message), std::string::npos) << end.output;
    EXPECT_EQ(names_in(dir), before) << message;
  }
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"run", input.string(), "--chunk", "1/3", "--events", events},
        {"run", input.string(), "--chunk", "0/3"}, {"run", input.string(), "--chunk", "4/3"},
        {"run", input.string(), "--chunk", "1/x"}, {"merge", input.string()}}) {
    const process::ProcessEnd end = kavro99(args);
    EXPECT_EQ(exit_status(end), 2) << args.back() << ": " << end.output;
    EXPECT_EQ(names_in(dir), before) << args.back();
  }
}

}  // namespace
}  // namespace kavro::testing
