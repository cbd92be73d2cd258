// The listing's stop message and the exception that carries it.
#include "crystal/run_stop.hpp"

#include <ostream>

namespace kavro {

void stop_with_lines(std::ostream& listing, std::initializer_list<std::string_view> lines) {
  listing << "\n\n";
  std::string message;
  for (std::string_view line : lines) {
    listing << line << '\n';
    if (!message.empty()) message += ' ';
    message += line.substr(line.find_first_not_of(' ') == std::string_view::npos ? line.size()
                                                                                 : line.find_first_not_of(' '));
  }
  throw RunStop(message);
}

}  // namespace kavro
