#include "engine/fast_path.hpp"

#include <cstdint>

namespace kavro {

bool takes_fast_path(const Crystal& crystal, const CalculationOptions& options) {
  return !options.exact && std::int64_t{crystal.na} * crystal.ns >= options.fast_path_terms;
}

}  // namespace kavro
