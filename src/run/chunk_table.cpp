// Writing and reading chunk tables. Every floating-point value is written in
// hexadecimal (std::to_chars), so that it reads back as the same bits.
#include "run/chunk_table.hpp"

#include <charconv>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include "kavro/error.hpp"
#include "run/kavro.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFirstLine = "kavro-99 chunk table 1";
constexpr std::string_view kLastLine = "end";

// FNV-1a, 64 bits, continued over several pieces.
void add_bytes(std::uint64_t& hash, std::string_view bytes) {
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
}

void add_stream(std::uint64_t& hash, std::istream& in) {
  char buffer[65536];
  std::uint64_t size = 0;
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    add_bytes(hash, {buffer, static_cast<std::size_t>(in.gcount())});
    size += static_cast<std::uint64_t>(in.gcount());
  }
  add_bytes(hash, " size " + std::to_string(size) + "\n");
}

// One line of blank-separated tokens.
class TokenWriter {
 public:
  explicit TokenWriter(std::ostream& out) : out_(out) {}
  template <typename Number>
  TokenWriter& put(Number value) {
    char text[64];
    std::to_chars_result r{};
    if constexpr (std::is_floating_point_v<Number>)
      r = std::to_chars(text, text + sizeof text, value, std::chars_format::hex);
    else
      r = std::to_chars(text, text + sizeof text, value);
    out_ << ' ' << std::string_view(text, static_cast<std::size_t>(r.ptr - text));
    return *this;
  }
  TokenWriter& word(std::string_view w) {
    out_ << w;
    return *this;
  }

 private:
  std::ostream& out_;
};

class TokenReader {
 public:
  TokenReader(std::string_view line, const fs::path& file) : rest_(line), file_(file) {}
  std::string_view word() {
    while (!rest_.empty() && rest_.front() == ' ') rest_.remove_prefix(1);
    const std::size_t end = rest_.find(' ');
    const std::string_view w = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end);
    return w;
  }
  void expect(std::string_view w) {
    if (word() != w) damaged();
  }
  template <typename Number>
  Number number() {
    const std::string_view w = word();
    Number value{};
    std::from_chars_result r{};
    if constexpr (std::is_floating_point_v<Number>)
      r = std::from_chars(w.data(), w.data() + w.size(), value, std::chars_format::hex);
    else
      r = std::from_chars(w.data(), w.data() + w.size(), value);
    if (w.empty() || r.ec != std::errc() || r.ptr != w.data() + w.size()) damaged();
    return value;
  }
  std::int64_t count() {
    const auto n = number<std::int64_t>();
    if (n < 0) damaged();
    return n;
  }
  bool flag() {
    const auto n = number<int>();
    if (n != 0 && n != 1) damaged();
    return n == 1;
  }
  void finish() {
    if (!word().empty()) damaged();
  }
  [[noreturn]] void damaged() const {
    throw Error("the chunk table " + file_.string() + " is damaged (it was not written by this kavro99 run --chunk)");
  }

 private:
  std::string_view rest_;
  const fs::path& file_;
};

void put_side(TokenWriter& w, const ProfileSide& s) {
  w.put(s.width).put(s.inv_width).put(s.inv_sigma).put(s.gauss).put(s.lorentz).put(s.scale);
}

ProfileSide read_side(TokenReader& r) {
  ProfileSide s;
  for (float* v : {&s.width, &s.inv_width, &s.inv_sigma, &s.gauss, &s.lorentz, &s.scale}) *v = r.number<float>();
  return s;
}

void write_row(std::ostream& out, const TableEvent& row) {
  const EventRecord& e = row.record;
  TokenWriter w(out);
  w.word("row").put(int{row.stored}).put(int{row.enters_scan});
  for (const int i : e.h2) w.put(i);
  for (const int i : e.h3) w.put(i);
  w.put(e.crossing).put(e.psi);
  for (const float v : {e.trphi, e.f2, e.theta2, e.f3, e.theta3, e.ik_s2, e.ia_s2, e.p12, e.absorption, e.fwhm,
                        e.beta, e.w_in, e.w_out, e.phase2, e.phase3})
    w.put(v);
  for (const float v : e.psi_lambda) w.put(v);
  out << '\n';
}

TableEvent read_row(TokenReader& r) {
  TableEvent row;
  EventRecord& e = row.record;
  r.expect("row");
  row.stored = r.flag();
  row.enters_scan = r.flag();
  for (int& i : e.h2) i = r.number<int>();
  for (int& i : e.h3) i = r.number<int>();
  e.crossing = r.number<int>();
  e.psi = r.number<double>();
  for (float* v : {&e.trphi, &e.f2, &e.theta2, &e.f3, &e.theta3, &e.ik_s2, &e.ia_s2, &e.p12, &e.absorption, &e.fwhm,
                   &e.beta, &e.w_in, &e.w_out, &e.phase2, &e.phase3})
    *v = r.number<float>();
  for (float& v : e.psi_lambda) v = r.number<float>();
  r.finish();
  return row;
}

void write_crossing(std::ostream& out, const ScanEvent& c) {
  TokenWriter w(out);
  w.word("crossing").put(int{c.first_crossing}).put(c.psi).put(c.ik).put(c.ia).put(c.shape.eta);
  put_side(w, c.shape.inner);
  put_side(w, c.shape.outer);
  for (const float v : {c.beta, c.cos_trphi, c.sin_trphi, c.c_int, c.primary, c.scale, c.d_in, c.d_out}) w.put(v);
  out << '\n';
}

ScanEvent read_crossing(TokenReader& r) {
  ScanEvent c;
  r.expect("crossing");
  c.first_crossing = r.flag();
  for (float* v : {&c.psi, &c.ik, &c.ia, &c.shape.eta}) *v = r.number<float>();
  c.shape.inner = read_side(r);
  c.shape.outer = read_side(r);
  for (float* v : {&c.beta, &c.cos_trphi, &c.sin_trphi, &c.c_int, &c.primary, &c.scale, &c.d_in, &c.d_out})
    *v = r.number<float>();
  r.finish();
  return c;
}

std::string fingerprint_text(std::uint64_t fingerprint) {
  char text[17];
  const auto r = std::to_chars(text, text + 16, fingerprint, 16);
  return std::string(16 - static_cast<std::size_t>(r.ptr - text), '0') + std::string(text, r.ptr);
}

// The header of a chunk table, or kavro::Error when the file is none or is not complete.
ChunkHeader read_header(const fs::path& file, std::istream& in) {
  std::string line;
  if (!std::getline(in, line))
    throw Error("cannot read the chunk table " + file.string());
  if (line != kFirstLine)
    throw Error(file.string() + " is no chunk table (kavro99 run INPUT --chunk I/N writes them)");
  ChunkHeader h;
  std::getline(in, line);
  TokenReader run(line, file);
  run.expect("run");
  const std::string_view print = run.word();
  const auto r = std::from_chars(print.data(), print.data() + print.size(), h.fingerprint, 16);
  if (print.size() != 16 || r.ptr != print.data() + print.size()) run.damaged();
  run.finish();
  std::getline(in, line);
  TokenReader chunk(line, file);
  chunk.expect("chunk");
  h.share.part = chunk.number<std::int64_t>() - 1;
  chunk.expect("of");
  h.share.parts = chunk.number<std::int64_t>();
  chunk.finish();
  if (!in || !h.share.valid()) chunk.damaged();
  return h;
}

// Whether the file ends with the last line: a chunk run that stopped leaves no table, a cut copy has no end.
bool complete(std::istream& in) {
  in.clear();
  in.seekg(-static_cast<std::streamoff>(kLastLine.size() + 1), std::ios::end);
  std::string tail(kLastLine.size() + 1, '\0');
  return in.read(tail.data(), static_cast<std::streamsize>(tail.size())) && tail == std::string(kLastLine) + "\n";
}

std::string chunk_name(const SearchShare& s) {
  return "chunk " + std::to_string(s.part + 1) + " of " + std::to_string(s.parts);
}

// "chunks 2, 5 and 7 of 8 are missing", at most ten named.
std::string missing_message(const std::vector<std::int64_t>& missing, std::int64_t parts) {
  std::string list;
  const std::size_t named = std::min<std::size_t>(missing.size(), 10);
  for (std::size_t i = 0; i < named; ++i) {
    if (i > 0) list += i + 1 == missing.size() ? " and " : ", ";
    list += std::to_string(missing[i] + 1);
  }
  if (named < missing.size()) list += " and " + std::to_string(missing.size() - named) + " more";
  return (missing.size() == 1 ? "chunk " : "chunks ") + list + " of " + std::to_string(parts) +
         (missing.size() == 1 ? " is" : " are") + " missing; give every chunk table of the run";
}

}  // namespace

std::uint64_t input_fingerprint(std::istream& input) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  add_bytes(hash, std::string(kFirstLine) + "\n" + version_banner() + "\ninput");
  const std::streampos start = input.tellg();
  add_stream(hash, input);
  input.clear();
  input.seekg(start);
  return hash;
}

std::uint64_t run_fingerprint(std::uint64_t input, const fs::path& measured_scan) {
  std::uint64_t hash = input;
  add_bytes(hash, "measured scan");
  if (!measured_scan.empty()) {
    std::ifstream scan(measured_scan, std::ios::binary);
    add_stream(hash, scan);
  }
  return hash;
}

void write_chunk_header(std::ostream& out, const ChunkHeader& header) {
  out << kFirstLine << "\nrun " << fingerprint_text(header.fingerprint) << "\n" << chunk_name(header.share) << "\n";
}

void write_chunk_pass(std::ostream& out, int pass_number, const std::vector<PassPart>& parts) {
  TokenWriter pass(out);
  pass.word("pass").put(pass_number).put(parts.empty() ? std::int64_t{0} : parts.front().box).put(std::ssize(parts));
  out << '\n';
  for (const PassPart& part : parts) {
    TokenWriter w(out);
    w.word("block");
    for (const std::int64_t n : {part.first, part.last, part.reaching, part.near_window, part.scan_crossings,
                                 static_cast<std::int64_t>(part.rows.size()),
                                 static_cast<std::int64_t>(part.crossings.size()),
                                 static_cast<std::int64_t>(part.messages.size())})
      w.put(n);
    out << '\n' << part.messages << '\n';
    for (const TableEvent& row : part.rows) write_row(out, row);
    for (const ScanEvent& c : part.crossings) write_crossing(out, c);
  }
}

void write_chunk_end(std::ostream& out) { out << kLastLine << '\n'; }

std::vector<fs::path> ordered_chunk_tables(const std::vector<fs::path>& files, std::uint64_t fingerprint) {
  if (files.empty()) throw Error("no chunk table is given");
  std::map<std::int64_t, fs::path> by_part;
  SearchShare first;
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    const ChunkHeader h = read_header(file, in);
    if (!complete(in))
      throw Error("the chunk table " + file.string() + " is not complete (cut short, or still being written)");
    if (h.fingerprint != fingerprint)
      throw Error("the chunk table " + file.string() +
                  " belongs to another run: another input file, measured scan or version of kavro99");
    if (by_part.empty()) first = h.share;
    if (h.share.parts != first.parts)
      throw Error(file.string() + " is " + chunk_name(h.share) + " but " + by_part.begin()->second.string() + " is " +
                  chunk_name(first) + ": chunks of two different splits");
    const auto [at, added] = by_part.emplace(h.share.part, file);
    if (!added)
      throw Error(chunk_name(h.share) + " is given twice: " + at->second.string() + " and " + file.string());
  }
  std::vector<std::int64_t> missing;
  for (std::int64_t part = 0; part < first.parts; ++part)
    if (!by_part.count(part)) missing.push_back(part);
  if (!missing.empty()) throw Error(missing_message(missing, first.parts));
  std::vector<fs::path> ordered;
  for (auto& [part, file] : by_part) ordered.push_back(file);
  return ordered;
}

ChunkTableReader::ChunkTableReader(fs::path file) : file_(std::move(file)) {
  std::ifstream in(file_, std::ios::binary);
  share_ = read_header(file_, in).share;
  position_ = in.tellg();
  std::error_code ignored;
  size_ = std::filesystem::file_size(file_, ignored);
}

std::vector<PassPart> ChunkTableReader::read_pass(int pass_number, std::int64_t box) {
  std::ifstream in(file_, std::ios::binary);
  in.seekg(position_);
  std::string line;
  std::getline(in, line);
  TokenReader head(line, file_);
  head.expect("pass");
  const int number = head.number<int>();
  const std::int64_t pass_box = head.count();
  const std::int64_t blocks = head.count();
  head.finish();
  const auto ranges = share_.ranges(box);
  // A share without blocks (more shares than blocks) writes no box.
  if (number != pass_number || blocks != std::ssize(ranges) || (blocks > 0 && pass_box != box)) head.damaged();
  std::vector<PassPart> parts(ranges.size());
  for (std::size_t b = 0; b < ranges.size(); ++b) parts[b] = read_block(in, box, ranges[b]);
  position_ = in.tellg();
  return parts;
}

PassPart ChunkTableReader::read_block(std::istream& in, std::int64_t box,
                                      const std::pair<std::int64_t, std::int64_t>& range) const {
  std::string line;
  std::getline(in, line);
  TokenReader head(line, file_);
  head.expect("block");
  PassPart part;
  part.box = box;
  part.first = head.count();
  part.last = head.count();
  if (std::pair(part.first, part.last) != range) head.damaged();
  part.reaching = head.count();
  part.near_window = head.count();
  part.scan_crossings = head.count();
  const std::int64_t rows = head.count();
  const std::int64_t crossings = head.count();
  const std::int64_t message_bytes = head.count();
  head.finish();
  if (message_bytes > static_cast<std::int64_t>(size_)) head.damaged();
  part.messages.resize(static_cast<std::size_t>(message_bytes));
  in.read(part.messages.data(), static_cast<std::streamsize>(part.messages.size()));
  if (!in || in.get() != '\n') head.damaged();
  // Each row and crossing takes a line; a count beyond the file's lines is damage, not a size to allocate.
  for (std::int64_t i = 0; i < rows && std::getline(in, line); ++i) {
    TokenReader r(line, file_);
    part.rows.push_back(read_row(r));
  }
  for (std::int64_t i = 0; i < crossings && std::getline(in, line); ++i) {
    TokenReader r(line, file_);
    part.crossings.push_back(read_crossing(r));
  }
  if (!in || std::ssize(part.rows) != rows || std::ssize(part.crossings) != crossings) head.damaged();
  return part;
}

}  // namespace kavro
