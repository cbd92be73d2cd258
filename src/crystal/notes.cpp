// The listing as the sink of the notes, and listing text as one line.
#include "crystal/notes.hpp"

#include <ostream>

namespace kavro {

Notes::Notes(std::ostream& listing)
    : sink_([&listing](NoteKind, std::string_view text) { listing << text; }) {}

Notes warnings_only(std::ostream& listing) {
  return Notes([&listing](NoteKind kind, std::string_view text) {
    if (kind == NoteKind::warning) listing << text;
  });
}

std::string one_line(std::string_view text) {
  std::string line;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view part = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::size_t first = part.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) continue;
    part = part.substr(first, part.find_last_not_of(" \t\r") - first + 1);
    if (!line.empty()) line += ' ';
    line += part;
  }
  return line;
}

}  // namespace kavro
