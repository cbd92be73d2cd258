// Numbers of the data files: the shortest decimal text that reads back as the
// same value, so that a table holds exactly what the program computed.
#pragma once

#include <string>

namespace kavro {

std::string shortest_text(float value);
std::string shortest_text(double value);

// The double whose shortest text is that of the float: 0.1f becomes 0.1, not
// 0.10000000149011612.
double as_decimal_double(float value);

}  // namespace kavro
