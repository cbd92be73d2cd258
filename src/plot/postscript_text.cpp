// Escaping of text written inside PostScript string literals.
#include "plot/postscript_text.hpp"

#include <vector>

namespace kavro {

namespace {

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7f; }

void append_octal(std::string& out, unsigned char c) {
  out += '\\';
  out += static_cast<char>('0' + ((c >> 6) & 7));
  out += static_cast<char>('0' + ((c >> 3) & 7));
  out += static_cast<char>('0' + (c & 7));
}

// Marks the parentheses that have no partner: a ")" with no open "(" before
// it, and every "(" still open at the end.
std::vector<bool> unpaired_parentheses(std::string_view text) {
  std::vector<bool> unpaired(text.size(), false);
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '(') {
      open.push_back(i);
    } else if (text[i] == ')') {
      if (open.empty()) {
        unpaired[i] = true;
      } else {
        open.pop_back();
      }
    }
  }
  for (const std::size_t i : open) unpaired[i] = true;
  return unpaired;
}

}  // namespace

std::string postscript_string(std::string_view text) {
  const std::vector<bool> unpaired = unpaired_parentheses(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    const auto c = static_cast<unsigned char>(ch);
    if (ch == '\\' || unpaired[i]) {
      out += '\\';
      out += ch;
    } else if (is_control(c)) {
      append_octal(out, c);
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace kavro
