// Every way an input file can end a run: the message, the status, no result.
#include <gtest/gtest.h>

#include "run/run_fixture.hpp"
#include "run/run_messages.hpp"

namespace kavro::testing {
namespace {

std::string cut_after_lines(const std::string& text, int lines) {
  std::size_t pos = 0;
  for (int i = 0; i < lines && pos != std::string::npos; ++i) {
    pos = text.find('\n', pos);
    if (pos != std::string::npos) ++pos;
  }
  return text.substr(0, pos);
}

struct Truncation {
  int lines_kept;
  const char* message;
};

class TruncatedInput : public ::testing::TestWithParam<Truncation> {};

// A file that ends inside a mandatory line group stops with that line's
// message after two empty lines, an end-of-file status, and no page.
TEST_P(TruncatedInput, StopsWithTheLinesReadError) {
  ScratchFolder folder;
  const std::string full = silicon_input();
  const RunResult r = run_input(cut_after_lines(full, GetParam().lines_kept), folder.path());
  EXPECT_FALSE(r.outcome.completed);
  EXPECT_LT(r.outcome.ios, 0);
  EXPECT_EQ(tail(r.listing, 3), (std::vector<std::string>{"", "", GetParam().message}));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "si.ps"));
}

INSTANTIATE_TEST_SUITE_P(
    EveryMandatoryLine, TruncatedInput,
    ::testing::Values(Truncation{0, "read-error in the first line of the input-file"},
                      Truncation{1, "read-error in the second line of the input-file"},
                      Truncation{2, "read-error in the third line of the input-file"},
                      Truncation{3, "read-error in the fourth line of the input-file"},
                      Truncation{4, "read-error in the fifth line of the input-file"},
                      Truncation{5, "read-error in the sixth line of the input-file"},
                      Truncation{6, "read-error in the seventh line of the input-file"},
                      Truncation{7, "read-error in the chemical symbol lines of the input-file"},
                      Truncation{9, "read-error in the atom parameter lines of the input-file"},
                      Truncation{10, "read-error in the primary reflection line of the input-file"}));

TEST(InputErrors, BadValuesGiveAPositiveStatus) {
  ScratchFolder folder;
  std::string input = silicon_input();
  input.replace(input.find("5.431  5.431"), 5, "5,4x1");
  const RunResult r = run_input(input, folder.path());
  EXPECT_FALSE(r.outcome.completed);
  EXPECT_GT(r.outcome.ios, 0);
  EXPECT_EQ(tail(r.listing, 1)[0], "read-error in the third line of the input-file");

  const RunResult bad_ub = run_input(silicon_input() + "1 0 0\n0 1 0\n0 0 x\n", folder.path());
  EXPECT_FALSE(bad_ub.outcome.completed);
  EXPECT_EQ(tail(bad_ub.listing, 1)[0], "read-error in the ub-matrix lines of the input-file");

  std::string bad_symbol_line = silicon_input();
  bad_symbol_line.replace(bad_symbol_line.find("Siv\n"), 4, "Siv  abc\n");
  const RunResult m9 = run_input(bad_symbol_line, folder.path());
  EXPECT_EQ(tail(m9.listing, 1)[0], "read-error in the chemical symbol lines of the input-file");
}

TEST(InputErrors, PageThatCannotBeCreated) {
  ScratchFolder folder;
  std::string input = silicon_input();
  input.replace(input.find("si.ps"), 5, "no/such/dir/si.ps");
  const RunResult r = run_input(input, folder.path());
  EXPECT_FALSE(r.outcome.completed);
  EXPECT_EQ(r.outcome.ios, 1);
  const std::vector<std::string> last = tail(r.listing, 5);
  EXPECT_EQ(last[0], "");
  EXPECT_EQ(last[2], "     no/such/dir/si.ps" + std::string(55, ' '));
  EXPECT_EQ(last[3], " there is no such file or directory, or the file is empty,");
  EXPECT_EQ(last[4], " check your input!");
  EXPECT_EQ(r.outcome.message,
            "no/such/dir/si.ps there is no such file or directory, or the file is empty, check your input!");
}

TEST(InputErrors, MissingOrDirectoryScanFile) {
  ScratchFolder folder;
  const std::string ub = " 0.1 0 0\n 0 0.1 0\n 0 0 0.1\n";
  for (const std::string name : {"absent.obs", "."}) {
    const RunResult r = run_input(silicon_input() + ub + name + "\n", folder.path());
    EXPECT_FALSE(r.outcome.completed);
    EXPECT_EQ(r.outcome.ios, 1);
    EXPECT_EQ(tail(r.listing, 3)[0].substr(0, 5 + name.size()), "     " + name);
  }
}

TEST(InputErrors, PsiRangeLimitsDependOnTheRadiation) {
  ScratchFolder folder;
  EXPECT_TRUE(run_input(silicon_input("Cu", "-180 180 1 0 1 0"), folder.path()).outcome.completed);
  const RunResult tube = run_input(silicon_input("Cu", "-180 181 1 0 1 0"), folder.path());
  EXPECT_FALSE(tube.outcome.completed);
  EXPECT_EQ(tube.outcome.ios, 0);
  EXPECT_EQ(tail(tube.listing, 2), (std::vector<std::string>{"", " Psi-range is out of -180. to 180."}));
  EXPECT_EQ(tube.outcome.message, "Psi-range is out of -180. to 180.");

  const std::string synchrotron = "1 0.5612  5.43 1 1 1 58.19";
  EXPECT_TRUE(run_input(silicon_input(synchrotron, "0 360 1 0 1 0"), folder.path()).outcome.completed);
  const RunResult p2 = run_input(silicon_input(synchrotron, "-10 200 1 0 1 0"), folder.path());
  EXPECT_FALSE(p2.outcome.completed);
  EXPECT_EQ(tail(p2.listing, 6),
            (std::vector<std::string>{"", " Psi-range is out of 0. to 360.", "", "                        or", "",
                                      "                  -180. to 180."}));
  EXPECT_EQ(p2.outcome.message, "Psi-range is out of 0. to 360. or -180. to 180.");
}

TEST(InputErrors, ValuesThatWouldBreakTheCalculation) {
  ScratchFolder folder;
  struct Case {
    std::string from, to, message;
  };
  const Case cases[] = {
      {"90. 90. 90.", "90. 90. 180.", " The cell constants describe no cell: its volume is zero or imaginary,"},
      {"5.431  5.431  5.431", "0  5.431  5.431", " The cell constants describe no cell: its volume is zero or imaginary,"},
      {"-66. 16. 50", "16. -66. 50", " The end of the psi-range must be larger than its beginning (psie > psia),"},
      {"-66. 16. 50", "-66. 16. 0", " The number of steps per degree (zsw1) must not be 0,"},
      {"227 1 1", "0 1 1", " The space-group number must be 1 to 230, or above 230 with symmetry lines,"},
      {"227 1 1", "227 0 1", " The numbers of atoms and of scattering factor tables must be at least 1,"},
      {"   1  0.04167", "   2  0.04167",
       " The atom   1 refers to the scattering factor table    2.00, which does not exist,"},
      {" 2 2 2 0 0", " 0 0 0 0 0", " The primary reflection must not be 0 0 0,"},
      // Found only once the values are derived, still named by the line.
      {"5.431  5.431  5.431", "1e-16  1e-16  1e-16", " The cell constants describe no cell: its volume is zero or imaginary,"},
      {"   1  0.04167", "   1  1e38",
       " The site multipliers afact put more atoms into the cell than can be counted,"},
  };
  for (const Case& c : cases) {
    std::string input = silicon_input();
    input.replace(input.find(c.from), c.from.size(), c.to);
    const RunResult r = run_input(input, folder.path());
    EXPECT_FALSE(r.outcome.completed) << c.to;
    EXPECT_EQ(tail(r.listing, 2)[0], c.message) << c.to;
    // The stop's own message, which begins as the listing's does.
    EXPECT_EQ(r.outcome.message.rfind(c.message.substr(1), 0), 0u) << r.outcome.message;
  }
}

TEST(InputErrors, AbsurdSizesCannotBeAllocated) {
  ScratchFolder folder;
  std::string atoms = silicon_input();
  atoms.replace(atoms.find("227 1 1"), 7, "227 2000000000 1");
  const RunResult a1 = run_input(atoms, folder.path());
  EXPECT_FALSE(a1.outcome.completed);
  EXPECT_EQ(tail(a1.listing, 3), (std::vector<std::string>{" Dynamical array allocation failed",
                                                           " Number of atoms is to large",
                                                           " Please contact the author of KAVRO-xx!"}));

  const RunResult a2 = run_input(silicon_input("Cu", "-180 180 1e9 0 1 0"), folder.path());
  EXPECT_FALSE(a2.outcome.completed);
  EXPECT_EQ(tail(a2.listing, 4),
            (std::vector<std::string>{" Dynamical array allocation failed",
                                      " Number of steps = (psie - psia)*zsw is to large",
                                      " (at most 44739242 steps fit into the memory budget of 2048 MB)",
                                      " Please reduce the number of steps in your input file!"}));
}

TEST(InputErrors, TooManyExplicitOperators) {
  ScratchFolder folder;
  std::string input = silicon_input();
  std::string operators = "1 25\n";
  for (int n = 0; n < 25; ++n) operators += "0 1 0 0 0 0 1 0 0 0 0 1\n";
  input.replace(input.find("227 1 1\n"), 8, "231 1 1\n" + operators);
  const RunResult r = run_input(input, folder.path());
  EXPECT_FALSE(r.outcome.completed);
  EXPECT_EQ(tail(r.listing, 2),
            (std::vector<std::string>{" The number of symmetry lines is to large", " ( ns <= 24)"}));
  EXPECT_EQ(r.state.crystal.ns, 25);
  for (const Mat3& m : r.state.crystal.symr) EXPECT_EQ(m[0][0], 0.f);  // nothing was stored
}

TEST(InputErrors, ExplicitOperatorsReadAcrossLines) {
  ScratchFolder folder;
  std::string input = silicon_input();
  input.replace(input.find("227 1 1\n"), 8, "231 1 1\n2\n 2 0 1 0\n 0 0 0 1 0 0 0 0 1\n 0 -1 0 0 0.5 0 1 0 0 0 0 -1\n");
  const RunResult r = run_input(input, folder.path());
  EXPECT_TRUE(r.outcome.completed) << r.listing;
  EXPECT_EQ(r.state.crystal.ns, 2);
  EXPECT_EQ(r.state.crystal.ic, 2);
  EXPECT_EQ(r.state.crystal.symr[1][0][0], -1.f);
  EXPECT_EQ(r.state.crystal.symt[1][1], 0.5f);
  EXPECT_EQ(r.state.crystal.space_group_symbol.substr(0, 2), "P ");
}

}  // namespace
}  // namespace kavro::testing

namespace kavro::testing {
namespace {

TEST(InputErrors, PrimaryReflectionOutsideTheEwaldSphere) {
  ScratchFolder folder;
  const std::string ub = " 0.1 0 0\n 0 0.1 0\n 0 0 0.1\n";
  const RunResult r = run_input(silicon_input("Cu", "-66. 16. 50 0 1. 0.", " 9 9 9 0 0 0 0") + ub, folder.path());
  EXPECT_FALSE(r.outcome.completed);
  EXPECT_EQ(r.outcome.ios, 0);
  EXPECT_EQ(tail(r.listing, 5),
            (std::vector<std::string>{"", "", "", " The wavelength is to large",
                                      " the primary reflection is outside of the Ewald-sphere !!"}));
}

// An input made from a crystal file has no lines its user wrote: its stops
// name the value alone, and a message about the input itself stays whole.
TEST(InputErrors, MessagesWithoutTheInputLines) {
  EXPECT_EQ(without_input_lines("The end of the psi-range must be larger than its beginning (psie > psia), check the "
                                "sixth line of the input-file!"),
            "The end of the psi-range must be larger than its beginning (psie > psia)");
  EXPECT_EQ(without_input_lines("The cell is to large (Maximum possible h, k, l: 1 2 3) where 9 can be searched, check "
                                "the third and the fourth line of the input-file!"),
            "The cell is to large (Maximum possible h, k, l: 1 2 3) where 9 can be searched");
  for (const char* whole : {"read-error in the sixth line of the input-file", "Psi-range is out of -180. to 180.",
                            "check the sixth line of the input-file!",
                            "x.ps there is no such file or directory, or the file is empty, check your input!"})
    EXPECT_EQ(without_input_lines(whole), whole);
}

}  // namespace
}  // namespace kavro::testing
