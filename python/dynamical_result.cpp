#include "dynamical_result.hpp"

#include <pybind11/numpy.h>

#include <sstream>

#include "crystal/units.hpp"
#include "dynamical_run_files.hpp"
#include "input_run.hpp"
#include "rocking_module.hpp"
#include "run/input_preparation.hpp"

namespace py = pybind11;

namespace kavro::python {
namespace {

std::shared_ptr<const DynamicalRun> perfect_crystal_run(Calculation calculation, const std::string& title,
                                                        const DynamicalChoice& choice) {
  auto run = std::make_shared<DynamicalRun>();
  run->calculation = std::move(calculation);
  if (!(run->calculation.grid.zsw1 > 0)) throw Error("the input asks for no scan (steps per degree not above 0)");
  run->title = title;
  run->crystal_form = app::crystal_form(choice.options);
  run->crystal = std::make_unique<dynamical::PerfectCrystal>(run->calculation, choice.options);
  run->scan = dynamical::dynamical_scan(*run->crystal, run->calculation.grid, choice.quantity);
  return run;
}

template <typename T, typename Value>
py::array_t<T> column(std::size_t n, Value value) {
  py::array_t<T> values(static_cast<py::ssize_t>(n));
  for (std::size_t i = 0; i < n; ++i) values.mutable_at(static_cast<py::ssize_t>(i)) = value(i);
  return values;
}

app::DynamicalRunResult run_result(const DynamicalRun& run) {
  return {run.calculation, run.title, run.crystal_form, *run.crystal, run.scan};
}

}  // namespace

std::optional<DynamicalChoice> dynamical_choice(const py::object& dynamical, std::optional<double> thickness,
                                                std::optional<Hkl> surface) {
  std::optional<DynamicalChoice> choice;
  if (py::isinstance<py::bool_>(dynamical)) {
    if (dynamical.cast<bool>()) choice = DynamicalChoice{};
  } else if (py::isinstance<py::str>(dynamical)) {
    const std::string name = dynamical.cast<std::string>();
    if (name != "peak" && name != "integrated")
      throw py::value_error("dynamical is True, 'peak' or 'integrated', not '" + name + "'");
    choice = DynamicalChoice{name == "peak" ? dynamical::ScanQuantity::peak : dynamical::ScanQuantity::integrated, {}};
  } else if (!dynamical.is_none()) {
    throw py::value_error("dynamical is True, 'peak' or 'integrated', not " + py::repr(dynamical).cast<std::string>());
  }
  if (!choice) {
    if (thickness || surface) throw py::value_error("thickness and surface go with dynamical=True, 'peak' or 'integrated'");
    return choice;
  }
  choice->options = crystal_options(thickness, surface);
  return choice;
}

std::shared_ptr<const DynamicalRun> dynamical_run(const std::string& input_text, const DynamicalChoice& choice,
                                                  std::ostream& listing) {
  std::istringstream in(input_text);
  return perfect_crystal_run(read_calculation(in, listing, nullptr), input_title(input_text), choice);
}

std::shared_ptr<const DynamicalRun> dynamical_run(const CrystalInput& input, const DynamicalChoice& choice,
                                                  std::ostream& listing) {
  return perfect_crystal_run(prepare(input.experiment, listing), input_title(input.text), choice);
}

const char* quantity_name(dynamical::ScanQuantity quantity) {
  return quantity == dynamical::ScanQuantity::integrated ? "integrated" : "peak";
}

py::dict dynamical_columns(const DynamicalRun& run) {
  const dynamical::DynamicalScan& s = run.scan;
  const std::size_t n = s.psi.size();
  const auto values = [n](const std::vector<double>& v) { return column<double>(n, [&](std::size_t i) { return v[i]; }); };
  py::dict columns;
  columns["psi"] = values(s.psi);
  columns["calculated"] = column<double>(n, [&](std::size_t i) { return app::scan_value(s, i); });
  if (s.quantity == dynamical::ScanQuantity::integrated) {
    columns["R_sigma_int"] = values(s.integrated_sigma);
    columns["R_pi_int"] = values(s.integrated_pi);
  } else {
    columns["R_sigma"] = values(s.r_sigma);
    columns["R_pi"] = values(s.r_pi);
    columns["dtheta_arcsec"] = column<double>(n, [&](std::size_t i) { return s.dtheta[i] / kArcsec; });
  }
  columns["beams"] = column<std::int32_t>(n, [&](std::size_t i) { return s.beams[i]; });
  return columns;
}

py::array dynamical_calc(const DynamicalRun& run) {
  return column<float>(run.scan.psi.size(),
                       [&](std::size_t i) { return static_cast<float>(app::scan_value(run.scan, i)); });
}

std::string dynamical_page(const DynamicalRun& run, const std::string& name) {
  return app::dynamical_html_page(run_result(run), name);
}

}  // namespace kavro::python
