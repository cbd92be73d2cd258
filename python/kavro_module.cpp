// The Python module `kavro`: the calculation of an input file from scripts
// and notebooks, with the event table and the scan as numpy arrays.
#include <pybind11/pybind11.h>
#include <pybind11/stl/filesystem.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "event_arrays.hpp"
#include "input_run.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace kavro::python {
namespace {

struct Result {
  py::str listing;
  py::dict events;
  Scan scan;
  bool store_overflowed = false;
  py::list passes;
};

// The listing echoes the input's lines, which may be in any encoding: UTF-8 where the text is UTF-8,
// else Latin-1, which keeps every byte.
py::str listing_text(const std::string& text) {
  PyObject* decoded = PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()), nullptr);
  if (decoded == nullptr) {
    PyErr_Clear();
    decoded = PyUnicode_DecodeLatin1(text.data(), static_cast<py::ssize_t>(text.size()), nullptr);
  }
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(decoded);
}

py::list pass_summaries(const InputRun& run) {
  py::list passes;
  for (const PassTable& p : run.passes)
    passes.append(py::dict("pass"_a = p.pass, "wavelength"_a = p.line.lambda, "events_full_turn"_a = p.events_full_turn,
                           "near_window"_a = p.near_window, "stored"_a = p.stored,
                           "store_overflowed"_a = p.store_overflowed,
                           "operative_reflections"_a = p.operative_reflections, "scan_crossings"_a = p.scan_crossings,
                           "table_rows"_a = p.events.size()));
  return passes;
}

[[noreturn]] void raise_run_error(const py::handle& type, const InputRun& run) {
  const py::str message = listing_text(run.failure);
  py::object error = type(message);
  error.attr("message") = message;
  error.attr("listing") = listing_text(run.listing);
  error.attr("status") = run.status;
  PyErr_SetObject(type.ptr(), error.ptr());
  throw py::error_already_set();
}

[[noreturn]] void raise_input_error(const InputFileError& e, const std::filesystem::path& input) {
  PyErr_SetObject(
      e.missing ? PyExc_FileNotFoundError : PyExc_OSError,
      py::make_tuple(e.missing ? ENOENT : EINVAL, listing_text(e.what()), listing_text(input.string())).ptr());
  throw py::error_already_set();
}

Result run(const py::handle& run_error, const std::filesystem::path& input) {
  InputRun done;
  try {
    py::gil_scoped_release unlocked;
    done = run_input_file(input);
  } catch (const InputFileError& e) {
    raise_input_error(e, input);
  }
  if (!done.completed) raise_run_error(run_error, done);
  return {listing_text(done.listing), event_arrays(done), scan_arrays(done), done.store_overflowed,
          pass_summaries(done)};
}

}  // namespace
}  // namespace kavro::python

PYBIND11_MODULE(kavro, m) {
  using namespace kavro::python;
  m.doc() = "kavro-99: multiple-diffraction psi-scans (Renninger scans) of a single crystal";

  const py::handle run_error = PyErr_NewExceptionWithDoc(
      "kavro.RunError",
      "A run that stopped early. `message` is the listing's last message, `listing` the whole listing, "
      "`status` the status of the last read or open.",
      PyExc_RuntimeError, nullptr);
  m.attr("RunError") = run_error;

  py::class_<Scan>(m, "Scan", "The simulated and the measured scan on the psi grid.")
      .def_readonly("psi", &Scan::psi, "psi of each step (deg), float32")
      .def_readonly("calc", &Scan::calc, "simulated intensity (cps), float32")
      .def_readonly("obs", &Scan::obs, "measured intensity (cps), float32, NaN where nothing was measured");

  py::class_<Result>(m, "Result", "A completed run of an input file.")
      .def_readonly("listing", &Result::listing, "the print listing, as kavro99 run writes it")
      .def_readonly("events", &Result::events,
                    "the event table: one numpy array per column, named as in the CSV and JSON files")
      .def_readonly("scan", &Result::scan)
      .def_readonly("passes", &Result::passes, "per pass the counts of the JSON event table's summary")
      .def_readonly("store_overflowed", &Result::store_overflowed,
                    "a pass had more events than the listing holds; the event table has all of them");

  m.def(
      "run", [run_error](const std::filesystem::path& input) { return run(run_error, input); }, "input"_a,
      "Runs an input file as `kavro99 run` does. The listing is kept in memory (Result.listing); the .cal file "
      "and the PostScript page are written where the command line writes them. Raises kavro.RunError when the "
      "run stops early, FileNotFoundError or OSError when the input cannot be read.");
  m.def("event_columns", &event_column_descriptions, "The event table's columns: a list of (name, unit, meaning).");
  m.attr("__version__") = "1.2";
}
