// The crystal-file commands of kavro99, and the round trip of the YIG
// example through its CIF.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include "cif/cif_fixture.hpp"

namespace kavro::testing {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs kavro99 in `folder` (arguments written by the tests themselves).
int kavro99(const ScratchFolder& folder, const std::string& args) {
  const std::string command = "cd '" + folder.path().string() + "' && '" + std::string(KAVRO_BINARY) + "' " + args +
                              " >stdout.txt 2>stderr.txt";
  return WEXITSTATUS(std::system(command.c_str()));
}

TEST(CifCommand, WritesTheInputOrNothingWithStatus2) {
  ScratchFolder folder;
  fs::copy_file(cif_file("nacl.cif"), folder.path() / "nacl.cif");
  EXPECT_EQ(kavro99(folder, "cif nacl.cif --hkl 2 0 0 --energy 10 --polarization pi -o salt.inp"), 0);
  const std::vector<std::string> input = lines_of(read_file(folder.path() / "salt.inp"));
  ASSERT_GE(input.size(), 4u);
  EXPECT_EQ(input[1], "salt.ps");
  EXPECT_EQ(input[3].substr(0, 11), "2 1.239842 ");
  EXPECT_NE(read_file(folder.path() / "stdout.txt").find("Input file:      salt.inp"), std::string::npos);
  folder.write("salt.inp", "edited by hand\n");
  EXPECT_EQ(kavro99(folder, "cif nacl.cif --hkl 2 0 0 --energy 10 --polarization pi -o salt.inp"), 0);
  EXPECT_EQ(read_file(folder.path() / "salt.inp~"), "edited by hand\n");
  EXPECT_EQ(lines_of(read_file(folder.path() / "salt.inp")), input);

  folder.write("broken.cif", "data_b\n_cell_length_a 5\n");
  EXPECT_EQ(kavro99(folder, "cif broken.cif --hkl 1 0 0"), 2);
  EXPECT_FALSE(fs::exists(folder.path() / "broken.inp"));
  EXPECT_EQ(read_file(folder.path() / "stderr.txt"),
            "kavro99: broken.cif: the file gives no atom sites (_atom_site_fract_x, _atom_site_fract_y, "
            "_atom_site_fract_z)\n");

  const std::string cif_before = read_file(folder.path() / "nacl.cif");
  EXPECT_EQ(kavro99(folder, "cif nacl.cif --hkl 2 0 0 -o nacl.cif"), 2);
  EXPECT_EQ(kavro99(folder, "run nacl.cif --hkl 2 0 0 -o nacl.cif"), 2);
  EXPECT_EQ(read_file(folder.path() / "nacl.cif"), cif_before);
  for (const char* usage : {"cif nacl.cif", "cif nacl.cif --hkl 2 0", "cif nacl.cif --hkl 2 0 0 --tube W",
                            "cif nacl.cif --hkl 2 0 0 --psi 0:360", "cif nacl.cif --hkl 2 0 0 --polarization pi",
                            "cif absent.cif --hkl 2 0 0"})
    EXPECT_EQ(kavro99(folder, usage), 2) << usage;
  EXPECT_FALSE(fs::exists(folder.path() / "nacl.inp"));
}

// The listing from the event search on, clock lines left out.
std::vector<std::string> event_part(const std::string& listing) {
  static const std::regex clock("^( {31}(Date|Time): | CPU-time since program start:).*");
  std::vector<std::string> lines;
  bool started = false;
  for (const std::string& line : lines_of(listing)) {
    started = started || line.find("*** Multiple diffraction events ***") != std::string::npos;
    if (started && !std::regex_match(line, clock)) lines.push_back(line);
  }
  return lines;
}

TEST(CifCommand, RunOfTheYigCifGivesTheEventsOfTheExample) {
  ScratchFolder folder;
  fs::copy_file(cif_file("yig.cif"), folder.path() / "yig.cif");
  ASSERT_EQ(kavro99(folder, "run yig.cif --hkl 8 8 2 --tube Ag --psi -66:16 --steps 50 --drumin 0.05"), 0)
      << read_file(folder.path() / "stderr.txt");
  EXPECT_TRUE(fs::exists(folder.path() / "yig.inp"));
  const std::string listing = read_file(folder.path() / "yig.lis");
  EXPECT_EQ(lines_of(listing).front(),
            " Crystal yttrium iron garnet from yig.cif; symmetry from the space-group symbol 'I a -3 d', "
            "space group 230 (I a -3 d)");

  // The example with the same threshold, without its orientation matrix and
  // scan interval (the CIF has neither), and with the multiplier of Fe at 16a
  // written exactly instead of the example's rounded 0.16667.
  std::vector<std::string> example = lines_of(read_file(fs::path(KAVRO_EXAMPLES_DIR) / "yig_no_scan.inp"));
  example.resize(19);
  example[5] = "-66. 16. 50 0 0.05 0.";
  example[12] = "   2  0.1666667  0.0  0.0  0.0";
  example[18] = " 8  8  2  0  0  0  0";
  std::string text;
  for (const std::string& line : example) text += line + "\n";
  const std::vector<std::string> expected = event_part(run_input(text, folder.path()).listing);
  ASSERT_GT(expected.size(), 100u);
  EXPECT_EQ(event_part(listing), expected);
  EXPECT_EQ(block(listing, " F000: 2647.24", 1).size(), 1u);
}

// Corundum on hexagonal axes at 10 keV: events some 0.006 degree wide, run on
// rhombohedral axes.
TEST(CifCommand, TheStepFollowsTheNarrowEventsAndTheTableKeepsTheFilesIndices) {
  ScratchFolder folder;
  fs::copy_file(cif_file("corundum_hexagonal.cif"), folder.path() / "c.cif");
  const std::string run = "run c.cif --hkl 0 0 6 --energy 10 --psi 0:40 --events ev.csv";
  ASSERT_EQ(kavro99(folder, run), 0) << read_file(folder.path() / "stderr.txt");
  EXPECT_EQ(read_file(folder.path() / "stderr.txt"), "");
  const std::vector<std::string> input = lines_of(read_file(folder.path() / "c.inp"));
  ASSERT_GT(input.size(), 6u);
  EXPECT_EQ(input[5], "0.000 40.000 830 0 1 0.");
  const std::string listing = read_file(folder.path() / "c.lis");
  EXPECT_NE(listing.find("  830 psi steps per degree (--steps to choose): the narrowest listed event is 0.00604"),
            std::string::npos);
  EXPECT_NE(listing.find("  psi grows as the crystal turns right-handed about the scattering vector 0 0 6\n"),
            std::string::npos);

  // h2 + h3 is the primary in the file's indices, which obey -h + k + l = 3n.
  std::vector<std::string> names;
  std::size_t rows = 0;
  for (const std::string& line : lines_of(read_file(folder.path() / "ev.csv"))) {
    if (line.starts_with("#")) continue;
    std::vector<std::string> cells;
    std::istringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
    if (names.empty()) {
      names = cells;
      ASSERT_GE(names.size(), 6u);
      EXPECT_EQ(std::vector<std::string>(names.end() - 6, names.end()),
                (std::vector<std::string>{"h2_file", "k2_file", "l2_file", "h3_file", "k3_file", "l3_file"}));
      continue;
    }
    ASSERT_EQ(cells.size(), names.size());
    std::array<int, 6> h{};
    for (std::size_t i = 0; i < 6; ++i) h[i] = std::stoi(cells[names.size() - 6 + i]);
    EXPECT_EQ((std::array<int, 3>{h[0] + h[3], h[1] + h[4], h[2] + h[5]}), (std::array<int, 3>{0, 0, 6})) << line;
    EXPECT_EQ(((-h[0] + h[1] + h[2]) % 3 + 3) % 3, 0) << line;
    ++rows;
  }
  EXPECT_GT(rows, 50u);

  // The grid the user asks for stays, and is told that it misses the events.
  ASSERT_EQ(kavro99(folder, run + " --steps 20"), 0);
  EXPECT_EQ(read_file(folder.path() / "stderr.txt").substr(0, 100),
            "kavro99: warning: the psi step 0.05 degree is wider than half the FWHM of 90 event(s) above drumin (");
  EXPECT_EQ(lines_of(read_file(folder.path() / "c.inp"))[5], "0.000 40.000 20 0 1 0.");

  EXPECT_EQ(kavro99(folder, "cif c.cif --hkl 0 0 6 --azimuth-ref 0 0 -1"), 2);
  EXPECT_EQ(read_file(folder.path() / "stderr.txt"),
            "kavro99: c.cif: the azimuth reference 0 0 -1 has no part perpendicular to the primary reflection\n");
  EXPECT_EQ(kavro99(folder, "cif c.cif --hkl 0 0 6 --azimuth-ref 1 0 x"), 2);
}

}  // namespace
}  // namespace kavro::testing
