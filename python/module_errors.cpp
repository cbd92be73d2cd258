#include "module_errors.hpp"

#include <cerrno>

namespace py = pybind11;

namespace kavro::python {
namespace {

// An exception type of the module, a kavro.Error and a `builtin` too.
py::handle error_type(py::module_& m, const char* name, const char* doc, const py::handle& base,
                      PyObject* builtin) {
  const std::string qualified = std::string("kavro.") + name;
  const py::tuple bases = py::make_tuple(base, py::handle(builtin));
  const py::handle type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, bases.ptr(), nullptr);
  if (!type) throw py::error_already_set();
  m.attr(name) = type;
  return type;
}

}  // namespace

ModuleErrors add_module_errors(py::module_& m) {
  ModuleErrors e;
  e.base = PyErr_NewExceptionWithDoc("kavro.Error", "Every error of a calculation that the program refuses or stops.",
                                     PyExc_Exception, nullptr);
  if (!e.base) throw py::error_already_set();
  m.attr("Error") = e.base;
  e.run = error_type(m, "RunError",
                     "A run that stopped early. `message` is why it stopped, `listing` the whole "
                     "listing, `status` the status of the last read or open.",
                     e.base, PyExc_RuntimeError);
  e.cif = error_type(m, "CifError",
                     "A crystal file that describes no crystal the program can calculate, with the reader's message.",
                     e.base, PyExc_ValueError);
  e.map = error_type(m, "MapError",
                     "A map that could not be made: `message` is the program's message, `listing` the reading's "
                     "listing with it.",
                     e.base, PyExc_RuntimeError);
  e.fit = error_type(m, "FitError",
                     "A fit that could not be made or did not converge, with the fit's `message` and the "
                     "`listing` of the fit up to there.",
                     e.base, PyExc_RuntimeError);
  return e;
}

py::str listing_text(const std::string& text) {
  PyObject* decoded = PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()), nullptr);
  if (decoded == nullptr) {
    PyErr_Clear();
    decoded = PyUnicode_DecodeLatin1(text.data(), static_cast<py::ssize_t>(text.size()), nullptr);
  }
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(decoded);
}

void raise_with_message(const py::handle& type, const std::exception& e) {
  PyErr_SetObject(type.ptr(), listing_text(e.what()).ptr());
  throw py::error_already_set();
}

void raise_input_error(const InputFileError& e, const std::filesystem::path& input) {
  PyErr_SetObject(
      e.missing ? PyExc_FileNotFoundError : PyExc_OSError,
      py::make_tuple(e.missing ? ENOENT : EINVAL, listing_text(e.what()), listing_text(input.string())).ptr());
  throw py::error_already_set();
}

void raise_stop(const py::handle& type, const std::string& message_text, const std::string& listing) {
  const py::str message = listing_text(message_text);
  py::object error = type(message);
  error.attr("message") = message;
  error.attr("listing") = listing_text(listing);
  PyErr_SetObject(type.ptr(), error.ptr());
  throw py::error_already_set();
}

}  // namespace kavro::python
