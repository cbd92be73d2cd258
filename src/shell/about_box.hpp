// The text of the About box.
#pragma once

#include <string>
#include <string_view>

namespace kavro::shell {

// 445 characters: the 45-character version line, then after a line feed each
// a 39-blank line, five lines about the program and its developers, a 39-blank
// line, a contact line (39 characters each) and a 79-character web line.
std::string about_text(std::string_view banner);

inline constexpr std::string_view kAboutTitle = "About KAVRO-99";

}  // namespace kavro::shell
