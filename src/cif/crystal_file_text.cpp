// The bytes of a crystal file, inflated with zlib when it is gzip-compressed.
#include "cif/crystal_file_text.hpp"

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <system_error>

#include "cif/cif_error.hpp"

namespace kavro::cif {
namespace {

std::string megabytes(std::uint64_t bytes) {
  return bytes < (1 << 20) ? std::to_string(bytes) + " bytes" : std::to_string(bytes >> 20) + " MB";
}

std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CifError("cannot open " + path.filename().string());
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw CifError("cannot read " + path.filename().string());
  return bytes;
}

bool gzip_compressed(const std::string& bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
         static_cast<unsigned char>(bytes[1]) == 0x8b;
}

// The size gzip stored at the end of the last member (modulo 4 GB).
std::uint64_t stored_size(const std::string& bytes) {
  if (bytes.size() < 18) return 0;
  std::uint64_t size = 0;
  for (int i = 1; i <= 4; ++i) size = (size << 8) | static_cast<unsigned char>(bytes[bytes.size() - i]);
  return size;
}

// Every member of the stream in turn (gzip allows several, one after the
// other). Without `keep` the text is only counted, in a buffer's memory.
std::string inflated(const std::string& compressed, const std::string& name, std::uint64_t max_bytes, bool keep) {
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) throw CifError("cannot inflate " + name);
  std::string text;
  std::uint64_t length = 0;
  char buffer[1 << 16];
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  z.avail_in = static_cast<uInt>(compressed.size());
  int status = Z_OK;
  for (;;) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    // What came out counts before the status: a stream that lies about its
    // size is stopped by the limit, not only at its check at the end.
    length += sizeof buffer - z.avail_out;
    if (keep) text.append(buffer, sizeof buffer - z.avail_out);
    if (length > max_bytes) {
      inflateEnd(&z);
      throw CifError(name + " inflates to more than " + megabytes(max_bytes) +
                     ", more than a crystal file may hold here");
    }
    if (status != Z_OK && status != Z_STREAM_END) break;
    if (status == Z_STREAM_END) {
      if (z.avail_in == 0) break;
      if (inflateReset(&z) != Z_OK) break;  // the next member
    } else if (z.avail_in == 0 && z.avail_out != 0) {
      status = Z_BUF_ERROR;  // the input ended inside a member
      break;
    }
  }
  const std::string reason = z.msg != nullptr ? std::string(": ") + z.msg : std::string();
  inflateEnd(&z);
  if (status == Z_STREAM_END) return text;
  if (status == Z_BUF_ERROR)
    throw CifError(name + " ends inside its gzip stream: the file is cut short (" + std::to_string(length) +
                   " bytes inflated before its end)");
  throw CifError(name + " is no valid gzip stream" + reason);
}

}  // namespace

std::string crystal_file_text(const std::filesystem::path& path, std::uint64_t max_bytes) {
  const std::string name = path.filename().string();
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) throw CifError("cannot open " + name);
  if (size > max_bytes)
    throw CifError(name + " holds more than " + megabytes(max_bytes) + ", more than a crystal file may hold here");
  std::string bytes = read_bytes(path);
  if (!gzip_compressed(bytes)) return bytes;
  // The size stored at the end bounds the text before anything is kept.
  // When it passes the limit the stream is first only counted: it may be
  // too large indeed, or cut short (then the last bytes are no size). A size
  // that lies low is caught while the text is kept.
  if (stored_size(bytes) > max_bytes) (void)inflated(bytes, name, max_bytes, false);
  return inflated(bytes, name, max_bytes, true);
}

}  // namespace kavro::cif
