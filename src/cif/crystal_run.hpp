// What a run of a crystal file needs besides its converted input: the check of
// the chosen settings, the name of the page and the report of the conversion
// that heads the listing.
#pragma once

#include <filesystem>
#include <string>

#include "cif/conversion.hpp"
#include "cif/crystal.hpp"

namespace kavro::cif {

// Throws CifError for settings no run accepts: the primary reflection 0 0 0,
// no psi steps, a negative threshold, a value that is no finite number, or a
// psi range outside -180..180 (tubes) or outside both -180..180 and 0..360
// (the other radiations).
void check_settings(const ConversionSettings& settings);

// The PostScript page of the input file `input`: its name with ".ps". Throws
// CifError when the name does not fit the input's 72 characters.
std::string page_file_name(const std::filesystem::path& input);

// The crystal's name and symmetry, how the conversion wrote it and every
// assumption, one line each.
std::string conversion_report(const CifCrystal& crystal, const Conversion& conversion);

}  // namespace kavro::cif
