// The event table's text is that of one row after the other, whatever the
// number of workers that put the rows together.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tables/csv_tables.hpp"

namespace kavro {
namespace {

std::string events_csv(const std::vector<PassTable>& passes, int workers) {
  std::ostringstream out;
  write_events_csv(out, passes, PsiGrid{}, workers);
  return out.str();
}

TEST(EventsCsv, RowsOfSeveralBlocksAndPassesAreInOrderForAnyNumberOfWorkers) {
  std::vector<PassTable> passes(2);
  for (int p = 0; p < 2; ++p) {
    passes[p].pass = p + 1;
    for (int i = 0; i < 20000 * (p + 1) + 7; ++i) {  // more than one block of rows
      TableEvent e;
      e.record.psi = -180 + 0.001 * i;
      e.record.h2 = {i % 17, -(i % 5), i % 3};
      e.stored = i % 2 == 0;
      passes[p].events.push_back(e);
    }
  }
  const std::string one = events_csv(passes, 1);
  // Compared as a whole: gtest's difference of two 5 MB texts would take hours.
  EXPECT_TRUE(events_csv(passes, 2) == one) << "2 workers";
  EXPECT_TRUE(events_csv(passes, 3) == one) << "3 workers";
  std::istringstream lines(one);
  std::size_t rows = 0;
  for (std::string line; std::getline(lines, line);) rows += line.starts_with("#") ? 0 : 1;
  EXPECT_EQ(rows, 1 + 20007u + 40007u);  // the header and every crossing
}

}  // namespace
}  // namespace kavro
