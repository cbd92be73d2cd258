// The chunk table: what one share of a split run (kavro99 run INPUT --chunk
// I/N) found, to be joined with the other shares by kavro99 merge into the
// whole run. A text file: a header naming the run and the share, then for
// each pass and each of the share's blocks its counts, its listing messages,
// its rows of the event table and its crossings of the scan, every number
// exact (floating point in hexadecimal), then "end".
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <ostream>
#include <utility>
#include <vector>

#include "engine/pass_part.hpp"
#include "engine/search_share.hpp"

namespace kavro {

// What identifies the run a chunk belongs to: the program's version and the
// bytes of the input and of the measured scan the run reads (empty path:
// none). `input` is read to its end and put back where it was.
std::uint64_t input_fingerprint(std::istream& input);
std::uint64_t run_fingerprint(std::uint64_t input_fingerprint, const std::filesystem::path& measured_scan);

struct ChunkHeader {
  std::uint64_t fingerprint = 0;
  SearchShare share;
};

void write_chunk_header(std::ostream& out, const ChunkHeader& header);
// One pass of the share: the parts of its blocks in their order.
void write_chunk_pass(std::ostream& out, int pass_number, const std::vector<PassPart>& parts);
void write_chunk_end(std::ostream& out);

// The chunk tables of one run in the order of their shares: every file a
// complete chunk table of the run with `fingerprint`, all of one split, each
// share once. Throws kavro::Error naming the file or the shares that are
// wrong, missing or given twice.
std::vector<std::filesystem::path> ordered_chunk_tables(const std::vector<std::filesystem::path>& files,
                                                        std::uint64_t fingerprint);

// Reads the passes of one chunk table in their order.
class ChunkTableReader {
 public:
  explicit ChunkTableReader(std::filesystem::path file);
  // The parts of the share's blocks of the next pass, checked against the
  // pass's number and its box of `box` reflections; throws kavro::Error when
  // the file does not hold them.
  std::vector<PassPart> read_pass(int pass_number, std::int64_t box);

 private:
  PassPart read_block(std::istream& in, std::int64_t box, const std::pair<std::int64_t, std::int64_t>& range) const;

  std::filesystem::path file_;
  SearchShare share_;
  std::streamoff position_ = 0;  // where the next pass begins
  std::uintmax_t size_ = 0;      // of the file, the most any count of bytes in it can be
};

}  // namespace kavro
