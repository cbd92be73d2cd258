// The one error of the CIF converter: a message that names what in the file is
// missing or cannot be used.
#pragma once

#include <stdexcept>
#include <string>

namespace kavro::cif {

class CifError : public std::runtime_error {
 public:
  explicit CifError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kavro::cif
