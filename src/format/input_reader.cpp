// Free-format and fixed-column reading of input and scan files.
#include "format/input_reader.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kavro::ff {
namespace {

bool is_blank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r'; }

// Number text in the form std::from_chars accepts: no leading '+', Fortran's
// D and Q exponent letters as E, an exponent sign without a letter ("1.5-3").
std::string normalise_number(std::string_view token) {
  std::string text(token);
  if (!text.empty() && text[0] == '+') text.erase(0, 1);
  for (std::size_t i = 1; i < text.size(); ++i) {
    char& ch = text[i];
    if (ch == 'd' || ch == 'D' || ch == 'q' || ch == 'Q') ch = 'e';
    if ((ch == '+' || ch == '-') && text[i - 1] != 'e' && text[i - 1] != 'E') {
      text.insert(i, 1, 'e');
      ++i;
    }
  }
  return text;
}

bool looks_numeric(std::string_view text) {
  bool digit = false;
  for (char ch : text) {
    if (std::isdigit(static_cast<unsigned char>(ch))) digit = true;
    else if (ch != '.' && ch != '+' && ch != '-' && ch != 'e' && ch != 'E') return false;
  }
  return digit;
}

template <class Real>
bool parse_real_as(std::string_view token, Real& value) {
  const std::string text = normalise_number(token);
  if (!looks_numeric(text)) return false;
  Real parsed{};
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, parsed, std::chars_format::general);
  if (ec != std::errc() || ptr != end || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

// Splits "r*value" into its repeat count; false when the token has no count.
bool split_repeat(std::string_view token, long long& count, std::string_view& value) {
  const std::size_t star = token.find('*');
  if (star == std::string_view::npos) return false;
  long long r = 0;
  if (!parse_integer(token.substr(0, star), r) || r < 1) return false;
  count = r;
  value = token.substr(star + 1);
  return true;
}

// Scans the values of list-directed records and hands them to the targets.
// Separator state that lasts across the records of one read statement.
struct ScanState {
  bool after_value = false;  // a value was just read: a comma now only separates
  bool terminated = false;   // a slash ended the statement
};

class ListScanner {
 public:
  ListScanner(std::initializer_list<Target> targets, ScanState& state) : targets_(targets), state_(state) {}

  bool done() const { return next_ >= targets_.size() || state_.terminated; }
  // Targets reached so far (a null value counts as reached).
  std::size_t taken() const { return next_; }

  // Takes values from a record from `pos` on; returns a non-zero status on a
  // bad value.
  int scan(std::string_view record, std::size_t& pos) {
    while (!done()) {
      while (pos < record.size() && is_blank(record[pos])) ++pos;
      if (pos >= record.size()) return 0;  // the record end acts as a blank
      const char ch = record[pos];
      if (ch == ',') {
        ++pos;
        if (!state_.after_value) skip_null(1);
        state_.after_value = false;
        continue;
      }
      if (ch == '/') {
        state_.terminated = true;
        return 0;
      }
      const std::size_t start = pos;
      if (ch == '\'' || ch == '"') {
        pos = quoted_end(record, pos);
      } else {
        while (pos < record.size() && !is_blank(record[pos]) && record[pos] != ',' && record[pos] != '/') ++pos;
      }
      const int status = take(record.substr(start, pos - start));
      if (status != 0) return status;
      state_.after_value = true;
    }
    return 0;
  }

 private:
  static std::size_t quoted_end(std::string_view record, std::size_t pos) {
    const char quote = record[pos++];
    while (pos < record.size()) {
      if (record[pos] == quote) {
        if (pos + 1 < record.size() && record[pos + 1] == quote) {
          pos += 2;
          continue;
        }
        return pos + 1;
      }
      ++pos;
    }
    return pos;
  }

  void skip_null(long long count) {
    next_ += static_cast<std::size_t>(count);
    if (next_ > targets_.size()) next_ = targets_.size();
  }

  int take(std::string_view token) {
    long long count = 1;
    std::string_view value = token;
    if (split_repeat(token, count, value) && value.empty()) {
      skip_null(count);
      return 0;
    }
    for (long long r = 0; r < count && !done(); ++r)
      if (!assign(targets_.begin()[next_++], value)) return kBadValue;
    return 0;
  }

  static bool assign(const Target& target, std::string_view token) {
    if (auto* const* i = std::get_if<int*>(&target)) {
      long long v = 0;
      if (!parse_integer(token, v) || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
      **i = static_cast<int>(v);
      return true;
    }
    if (auto* const* x = std::get_if<float*>(&target)) return parse_real_as(token, **x);
    if (auto* const* x = std::get_if<double*>(&target)) return parse_real_as(token, **x);
    std::string& text = *std::get<std::string*>(target);
    if (!token.empty() && (token[0] == '\'' || token[0] == '"')) {
      const char quote = token[0];
      text.clear();
      for (std::size_t i = 1; i < token.size(); ++i) {
        if (token[i] == quote) {
          if (i + 1 < token.size() && token[i + 1] == quote) ++i;
          else break;
        }
        text += token[i];
      }
    } else {
      text = std::string(token);
    }
    return true;
  }

  std::initializer_list<Target> targets_;
  ScanState& state_;
  std::size_t next_ = 0;
};

// The field of columns first..first+w-1 with blanks removed.
std::string field_text(std::string_view record, int first_column, int w) {
  std::string text;
  for (int c = first_column - 1; c < first_column - 1 + w; ++c)
    if (c >= 0 && c < static_cast<int>(record.size()) && !is_blank(record[static_cast<std::size_t>(c)]))
      text += record[static_cast<std::size_t>(c)];
  return text;
}

}  // namespace

int read_line(std::istream& in, std::string& line) {
  line.clear();
  const std::istream::sentry ready(in, true);
  if (!ready) return kEndOfFile;
  std::streambuf& buffer = *in.rdbuf();
  bool extracted = false;
  for (;;) {
    const int ch = buffer.sbumpc();
    if (ch == std::char_traits<char>::eof()) {
      in.setstate(extracted ? std::ios::eofbit : std::ios::eofbit | std::ios::failbit);
      if (!extracted) return kEndOfFile;
      break;
    }
    extracted = true;
    if (ch == '\n') break;
    if (line.size() == kMaxLineLength) {
      in.setstate(std::ios::failbit);
      return kLineTooLong;
    }
    line.push_back(static_cast<char>(ch));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return 0;
}

int read_list(std::istream& in, std::initializer_list<Target> targets) {
  return ListStatement(in).read(targets);
}

int read_list(std::istream& in, std::initializer_list<Target> targets, std::size_t& taken) {
  return ListStatement(in).read(targets, &taken);
}

int ListStatement::read(std::initializer_list<Target> targets, std::size_t* taken) {
  ScanState state{after_value_, terminated_};
  ListScanner scanner(targets, state);
  int status = scanner.scan(record_, pos_);
  while (status == 0 && !scanner.done()) {
    status = read_line(in_, record_);
    if (status != 0) break;
    pos_ = 0;
    status = scanner.scan(record_, pos_);
  }
  after_value_ = state.after_value;
  terminated_ = state.terminated;
  if (taken) *taken = scanner.taken();
  return status;
}

int read_list(std::string_view record, std::initializer_list<Target> targets) {
  ScanState state;
  ListScanner scanner(targets, state);
  std::size_t pos = 0;
  const int status = scanner.scan(record, pos);
  if (status != 0) return status;
  return scanner.done() ? 0 : kEndOfFile;
}

int read_record(std::istream& in, int width, std::string& record) {
  std::string line;
  if (const int status = read_line(in, line); status != 0) return status;
  line.resize(static_cast<std::size_t>(width), ' ');
  record = line;
  return 0;
}

int read_uncut_record(std::istream& in, int width, std::string& record) {
  std::string line;
  if (const int status = read_line(in, line); status != 0) return status;
  if (line.size() < static_cast<std::size_t>(width)) line.resize(static_cast<std::size_t>(width), ' ');
  record = line;
  return 0;
}

int field_i(std::string_view record, int first_column, int w, int& value) {
  const std::string text = field_text(record, first_column, w);
  if (text.empty()) {
    value = 0;
    return 0;
  }
  long long v = 0;
  if (!parse_integer(text, v) || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
    return kBadValue;
  value = static_cast<int>(v);
  return 0;
}

int field_f(std::string_view record, int first_column, int w, int d, float& value) {
  std::string text = field_text(record, first_column, w);
  if (text.empty()) {
    value = 0;
    return 0;
  }
  // Without a decimal point the last d digits of the mantissa are decimals.
  if (text.find('.') == std::string::npos) {
    std::size_t mantissa_end = 1;
    while (mantissa_end < text.size() && std::isdigit(static_cast<unsigned char>(text[mantissa_end])))
      ++mantissa_end;
    std::string mantissa = text.substr(0, mantissa_end);
    std::string exponent_part = text.substr(mantissa_end);
    long long exponent = 0;
    if (!exponent_part.empty()) {
      std::string_view digits = exponent_part;
      if (digits[0] == 'e' || digits[0] == 'E' || digits[0] == 'd' || digits[0] == 'D') digits.remove_prefix(1);
      if (!parse_integer(digits, exponent)) return kBadValue;
    }
    text = mantissa + "e" + std::to_string(exponent - d);
  }
  return parse_real_as(text, value) ? 0 : kBadValue;
}

bool parse_real(std::string_view token, double& value) { return parse_real_as(token, value); }

bool parse_integer(std::string_view token, long long& value) {
  if (!token.empty() && token[0] == '+') token.remove_prefix(1);
  if (token.empty() || token[0] == '+') return false;
  const char* end = token.data() + token.size();
  auto [ptr, ec] = std::from_chars(token.data(), end, value);
  return ec == std::errc() && ptr == end;
}

std::string_view trim_right(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return text.substr(0, end);
}

std::string_view trim(std::string_view text) {
  text = trim_right(text);
  std::size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
  return text.substr(start);
}

}  // namespace kavro::ff
