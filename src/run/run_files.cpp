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

fs::path resolved_path(const fs::path& path) {
  std::error_code error;
  fs::path place = fs::absolute(path, error);
  if (error) return path;
  // 40 links at most, as the system follows them.
  for (int link = 0; link < 40 && fs::is_symlink(place, error); ++link) {
    const fs::path target = fs::read_symlink(place, error);
    if (error) break;
    place = target.is_absolute() ? target : place.parent_path() / target;
  }
  const fs::path canonical = fs::weakly_canonical(place, error);
  return error ? place.lexically_normal() : canonical;
}

bool same_file(const fs::path& a, const fs::path& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error) && !error;
  return resolved_path(a) == resolved_path(b);
}

std::string command_file_clash(const std::vector<CommandFile>& files) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    const CommandFile& out = files[i];
    if (!out.written || out.path.empty()) continue;
    if (path_kind(out.path) == PathKind::other)
      return "the " + out.what + " " + out.path.string() + " cannot be written: it is a folder, a device or a pipe";
    for (std::size_t j = 0; j < files.size(); ++j) {
      const CommandFile& other = files[j];
      if (j == i || other.path.empty() || (other.written && j < i) || !same_file(out.path, other.path)) continue;
      return "the " + out.what + " " + out.path.string() + (other.written ? " and the " : " would overwrite the ") +
             other.what + " " + other.path.string() + (other.written ? " are the same file" : "");
    }
  }
  return {};
}

}  // namespace kavro
