// What the scan readers tell beside their values: the reference table as
// notes, every record or value they cannot use as a warning, in the order and
// with the text the listing prints.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "run/input_preparation.hpp"
#include "run/run_fixture.hpp"
#include "crystal/units.hpp"
#include "scans/measured_scan_reader.hpp"
#include "scans/reference_list.hpp"

namespace kavro::testing {
namespace {

using Told = std::vector<std::pair<NoteKind, std::string>>;

Notes collecting(Told& told) {
  return Notes([&told](NoteKind kind, std::string_view text) { told.emplace_back(kind, std::string(text)); });
}

std::string joined(const Told& told) {
  std::string text;
  for (const auto& [kind, part] : told) text += part;
  return text;
}

// Silicon for the X-ray tube, psi -66..16 at 50 steps per degree.
Calculation tube_silicon() {
  std::istringstream input(silicon_input("Mo") + "1 0 0\n0 1 0\n0 0 1\nt.obs\n");
  std::ostringstream listing;
  return read_calculation(input, listing, nullptr);
}

// Reads `file` as the tube's ".obs" scan.
void read_obs(const Calculation& c, const std::string& file, const Notes& notes) {
  MeasuredScan measured;
  measured.scan_given = 1;
  measured.scan_ext = "obs";
  measured.scan_obs.assign(static_cast<std::size_t>(c.grid.step_count) + 1, kGapMarker);
  std::istringstream in;
  std::istringstream scan(file);
  read_measured_scan({c.crystal, c.radiation, c.sample, c.primary, c.grid, measured}, in, scan, notes);
}

TEST(ReaderNotes, TheTableIsToldAsNotesAndWhatCannotBeUsedAsWarnings) {
  const Calculation c = tube_silicon();
  Told told;
  const std::string file =
      " 2 2 0 10.65 0. 2000.\n"
      " 1 1 1 95. 0. 500.\n"       // no Bragg angle: no estimate
      " 2 2 2 13.0 -24.0 1e21\n"   // beyond the gap marker
      " 2 2 2 13.0 -23.98 1.7\n"
      " 2 2 x\n";                  // not a line of the format
  read_obs(c, file, collecting(told));
  std::ostringstream listing;
  read_obs(c, file, listing);
  ASSERT_EQ(told.size(), 5u) << joined(told);
  EXPECT_EQ(told[0].first, NoteKind::note);
  EXPECT_TRUE(told[0].second.starts_with("\n   h  k  l ")) << told[0].second;
  EXPECT_EQ(told[1].first, NoteKind::note);
  EXPECT_TRUE(told[1].second.starts_with("   2  2  0  10.650   2000.00")) << told[1].second;
  for (std::size_t i = 2; i < told.size(); ++i) EXPECT_EQ(told[i].first, NoteKind::warning) << told[i].second;
  EXPECT_TRUE(told[2].second.starts_with(" Reference reflection   1   1   1 ")) << told[2].second;
  EXPECT_EQ(told[3].second,
            " Record   2   2   2 at psi  -24.000 (line      3) skipped: the intensity is out of range\n");
  EXPECT_EQ(told[4].second,
            " Reading of the scan file stopped at line      5: it does not hold h, k, l, theta, psi, I\n");
  EXPECT_EQ(joined(told), listing.str());
}

TEST(ReaderNotes, AScanWithoutThePrimaryAndAnUnreadableLine13aAreWarnings) {
  const Calculation c = tube_silicon();
  Told told;
  read_obs(c, " 2 2 2 13.0 50. 1.7\n", collecting(told));  // outside the psi range
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[1].first, NoteKind::warning);
  EXPECT_TRUE(told[1].second.starts_with("\n\n The scan file is missing, or\n")) << told[1].second;

  Told list_told;
  std::istringstream lines(" 1 1 1\n 1 x 1\n");
  EXPECT_EQ(read_reference_list(lines, collecting(list_told)).reflections.size(), 1u);
  ASSERT_EQ(list_told.size(), 1u);
  EXPECT_EQ(list_told[0].first, NoteKind::warning);
  EXPECT_EQ(list_told[0].second,
            " read-error in line 13a of the input-file; the lines from there on are not used\n");
}

}  // namespace
}  // namespace kavro::testing
