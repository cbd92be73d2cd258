// The text of the About box.
#include "shell/about_box.hpp"

#include <array>

namespace kavro::shell {
namespace {

std::string padded(std::string_view text, std::size_t width) {
  std::string out(text.substr(0, width));
  out.resize(width, ' ');
  return out;
}

}  // namespace

std::string about_text(std::string_view banner) {
  constexpr std::size_t kBannerWidth = 45;
  constexpr std::size_t kLineWidth = 39;
  constexpr std::size_t kWebWidth = 79;
  static constexpr std::array<std::string_view, 9> lines = {
      "",
      "Written by the kavro-99 developers",
      "Simulation of multiple-diffraction",
      "psi-scans (Renninger scans) for",
      "single-crystal diffractometers",
      "desktop and command-line edition",
      "",
      "Questions: see the project pages",
      "Documentation: see the files distributed with this program"};
  std::string text = padded(banner, kBannerWidth);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    text += '\n';
    text += padded(lines[i], i + 1 == lines.size() ? kWebWidth : kLineWidth);
  }
  return text;
}

}  // namespace kavro::shell
