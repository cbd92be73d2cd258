// An output file that appears complete or not at all.
#include "run/result_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>

#include "system/temporary_files.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;

// The final place of the output: a symbolic link is followed, so the file it
// points to is replaced and the link stays.
fs::path final_place(const fs::path& target) {
  std::error_code error;
  if (!fs::is_symlink(target, error)) return target;
  const fs::path resolved = fs::weakly_canonical(target, error);
  return error ? target : resolved;
}

// Creates a new, empty file beside `target` under a name no other file has.
fs::path create_temporary_beside(const fs::path& target) {
  static std::atomic<unsigned> serial{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name(1, '.');
    name.append(target.filename().string()).append(".kavro-").append(std::to_string(::getpid()));
    name.append(1, '-').append(std::to_string(serial++));
    const fs::path candidate = target.parent_path() / name;
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return candidate;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

// Only a regular file is ever replaced: never a folder, a device or a pipe.
bool replaceable(const fs::path& target) {
  std::error_code error;
  const fs::file_status status = fs::status(target, error);
  return status.type() == fs::file_type::not_found || (!error && fs::is_regular_file(status));
}

}  // namespace

bool ResultFile::open(const fs::path& target) {
  discard();
  target_ = final_place(target);
  if (target_.filename().empty() || !replaceable(target_)) return false;
  temporary_ = create_temporary_beside(target_);
  if (temporary_.empty()) return false;
  temporary_handle_ = temporaries::remember(fs::absolute(temporary_));
  out_.open(temporary_, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!out_) discard();
  return out_.is_open();
}

bool ResultFile::commit() {
  if (!out_.is_open()) return false;
  out_.flush();
  out_.close();
  std::error_code error;
  if (!out_.fail() && replaceable(target_)) {
    // A file that is replaced keeps its permissions.
    const fs::file_status old = fs::status(target_, error);
    if (!error && fs::is_regular_file(old)) fs::permissions(temporary_, old.permissions(), error);
    error.clear();
    fs::rename(temporary_, target_, error);
    if (!error) {
      temporaries::forget(temporary_handle_);
      temporary_handle_ = -1;
      temporary_.clear();
      return true;
    }
  }
  discard();
  return false;
}

void ResultFile::discard() {
  if (out_.is_open()) out_.close();
  if (temporary_.empty()) return;
  std::error_code ignored;
  fs::remove(temporary_, ignored);
  temporaries::forget(temporary_handle_);
  temporary_handle_ = -1;
  temporary_.clear();
}

}  // namespace kavro
