// Scattering factors of the run's types: the table f(s), its listing and F(000).
#pragma once

#include <ostream>

#include "crystal/crystal.hpp"
#include "crystal/radiation.hpp"

namespace kavro {

// Fills `form_factor_table` for the `nf` types. X-rays: slot k holds f at the running sum
// s = 0 + 0.05 + .. (k additions) for as long as s stays within 6; slots
// beyond are 0. Neutrons: slot 0 holds b, the rest are 0.
void build_ftab(Crystal& crystal, const Radiation& radiation);

// True when some type has f'' = 0; the dispersion-corrected absorption
// coefficient is then not computed.
bool some_fpp_zero(const Crystal& crystal);

// F(000) = sum over the types of nat_cell(j) f_j(0), from `form_factor_table` (X-rays:
// without f'; neutrons: b).
float f000(const Crystal& crystal);

void write_xray_scattering_header(std::ostream& out);
void write_xray_type_block(const Crystal& crystal, int j, std::ostream& out);
void write_neutron_type_line(const Crystal& crystal, int j, std::ostream& out);
void write_f000(float value, std::ostream& out);

// The listing's scattering-factor block from the built `form_factor_table`: every type
// (X-rays after the header), then F(000).
void write_scattering_factors(const Crystal& crystal, const Radiation& radiation, std::ostream& out);

}  // namespace kavro
