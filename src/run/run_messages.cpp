// Listing messages that end a run.
#include "run/run_messages.hpp"

#include <string>

#include "crystal/run_stop.hpp"
#include "format/fixed_format.hpp"
#include "format/input_reader.hpp"

namespace kavro {

void check_read(RunState& st, std::ostream& out, int status, std::string_view what) {
  st.ios = status;
  if (status == 0) return;
  const std::string text = "read-error in the " + std::string(what) + " of the input-file";
  if (status == ff::kLineTooLong)
    stop_with_lines(out, {" The line is longer than the 65536 characters a line of the input-file may have:", text});
  stop_with_lines(out, {text});
}

void stop_file_missing(RunState& st, std::ostream& out, std::string_view name72) {
  st.ios = 1;
  stop_with_text(out, ff::format("(//5X,A)", {name72}) +
                          " there is no such file or directory, or the file is empty,\n check your input!\n");
}

void stop_file_refused(RunState& st, std::ostream& out, std::string_view name, std::string_view reason,
                       std::string_view line) {
  st.ios = 1;
  stop_with_text(out, ff::format("(//5X,A)", {name}) + ' ' + std::string(reason) + ",\n check the " +
                          std::string(line) + " of the input-file!\n");
}

std::string without_input_lines(std::string_view message) {
  constexpr std::string_view kEnd = "of the input-file!";
  const std::size_t check = message.rfind("check the ");
  if (check == 0 || check == std::string_view::npos || !message.ends_with(kEnd)) return std::string(message);
  std::string_view value = message.substr(0, check);
  while (!value.empty() && (value.back() == ' ' || value.back() == ',')) value.remove_suffix(1);
  return std::string(value);
}

}  // namespace kavro
