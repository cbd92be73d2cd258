// Finding the viewer and the editor, and starting programs without a shell.
#include <gtest/gtest.h>

#include "shell/program_launcher.hpp"
#include "shell/program_search.hpp"
#include "temp_folder.hpp"

namespace {

using namespace kavro::shell;
using kavro::shell::testing::read_file;
using kavro::shell::testing::TempFolder;

class ProgramSearch : public ::testing::Test {
 protected:
  TempFolder bin1, bin2;
  Environment env;

  void SetUp() override {
    env.variables["PATH"] = bin1.path().string() + ":" + bin2.path().string();
  }
  std::string program(const TempFolder& bin, const std::string& name) {
    return bin.script(name, "exit 0").string();
  }
};

TEST_F(ProgramSearch, FindsExecutablesInPathOrder) {
  const auto second = program(bin2, "tool");
  EXPECT_EQ(find_program("tool", env)->string(), second);
  const auto first = program(bin1, "tool");
  EXPECT_EQ(find_program("tool", env)->string(), first);
  bin1.write("plain", "not executable");
  EXPECT_FALSE(find_program("plain", env));
  EXPECT_FALSE(find_program("missing", env));
  EXPECT_FALSE(find_program("", env));
}

TEST_F(ProgramSearch, ResolvesWholePathsWithBlanksBeforeSplittingWords) {
  const auto spaced = program(bin1, "my viewer");
  EXPECT_EQ(resolve_command(spaced, env), std::vector<std::string>{spaced});
  const auto emacs = program(bin2, "emacs");
  EXPECT_EQ(resolve_command("emacs -nw", env), (std::vector<std::string>{emacs, "-nw"}));
  EXPECT_FALSE(resolve_command("nonesuch -x", env));
  EXPECT_FALSE(resolve_command("   ", env));
}

TEST_F(ProgramSearch, TakesTheFirstCommonViewerOrKavroViewer) {
  EXPECT_EQ(viewer_sought(env), "gv, evince, okular, zathura or atril");
  EXPECT_TRUE(find_viewer(env).empty());
  const auto zathura = program(bin1, "zathura");
  const auto evince = program(bin2, "evince");
  EXPECT_EQ(find_viewer(env), std::vector<std::string>{evince});

  env.variables["KAVRO_VIEWER"] = "zathura";
  EXPECT_EQ(viewer_sought(env), "zathura");
  EXPECT_EQ(find_viewer(env), std::vector<std::string>{zathura});
  env.variables["KAVRO_VIEWER"] = "nonesuch";
  EXPECT_TRUE(find_viewer(env).empty());  // a named viewer is not replaced by another
}

TEST_F(ProgramSearch, EditorPrecedence) {
  EXPECT_TRUE(find_editor(env).empty());
  const auto kate = program(bin2, "kate");
  EXPECT_EQ(find_editor(env), (std::vector<std::string>{kate, "--block"}));

  const auto vi = program(bin1, "vi");
  env.variables["EDITOR"] = "vi";
  EXPECT_EQ(find_editor(env)[0], kate);  // EDITOR counts only in a terminal
  env.in_terminal = true;
  EXPECT_EQ(find_editor(env), std::vector<std::string>{vi});
  const auto nano = program(bin1, "nano");
  env.variables["VISUAL"] = "nano";
  EXPECT_EQ(find_editor(env), std::vector<std::string>{nano});

  const auto mine = program(bin2, "mine");
  env.variables["KAVRO_EDITOR"] = "mine --wait";
  EXPECT_EQ(find_editor(env), (std::vector<std::string>{mine, "--wait"}));
  env.variables["KAVRO_EDITOR"] = "nonesuch";
  EXPECT_EQ(find_editor(env), std::vector<std::string>{nano});  // passed over
}

TEST(SpawnLauncher, PassesArgumentsUnchangedAndWaits) {
  TempFolder folder;
  const auto record = folder.path() / "args";
  const auto script =
      folder.script("echo-args", "sleep 0.2; for a in \"$@\"; do echo \"[$a]\"; done > '" +
                                     record.string() + "'");
  SpawnLauncher launcher;
  const auto result =
      launcher.run_and_wait({script.string(), "a b.out", "it's; rm -rf x", "$HOME", ""});
  ASSERT_TRUE(result.started);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(read_file(record), "[a b.out]\n[it's; rm -rf x]\n[$HOME]\n[]\n");
}

TEST(SpawnLauncher, ReportsAProgramThatCannotStart) {
  SpawnLauncher launcher;
  const auto missing = launcher.run_and_wait({"/nonexistent/viewer", "x.ps"});
  EXPECT_FALSE(missing.started);
  EXPECT_FALSE(missing.error.empty());
  EXPECT_FALSE(launcher.run_and_wait({}).started);
}

}  // namespace
