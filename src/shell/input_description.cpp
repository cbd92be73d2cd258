// Writing the input description with its fixed record lengths.
#include "shell/input_description.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kavro::shell {
namespace {

constexpr int kRecordWidth = 78;

}  // namespace

int input_description_record_length(int record) {
  const auto text = input_description_records().at(static_cast<std::size_t>(record - 1));
  return kRecordWidth - static_cast<int>(std::ranges::count(text, '\''));
}

void write_input_description(std::ostream& out) {
  const auto& records = input_description_records();
  for (int n = 1; n <= kInputDescriptionRecords; ++n) {
    const auto text = records[static_cast<std::size_t>(n - 1)];
    const auto padding = static_cast<std::size_t>(input_description_record_length(n)) - text.size();
    out << text << std::string(padding, ' ') << '\n';
  }
}

std::string input_description() {
  std::ostringstream text;
  write_input_description(text);
  return text.str();
}

bool in_help(const std::filesystem::path& file) {
  std::ofstream out(file, std::ios::trunc);
  if (!out) return false;
  write_input_description(out);
  out.close();
  return !out.fail();
}

}  // namespace kavro::shell
