// The listing's stop message and the exception that carries it.
#include "crystal/run_stop.hpp"

namespace kavro {

void stop_with_lines(const Notes& notes, std::initializer_list<std::string_view> lines) {
  std::string text = "\n\n";
  for (std::string_view line : lines) text.append(line).append("\n");
  stop_with_text(notes, text);
}

void stop_with_text(const Notes& notes, std::string_view text) {
  notes.warning(text);
  throw RunStop(one_line(text));
}

}  // namespace kavro
