// kavro99 fit and kavro99 run --measured on plain scan files; the fit's HTML
// page in headless Chromium.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "fit/fit_fixture.hpp"
#include "plot/ghostscript.hpp"
#include "shell/temp_folder.hpp"
#include "system/process.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using Folder = shell::testing::TempFolder;
using json = nlohmann::ordered_json;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs kavro99 in `folder` (arguments written by the tests themselves).
int kavro99(const Folder& folder, const std::string& args) {
  const std::string command = "cd '" + folder.path().string() + "' && '" + std::string(KAVRO_BINARY) + "' " + args +
                              " >stdout.txt 2>stderr.txt";
  return WEXITSTATUS(std::system(command.c_str()));
}

// The Si 2 2 2 input and a scan written from its model, 0.01 degrees off.
void write_silicon_and_scan(const Folder& folder) {
  fs::copy_file(std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp", folder.path() / "si.inp");
  const Calculation c = testing::silicon_222();
  ModelValues truth;
  truth.offset = 0.01;
  truth.scale = testing::scale_for(c, 3000);
  truth.background = 40;
  truth.eta = c.sample.eta;
  std::string text = "# psi intensity sigma\n";
  char line[96];
  for (const ScanPoint& p : testing::measured_scan(c, truth, false, 3)) {
    std::snprintf(line, sizeof line, "%.5f\t%.3f\t%.3f\n", p.psi, p.intensity, p.sigma);
    text += line;
  }
  folder.write("scan.txt", text);
}

TEST(FitCommand, WritesTheReportTheFittedScanAndItsResiduals) {
  Folder folder;
  write_silicon_and_scan(folder);
  ASSERT_EQ(kavro99(folder, "fit si.inp --measured scan.txt"), 0) << read_file(folder.path() / "stderr.txt");
  const std::string report = read_file(folder.path() / "si.fit");
  EXPECT_NE(report.find("reduced chi-square"), std::string::npos);
  EXPECT_NE(report.find("correlation matrix"), std::string::npos);
  EXPECT_EQ(read_file(folder.path() / "stdout.txt").find(report), 0u);
  std::istringstream cal(read_file(folder.path() / "si_fit.cal"));
  std::string row;
  int rows = 0, measured_rows = 0;
  while (std::getline(cal, row)) {
    ++rows;
    measured_rows += row.size() == 50;  // F10.3, F20.4, F20.4
  }
  EXPECT_EQ(rows, 3001);
  EXPECT_GT(measured_rows, 900);
  EXPECT_NE(read_file(folder.path() / "si_fit.res").find("residual/sigma"), std::string::npos);
  // The page of the fit has its residual band, and Ghostscript renders it without a word.
  const std::string page = read_file(folder.path() / "si_fit.ps");
  EXPECT_EQ(page.substr(0, 2), "%!");
  EXPECT_NE(page.find("obs-fit"), std::string::npos);
  EXPECT_NE(page.find("(Fit to scan.txt: offset "), std::string::npos);  // the fitted values in its title
  if (!find_ghostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  const GhostscriptResult shown =
      convert_page(folder.path() / "si_fit.ps", folder.path() / "page.png", PageImage::png);
  EXPECT_EQ(shown.status, GhostscriptResult::Status::converted) << shown.reason;
  EXPECT_EQ(shown.messages, "");
  ASSERT_EQ(kavro99(folder, "fit si.inp --measured scan.txt -o again.fit --png --pdf"), 0);
  EXPECT_EQ(read_file(folder.path() / "again_fit.png").substr(1, 3), "PNG");
  EXPECT_EQ(read_file(folder.path() / "again_fit.pdf").substr(0, 4), "%PDF");
}

TEST(FitCommand, BadArgumentsAndScansEndWithStatus2AndNoResult) {
  Folder folder;
  write_silicon_and_scan(folder);
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --free offset,tilt"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("unknown fit parameter 'tilt'"), std::string::npos);
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --peaks --free offset,scale"), 2);
  EXPECT_EQ(kavro99(folder, "fit si.inp"), 2);
  folder.write("bad.txt", "# psi I\n177 10\n177.5 ten\n");
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured bad.txt"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("line 3"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder.path() / "si.fit"));
  EXPECT_FALSE(fs::exists(folder.path() / "bad_fit.cal"));
}

TEST(FitCommand, EachFitsFilesAreNamedAfterItsReportAndNoneReplacesAnInputOrAnotherResult) {
  Folder folder;
  write_silicon_and_scan(folder);
  // A report named like another fit's scan keeps its own name; the files go beside it under its name.
  ASSERT_EQ(kavro99(folder, "fit si.inp --measured scan.txt -o m_fit.cal"), 0) << read_file(folder.path() / "stderr.txt");
  EXPECT_NE(read_file(folder.path() / "m_fit.cal").find("reduced chi-square"), std::string::npos);
  EXPECT_TRUE(fs::exists(folder.path() / "m_fit_fit.cal") && fs::exists(folder.path() / "m_fit_fit.ps"));
  // A measured scan that a fit's file would replace, also through a link, is refused before anything is written.
  fs::copy_file(folder.path() / "scan.txt", folder.path() / "m_fit.res");
  fs::create_symlink("m_fit.res", folder.path() / "link.txt");
  for (const char* args : {"fit si.inp --measured m_fit.res -o m.fit", "fit si.inp --measured link.txt -o m.fit"}) {
    EXPECT_EQ(kavro99(folder, args), 2) << args;
    EXPECT_NE(read_file(folder.path() / "stderr.txt").find("would overwrite the measured scan"), std::string::npos)
        << args;
  }
  EXPECT_EQ(read_file(folder.path() / "m_fit.res"), read_file(folder.path() / "scan.txt"));
  // The peak positions write their report alone, and refuse to convert a page they do not draw.
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --peaks --png -o peaks.fit"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("leave out --png and --pdf"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder.path() / "peaks.fit"));
  ASSERT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --peaks -o peaks.fit"), 0)
      << read_file(folder.path() / "stderr.txt");
  EXPECT_FALSE(fs::exists(folder.path() / "peaks_fit.cal") || fs::exists(folder.path() / "peaks_fit.ps"));
  // A fit one of whose files would land on a folder is refused before it
  // writes anything: every earlier result stays as it was.
  const std::string earlier = read_file(folder.path() / "m_fit.cal");
  fs::remove(folder.path() / "m_fit_fit.ps");
  fs::create_directory(folder.path() / "m_fit_fit.ps");
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --free offset,scale -o m_fit.cal"), 2);
  EXPECT_EQ(read_file(folder.path() / "m_fit.cal"), earlier);
  // One that fails to write one of its files (in a place no file can be made) keeps them too.
  fs::remove(folder.path() / "m_fit_fit.ps");
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --free offset,scale -o m_fit.cal --html "
                            "/proc/kavro_fit.html"), 1);
  EXPECT_EQ(read_file(folder.path() / "m_fit.cal"), earlier);
  // Start values and ranges are checked like the free list.
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --start offset=x"), 2);
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --range energy=0.01:-0.01"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("is empty"), std::string::npos);
}

TEST(RunMeasured, APlainScanReplacesLine12AndABadOneStopsTheRun) {
  Folder folder;
  write_silicon_and_scan(folder);
  ASSERT_EQ(kavro99(folder, "run si.inp --measured scan.txt"), 0) << read_file(folder.path() / "stderr.txt");
  EXPECT_NE(read_file(folder.path() / "si.lis").find("Deviation between calculated and measured psi"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(folder.path() / "scan.cal"));
  folder.write("bad.txt", "177 10 -1\n");
  EXPECT_EQ(kavro99(folder, "run si.inp --measured bad.txt -o bad.lis"), 1);
  EXPECT_NE(read_file(folder.path() / "bad.lis").find("gives an uncertainty at or below zero"), std::string::npos);
}

json embedded_data(const std::string& page) {
  const std::string open = "<script type=\"application/json\" id=\"kavro-data\">";
  const std::size_t from = page.find(open) + open.size();
  return json::parse(page.substr(from, page.find("</script>", from) - from));
}

std::string hkl(const json& h) {
  return std::to_string(h[0].get<int>()) + " " + std::to_string(h[1].get<int>()) + " " +
         std::to_string(h[2].get<int>());
}

// Points at `psi` on the scan plot once the page is drawn and writes the hover label into <body data-probe>.
std::string hover_probe(double psi) {
  return "<script>\nsetTimeout(() => {\n  const over = document.querySelector(\"#scan-plot .u-over\");\n"
         "  const p = window.kavroFit.pointOf(" + std::to_string(psi) + ");\n"
         "  over.dispatchEvent(new MouseEvent(\"mouseenter\"));\n"
         "  over.dispatchEvent(new MouseEvent(\"mousemove\", { clientX: p.x, clientY: p.y, bubbles: true }));\n"
         "  setTimeout(() => {\n    const label = document.getElementById(\"tooltip\");\n"
         "    document.body.setAttribute(\"data-probe\", (label.hidden ? \"hidden \" : \"shown \") + "
         "label.textContent);\n  }, 200);\n}, 100);\n</script>\n</body>";
}

TEST(FitHtml, ThePageHoldsTheFitAndNamesThePeakUnderThePointer) {
  Folder folder;
  write_silicon_and_scan(folder);
  ASSERT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --html fit.html"), 0)
      << read_file(folder.path() / "stderr.txt");
  EXPECT_NE(read_file(folder.path() / "stdout.txt").find("HTML page:       fit.html"), std::string::npos);
  const std::string page = read_file(folder.path() / "fit.html");
  for (const char* fetch : {"<script src", "<link", "@import", "fetch(", "XMLHttpRequest"})
    EXPECT_EQ(page.find(fetch), std::string::npos) << fetch;
  const json data = embedded_data(page);
  const std::string report = read_file(folder.path() / "si.fit");
  // The page's numbers are the report's: every free parameter's value and uncertainty as it prints them.
  for (const json& p : data["parameters"]) {
    char printed[64];
    std::snprintf(printed, sizeof printed, " %14.7g %14.7g ", p["value"].get<double>(), p["uncertainty"].get<double>());
    EXPECT_NE(report.find(printed), std::string::npos) << printed << "\n" << report;
  }
  EXPECT_EQ(data["parameters"].size(), 3u);
  EXPECT_EQ(data["correlation"].size(), 3u);
  EXPECT_EQ(data["points"]["psi"].size(), data["summary"]["points"].get<std::size_t>());
  EXPECT_EQ(data["fitted"]["psi"].size(), 3001u);
  ASSERT_FALSE(data["peaks"].empty());
  EXPECT_NEAR(data["wavelength"]["fitted"][0].get<double>(), data["wavelength"]["input"].get<double>(), 1e-12);

  const char* path = std::getenv("PATH");
  const auto browser = process::find_on_path("chromium", path ? path : "");
  if (!browser) GTEST_SKIP() << "chromium is not installed (apt-get install chromium)";
  const json& peak = data["peaks"][data["peaks"].size() / 2];
  std::string probed = page;
  probed.replace(probed.rfind("</body>"), 7, hover_probe(peak["psi_calculated"].get<double>()));
  std::ofstream(folder.path() / "probe.html", std::ios::binary) << probed;
  const auto end = process::run_collecting_output(
      {browser->string(), "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
       "--user-data-dir=" + (folder.path() / "profile").string(), "--window-size=1000,900",
       "--enable-logging=stderr", "--v=0", "--virtual-time-budget=5000", "--dump-dom",
       "file://" + (folder.path() / "probe.html").string()});
  ASSERT_TRUE(WIFEXITED(end.wait_status) && WEXITSTATUS(end.wait_status) == 0) << end.output;
  EXPECT_NE(end.output.find("data-fit=\"drawn\""), std::string::npos) << end.output.substr(0, 3000);
  const std::size_t at = end.output.find("data-probe=\"shown ");
  ASSERT_NE(at, std::string::npos) << end.output.substr(0, 3000);
  const std::string label = end.output.substr(at, end.output.find('"', at + 12) - at);
  EXPECT_NE(label.find("h2" + hkl(peak["h2"]) + "h3" + hkl(peak["h3"])), std::string::npos) << label;
  std::istringstream lines(end.output);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_EQ(line.find("CONSOLE"), std::string::npos) << line;
    EXPECT_EQ(line.find("Uncaught"), std::string::npos) << line;
  }
}

// The page is one of the fit's results: for the peak positions without a
// fitted scan, refused under a name that is no page or is another file of
// the fit, and never left alone when the others cannot be written.
TEST(FitHtml, IsWrittenWithTheOtherResultsOrNotAtAll) {
  Folder folder;
  write_silicon_and_scan(folder);
  ASSERT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --peaks -o p.fit --html p.html"), 0)
      << read_file(folder.path() / "stderr.txt");
  const json peaks = embedded_data(read_file(folder.path() / "p.html"));
  EXPECT_TRUE(peaks["fitted"].is_null());
  EXPECT_TRUE(peaks["peak_positions"].get<bool>());
  EXPECT_FALSE(peaks["peaks"].empty());

  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --html fit.txt"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("--html takes FIT.html"), std::string::npos);
  fs::copy_file(folder.path() / "scan.txt", folder.path() / "scan.html");
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.html --html ./scan.html"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("would overwrite the measured scan"), std::string::npos);
  // Two results under one name, and a folder in place of a result, are refused before the fit.
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt -o w.html --html w.html"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("are the same file"), std::string::npos);
  fs::create_directory(folder.path() / "taken.html");
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt -o w.fit --html taken.html"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("is a folder"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder.path() / "w.fit") || fs::exists(folder.path() / "w_fit.cal"));
}

}  // namespace
}  // namespace kavro
