// The input description: record count, record lengths and exact records.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "shell/input_description.hpp"

namespace {

using kavro::shell::input_description;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(InputDescription, HasThe395RecordsAtTheirLengths) {
  const auto text = input_description();
  const auto lines = lines_of(text);
  ASSERT_EQ(lines.size(), 395u);
  ASSERT_EQ(text.back(), '\n');
  const std::map<int, std::size_t> short_records = {{18, 76}, {23, 76},  {92, 75}, {104, 77},
                                                    {105, 76}, {142, 76}, {342, 76}};
  for (int n = 1; n <= 395; ++n) {
    const auto it = short_records.find(n);
    EXPECT_EQ(lines[n - 1].size(), it == short_records.end() ? 78u : it->second) << "record " << n;
  }
}

TEST(InputDescription, WritesTitleAndQuotedRecordsExactly) {
  const auto lines = lines_of(input_description());
  EXPECT_EQ(lines[0], std::string(26, ' ') + "INPUT DESCRIPTION" + std::string(35, ' '));
  const std::string record18 = "    in column 1 and 2:'1 ', in the following columns: wavelength,";
  EXPECT_EQ(lines[17], record18 + std::string(76 - record18.size(), ' '));
  EXPECT_EQ(lines[394], std::string(71, '_') + std::string(7, ' '));
}

TEST(InputDescription, SectionsStartWhereExpected) {
  const auto lines = lines_of(input_description());
  auto starts = [&](int record, const std::string& head) {
    return lines[record - 1].compare(0, head.size(), head) == 0;
  };
  EXPECT_TRUE(starts(4, "1. Text"));
  EXPECT_TRUE(starts(40, "    eta:"));
  EXPECT_TRUE(starts(232, "References:"));
  EXPECT_TRUE(starts(244, "Examples for input files"));
  EXPECT_TRUE(starts(342, "Sig3 - Renninger pattern of the 'almost forbidden'"));
  for (const int record : {36, 53, 235, 236, 237}) {
    EXPECT_NE(lines[record - 1].find_first_not_of(' '), std::string::npos) << record;
  }
}

TEST(InputDescription, InHelpWritesTheTextAndReplacesAnOldFile) {
  const auto file = std::filesystem::temp_directory_path() / "kavro_test_input_help";
  { std::ofstream(file) << std::string(100000, 'x'); }
  ASSERT_TRUE(kavro::shell::in_help(file));
  std::ifstream in(file);
  std::stringstream written;
  written << in.rdbuf();
  EXPECT_EQ(written.str(), input_description());
  std::filesystem::remove(file);
}

TEST(InputDescription, InHelpReportsAFileThatCannotBeWritten) {
  EXPECT_FALSE(kavro::shell::in_help("/nonexistent-folder/input_help"));
}

}  // namespace
