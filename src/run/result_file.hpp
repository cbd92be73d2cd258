// An output file that appears complete or not at all.
#pragma once

#include <filesystem>
#include <fstream>
#include <ostream>

namespace kavro {

// Written under a temporary name in the folder of its final name and renamed
// onto that name once every write and the close have succeeded, so that a
// full disk or a run that ends early never leaves a cut result behind. A name
// that is a symbolic link is written through the link.
class ResultFile {
 public:
  ResultFile() = default;
  ResultFile(const ResultFile&) = delete;
  ResultFile& operator=(const ResultFile&) = delete;
  ~ResultFile() { discard(); }

  // Creates the temporary file for `target`; false when its folder does not
  // exist or does not take a new file.
  bool open(const std::filesystem::path& target);
  bool is_open() const { return out_.is_open(); }
  std::ostream& stream() { return out_; }
  const std::filesystem::path& target() const { return target_; }

  // Closes the file and renames it onto the target. False, with the
  // temporary file removed and the target untouched, when a write, the close
  // or the rename failed.
  bool commit();
  // Closes and removes the temporary file; the target is not touched.
  void discard();

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  int temporary_handle_ = -1;  // removed on a signal until renamed or removed
  std::ofstream out_;
};

}  // namespace kavro
