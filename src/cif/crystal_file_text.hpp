// The bytes of a crystal file, gzip-compressed or not. Whether a file is
// compressed is seen from its first bytes, not from its name; a compressed
// stream must end as gzip ends it (a file cut short is an error, not the
// sites before the cut), and neither a plain nor an uncompressed text may
// exceed the limit, which is checked before the text is read and again while
// it is inflated (the stored size may lie).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kavro::cif {

// A quarter of the run's default memory budget of 2 GB: the parsed document
// takes a few times the text.
inline constexpr std::uint64_t kMaxCrystalTextBytes = std::uint64_t{512} << 20;

// Throws CifError naming the file and what is wrong with it.
std::string crystal_file_text(const std::filesystem::path& path, std::uint64_t max_bytes = kMaxCrystalTextBytes);

}  // namespace kavro::cif
