// Text from files for places that need UTF-8 (an HTML page, a Python
// string): a title written in Latin-1 or any other single-byte encoding
// would make them invalid. The listing keeps the bytes as they were read.
#pragma once

#include <string>
#include <string_view>

namespace kavro::ff {

// The text with every byte that starts no valid UTF-8 sequence (overlong
// forms, surrogates and code points above U+10FFFF included) replaced by
// U+FFFD, the replacement character; valid text comes back unchanged.
std::string utf8_text(std::string_view text);

}  // namespace kavro::ff
