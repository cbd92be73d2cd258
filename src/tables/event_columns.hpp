// The columns of the event table: name, unit, meaning and value of each, one
// definition for every file format and front end.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "crystal/psi_grid.hpp"
#include "tables/pass_table.hpp"

namespace kavro {

// One row: a crossing of a pass.
struct EventRow {
  const PassTable& pass;
  const TableEvent& event;
  const PsiGrid& grid;
};

using ColumnValue = std::variant<std::int64_t, float, double, bool, std::string_view>;

struct EventColumn {
  std::string_view name;
  std::string_view unit;  // empty for numbers without unit, flags and names
  std::string_view meaning;
  ColumnValue (*value)(const EventRow&);
};

// In the order of the files.
std::span<const EventColumn> event_columns();
// The same followed by h2_file .. l3_file, for tables whose passes carry
// file_indices.
std::span<const EventColumn> event_columns(bool file_indices);
bool has_file_indices(const std::vector<PassTable>& passes);

}  // namespace kavro
