// The HTML report: a page that stands alone, whose embedded data hold the
// run's events and scan as the data tables do, that no title can break out
// of, and that a real browser draws without a console error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "report/html_report.hpp"
#include "run/command_fixture.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
using testing::copy_example;
using testing::exit_status;
using testing::kavro99;
using testing::lines_of;
using testing::read_text;
using testing::ScratchFolder;

// The JSON document between <script type="application/json" id="kavro-data"> and </script>.
json embedded_data(const std::string& page) {
  const std::string open = "<script type=\"application/json\" id=\"kavro-data\">";
  const std::size_t begin = page.find(open);
  if (begin == std::string::npos) return nullptr;
  const std::size_t from = begin + open.size();
  return json::parse(page.substr(from, page.find("</script>", from) - from));
}

std::size_t count_of(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A hostile title can neither close the data's <script> element nor open
// markup in the page's <title>; the document still reads back unchanged.
TEST(HtmlReport, TitleCannotBreakOutOfThePage) {
  const std::string title = "</script><!-- <b>\"Fe & 'O'\"</b>";
  const json document = {{"name", "r"},
                         {"results", {{"title", title}, {"events", json::array()}}},
                         {"tables", {{"r-events.csv", "a<b\n"}}}};
  std::ostringstream page;
  write_html_page(page, document);
  const std::string html = page.str();
  EXPECT_EQ(count_of(html, "</script"), 3u);  // the data, uPlot and the page's own script
  EXPECT_EQ(count_of(html, "<!--"), 0u);
  EXPECT_NE(html.find("<title>kavro-99: &lt;/script&gt;&lt;!-- &lt;b&gt;&quot;Fe &amp; &#39;O&#39;&quot;"),
            std::string::npos);
  EXPECT_EQ(embedded_data(html), document);
  // The template's markers are all replaced, also those of the shared fragments.
  for (const char* marker : {"@TITLE@", "@DATA@", "@UPLOT_JS@", "@UPLOT_CSS@", "@PAGE_CSS@", "@PSI_AXIS_JS@",
                             "@REPORT_JS@", "@REPORT_CSS@", "@PAGE_HEAD@", "@PSI_TOOLBAR@", "@WHOLE@"})
    EXPECT_EQ(html.find(marker), std::string::npos) << marker;
}

// Bytes that are no UTF-8 (an input file in Latin-1) become U+FFFD instead
// of ending the run with an exception.
TEST(HtmlReport, TitleInLatin1IsReplacedNotRefused) {
  const json document = {{"name", "r"}, {"results", {{"title", "Granat \xe4 YIG"}}}};
  std::ostringstream page;
  ASSERT_NO_THROW(write_html_page(page, document));
  EXPECT_EQ(embedded_data(page.str())["results"]["title"], "Granat \xef\xbf\xbd YIG");
}

// The report of the YIG example with its measured scan, beside the event table as CSV.
class YigHtmlReport : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path input = copy_example(folder_, "yig.inp");
    copy_example(folder_, "yig.dat");
    report_ = folder_.path() / "yig.html";
    const auto end = kavro99(
        {"run", input.string(), "--html", report_.string(), "--scan-table", (folder_.path() / "scan.csv").string()});
    ASSERT_EQ(exit_status(end), 0) << end.output;
    page_ = read_text(report_);
    data_ = embedded_data(page_);
  }
  ScratchFolder folder_;
  fs::path report_;
  std::string page_;
  json data_;
};

// Nothing in the page is fetched at viewing time, and the embedded copies of
// the tables are the files the run writes.
TEST_F(YigHtmlReport, StandsAloneWithTheRunsData) {
  EXPECT_EQ(page_.find("<script src"), std::string::npos);
  EXPECT_EQ(page_.find("<link"), std::string::npos);
  EXPECT_EQ(page_.find("@import"), std::string::npos);
  EXPECT_NE(page_.find("uPlot (v1.6."), std::string::npos);

  ASSERT_TRUE(data_.is_object());
  const json& results = data_["results"];
  std::size_t rows = 0;
  for (const json& pass : results["summary"]["passes"]) rows += pass["table_rows"].get<std::size_t>();
  EXPECT_EQ(results["events"].size(), rows);
  EXPECT_GT(rows, 1000u);
  EXPECT_EQ(data_["tables"]["yig-scan.csv"], read_text(folder_.path() / "scan.csv"));
  EXPECT_EQ(count_of(data_["tables"]["yig-events.csv"].get<std::string>(), "\n"), rows + results["columns"].size() + 2);

  const json& scan = data_["scan"];
  const auto points = results["parameters"]["psi_grid"]["points"].get<std::size_t>();
  ASSERT_EQ(scan["psi"].size(), points);
  ASSERT_EQ(scan["calculated"].size(), points);
  ASSERT_EQ(scan["measured"].size(), points);
  std::size_t measured = 0, measured_rows = 0;
  for (const json& v : scan["measured"]) measured += v.is_number();
  for (const std::string& line : lines_of(read_text(folder_.path() / "scan.csv")))
    measured_rows += !line.starts_with("#") && !line.starts_with("psi") && !line.ends_with(",,");
  EXPECT_EQ(measured, measured_rows);
  EXPECT_GT(measured, points / 3);
  EXPECT_LE(data_["band"]["low"].get<double>(), data_["band"]["line1_top"].get<double>());
  EXPECT_EQ(data_["band"]["events"].size(), results["summary"]["passes"][0]["stored"]);
  EXPECT_GT(data_["band"]["events"].size(), 5u);
}

std::optional<fs::path> chromium() {
  for (const char* name : {"chromium", "chromium-browser", "google-chrome"})
    if (auto found = process::find_on_path(name, std::getenv("PATH") ? std::getenv("PATH") : "")) return found;
  return std::nullopt;
}

// Points the mouse at the calculated maximum of the scan once the page is
// drawn and writes what the hover label then shows into <body data-probe>.
constexpr const char* kHoverProbe = R"(<script>
setTimeout(() => {
  const over = document.querySelector("#scan-plot .u-over");
  const box = over.getBoundingClientRect();
  const results = JSON.parse(document.getElementById("kavro-data").textContent).results;
  const grid = results.parameters.psi_grid;
  const x = box.left + box.width * (results.summary.calculated.maximum.psi - grid.psia) / (grid.psie - grid.psia);
  over.dispatchEvent(new MouseEvent("mouseenter"));
  over.dispatchEvent(new MouseEvent("mousemove", { clientX: x, clientY: box.top + 20, bubbles: true }));
  setTimeout(() => {
    const label = document.getElementById("tooltip");
    document.body.setAttribute("data-probe", (label.hidden ? "hidden " : "shown ") + label.textContent);
  }, 200);
}, 100);
</script>
</body>)";

// The secondary reflection of the strongest event within `window` degrees of psi, as "h k l".
std::string strongest_h2_near(const json& events, double psi, double window) {
  const auto strength = [](const json& e) {
    return std::max(e["I_K_per_fwhm"].get<double>(), e["I_A_per_fwhm"].get<double>());
  };
  const json* strongest = nullptr;
  for (const json& e : events)
    if (std::abs(e["psi"].get<double>() - psi) < window && (!strongest || strength(e) > strength(*strongest)))
      strongest = &e;
  if (!strongest) return "none";
  const json& e = *strongest;
  return std::to_string(e["h2"].get<int>()) + " " + std::to_string(e["k2"].get<int>()) + " " +
         std::to_string(e["l2"].get<int>());
}

// Headless Chromium opens the report: the page's script finishes drawing (it
// marks <body> when done), the psi-lambda band has curves, pointing at the
// highest peak labels the strongest event there (by the listing's Ikavro and
// Iaufhe per FWHM), the summary reads in the listing's words, and the browser logs no
// console error or uncaught exception.
TEST_F(YigHtmlReport, ChromiumDrawsItAndLabelsThePeakWithoutAConsoleError) {
  const std::optional<fs::path> browser = chromium();
  if (!browser) GTEST_SKIP() << "chromium is not installed (apt-get install chromium)";
  std::string probed = page_;
  probed.replace(probed.rfind("</body>"), 7, kHoverProbe);
  const fs::path probe = folder_.path() / "probe.html";
  std::ofstream(probe, std::ios::binary) << probed;
  const auto end = process::run_collecting_output(
      {browser->string(), "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
       "--user-data-dir=" + (folder_.path() / "profile").string(), "--window-size=1400,1000", "--enable-logging=stderr",
       "--v=0", "--virtual-time-budget=5000", "--dump-dom", "file://" + probe.string()});
  ASSERT_EQ(exit_status(end), 0) << end.output;
  EXPECT_NE(end.output.find("data-report=\"drawn\""), std::string::npos) << end.output.substr(0, 4000);
  EXPECT_EQ(end.output.find("data-band-curves=\"0\""), std::string::npos);

  const json& results = data_["results"];
  const double peak = results["summary"]["calculated"]["maximum"]["psi"].get<double>();
  const std::size_t at = end.output.find("data-probe=\"shown ");
  ASSERT_NE(at, std::string::npos) << end.output.substr(0, 4000);
  const std::string label = end.output.substr(at, end.output.find('"', at + 12) - at);
  EXPECT_NE(label.find("h2h3crossingpsi (deg)Ikavro (cps)Iaufhe (cps)FWHM (deg)TRPHI (deg)"), std::string::npos)
      << label;
  EXPECT_NE(label.find("integrated: I_K s\u00b2 "), std::string::npos) << label;
  // The summary and the parameters in the listing's words, not the document's paths.
  EXPECT_NE(end.output.find("<th>Maximum calculated intensity (cps)</th>"), std::string::npos);
  EXPECT_NE(end.output.find("<th>Background (cps)</th>"), std::string::npos);
  EXPECT_EQ(end.output.find("<th>passes["), std::string::npos);
  EXPECT_EQ(end.output.find("<th>calculated."), std::string::npos);
  EXPECT_NE(label.find(strongest_h2_near(results["events"], peak, 0.3)), std::string::npos) << label;
  for (const std::string& line : lines_of(end.output)) {
    EXPECT_EQ(line.find("CONSOLE"), std::string::npos) << line;
    EXPECT_EQ(line.find("Uncaught"), std::string::npos) << line;
  }
}

// A report that cannot be written ends the run with a message and leaves no
// file; a wrong name, a folder or the listing's name is refused before the
// run.
TEST(HtmlReportErrors, UnusableNamesAreRefused) {
  ScratchFolder folder;
  const fs::path input = copy_example(folder, "si222_no_scan.inp");
  const fs::path missing_folder = folder.path() / "no" / "r.html";
  const auto unwritable = kavro99({"run", input.string(), "--html", missing_folder.string()});
  EXPECT_EQ(exit_status(unwritable), 1) << unwritable.output;
  EXPECT_FALSE(fs::exists(missing_folder));
  EXPECT_NE(read_text(folder.path() / "si222_no_scan.lis").find("cannot be written"), std::string::npos);

  const auto wrong_name = kavro99({"run", input.string(), "--html", (folder.path() / "r.txt").string()});
  EXPECT_EQ(exit_status(wrong_name), 2);
  EXPECT_NE(wrong_name.output.find("--html takes REPORT.html"), std::string::npos) << wrong_name.output;

  fs::create_directory(folder.path() / "d.html");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"run", input.string(), "--html", (folder.path() / "d.html").string()},
        std::vector<std::string>{"run", input.string(), "-o", (folder.path() / "l.html").string(), "--html",
                                 (folder.path() / "l.html").string()},
        std::vector<std::string>{"run", input.string(), "--html"}}) {
    const auto end = kavro99(args);
    EXPECT_EQ(exit_status(end), 2) << end.output;
  }
  EXPECT_FALSE(fs::exists(folder.path() / "l.html"));
}

}  // namespace
}  // namespace kavro
