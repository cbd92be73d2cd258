// Files a run opens itself.
#include "run/run_files.hpp"

#include <system_error>

#include "format/input_reader.hpp"

namespace kavro {

namespace fs = std::filesystem;

fs::path RunFiles::resolve(std::string_view name) const {
  const fs::path path{std::string(ff::trim(name))};
  if (path.is_absolute() || base_dir.empty()) return path;
  return base_dir / path;
}

PathKind path_kind(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return PathKind::absent;
  if (error) return PathKind::other;
  return fs::is_regular_file(status) ? PathKind::regular : PathKind::other;
}

bool same_file(const fs::path& a, const fs::path& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error) && !error;
  const fs::path ca = fs::weakly_canonical(a, error);
  if (error) return false;
  const fs::path cb = fs::weakly_canonical(b, error);
  return !error && ca == cb;
}

}  // namespace kavro
