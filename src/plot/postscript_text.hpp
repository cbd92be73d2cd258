// Text inside PostScript string literals "( ... )".
#pragma once

#include <string>
#include <string_view>

namespace kavro {

// Returns `text` ready to stand between "(" and ")" so that it prints exactly
// as typed: a backslash and every parenthesis without a partner get a
// backslash in front (balanced pairs are legal in a PostScript string and
// stay as they are), and control characters become octal escapes (\ooo), so
// each string stays on its own output line.
std::string postscript_string(std::string_view text);

}  // namespace kavro
