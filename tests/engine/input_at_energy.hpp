// The Si 2 2 2 synchrotron example written at another photon energy as the
// CIF converter writes an input: the wavelength on line 4, Cromer-Liberman's
// f' and f'' of that energy (six decimals rather than the converter's four, so
// that comparisons are not limited by them), F-prim given or 0 (computed).
#pragma once

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cif/dispersion.hpp"

namespace kavro::testing {

inline std::string si222_input_at(double energy_kev, bool f_prim_given) {
  std::ifstream in(std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "1 %.6f  5.43 1 1 1 58.19", 12.398419843 / energy_kev);
  lines[3] = buffer;
  const cif::Dispersion d = cif::anomalous_scattering(14, energy_kev * 1000);
  std::snprintf(buffer, sizeof buffer, "Siva%10.6f%10.6f", d.fp, d.fpp);
  lines[7] = buffer;
  lines[16] = f_prim_given ? "2  2  2   1.5    0. 176.0   176.1" : "2  2  2   0.     0. 176.0   176.1";
  std::ostringstream text;
  for (const std::string& line : lines) text << line << '\n';
  return text.str();
}

}  // namespace kavro::testing
