// Writing the input lines.
#include "cif/native_input.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "format/input_reader.hpp"

namespace kavro::cif {

namespace {

constexpr std::size_t kTitleLength = 80;

std::string printed(const char* format, auto... values) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

// Line 7b: per row the translation, then the coefficients of x, y, z.
std::string operator_line(const SymOp& op) {
  std::string line;
  for (int j = 0; j < 3; ++j)
    line += printed("%s%.7f %2d %2d %2d", j == 0 ? "" : "   ", static_cast<double>(op.tran[j]) / kOpDen,
                    op.rot[j][0] / kOpDen, op.rot[j][1] / kOpDen, op.rot[j][2] / kOpDen);
  return line;
}

// Line 8, columns 1-4 symbol, 5-14 f' or the scattering length, 15-24 f''
// (F10.4); column 25 (i_u_b) stays blank: beta values follow.
std::string type_line(const InputType& type) {
  std::string line = printed("%-4s", type.symbol.c_str());
  if (type.dispersion) line += printed("%10.4f%10.4f", type.dispersion->fp, type.dispersion->fpp);
  if (type.length) line += printed("%10.4f", *type.length);
  return std::string(ff::trim_right(line));
}

// Rounding residue of the cell's cosines (1e-19 for 90 degrees) is written as 0.
double cleaned(double value, double scale) { return std::abs(value) < 1e-12 * scale ? 0 : value; }

std::string atom_lines(const InputAtom& atom) {
  const double scale = std::max({std::abs(atom.beta[0]), std::abs(atom.beta[1]), std::abs(atom.beta[2])});
  Tensor6 b{};
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = cleaned(atom.beta[i], scale);
  return printed("%4d %.7f %11.7f %11.7f %11.7f\n", atom.type, atom.afact, atom.x[0], atom.x[1], atom.x[2]) +
         printed("%.8g %.8g %.8g %.8g %.8g %.8g", b[0], b[1], b[2], b[3], b[4], b[5]);
}

}  // namespace

std::string input_text(const InputLines& lines) {
  std::string text = lines.title.substr(0, kTitleLength) + "\n" + lines.page_name + "\n";
  const UnitCell& c = lines.cell;
  text += printed("%.6f %.6f %.6f %.5f %.5f %.5f\n", c.a, c.b, c.c, c.alpha, c.beta, c.gamma);
  text += lines.radiation + "\n" + lines.sample + "\n";
  text += printed("%.3f %.3f %.6g 0 %.6g 0.\n", lines.psia, lines.psie, lines.steps, lines.drumin);
  text += printed("%d %zu %zu\n", lines.nr, lines.atoms.size(), lines.types.size());
  if (lines.nr > 230) {
    text += printed("%d %zu\n", lines.ic, lines.operators.size());
    for (const SymOp& op : lines.operators) text += operator_line(op) + "\n";
  }
  for (const InputType& type : lines.types) text += type_line(type) + "\n";
  for (const InputAtom& atom : lines.atoms) text += atom_lines(atom) + "\n";
  text += printed("%d %d %d 0. 0. 0. 0.\n", lines.hkl[0], lines.hkl[1], lines.hkl[2]);
  if (const auto& u = lines.orientation)
    for (std::size_t row = 0; row < 3; ++row)
      text += printed("%.9f %.9f %.9f\n", (*u)[3 * row], (*u)[3 * row + 1], (*u)[3 * row + 2]);
  return text;
}

}  // namespace kavro::cif
