// The one error of the CIF converter: a message that names what in the file is
// missing or cannot be used.
#pragma once

#include <string>

#include "kavro/error.hpp"

namespace kavro::cif {

class CifError : public Error {
 public:
  explicit CifError(const std::string& message) : Error(message) {}
};

}  // namespace kavro::cif
