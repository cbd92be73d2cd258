// The module's exceptions: every error of the program derives from
// kavro.Error; the text of the program's messages reaches Python unchanged.
#pragma once

#include <pybind11/pybind11.h>

#include <exception>
#include <filesystem>
#include <string>

#include "input_run.hpp"

namespace kavro::python {

struct ModuleErrors {
  pybind11::handle base;  // kavro.Error
  pybind11::handle run;   // kavro.RunError
  pybind11::handle cif;   // kavro.CifError
  pybind11::handle map;   // kavro.MapError
  pybind11::handle fit;   // kavro.FitError
};

// Makes the exception types and adds them to the module.
ModuleErrors add_module_errors(pybind11::module_& m);

// Text of the program as a str: UTF-8 where it is UTF-8, else Latin-1, which keeps every byte (a
// crystal file's title is its own bytes, in any encoding).
pybind11::str listing_text(const std::string& text);

[[noreturn]] void raise_with_message(const pybind11::handle& type, const std::exception& e);
[[noreturn]] void raise_input_error(const InputFileError& e, const std::filesystem::path& input);

// An error with its `message` and the `listing` of the calculation up to the stop.
[[noreturn]] void raise_stop(const pybind11::handle& type, const std::string& message, const std::string& listing);

}  // namespace kavro::python
