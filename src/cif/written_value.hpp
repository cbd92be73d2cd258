// A number as a run of the written input file gets it back: printed with the
// format the file is written in, then read as the input reader reads it.
#pragma once

namespace kavro::cif {

// `format` is a printf format of one double ("%.6f"). A value whose text no
// run reads (not finite) gives NaN.
float written_value(const char* format, double value);

}  // namespace kavro::cif
