#include "tables/csv_tables.hpp"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "crystal/units.hpp"
#include "engine/parallel.hpp"
#include "tables/event_columns.hpp"
#include "tables/table_number.hpp"

namespace kavro {
namespace {

std::string cell_text(const ColumnValue& value) {
  struct Text {
    std::string operator()(std::int64_t v) const { return std::to_string(v); }
    std::string operator()(float v) const { return shortest_text(v); }
    std::string operator()(double v) const { return shortest_text(v); }
    std::string operator()(bool v) const { return v ? "1" : "0"; }
    std::string operator()(std::string_view v) const { return std::string(v); }
  };
  return std::visit(Text{}, value);
}

constexpr std::size_t kRowsPerBlock = 16384;

void append_row(std::string& text, const EventRow& row, std::span<const EventColumn> columns) {
  for (const EventColumn& c : columns) {
    text += cell_text(c.value(row));
    text += ',';
  }
  text.back() = '\n';
}

void write_column_comments(std::ostream& out, std::span<const EventColumn> columns) {
  out << "# kavro-99 event table: every crossing that the listing's store takes or that enters the scan\n";
  for (const EventColumn& c : columns) {
    out << "# " << c.name;
    if (!c.unit.empty()) out << " [" << c.unit << "]";
    if (!c.meaning.empty()) out << ": " << c.meaning;
    out << "\n";
  }
}

}  // namespace

void write_events_csv(std::ostream& out, const std::vector<PassTable>& passes, const PsiGrid& grid, int workers) {
  const std::span<const EventColumn> columns = event_columns(has_file_indices(passes));
  write_column_comments(out, columns);
  std::string_view separator;
  for (const EventColumn& c : columns) {
    out << separator << c.name;
    separator = ",";
  }
  out << "\n";
  // A full turn of a large cell has a million rows of some thirty cells: the
  // workers put the parts of a block of rows together, which are then written
  // in their order.
  for (const PassTable& pass : passes)
    for (std::size_t block = 0; block < pass.events.size(); block += kRowsPerBlock) {
      const std::size_t rows = std::min(kRowsPerBlock, pass.events.size() - block);
      std::vector<std::string> parts(static_cast<std::size_t>(std::max(1, workers)));
      for_each_chunk(rows, parts.size(), workers, [&](std::size_t begin, std::size_t end, std::size_t part) {
        for (std::size_t i = block + begin; i < block + end; ++i)
          append_row(parts[part], EventRow{pass, pass.events[i], grid}, columns);
      });
      for (const std::string& part : parts) out.write(part.data(), static_cast<std::streamsize>(part.size()));
    }
}

void write_scan_csv(std::ostream& out, const PsiGrid& grid, const CalculatedScan& calculated,
                    const MeasuredScan& measured) {
  out << "# kavro-99 scan table\n"
         "# psi [deg]: psia + i / steps per degree, as in the .cal file\n"
         "# calculated [cps]: simulated intensity\n"
         "# measured [cps]: measured intensity on the grid, empty where none\n"
         "# difference [cps]: calculated minus measured, empty where nothing was measured\n"
         "psi,calculated,measured,difference\n";
  const float step = 1.0f / grid.steps_per_degree;
  for (int i = 0; i <= grid.step_count; ++i) {
    const auto n = static_cast<std::size_t>(i);
    const float psi = grid.psia + static_cast<float>(i) * step;
    const float calc = calculated.scan_calc[n];
    out << shortest_text(psi) << "," << shortest_text(calc) << ",";
    if (n < measured.scan_obs.size() && measured.scan_obs[n] < kGapMarker)
      out << shortest_text(measured.scan_obs[n]) << "," << shortest_text(calc - measured.scan_obs[n]);
    else
      out << ",";
    out << "\n";
  }
}

}  // namespace kavro
