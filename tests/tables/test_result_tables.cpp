// The data files of `kavro99 run`: the event table holds what the listing
// prints, to its digits; the JSON reads back in Python as the CSV holds it;
// a run with more events than the listing's store completes with them all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "format/fixed_format.hpp"
#include "run/command_fixture.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using testing::copy_example;
using testing::exit_status;
using testing::kavro99;
using testing::lines_of;
using testing::read_text;
using testing::ScratchFolder;

struct Csv {
  std::map<std::string, std::size_t> column;
  std::vector<std::vector<std::string>> rows;

  const std::string& at(std::size_t row, const std::string& name) const { return rows[row].at(column.at(name)); }
  double number(std::size_t row, const std::string& name) const { return std::strtod(at(row, name).c_str(), nullptr); }
};

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> cells;
  std::istringstream in(line);
  for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
  if (!line.empty() && line.back() == ',') cells.emplace_back();
  return cells;
}

Csv read_csv(const fs::path& path) {
  Csv csv;
  bool header = true;
  for (const std::string& line : lines_of(read_text(path))) {
    if (line.starts_with("#")) continue;
    if (header) {
      const std::vector<std::string> names = split(line);
      for (std::size_t i = 0; i < names.size(); ++i) csv.column[names[i]] = i;
      header = false;
    } else {
      csv.rows.push_back(split(line));
    }
  }
  return csv;
}

// The event lines of the listing, as the listing's format writes them from
// the values of the table's rows with flag `which` set.
std::vector<std::string> listed_lines(const Csv& csv, const std::string& which = "listed") {
  std::vector<std::string> lines;
  for (std::size_t r = 0; r < csv.rows.size(); ++r) {
    if (csv.at(r, which) != "1") continue;
    std::ostringstream line;
    auto f = [&](const char* name) { return static_cast<float>(csv.number(r, name)); };
    auto i = [&](const char* name) { return std::stoi(csv.at(r, name)); };
    ff::write(line, "(3I4,F8.2,F7.1,F7.2,3I4,F8.2,F7.1,F7.2,2F12.2,2F6.2,A5,F8.2,F9.3,F6.3,F8.2)",
              {i("h2"),
               i("k2"),
               i("l2"),
               f("F2"),
               f("phase2"),
               f("theta2"),
               i("h3"),
               i("k3"),
               i("l3"),
               f("F3"),
               f("phase3"),
               f("theta3"),
               f("I_K_per_fwhm"),
               f("I_A_per_fwhm"),
               f("p12"),
               f("absorption"),
               csv.at(r, "crossing") == "in-out" ? "i-o" : "o-i",
               f("triplet_phase"),
               csv.number(r, "psi"),
               f("fwhm"),
               f("beta")});
    std::string text = line.str();
    if (!text.empty() && text.back() == '\n') text.pop_back();
    lines.push_back(text);
  }
  return lines;
}

std::vector<std::string> event_lines_of_listing(const std::string& listing) {
  std::vector<std::string> lines;
  for (const std::string& line : lines_of(listing))
    if (line.size() > 120 && (line.find(" i-o") != std::string::npos || line.find(" o-i") != std::string::npos))
      lines.push_back(line);
  return lines;
}

TEST(ResultTables, YigTablesHoldTheListingAndTheCalFileToTheirDigits) {
  ScratchFolder folder;
  const fs::path input = copy_example(folder, "yig.inp");
  copy_example(folder, "yig.dat");
  const fs::path events = folder.path() / "events.csv", scan = folder.path() / "scan.csv";
  const auto end = kavro99({"run", input.string(), "--events", events.string(), "--scan-table", scan.string()});
  ASSERT_EQ(exit_status(end), 0) << end.output;

  const Csv table = read_csv(events);
  const std::vector<std::string> listed = event_lines_of_listing(read_text(folder.path() / "yig.lis"));
  ASSERT_GT(listed.size(), 5u);
  EXPECT_EQ(listed_lines(table), listed);
  std::size_t in_scan = 0;
  for (std::size_t r = 0; r < table.rows.size(); ++r) in_scan += table.at(r, "in_scan") == "1";
  EXPECT_GT(in_scan, 1000u);

  const Csv scan_table = read_csv(scan);
  std::vector<std::string> cal_lines;
  for (std::size_t r = 0; r < scan_table.rows.size(); ++r) {
    std::ostringstream line;
    const auto value = [&](const char* name) { return static_cast<float>(scan_table.number(r, name)); };
    if (scan_table.at(r, "measured").empty()) {
      EXPECT_TRUE(scan_table.at(r, "difference").empty());
      ff::write(line, "(F10.3,F20.4)", {value("psi"), value("calculated")});
    } else {
      EXPECT_FLOAT_EQ(value("difference"), value("calculated") - value("measured"));
      ff::write(line, "(F10.3,F20.4,F20.4)", {value("psi"), value("calculated"), value("measured")});
    }
    cal_lines.push_back(line.str());
  }
  std::string cal_text;
  for (const std::string& line : cal_lines) cal_text += line;
  EXPECT_EQ(cal_text, read_text(folder.path() / "yig.cal"));
}

// Python prints every event of the JSON file as CSV cells; each equals the
// CSV table's cell as text or, for numbers, as the value it reads back as.
TEST(ResultTables, JsonReadsBackInPythonAsTheCsvHoldsIt) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
  ScratchFolder folder;
  const fs::path input = copy_example(folder, "si222_no_scan.inp");
  const fs::path csv = folder.path() / "events.csv", json = folder.path() / "events.JSON";
  ASSERT_EQ(exit_status(kavro99({"run", input.string(), "--events", csv.string()})), 0);
  ASSERT_EQ(exit_status(kavro99({"run", input.string(), "--events", json.string()})), 0);
  const std::string script =
      "import json, sys\n"
      "d = json.load(open(sys.argv[1]))\n"
      "assert len(d['events']) == sum(p['table_rows'] for p in d['summary']['passes'])\n"
      "assert d['parameters']['cell']['a'] == 5.4298 and d['parameters']['primary']['hkl'] == [2, 2, 2]\n"
      "for e in d['events']:\n"
      "    assert list(e) == list(d['columns'])\n"
      "    print(','.join(str(int(v)) if isinstance(v, bool) else str(v) for v in e.values()))\n";
  const auto end = process::run_collecting_output({"/usr/bin/python3", "-c", script, json.string()});
  ASSERT_EQ(exit_status(end), 0) << end.output;

  const Csv table = read_csv(csv);
  const std::vector<std::string> printed = lines_of(end.output);
  ASSERT_EQ(printed.size(), table.rows.size());
  ASSERT_GT(printed.size(), 0u);
  for (std::size_t r = 0; r < printed.size(); ++r) {
    const std::vector<std::string> cells = split(printed[r]);
    ASSERT_EQ(cells.size(), table.rows[r].size());
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const std::string& expected = table.rows[r][c];
      char* end_of_number = nullptr;
      const double value = std::strtod(expected.c_str(), &end_of_number);
      if (*end_of_number == '\0' && !expected.empty())
        EXPECT_EQ(std::strtod(cells[c].c_str(), nullptr), value) << "row " << r << " column " << c;
      else
        EXPECT_EQ(cells[c], expected) << "row " << r << " column " << c;
    }
  }
}

// A scan displaced by 0.137 degree lies beyond the shift the comparison
// believes: the JSON has no deviation then, and a synchrotron run no tube.
TEST(ResultTables, NoPlaceholdersForAnUndeterminedDeviationOrATubeThatIsNone) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
  ScratchFolder folder;
  const fs::path input = copy_example(folder, "si222_no_scan.inp");
  const fs::path scan = folder.path() / "scan.csv", measured = folder.path() / "displaced.txt";
  ASSERT_EQ(exit_status(kavro99({"run", input.string(), "--scan-table", scan.string()})), 0);
  const Csv table = read_csv(scan);
  std::ostringstream displaced;
  for (std::size_t r = 0; r < table.rows.size(); ++r)
    displaced << table.number(r, "psi") + 0.137 << " " << table.number(r, "calculated") << "\n";
  folder.write("displaced.txt", displaced.str());
  const fs::path json = folder.path() / "events.json";
  const auto end = kavro99({"run", input.string(), "--measured", measured.string(), "--events", json.string()});
  ASSERT_EQ(exit_status(end), 0) << end.output;
  EXPECT_NE(read_text(folder.path() / "si222_no_scan.lis")
                .find(" Deviation between calculated and measured psi    :   0.000\n (not determined"),
            std::string::npos);
  const std::string script =
      "import json, sys\n"
      "d = json.load(open(sys.argv[1]))\n"
      "m = d['summary']['measured']\n"
      "print(d['parameters']['radiation']['tube'], m['deviation'], m['shift_steps'])\n";
  const auto python = process::run_collecting_output({"/usr/bin/python3", "-c", script, json.string()});
  EXPECT_EQ(python.output, "None None None\n");
}

// Silicon over a full turn at a small drumin, without the scan: some 8000
// crossings for the listing's store of 600.
TEST(ResultTables, RunPastTheListingsStoreCompletesWithTheEventTable) {
  ScratchFolder folder;
  std::string input = read_text(fs::path(KAVRO_EXAMPLES_DIR) / "si222_no_scan.inp");
  std::vector<std::string> lines = lines_of(input);
  lines[5] = "-180. 180. -1. 8 0.0001 0.";
  input.clear();
  for (const std::string& line : lines) input += line + "\n";
  folder.write("many.inp", input);
  const fs::path many = folder.path() / "many.inp", table = folder.path() / "many.csv";

  EXPECT_EQ(exit_status(kavro99({"run", many.string()})), 1);
  const auto end = kavro99({"run", many.string(), "--events", table.string()});
  ASSERT_EQ(exit_status(end), 0) << end.output;
  EXPECT_NE(end.output.find("warning: more events than the listing holds"), std::string::npos);
  const std::string listing = read_text(folder.path() / "many.lis");
  EXPECT_NE(
      listing.find(" the number of output lines is to large\n please increase drumin on the seventh input line\n"
                   " Warning: the listing holds the first    600 events found; the event table holds all of them"),
      std::string::npos);
  EXPECT_EQ(event_lines_of_listing(listing).size(), 600u);
  const Csv events = read_csv(table);
  EXPECT_GT(events.rows.size(), 8000u);
  EXPECT_EQ(listed_lines(events).size(), 600u);

  ASSERT_EQ(exit_status(kavro99({"run", many.string(), "--max-listed", "20000"})), 0);
  const std::vector<std::string> all_listed = event_lines_of_listing(read_text(folder.path() / "many.lis"));
  EXPECT_GT(all_listed.size(), 8000u);
  EXPECT_EQ(all_listed, listed_lines(events, "in_window"));
}

TEST(ResultTables, UnusableOptionsAreRefusedBeforeTheRun) {
  ScratchFolder folder;
  const fs::path input = copy_example(folder, "si222_no_scan.inp");
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"--events", "e.txt"},
        {"--scan-table", "s.json"},
        {"--max-listed", "0"},
        {"--max-listed", "12x"},
        {"--events", input.string() + ".json", "--scan-table", input.string() + ".JSON"},
        {"--events", folder.path().string() + "/.csv"},
        {"--scan-table", input.string()},
        {"--events"}}) {
    std::vector<std::string> args{"run", input.string()};
    args.insert(args.end(), options.begin(), options.end());
    const auto end = kavro99(args);
    EXPECT_EQ(exit_status(end), 2) << options[0] << ": " << end.output;
    EXPECT_NE(end.output.find("kavro99: "), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(folder.path() / "si222_no_scan.lis"));
}

}  // namespace
}  // namespace kavro
