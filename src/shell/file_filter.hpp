// File-dialog filters written as "description|pattern;pattern|" pairs, e.g.
// "Input file|*.inp;*.in|" (every element is followed by a vertical bar).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kavro::shell {

struct FilterPair {
  std::string description;
  std::vector<std::string> patterns;
};

// Splits a filter text into its pairs; trailing blanks are ignored, empty
// patterns dropped, and a description without patterns is skipped.
std::vector<FilterPair> parse_file_filter(std::string_view filter);

// The same filter in FLTK's file-chooser notation: one "description (pattern)"
// entry per pair, entries separated by tabs, several patterns as {a,b}.
std::string fltk_filter(const std::vector<FilterPair>& pairs);

}  // namespace kavro::shell
