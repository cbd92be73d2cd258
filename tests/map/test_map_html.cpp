// The map's HTML page: self-contained, drawn by headless Chromium without a
// console error, naming the reflection of the curve under the pointer,
// drawing the scan at a clicked energy; and the table's reason when no
// window is wide enough.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "map/map_fixture.hpp"
#include "system/process.hpp"

namespace kavro::testing {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

class MapHtml : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kavro_map_html_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "diamond.inp") << kDiamond;
  }
  void TearDown() override { fs::remove_all(dir_); }

  int map(std::vector<std::string> args) {
    args.insert(args.begin(), {KAVRO_BINARY, "map", (dir_ / "diamond.inp").string()});
    const process::ProcessEnd end = process::run_collecting_output(args);
    output_ = end.output;
    return WIFEXITED(end.wait_status) ? WEXITSTATUS(end.wait_status) : -1;
  }

  fs::path dir_;
  std::string output_;
};

std::string read_all(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

json embedded_data(const std::string& page) {
  const std::string open = "<script type=\"application/json\" id=\"kavro-data\">";
  const std::size_t from = page.find(open) + open.size();
  return json::parse(page.substr(from, page.find("</script>", from) - from));
}

// Moves the pointer onto a map point once the page is drawn and writes the
// hover label into <body data-probe>.
std::string hover_probe(double psi, double energy) {
  return "<script>\nsetTimeout(() => {\n  const p = window.kavroMap.pointOf(" + std::to_string(psi) + ", " +
         std::to_string(energy) +
         ");\n  document.getElementById(\"map\").dispatchEvent(new MouseEvent(\"mousemove\", "
         "{ clientX: p.x, clientY: p.y, bubbles: true }));\n"
         "  setTimeout(() => {\n    const label = document.getElementById(\"tooltip\");\n"
         "    document.body.setAttribute(\"data-probe\", (label.hidden ? \"hidden \" : \"shown \") + "
         "label.textContent);\n  }, 200);\n}, 100);\n</script>\n</body>";
}

TEST_F(MapHtml, ChromiumDrawsThePageAndNamesTheCurveUnderThePointer) {
  const fs::path html = dir_ / "map.html";
  ASSERT_EQ(map({"--energy", "9.8:10.2", "--threshold", "5", "--html", html.string()}), 0) << output_;
  const std::string page = read_all(html);
  for (const char* fetch : {"src=", "href=", "http:", "https:", "fetch(", "XMLHttpRequest"})
    EXPECT_EQ(page.find(fetch), std::string::npos) << fetch;
  // The head and the toolbar the pages share, filled for the map.
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html lang=\"en\">", 0), 0u);
  EXPECT_NE(page.find("<title>kavro-99 map: "), std::string::npos);
  EXPECT_NE(page.find("the whole map (double-click)\">whole map</button>"), std::string::npos);
  const json data = embedded_data(page);
  ASSERT_GT(data["curves"].size(), 10u);
  ASSERT_GT(data["windows"].size(), 10u);
  const json& strongest = data["curves"][0];
  EXPECT_GE(strongest["peak"].get<double>(), data["curves"].back()["peak"].get<double>());

  const char* path = std::getenv("PATH");
  const auto browser = process::find_on_path("chromium", path ? path : "");
  if (!browser) GTEST_SKIP() << "chromium is not installed (apt-get install chromium)";
  const std::size_t mid = strongest["energy"].size() / 2;
  const double psi = map::psi_in_turn(strongest["psi_2"][mid].get<double>(), data["psi_from"].get<double>());
  std::string probed = page;
  probed.replace(probed.rfind("</body>"), 7, hover_probe(psi, strongest["energy"][mid].get<double>()));
  std::ofstream(dir_ / "probe.html", std::ios::binary) << probed;
  const auto end = process::run_collecting_output(
      {browser->string(), "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
       "--user-data-dir=" + (dir_ / "profile").string(), "--window-size=1000,900", "--enable-logging=stderr",
       "--v=0", "--virtual-time-budget=5000", "--dump-dom", "file://" + (dir_ / "probe.html").string()});
  ASSERT_TRUE(WIFEXITED(end.wait_status) && WEXITSTATUS(end.wait_status) == 0) << end.output;
  EXPECT_NE(end.output.find("data-map=\"drawn\""), std::string::npos) << end.output.substr(0, 3000);
  const std::size_t at = end.output.find("data-probe=\"shown ");
  ASSERT_NE(at, std::string::npos) << end.output.substr(0, 3000);
  const std::string label = end.output.substr(at, end.output.find('"', at + 12) - at);
  const auto hkl = [](const json& h) {
    return std::to_string(h[0].get<int>()) + " " + std::to_string(h[1].get<int>()) + " " +
           std::to_string(h[2].get<int>());
  };
  EXPECT_NE(label.find("h2" + hkl(strongest["h2"]) + "h3" + hkl(strongest["h3"]) + "crossing2"), std::string::npos)
      << label;
  EXPECT_NE(label.find("strength"), std::string::npos) << label;
  std::istringstream lines(end.output);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_EQ(line.find("CONSOLE"), std::string::npos) << line;
    EXPECT_EQ(line.find("Uncaught"), std::string::npos) << line;
  }
}

// Clicks the map at a point once the page is drawn and writes the energy of
// the scan drawn and the largest |value| of its bins in view into <body data-probe>.
std::string click_probe(double psi, double energy) {
  return "<script>\nsetTimeout(() => {\n  const p = window.kavroMap.pointOf(" + std::to_string(psi) + ", " +
         std::to_string(energy) +
         ");\n  const map = document.getElementById(\"map\");\n"
         "  for (const type of [\"mousedown\", \"mouseup\"])\n"
         "    map.dispatchEvent(new MouseEvent(type, { clientX: p.x, clientY: p.y, button: 0, bubbles: true }));\n"
         "  setTimeout(() => {\n    const bins = window.kavroMap.scanBins() || [];\n"
         "    const largest = Math.max(0, ...bins.map((b) => Math.max(Math.abs(b.low), Math.abs(b.high))));\n"
         "    document.body.setAttribute(\"data-probe\", document.body.getAttribute(\"data-scan-energy\") + \" \" + "
         "bins.length + \" \" + largest);\n  }, 200);\n}, 100);\n</script>\n</body>";
}

// The page holds the scan at no more than 41 levels, the ends among them, in
// 800 bins; inside every safe window it stays within the threshold at every
// level held, as the windows promise; and a click draws the scan of the
// level nearest the clicked energy, which rises above the threshold.
TEST_F(MapHtml, AClickDrawsTheScanAtTheNearestLevel) {
  const fs::path html = dir_ / "map.html";
  ASSERT_EQ(map({"--energy", "9.8:10.2", "--threshold", "5", "--levels", "101", "--html", html.string()}), 0)
      << output_;
  const std::string page = read_all(html);
  const json data = embedded_data(page);
  const json& scans = data["scans"];
  ASSERT_EQ(scans["energies"].size(), 41u);
  EXPECT_DOUBLE_EQ(scans["energies"][0].get<double>(), 9.8);
  EXPECT_DOUBLE_EQ(scans["energies"][40].get<double>(), 10.2);
  const double threshold = data["threshold"].get<double>(), from = scans["psi_from"].get<double>();
  const double bin = scans["bin_width"].get<double>();
  std::size_t inside = 0;
  for (std::size_t level = 0; level < 41; ++level) {
    ASSERT_EQ(scans["lowest"][level].size(), 800u);
    for (const json& w : data["windows"])
      for (std::size_t i = 0; i < 800; ++i) {
        const double lo = from + static_cast<double>(i) * bin;
        if (w["wraps"].get<bool>() || lo < w["from"].get<double>() || lo + bin > w["to"].get<double>()) continue;
        ++inside;
        EXPECT_LT(std::fabs(scans["lowest"][level][i].get<double>()), threshold) << lo;
        EXPECT_LT(std::fabs(scans["highest"][level][i].get<double>()), threshold) << lo;
      }
  }
  EXPECT_GT(inside, 41u * 200);

  const char* path = std::getenv("PATH");
  const auto browser = process::find_on_path("chromium", path ? path : "");
  if (!browser) GTEST_SKIP() << "chromium is not installed (apt-get install chromium)";
  const double clicked = 10.013;
  double nearest = 0;
  for (const json& e : scans["energies"])
    if (std::fabs(e.get<double>() - clicked) < std::fabs(nearest - clicked)) nearest = e.get<double>();
  char expected[16];
  std::snprintf(expected, sizeof expected, "%.4f", nearest);
  std::string probed = page;
  probed.replace(probed.rfind("</body>"), 7, click_probe(0, clicked));
  std::ofstream(dir_ / "probe.html", std::ios::binary) << probed;
  const auto end = process::run_collecting_output(
      {browser->string(), "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
       "--user-data-dir=" + (dir_ / "profile").string(), "--window-size=1000,1100", "--enable-logging=stderr",
       "--v=0", "--virtual-time-budget=5000", "--dump-dom", "file://" + (dir_ / "probe.html").string()});
  ASSERT_TRUE(WIFEXITED(end.wait_status) && WEXITSTATUS(end.wait_status) == 0) << end.output;
  const std::size_t at = end.output.find("data-probe=\"");
  ASSERT_NE(at, std::string::npos) << end.output.substr(0, 3000);
  std::istringstream probe(end.output.substr(at + 12));
  std::string energy;
  std::size_t bins = 0;
  double largest = 0;
  probe >> energy >> bins >> largest;
  EXPECT_EQ(energy, expected);
  EXPECT_EQ(bins, 800u);
  EXPECT_GT(largest, threshold);
  std::istringstream lines(end.output);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_EQ(line.find("CONSOLE"), std::string::npos) << line;
    EXPECT_EQ(line.find("Uncaught"), std::string::npos) << line;
  }
}

// With no window as wide as asked the table says why and what to change.
TEST_F(MapHtml, NoWindowSaysWhyAndWhatToChange) {
  ASSERT_EQ(map({"--energy", "9.8:10.2", "--threshold", "5", "--min-width", "30", "-o", (dir_ / "m.ps").string()}),
            0)
      << output_;
  EXPECT_NE(output_.find("0 found"), std::string::npos) << output_;
  EXPECT_NE(output_.find("the widest free interval is  20.4"), std::string::npos) << output_;
  EXPECT_NE(output_.find("smaller --min-width"), std::string::npos) << output_;
}

}  // namespace
}  // namespace kavro::testing
