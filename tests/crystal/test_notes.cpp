// The notes of the physics: where their texts go, and the stop message that
// travels with the exception.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "crystal/notes.hpp"
#include "crystal/raumgr.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/upform.hpp"
#include "run/run_state.hpp"

namespace kavro {
namespace {

using Told = std::vector<std::pair<NoteKind, std::string>>;

Notes collecting(Told& told) {
  return Notes([&told](NoteKind kind, std::string_view text) { told.emplace_back(kind, std::string(text)); });
}

// The message a step stops with, and nothing when it does not stop.
std::string stop_message(const std::function<void()>& step) {
  try {
    step();
  } catch (const RunStop& stop) {
    return stop.what();
  }
  return {};
}

RunState one_type(const std::string& symbol, RadiationKind idesy = RadiationKind::tube) {
  RunState st;
  st.crystal.nf = 1;
  st.crystal.atn = {symbol};
  st.radiation.wavind = "dl";
  st.radiation.idesy = idesy;
  st.crystal.atomic_number.assign(1, 0);
  st.crystal.form_factor_coefficients.assign(1, {});
  st.crystal.fp.assign(1, 0.0f);
  st.crystal.fpp.assign(1, 0.0f);
  return st;
}

TEST(Notes, GoWhereTheCallerSays) {
  Notes().warning("dropped");  // the default drops, and may be told anything

  std::ostringstream listing;
  const Notes to_listing(listing);
  to_listing.note("\n first\n");
  to_listing.warning(" second\n");
  EXPECT_EQ(listing.str(), "\n first\n second\n");

  // A space group's block is a note, an unknown symbol's message a warning.
  Told told;
  RunState st = one_type("XX");
  raumgr(st.crystal, 227, collecting(told));
  EXPECT_THROW(upform(st.crystal, st.radiation, 0, collecting(told)), RunStop);
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0].first, NoteKind::note);
  EXPECT_NE(told[0].second.find("Space-group-Nr.   : 227"), std::string::npos);
  EXPECT_EQ(told[1].first, NoteKind::warning);
  EXPECT_EQ(told[1].second.rfind(" The chemical symbol: XX  ", 0), 0u);
}

TEST(Notes, OneLineJoinsTheLinesWithoutTheirBlanks) {
  EXPECT_EQ(one_line("\n\n The wavelength is to large\n the primary  reflection !!\n"),
            "The wavelength is to large the primary  reflection !!");
  EXPECT_EQ(one_line("\n\n   \n"), "");
}

// Every stop of the physics carries the message the listing shows, so that a
// caller without the listing can say why.
TEST(Notes, StopsCarryTheListingsMessage) {
  std::ostringstream listing;
  EXPECT_EQ(stop_message([&] { stop_with_lines(listing, {" The first line,", " check the second!"}); }),
            "The first line, check the second!");
  EXPECT_EQ(listing.str(), "\n\n The first line,\n check the second!\n");

  RunState st = one_type("NI2+");
  EXPECT_EQ(stop_message([&] { upform(st.crystal, st.radiation, 0, Notes()); }),
            "The chemical symbol: NI2+ does not correspond to an atom/ion name given in the Table 6.1.1.4 of the "
            "International Tables for Crystallography, Vol. C, p. 500 - 502");
  RunState neutrons = one_type("Xx", RadiationKind::neutrons);
  EXPECT_EQ(stop_message([&] { upform_n(neutrons.crystal, 0, Notes()); }),
            "The chemical symbol: Xx   does not correspond to an atom name");
  EXPECT_EQ(stop_message([&] { raumgr(st.crystal, 231, Notes()); }),
            "Space-group-Nr.   231 is not in the space-group table (1 to 230)");
}

}  // namespace
}  // namespace kavro
