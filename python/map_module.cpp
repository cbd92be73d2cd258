// kavro.psi_energy_map and its result: the map of `kavro99 map` as numpy arrays.
#include "map_module.hpp"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cmath>
#include <memory>
#include <sstream>

#include "cif/cif_error.hpp"
#include "cif/radiation_choice.hpp"
#include "crystal_input.hpp"
#include "crystal/run_stop.hpp"
#include "distributed_map.hpp"
#include "engine/calculation.hpp"
#include "input_run.hpp"
#include "map/map_csv.hpp"
#include "map/map_html.hpp"
#include "map_result.hpp"
#include "module_errors.hpp"
#include "notebook_page.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace kavro::python {
namespace {

// h_file, k_file, l_file: h2 of the rows on the crystal file's cell, when the input is on other axes.
void add_file_indices(py::dict& rows, const MapResult& r) {
  if (!r.file_indices) return;
  const auto h = rows["h"].cast<py::array_t<std::int64_t>>(), k = rows["k"].cast<py::array_t<std::int64_t>>(),
             l = rows["l"].cast<py::array_t<std::int64_t>>();
  const char* const names[] = {"h_file", "k_file", "l_file"};
  for (int i = 0; i < 3; ++i) {
    const std::array<double, 3>& row = (*r.file_indices)[static_cast<std::size_t>(i)];
    py::array_t<std::int64_t> file(h.size());
    for (py::ssize_t j = 0; j < h.size(); ++j)
      file.mutable_at(j) = std::lround(row[0] * static_cast<double>(h.at(j)) + row[1] * static_cast<double>(k.at(j)) +
                                       row[2] * static_cast<double>(l.at(j)));
    rows[names[i]] = file;
  }
}

// The rows of the curve-sample file of `kavro99 map --csv`: one per point and crossing.
py::dict curve_arrays(const MapResult& r) {
  std::size_t rows = 0;
  for (const map::MapCurve& c : r.map.curves) rows += 2 * c.points.size();
  const auto n = static_cast<py::ssize_t>(rows);
  py::array_t<std::int64_t> h(n), k(n), l(n), line(n), crossing(n);
  py::array_t<double> energy(n), psi(n), strength(n);
  py::ssize_t i = 0;
  for (const map::MapCurve& c : r.map.curves)
    for (const int side : {1, 2})
      for (const map::MapPoint& p : c.points) {
        h.mutable_at(i) = c.h2[0];
        k.mutable_at(i) = c.h2[1];
        l.mutable_at(i) = c.h2[2];
        line.mutable_at(i) = c.line + 1;
        crossing.mutable_at(i) = side;
        energy.mutable_at(i) = p.at.energy;
        psi.mutable_at(i) = map::psi_in_turn(side == 1 ? p.at.psi_a : p.at.psi_b, r.domain.from);
        strength.mutable_at(i) = p.strength;
        ++i;
      }
  py::dict samples("h"_a = h, "k"_a = k, "l"_a = l, "line"_a = line, "crossing"_a = crossing,
                   "energy_keV"_a = energy, "psi_deg"_a = psi, "strength"_a = strength);
  add_file_indices(samples, r);
  return samples;
}

// One row per curve: its reflection, line, largest strength and largest FWHM over the range.
py::dict event_summary(const MapResult& r) {
  const auto n = static_cast<py::ssize_t>(r.map.curves.size());
  py::array_t<std::int64_t> h(n), k(n), l(n), line(n);
  py::array_t<double> peak(n), fwhm(n);
  for (py::ssize_t i = 0; i < n; ++i) {
    const map::MapCurve& c = r.map.curves[static_cast<std::size_t>(i)];
    h.mutable_at(i) = c.h2[0];
    k.mutable_at(i) = c.h2[1];
    l.mutable_at(i) = c.h2[2];
    line.mutable_at(i) = c.line + 1;
    peak.mutable_at(i) = c.peak;
    fwhm.mutable_at(i) = c.fwhm;
  }
  py::dict rows("h"_a = h, "k"_a = k, "l"_a = l, "line"_a = line, "peak"_a = peak, "fwhm_deg"_a = fwhm);
  add_file_indices(rows, r);
  return rows;
}

py::object bounding_event(const std::optional<Hkl>& h2) {
  if (!h2) return py::none();
  return py::make_tuple((*h2)[0], (*h2)[1], (*h2)[2]);
}

py::dict window_arrays(const MapResult& r) {
  const auto n = static_cast<py::ssize_t>(r.windows.size());
  py::array_t<double> from(n), to(n), width(n);
  py::list left, right;
  for (py::ssize_t i = 0; i < n; ++i) {
    const map::SafeWindow& w = r.windows[static_cast<std::size_t>(i)];
    from.mutable_at(i) = w.from;
    to.mutable_at(i) = w.to;
    width.mutable_at(i) = w.width();
    left.append(bounding_event(w.left));
    right.append(bounding_event(w.right));
  }
  return py::dict("from_deg"_a = from, "to_deg"_a = to, "width_deg"_a = width, "left"_a = left, "right"_a = right);
}

std::string map_page(const MapResult& r) {
  std::ostringstream page;
  map::write_map_html(page, {r.title, r.calculation, r.map, r.domain, r.windows, r.min_width});
  return std::move(page).str();
}

py::array double_array(const std::vector<double>& values) {
  return py::array_t<double>(static_cast<py::ssize_t>(values.size()), values.data());
}

// Line 1 of an input's text, the title of the run (80 characters).
std::string input_title(const std::string& text) {
  std::string title = text.substr(0, text.find('\n'));
  if (!title.empty() && title.back() == '\r') title.pop_back();
  return title.substr(0, 80);
}

// The map here, or with a Dask client (not None) on its workers.
MapMaker map_maker(const py::object& client, const std::string& text) {
  if (client.is_none()) return map::psi_energy_map;
  return [&client, &text](const Calculation& c, const map::MapRequest& request, std::ostream& messages) {
    return spread_map(client, text, c, request, messages);
  };
}

// The map of an input's text, or of a structure's experiment with the text
// it was written as (which Dask's workers read).
std::shared_ptr<MapResult> map_of_text(const ModuleErrors& errors, const std::string& text, const std::string& preface,
                                       const MapOptions& options, const py::object& client,
                                       const Experiment* experiment = nullptr) {
  std::ostringstream messages;
  messages << preface;
  const MapMaker maker = map_maker(client, text);
  try {
    py::gil_scoped_release unlocked;
    Calculation c = experiment != nullptr ? prepare(*experiment, messages) : map_calculation(text, messages);
    return std::make_shared<MapResult>(make_map(std::move(c), input_title(text), options, messages, maker));
  } catch (const MapValueError& e) {
    throw py::value_error(e.what());
  } catch (const RunStop& stop) {
    raise_stop(errors.map, stop.what(), messages.str());
  }
}

std::shared_ptr<MapResult> psi_energy_map(const ModuleErrors& errors, const py::object& source,
                                          const std::optional<cif::RadiationChoice>& radiation,
                                          const std::optional<std::array<int, 3>>& hkl, const MapOptions& options,
                                          const std::optional<std::array<double, 3>>& azimuth_ref,
                                          const std::optional<cif::SampleChoice>& sample, const py::object& client) {
  if (!py::isinstance<CrystalFile>(source)) {
    if (radiation || hkl || azimuth_ref || sample)
      throw py::value_error("an input file gives its own radiation, reflection and sample: pass only the file");
    const auto input = source.cast<std::filesystem::path>();
    try {
      return map_of_text(errors, input_file_text(input), {}, options, client);
    } catch (const InputFileError& e) {
      raise_input_error(e, input);
    }
  }
  if (!radiation || !hkl) throw py::value_error("a structure's map needs the radiation and the primary reflection hkl");
  const CrystalFile& crystal = source.cast<const CrystalFile&>();
  const cif::ConversionSettings settings =
      conversion_settings(*radiation, *hkl, {-180, 180}, 20, options.threshold.value_or(1.0), azimuth_ref,
                          sample.value_or(cif::SampleChoice{}));
  CrystalInput input;
  try {
    input = crystal_input(crystal, settings, false);
  } catch (const cif::CifError& e) {
    raise_with_message(errors.cif, e);
  }
  std::shared_ptr<MapResult> map = map_of_text(errors, input.text, input.preface, options, client, &input.experiment);
  map->file_indices = input.file_indices;
  return map;
}

}  // namespace

void bind_map(py::module_& m, const ModuleErrors& errors) {
  py::class_<MapResult, std::shared_ptr<MapResult>>(
      m, "PsiEnergyMap",
      "The psi-energy map of kavro.psi_energy_map, as `kavro99 map` makes it. psi lies in the turn that starts "
      "at `psi[0]`.")
      .def_property_readonly(
          "curves", &curve_arrays,
          "the curve samples, one row per point and crossing as `kavro99 map --csv` writes them: h, k, l "
          "(int64, the secondary reflection h2 on the input's cell; with h_file, k_file, l_file on the crystal "
          "file's cell when the structure's input is on other axes), line (1, or 2 for a tube's second line), crossing (1 the event "
          "table's in-out, 2 its out-in), energy_keV, psi_deg and strength (|I / FWHM| s^2, cps; float64)")
      .def_property_readonly("events", &event_summary,
                             "one row per curve: h, k, l (and h_file, k_file, l_file as in curves), line, peak (the largest strength) and fwhm_deg (the "
                             "largest FWHM) over the range")
      .def_property_readonly(
          "windows", &window_arrays,
          "the safe windows at least min_width wide, widest first: from_deg, to_deg, width_deg (float64) and "
          "left, right (the bounding events' h2, or None)")
      .def_property_readonly(
          "energies", [](const MapResult& r) { return double_array(r.map.level_energies); },
          "the energies (keV) of the intensity levels")
      .def_property_readonly(
          "energy_range", [](const MapResult& r) { return std::make_pair(r.map.e_lo, r.map.e_hi); },
          "(lowest, highest) photon energy of the first wavelength line (keV)")
      .def_property_readonly(
          "psi", [](const MapResult& r) { return std::make_pair(r.domain.from, r.domain.to); },
          "the psi domain of the windows (degrees)")
      .def_readonly("min_width", &MapResult::min_width, "the least width of a listed window (degrees)")
      .def_property_readonly(
          "threshold", [](const MapResult& r) { return static_cast<double>(r.map.threshold); },
          "the least strength of a drawn event (cps)")
      .def_readonly("title", &MapResult::title, "line 1 of the input")
      .def_property_readonly("window_table", &window_table, "the table of windows `kavro99 map` prints")
      .def(
          "html", [](const MapResult& r) { return listing_text(map_page(r)); },
          "the map's interactive page, as `kavro99 map --html` writes it (one self-contained HTML document)")
      .def(
          "_repr_html_", [](const MapResult& r) { return listing_text(notebook_frame(map_page(r))); },
          "the map's page inline in Jupyter, in a frame of its own");

  m.def(
      "psi_energy_map",
      [errors](const py::object& source, const std::optional<cif::RadiationChoice>& radiation,
               const std::optional<std::array<int, 3>>& hkl, std::optional<std::pair<double, double>> energy,
               std::optional<std::pair<double, double>> wavelength, std::optional<std::pair<double, double>> psi,
               std::optional<double> threshold, std::optional<double> min_width, std::optional<int> levels,
               const std::optional<std::array<double, 3>>& azimuth_ref, const std::optional<cif::SampleChoice>& sample,
               const py::object& client) {
        const MapOptions options{energy, wavelength, psi, threshold, min_width, levels};
        return psi_energy_map(errors, source, radiation, hkl, options, azimuth_ref, sample, client);
      },
      "source"_a, "radiation"_a = py::none(), "hkl"_a = py::none(), py::kw_only(), "energy"_a = py::none(),
      "wavelength"_a = py::none(), "psi"_a = py::none(), "threshold"_a = py::none(), "min_width"_a = py::none(),
      "levels"_a = py::none(), "azimuth_ref"_a = py::none(), "sample"_a = py::none(), "client"_a = py::none(),
      "The psi-energy map as `kavro99 map INPUT --energy E1:E2 ...` makes it, of an input file (`source` a "
      "path) or of a kavro.Structure with its `radiation` (whose kind and sample the map takes) and primary "
      "reflection `hkl`, converted as kavro.find_events converts it (with `azimuth_ref` and `sample`). "
      "`energy` (E1, E2) in keV or `wavelength` (L1, L2) in Angstrom, `psi` (A, B) the domain of the windows "
      "(None: a full turn), `threshold` the least strength of a drawn event (cps; None: the input's drumin), "
      "`min_width` the least width of a listed window (None: five times the largest FWHM), `levels` the "
      "energies at which intensities are computed (None: one per 0.25 keV, at least 11). With a Dask distributed "
      "`client`, the candidate orbits are shared out over its workers, one share per worker thread, and the map "
      "is that of the call without it. Returns a "
      "kavro.PsiEnergyMap. Raises ValueError for a value the command refuses (named in the message), "
      "kavro.MapError when the map cannot be made.");
}

}  // namespace kavro::python
