// Listing messages that end a run, shared by the reading and setup steps.
#pragma once

#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

#include "crystal/run_stop.hpp"
#include "run/run_state.hpp"

namespace kavro {

// Stores a read status in st.ios; a non-zero status writes, after two empty
// lines, "read-error in the <what> of the input-file" and ends the run.
void check_read(RunState& st, std::ostream& out, int status, std::string_view what);

// The message for a file that cannot be opened (ios = 1), ending the run.
[[noreturn]] void stop_file_missing(RunState& st, std::ostream& out, std::string_view name72);

// The message for a file name the run refuses (ios = 1): after two empty lines
// the name indented by 5 blanks, then " <reason>," and " check the <line> of
// the input-file!"; ends the run.
[[noreturn]] void stop_file_refused(RunState& st, std::ostream& out, std::string_view name, std::string_view reason,
                                    std::string_view line);

// A stop message without its pointer into the input file (", check the sixth
// line of the input-file!"), for a caller whose user wrote no input file (an
// input made from a crystal file): what remains names the value.
std::string without_input_lines(std::string_view message);

}  // namespace kavro
