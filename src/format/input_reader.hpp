// Reading input and scan files the way a Fortran program reads them.
//
// Free-format (list-directed) reads: values separated by blanks or commas; a
// read that needs more values than a line holds continues on the next lines;
// values beyond the last one needed are ignored; "r*v" repeats a value, an
// empty value between two commas (or "r*") leaves its target unchanged, and a
// "/" ends the read early.
//
// Fixed-column reads: a line is one record padded with blanks or cut to its
// length; Iw and Fw.d fields follow Fortran rules (blanks ignored, an all-blank
// field is 0, an Fw.d field without a decimal point has d implied decimals).
//
// Every read returns a status as Fortran's IOSTAT: 0 success, negative at end
// of file, positive for a value that cannot be read or a line longer than
// kMaxLineLength characters (no line is ever held beyond that length, so a file
// without line ends cannot fill the memory).
#pragma once

#include <cstddef>
#include <initializer_list>
#include <istream>
#include <string>
#include <string_view>
#include <variant>

namespace kavro::ff {

inline constexpr int kEndOfFile = -1;
inline constexpr int kBadValue = 5010;
inline constexpr int kLineTooLong = 5011;
inline constexpr std::size_t kMaxLineLength = 65536;

// Reads one line without its end (a trailing carriage return is dropped).
// Returns 0, kEndOfFile when no line is left, or kLineTooLong.
int read_line(std::istream& in, std::string& line);

// A target of a free-format read.
using Target = std::variant<int*, float*, double*, std::string*>;

// Reads the values for `targets` from `in`, starting at the next line.
int read_list(std::istream& in, std::initializer_list<Target> targets);
// The same, also telling how many targets the read reached (a read that ends
// early at the end of the file took fewer than all of them).
int read_list(std::istream& in, std::initializer_list<Target> targets, std::size_t& taken);

// One free-format read statement whose item count is known only while it
// reads (a count followed by that many values): each call continues where the
// previous one stopped, within the same line.
class ListStatement {
 public:
  explicit ListStatement(std::istream& in) : in_(in) {}
  int read(std::initializer_list<Target> targets, std::size_t* taken = nullptr);

 private:
  std::istream& in_;
  std::string record_;
  std::size_t pos_ = 0;
  bool after_value_ = false;
  bool terminated_ = false;
};

// Reads from a single record (an internal read): running out of values is an
// end-of-file status.
int read_list(std::string_view record, std::initializer_list<Target> targets);

// Reads one record of exactly `width` characters (padded with blanks or cut).
// Returns kEndOfFile when no line is left. A trailing carriage return is dropped.
int read_record(std::istream& in, int width, std::string& record);
// A record padded with blanks to at least `width` characters; a longer line is
// kept whole (file names are never cut).
int read_uncut_record(std::istream& in, int width, std::string& record);

// Fixed-column fields of a record (columns counted from 1). The field may
// reach past the end of the record; missing characters count as blanks.
int field_i(std::string_view record, int first_column, int w, int& value);
int field_f(std::string_view record, int first_column, int w, int d, float& value);

// Parses a complete free-format number token (Fortran real forms "1.", ".5",
// "1e3", "1d3", "-2.5E-03"); false when the token is not a number.
bool parse_real(std::string_view token, double& value);
bool parse_integer(std::string_view token, long long& value);

// Text without trailing blanks.
std::string_view trim_right(std::string_view text);
// Text without leading and trailing blanks.
std::string_view trim(std::string_view text);

}  // namespace kavro::ff
