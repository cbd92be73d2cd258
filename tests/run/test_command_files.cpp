// The files of a command checked against each other before anything is
// written, results that appear together or not at all, and the temporary
// files of unfinished results removed when a signal ends the program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "run/command_fixture.hpp"
#include "run/result_file.hpp"
#include "system/temporary_files.hpp"

namespace kavro::testing {
namespace {

namespace fs = std::filesystem;

const std::string kSiliconCif = std::string(KAVRO_EXAMPLES_DIR) + "/si.cif";

// A crystal file under a name of one of the run's results, or a result named
// like another: refused with status 2 before anything is written, the crystal
// file kept, no converted input left behind.
TEST(CommandFiles, NoOutputReplacesAnInputOrAnotherOutput) {
  ScratchFolder folder;
  const fs::path dir = folder.path();
  const std::string crystal = read_text(kSiliconCif);
  for (const std::string name : {"x.ps", "x.lis", "x.cal"}) {
    fs::copy_file(kSiliconCif, dir / name);
    const process::ProcessEnd end = kavro99({"run", (dir / name).string(), "--hkl", "1", "1", "1"});
    EXPECT_EQ(exit_status(end), 2) << name << ": " << end.output;
    EXPECT_NE(end.output.find("would overwrite the crystal file"), std::string::npos) << end.output;
    EXPECT_EQ(read_text(dir / name), crystal) << name;
    EXPECT_EQ(names_in(dir), std::vector<std::string>{name});
    fs::remove(dir / name);
  }
  fs::copy_file(kSiliconCif, dir / "si.cif");
  const std::vector<std::vector<std::string>> refused = {
      {"run", (dir / "si.cif").string(), "--hkl", "1", "1", "1", "--unknown"},
      {"run", (dir / "si.cif").string(), "--hkl", "1", "1", "1", "-o", (dir / "si.png").string(), "--png"},
      {"run", (dir / "si.cif").string(), "--hkl", "1", "1", "1", "--scan-table", (dir / "t.csv").string(),
       "--events", (dir / "t.csv").string()},
      {"run", (dir / "si.cif").string(), "--hkl", "1", "1", "1", "--measured", (dir / "si.cif").string(), "-o",
       (dir / "si.cif").string()},
  };
  for (const std::vector<std::string>& args : refused) {
    const process::ProcessEnd end = kavro99(args);
    EXPECT_EQ(exit_status(end), 2) << args.back() << ": " << end.output;
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"si.cif"}) << args.back();
  }

  // The run of an input file: a page named like the HTML report asked for,
  // or its image like the listing; a listing over line 12's scan.
  std::string input = silicon_input();
  input.replace(input.find("si.ps"), 5, "report.html");
  folder.write("si.inp", input);
  folder.write("scan.inp", silicon_input() +
                               " -0.071161  -0.036463   0.012399\n  0.038060  -0.062495   0.034549\n"
                               " -0.006014   0.036221   0.072079\nscan.obs\n");
  folder.write("scan.obs", "2 2 2 30. -66. 100.\n");
  const std::vector<std::vector<std::string>> clashes = {
      {"run", (dir / "si.inp").string(), "--html", (dir / "report.html").string()},
      {"run", (dir / "scan.inp").string(), "--png", "-o", (dir / "si.png").string()},
      {"run", (dir / "scan.inp").string(), "-o", (dir / "scan.obs").string()},
  };
  for (const std::vector<std::string>& args : clashes) {
    const process::ProcessEnd end = kavro99(args);
    EXPECT_EQ(exit_status(end), 2) << args.back() << ": " << end.output;
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"scan.inp", "scan.obs", "si.cif", "si.inp"})) << args.back();
  }
  EXPECT_EQ(read_text(dir / "scan.obs"), "2 2 2 30. -66. 100.\n");
}

// The converted input written through a symbolic link replaces the file the
// link leads to and keeps that file's earlier text beside it; the link stays.
TEST(CommandFiles, AnInputWrittenThroughALinkKeepsTheEarlierFile) {
  ScratchFolder folder;
  const fs::path dir = folder.path();
  fs::copy_file(kSiliconCif, dir / "si.cif");
  folder.write("real.inp", "edited by hand\n");
  fs::create_symlink(dir / "real.inp", dir / "link.inp");
  const process::ProcessEnd end = kavro99({"cif", (dir / "si.cif").string(), "--hkl", "1", "1", "1", "-o",
                                           (dir / "link.inp").string()});
  ASSERT_EQ(exit_status(end), 0) << end.output;
  EXPECT_TRUE(fs::is_symlink(dir / "link.inp"));
  EXPECT_EQ(read_text(dir / "real.inp~"), "edited by hand\n");
  EXPECT_EQ(lines_of(read_text(dir / "real.inp")).at(1), "link.ps");
  EXPECT_NE(end.output.find("real.inp~"), std::string::npos) << end.output;
}

// Settings that no run accepts are refused by the converter, which writes
// nothing then; a run that stops early reports no status 0 as if it were one.
TEST(CommandFiles, ConverterRefusesWhatTheRunWouldRefuse) {
  ScratchFolder folder;
  const fs::path dir = folder.path();
  fs::copy_file(kSiliconCif, dir / "si.cif");
  const std::vector<std::vector<std::string>> refused = {
      {"--psi", "10:-10"}, {"--psi", "30:10"}, {"--steps", "1e9"}, {"--wavelength", "1e30"},
      {"--wavelength", "1e-7"}, {"--neutron", "1e-7"},
  };
  for (const std::vector<std::string>& options : refused) {
    std::vector<std::string> args = {"cif", (dir / "si.cif").string(), "--hkl", "1", "1", "1"};
    args.insert(args.end(), options.begin(), options.end());
    const process::ProcessEnd end = kavro99(args);
    EXPECT_EQ(exit_status(end), 2) << options[1] << ": " << end.output;
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"si.cif"}) << options[1];
  }

  std::string input = silicon_input("Cu", "30. 10. 50 0 1. 0.");
  folder.write("si.inp", input);
  const process::ProcessEnd end = kavro99({"run", (dir / "si.inp").string()});
  EXPECT_EQ(exit_status(end), 1);
  EXPECT_NE(end.output.find("kavro99: the run stopped early; the listing says why"), std::string::npos) << end.output;
}

// SIGINT, SIGTERM and SIGHUP remove the temporary file of a result being
// written and end the program by the signal; the earlier result stays. An
// ignored SIGHUP (nohup) stays ignored and the result is completed.
TEST(CommandFiles, SignalsRemoveTheTemporaryFilesOfUnfinishedResults) {
  ScratchFolder folder;
  const fs::path target = folder.path() / "result.lis";
  folder.write("result.lis", "the earlier result\n");
  const auto child = [&](int signal_number, bool ignored) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (ignored) ::signal(signal_number, SIG_IGN);
      temporaries::remove_on_signals();
      ResultFile file;
      if (!file.open(target)) ::_exit(3);
      file.stream() << "half a result" << std::flush;
      if (temporaries::registered() != 1) ::_exit(4);
      ::raise(signal_number);
      file.stream() << " and the rest\n";
      ::_exit(file.commit() ? 0 : 5);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
  };
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    const int status = child(signal_number, false);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << signal_number << " " << status;
    EXPECT_EQ(names_in(folder.path()), std::vector<std::string>{"result.lis"});
    EXPECT_EQ(read_text(target), "the earlier result\n");
  }
  const int status = child(SIGHUP, true);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(read_text(target), "half a result and the rest\n");
  EXPECT_EQ(temporaries::registered(), 0);
}

}  // namespace
}  // namespace kavro::testing
