// Conversion of the shell's file-dialog filters.
#include "shell/file_filter.hpp"

#include <algorithm>

#include "shell/winlayer.hpp"

namespace kavro::shell {
namespace {

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto end = std::min(text.find(separator, start), text.size());
    parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string trimmed(std::string_view text) {
  const auto begin = text.find_first_not_of(' ');
  return begin == std::string_view::npos ? std::string{}
                                         : std::string(trim_trailing_blanks(text.substr(begin)));
}

}  // namespace

std::vector<FilterPair> parse_file_filter(std::string_view filter) {
  auto elements = split(trim_trailing_blanks(filter), '|');
  if (!elements.empty() && elements.back().empty()) elements.pop_back();  // after the final bar
  std::vector<FilterPair> pairs;
  for (std::size_t i = 0; i + 1 < elements.size(); i += 2) {
    FilterPair pair{trimmed(elements[i]), {}};
    for (const auto& pattern : split(elements[i + 1], ';')) {
      if (auto p = trimmed(pattern); !p.empty()) pair.patterns.push_back(std::move(p));
    }
    if (!pair.patterns.empty()) pairs.push_back(std::move(pair));
  }
  return pairs;
}

std::string fltk_filter(const std::vector<FilterPair>& pairs) {
  std::string out;
  for (const auto& pair : pairs) {
    std::string pattern = pair.patterns.size() == 1 ? pair.patterns.front() : "{";
    if (pair.patterns.size() > 1) {
      for (std::size_t i = 0; i < pair.patterns.size(); ++i) {
        pattern += (i ? "," : "") + pair.patterns[i];
      }
      pattern += "}";
    }
    if (!out.empty()) out += '\t';
    out += pair.description + " (" + pattern + ")";
  }
  return out;
}

}  // namespace kavro::shell
