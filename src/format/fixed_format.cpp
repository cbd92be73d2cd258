// Fortran-style edit descriptors for listing lines and data files.
#include "format/fixed_format.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace kavro::ff {
namespace {

// Live RefuseNonFinite objects; the calculation's worker threads format
// messages too, so the count is shared by all threads.
std::atomic<int> refusals{0};

std::string asterisks(int w) { return std::string(static_cast<std::size_t>(w > 0 ? w : 0), '*'); }

std::string right_justify(const std::string& text, int w) {
  if (static_cast<int>(text.size()) > w) return asterisks(w);
  return std::string(static_cast<std::size_t>(w) - text.size(), ' ') + text;
}

// Adds one unit in the last place to a string of decimal digits (with an
// optional '.' inside), carrying to the left; "9.99" becomes "10.00".
std::string increment_last_digit(std::string digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] == '.') continue;
    if (digits[i] != '9') {
      ++digits[i];
      return digits;
    }
    digits[i] = '0';
  }
  return "1" + digits;
}

// Number of binary digits after the point in the exact value of v (v finite):
// v = significand * 2^(exponent - 1075), and its lowest set bit decides.
int fractional_bits(double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  const auto biased_exponent = static_cast<int>((bits >> 52) & 0x7ff);
  std::uint64_t significand = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased_exponent == 0 && significand == 0) return 0;
  if (biased_exponent != 0) significand |= std::uint64_t{1} << 52;
  const int lowest_bit = std::max(biased_exponent, 1) - 1075 + std::countr_zero(significand);
  return lowest_bit < 0 ? -lowest_bit : 0;
}

// The digits printf's "%.*f" or "%.*e" gives for a finite value: correctly
// rounded from the exact binary value, without printf's multi-precision cost.
std::string printf_digits(double value, std::chars_format format, int precision) {
  // 309 digits before the point at most, the point, an exponent.
  std::string text(static_cast<std::size_t>(precision) + 330, '\0');
  const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value, format, precision);
  if (error != std::errc()) throw std::logic_error("decimal digits do not fit their buffer");
  text.resize(static_cast<std::size_t>(end - text.data()));
  return text;
}

// |v| with d decimals, rounded half away from zero on the exact binary value.
std::string fixed_digits(double magnitude, int d) {
  // An exact tie at d decimals has exactly d + 1 binary (hence decimal) places.
  if (fractional_bits(magnitude) == d + 1) {
    std::string exact = printf_digits(magnitude, std::chars_format::fixed, d + 1);
    exact.pop_back();  // the final 5
    if (!exact.empty() && exact.back() == '.') exact.pop_back();
    return increment_last_digit(exact);
  }
  return printf_digits(magnitude, std::chars_format::fixed, d);
}

bool all_zero_digits(const std::string& digits) {
  for (char ch : digits)
    if (ch != '0' && ch != '.') return false;
  return true;
}

}  // namespace

std::string field_i(long long value, int w) { return right_justify(std::to_string(value), w); }

std::string field_f(double value, int w, int d) {
  if (std::isnan(value)) return right_justify("NaN", w);
  if (std::isinf(value)) return right_justify(value < 0 ? "-Inf" : "Inf", w);
  std::string digits = fixed_digits(std::fabs(value), d);
  if (d == 0) digits += '.';
  // A negative value keeps its sign even when it rounds to zero.
  const bool negative = std::signbit(value) && !(value == 0 && all_zero_digits(digits));
  const std::string sign = negative ? "-" : "";
  if (static_cast<int>(sign.size() + digits.size()) <= w) return right_justify(sign + digits, w);
  // The optional leading zero is dropped when the field is too narrow for it.
  if (digits.size() > 1 && digits[0] == '0' && digits[1] == '.')
    return right_justify(sign + digits.substr(1), w);
  return asterisks(w);
}

std::string field_e(double value, int w, int d) {
  if (std::isnan(value)) return right_justify("NaN", w);
  if (std::isinf(value)) return right_justify(value < 0 ? "-Inf" : "Inf", w);
  const double magnitude = std::fabs(value);
  std::string mantissa(static_cast<std::size_t>(d), '0');
  int exponent = 0;
  if (magnitude != 0) {
    // Exact significant digits; the value 0.ddd... x 10^exponent.
    const std::string text = printf_digits(magnitude, std::chars_format::scientific, d + 120);
    const std::size_t e_pos = text.find('e');
    std::string sig = text.substr(0, 1) + text.substr(2, e_pos - 2);
    exponent = std::atoi(text.c_str() + e_pos + 1) + 1;
    std::string kept = sig.substr(0, static_cast<std::size_t>(d));
    const char next = sig[static_cast<std::size_t>(d)];
    if (next >= '5') {
      kept = increment_last_digit(kept);
      if (kept.size() > static_cast<std::size_t>(d)) {  // 0.999 -> 0.100E+01
        kept.pop_back();
        ++exponent;
      }
    }
    mantissa = kept;
  }
  std::string exp_text;
  const int abs_exp = std::abs(exponent);
  char exp_buffer[16];
  if (abs_exp <= 99)
    std::snprintf(exp_buffer, sizeof exp_buffer, "E%c%02d", exponent < 0 ? '-' : '+', abs_exp);
  else
    std::snprintf(exp_buffer, sizeof exp_buffer, "%c%03d", exponent < 0 ? '-' : '+', abs_exp);
  exp_text = exp_buffer;
  const std::string sign = std::signbit(value) && magnitude != 0 ? "-" : "";
  const std::string body = "." + mantissa + exp_text;
  if (static_cast<int>(sign.size() + body.size() + 1) <= w) return right_justify(sign + "0" + body, w);
  return right_justify(sign + body, w);
}

std::string field_a(std::string_view text, int w) {
  if (w < 0) return std::string(text);
  if (static_cast<int>(text.size()) >= w) return std::string(text.substr(0, static_cast<std::size_t>(w)));
  return std::string(static_cast<std::size_t>(w) - text.size(), ' ') + std::string(text);
}

namespace {

// One node of a parsed format: a data descriptor, a position or literal, or a
// repeated group.
struct Node {
  enum Kind { kInt, kFixed, kExp, kText, kBlanks, kLiteral, kSlash, kGroup };
  Kind kind = kGroup;
  int repeat = 1;
  int w = -1;
  int d = 0;
  std::string literal;
  std::vector<Node> children;
};

Node make(Node::Kind kind) {
  Node node;
  node.kind = kind;
  return node;
}

class FormatParser {
 public:
  explicit FormatParser(std::string_view text) : text_(text) {}

  std::vector<Node> parse() {
    skip_blanks();
    std::vector<Node> nodes = parse_list();
    skip_blanks();
    if (pos_ != text_.size()) fail("unexpected character");
    // "(...)" around the whole format is the outer level, not a group.
    if (nodes.size() == 1 && nodes[0].kind == Node::kGroup && nodes[0].repeat == 1 && outer_parenthesis_)
      return nodes[0].children;
    return nodes;
  }

 private:
  [[noreturn]] void fail(const char* what) const {
    throw std::logic_error(std::string("format \"") + std::string(text_) + "\": " + what);
  }
  void skip_blanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == ',')) ++pos_;
  }
  bool at_end() const { return pos_ >= text_.size(); }
  char peek() const { return text_[pos_]; }
  int number() {
    int value = 0;
    bool any = false;
    while (!at_end() && std::isdigit(static_cast<unsigned char>(peek()))) {
      value = value * 10 + (peek() - '0');
      ++pos_;
      any = true;
    }
    return any ? value : -1;
  }

  std::vector<Node> parse_list() {
    std::vector<Node> nodes;
    for (skip_blanks(); !at_end() && peek() != ')'; skip_blanks()) nodes.push_back(parse_node());
    return nodes;
  }

  Node parse_node() {
    const bool first = pos_ == 0;
    if (peek() == '\'' || peek() == '"') return parse_literal();
    if (peek() == '/') {
      ++pos_;
      return make(Node::kSlash);
    }
    const int count = number();
    if (at_end()) fail("format ends after a count");
    const char code = static_cast<char>(std::toupper(static_cast<unsigned char>(peek())));
    ++pos_;
    Node node = make(Node::kGroup);
    switch (code) {
      case '(':
        node.children = parse_list();
        if (at_end() || peek() != ')') fail("missing ')'");
        ++pos_;
        outer_parenthesis_ = first && count < 0;
        break;
      case 'X':
        node.kind = Node::kBlanks;
        node.w = count < 0 ? 1 : count;
        return node;
      case 'I':
        node.kind = Node::kInt;
        node.w = number();
        break;
      case 'A':
        node.kind = Node::kText;
        node.w = number();
        break;
      case 'F':
      case 'E':
        node.kind = code == 'F' ? Node::kFixed : Node::kExp;
        node.w = number();
        if (at_end() || peek() != '.') fail("missing decimals");
        ++pos_;
        node.d = number();
        break;
      default:
        fail("unknown edit descriptor");
    }
    if (node.kind != Node::kText && node.kind != Node::kGroup && node.w < 0) fail("missing width");
    node.repeat = count < 0 ? 1 : count;
    return node;
  }

  Node parse_literal() {
    const char quote = peek();
    ++pos_;
    Node node = make(Node::kLiteral);
    while (true) {
      if (at_end()) fail("unterminated literal");
      const char ch = peek();
      ++pos_;
      if (ch == quote) {
        if (!at_end() && peek() == quote) {
          node.literal += quote;
          ++pos_;
          continue;
        }
        return node;
      }
      node.literal += ch;
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  bool outer_parenthesis_ = false;
};

class FormatWriter {
 public:
  explicit FormatWriter(std::span<const Arg> items) : items_(items) {}

  std::string run(const std::vector<Node>& nodes) {
    std::size_t revert = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i)
      if (nodes[i].kind == Node::kGroup) revert = i;
    bool stopped = !walk(nodes, 0);
    while (!stopped && next_ < items_.size()) {
      if (!consumed_any_) throw std::logic_error("format without data descriptors for the items");
      end_record();
      stopped = !walk(nodes, revert);
    }
    end_record();
    return out_;
  }

 private:
  // Returns false when the items ran out at a data descriptor.
  bool walk(const std::vector<Node>& nodes, std::size_t from) {
    for (std::size_t i = from; i < nodes.size(); ++i)
      for (int r = 0; r < nodes[i].repeat; ++r)
        if (!emit(nodes[i])) return false;
    return true;
  }

  bool emit(const Node& node) {
    switch (node.kind) {
      case Node::kGroup:
        return walk(node.children, 0);
      case Node::kLiteral:
        put(node.literal);
        return true;
      case Node::kBlanks:
        pending_blanks_ += static_cast<std::size_t>(node.w);
        return true;
      case Node::kSlash:
        end_record();
        return true;
      default:
        break;
    }
    if (next_ >= items_.size()) return false;
    consumed_any_ = true;
    put(data_field(node, items_[next_++].value));
    return true;
  }

  static std::string data_field(const Node& node, const Item& item) {
    if (node.kind == Node::kText) {
      const auto* text = std::get_if<std::string_view>(&item);
      if (text == nullptr) throw std::logic_error("A descriptor needs a text item");
      return field_a(*text, node.w);
    }
    double number = 0;
    if (const auto* i = std::get_if<long long>(&item)) number = static_cast<double>(*i);
    else if (const auto* x = std::get_if<double>(&item)) number = *x;
    else throw std::logic_error("numeric descriptor needs a number");
    if (!std::isfinite(number) && refusals.load() > 0) throw NonFiniteNumber{};
    switch (node.kind) {
      case Node::kInt:
        if (const auto* i = std::get_if<long long>(&item)) return field_i(*i, node.w);
        if (!std::isfinite(number)) return asterisks(node.w);
        return field_i(static_cast<long long>(number), node.w);
      case Node::kFixed:
        return field_f(number, node.w, node.d);
      default:
        return field_e(number, node.w, node.d);
    }
  }

  void put(const std::string& text) {
    record_.append(pending_blanks_, ' ');
    pending_blanks_ = 0;
    record_ += text;
  }
  void end_record() {
    out_ += record_;
    out_ += '\n';
    record_.clear();
    pending_blanks_ = 0;
  }

  std::span<const Arg> items_;
  std::size_t next_ = 0;
  bool consumed_any_ = false;
  std::string record_;
  std::size_t pending_blanks_ = 0;
  std::string out_;
};

}  // namespace

RefuseNonFinite::RefuseNonFinite() { ++refusals; }
RefuseNonFinite::~RefuseNonFinite() { --refusals; }

std::string format(std::string_view fmt, std::span<const Arg> items) {
  const std::vector<Node> nodes = FormatParser(fmt).parse();
  return FormatWriter(items).run(nodes);
}

}  // namespace kavro::ff
