#include "event_arrays.hpp"

#include <cmath>
#include <limits>
#include <string>

#include "crystal/units.hpp"
#include "tables/event_columns.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace kavro::python {
namespace {

std::vector<EventRow> event_rows(const InputRun& run) {
  std::vector<EventRow> rows;
  for (const PassTable& pass : run.passes)
    for (const TableEvent& event : pass.events) rows.push_back({pass, event, run.grid});
  return rows;
}

template <class T>
py::array number_column(const EventColumn& column, const std::vector<EventRow>& rows) {
  py::array_t<T> values(static_cast<py::ssize_t>(rows.size()));
  T* out = values.mutable_data();
  for (const EventRow& row : rows) *out++ = std::get<T>(column.value(row));
  return values;
}

py::array text_column(const EventColumn& column, const std::vector<EventRow>& rows) {
  py::list values;
  for (const EventRow& row : rows) values.append(py::str(std::string(std::get<std::string_view>(column.value(row)))));
  return py::module_::import("numpy").attr("array")(values, "dtype"_a = "U");
}

// The type of a column is the type of its value; an empty table still has typed columns.
std::size_t value_kind(const EventColumn& column) {
  static const PassTable pass;
  static const TableEvent event;
  static const PsiGrid grid;
  return column.value({pass, event, grid}).index();
}

py::array column_array(const EventColumn& column, const std::vector<EventRow>& rows) {
  switch (value_kind(column)) {
    case 0:
      return number_column<std::int64_t>(column, rows);
    case 1:
      return number_column<float>(column, rows);
    case 2:
      return number_column<double>(column, rows);
    case 3:
      return number_column<bool>(column, rows);
    default:
      return text_column(column, rows);
  }
}

py::array float_array(const std::vector<float>& values, std::size_t n) {
  py::array_t<float> array(static_cast<py::ssize_t>(n));
  float* out = array.mutable_data();
  for (std::size_t i = 0; i < n; ++i) out[i] = i < values.size() ? values[i] : 0.f;
  return array;
}

}  // namespace

py::dict event_arrays(const InputRun& run) {
  const std::vector<EventRow> rows = event_rows(run);
  py::dict columns;
  for (const EventColumn& column : event_columns(has_file_indices(run.passes)))
    columns[py::str(column.name)] = column_array(column, rows);
  return columns;
}

py::list event_column_descriptions() {
  py::list descriptions;
  for (const EventColumn& column : event_columns())
    descriptions.append(py::make_tuple(py::str(column.name), py::str(column.unit), py::str(column.meaning)));
  return descriptions;
}

Scan scan_arrays(const InputRun& run) {
  const std::size_t n = run.calculated.scan_calc.size();
  std::vector<float> psi(n), obs(n, std::numeric_limits<float>::quiet_NaN());
  const float step = n > 0 ? 1.0f / run.grid.steps_per_degree : 0.f;
  for (std::size_t i = 0; i < n; ++i) {
    psi[i] = run.grid.psia + static_cast<float>(i) * step;
    if (i < run.measured.scan_obs.size() && run.measured.scan_obs[i] < kGapMarker) obs[i] = run.measured.scan_obs[i];
  }
  return {float_array(psi, n), float_array(run.calculated.scan_calc, n), float_array(obs, n)};
}

}  // namespace kavro::python
