// The input description: a fixed text of 395 records explaining the input
// file, the scan files and three example inputs. Help input-file writes it to
// the file "input_help" and shows it in the editor.
#pragma once

#include <array>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

namespace kavro::shell {

inline constexpr int kInputDescriptionRecords = 395;

// The records without trailing blanks, record 1 first.
const std::array<std::string_view, kInputDescriptionRecords>& input_description_records();

// The length a record is written with, trailing blanks included: 78 columns,
// one less for every apostrophe (the text was kept in 78-column fields in which
// an apostrophe took two columns). `record` counts from 1.
int input_description_record_length(int record);

// The whole text, one record per line, every record at its length.
std::string input_description();

// Writes the text to `out`.
void write_input_description(std::ostream& out);

// Writes the text to a file, replacing an existing one. Returns false when the
// file cannot be written.
bool in_help(const std::filesystem::path& file);

// The file name Help input-file writes in the current directory.
inline constexpr std::string_view kInputHelpFile = "input_help";

}  // namespace kavro::shell
