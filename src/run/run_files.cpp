// Files a run opens itself.
#include "run/run_files.hpp"

#include "format/input_reader.hpp"

namespace kavro {

std::filesystem::path RunFiles::resolve(std::string_view name) const {
  const std::filesystem::path path{std::string(ff::trim(name))};
  if (path.is_absolute() || base_dir.empty()) return path;
  return base_dir / path;
}

}  // namespace kavro
