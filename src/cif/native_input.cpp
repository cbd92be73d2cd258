// Writing the input lines, and the values a run reads back from them.
#include "cif/native_input.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cif/written_value.hpp"
#include "crystal/bravai.hpp"
#include "crystal/monochromator.hpp"
#include "engine/event_store.hpp"
#include "format/input_reader.hpp"

namespace kavro::cif {

namespace {

constexpr std::size_t kTitleLength = 80;

// Formats of the numbers the lines hold.
constexpr const char* kEdgeFormat = "%.6f";
constexpr const char* kAngleFormat = "%.5f";
constexpr const char* kPsiFormat = "%.3f";
constexpr const char* kStepsFormat = "%.6g";
constexpr const char* kThresholdFormat = "%.6g";
constexpr const char* kTranslationFormat = "%.7f";
constexpr const char* kTypeValueFormat = "%10.4f";
constexpr const char* kMultiplierFormat = "%.7f";
constexpr const char* kPositionFormat = "%11.7f";
constexpr const char* kBetaFormat = "%.8g";
constexpr const char* kOrientationFormat = "%.9f";

std::string printed(const char* format, auto... values) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

double translation(const SymOp& op, std::size_t row) { return static_cast<double>(op.tran[row]) / kOpDen; }

// Line 7b: per row the translation, then the coefficients of x, y, z.
std::string operator_line(const SymOp& op) {
  std::string line;
  for (std::size_t j = 0; j < 3; ++j)
    line.append(j == 0 ? "" : "   ")
        .append(printed(kTranslationFormat, translation(op, j)))
        .append(printed(" %2d %2d %2d", op.rot[j][0] / kOpDen, op.rot[j][1] / kOpDen, op.rot[j][2] / kOpDen));
  return line;
}

// Line 8, columns 1-4 symbol, 5-14 f' or the scattering length, 15-24 f''
// (F10.4); column 25 (i_u_b) stays blank: beta values follow.
std::string type_line(const InputType& type) {
  std::string line = printed("%-4s", type.symbol.c_str());
  if (type.dispersion)
    line += printed(kTypeValueFormat, type.dispersion->fp) + printed(kTypeValueFormat, type.dispersion->fpp);
  if (type.length) line += printed(kTypeValueFormat, *type.length);
  return std::string(ff::trim_right(line));
}

// Rounding residue of the cell's cosines (1e-19 for 90 degrees) is written as 0.
double cleaned(double value, double scale) { return std::abs(value) < 1e-12 * scale ? 0 : value; }

Tensor6 written_beta(const InputAtom& atom) {
  const double scale = std::max({std::abs(atom.beta[0]), std::abs(atom.beta[1]), std::abs(atom.beta[2])});
  Tensor6 b{};
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = cleaned(atom.beta[i], scale);
  return b;
}

std::string atom_lines(const InputAtom& atom) {
  std::string text = printed("%4d ", atom.type) + printed(kMultiplierFormat, atom.afact);
  for (const double x : atom.x) text.append(" ").append(printed(kPositionFormat, x));
  text += "\n";
  const Tensor6 b = written_beta(atom);
  for (std::size_t i = 0; i < b.size(); ++i) text.append(i == 0 ? "" : " ").append(printed(kBetaFormat, b[i]));
  return text;
}

std::string numbers_line(const char* format, std::initializer_list<double> values) {
  std::string line;
  for (const double v : values) line.append(line.empty() ? "" : " ").append(printed(format, v));
  return line;
}

// Line 7 onwards as the reader takes them: the cell, the symmetry (the table's
// operators follow from nr when prepared), the types and the atoms.
Crystal written_crystal(const InputLines& lines, bool neutrons) {
  Crystal c;
  c.a = written_value(kEdgeFormat, lines.cell.a);
  c.b = written_value(kEdgeFormat, lines.cell.b);
  c.c = written_value(kEdgeFormat, lines.cell.c);
  c.alpha = written_value(kAngleFormat, lines.cell.alpha);
  c.beta = written_value(kAngleFormat, lines.cell.beta);
  c.gamma = written_value(kAngleFormat, lines.cell.gamma);
  c.nr = lines.nr;
  c.na = static_cast<int>(lines.atoms.size());
  c.nf = static_cast<int>(lines.types.size());
  make_room(c);
  if (lines.nr > 230) {
    c.ic = lines.ic;
    c.ns = static_cast<int>(lines.operators.size());
    for (std::size_t n = 0; n < lines.operators.size() && n < c.symt.size(); ++n)
      for (std::size_t j = 0; j < 3; ++j) {
        c.symt[n][j] = written_value(kTranslationFormat, translation(lines.operators[n], j));
        for (std::size_t k = 0; k < 3; ++k) c.symr[n][j][k] = static_cast<float>(lines.operators[n].rot[j][k] / kOpDen);
      }
    c.space_group_symbol.assign(30, ' ');
    c.space_group_symbol[0] = 'P';
  }
  for (std::size_t j = 0; j < lines.types.size(); ++j) {
    const InputType& type = lines.types[j];
    c.atn[j] = (type.symbol + "    ").substr(0, 4);
    if (type.dispersion) {
      c.fp[j] = written_value(kTypeValueFormat, type.dispersion->fp);
      if (!neutrons) c.fpp[j] = written_value(kTypeValueFormat, type.dispersion->fpp);
    }
    if (type.length) c.fp[j] = written_value(kTypeValueFormat, *type.length);
  }
  for (std::size_t i = 0; i < lines.atoms.size(); ++i) {
    const InputAtom& atom = lines.atoms[i];
    c.fnr[i] = static_cast<float>(atom.type);
    c.afact[i] = written_value(kMultiplierFormat, atom.afact);
    for (std::size_t k = 0; k < 3; ++k) c.xyz[i][k] = written_value(kPositionFormat, atom.x[k]);
    const Tensor6 b = written_beta(atom);
    for (std::size_t k = 0; k < b.size(); ++k) c.bt[i][k] = written_value(kBetaFormat, b[k]);
  }
  return c;
}

}  // namespace

std::string input_text(const InputLines& lines) {
  std::string text = lines.title.substr(0, kTitleLength) + "\n" + lines.page_name + "\n";
  const UnitCell& c = lines.cell;
  text += numbers_line(kEdgeFormat, {c.a, c.b, c.c}) + " " + numbers_line(kAngleFormat, {c.alpha, c.beta, c.gamma}) + "\n";
  text += lines.radiation + "\n" + lines.sample + "\n";
  text += numbers_line(kPsiFormat, {lines.psia, lines.psie}) + " " + printed(kStepsFormat, lines.steps) + " 0 " +
          printed(kThresholdFormat, lines.drumin) + " 0.\n";
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
      text += numbers_line(kOrientationFormat, {(*u)[3 * row], (*u)[3 * row + 1], (*u)[3 * row + 2]}) + "\n";
  return text;
}

Experiment written_experiment(const InputLines& lines, const Radiation& radiation, const Sample& sample) {
  Experiment e;
  e.crystal = written_crystal(lines, radiation.idesy == RadiationKind::neutrons);
  e.radiation = radiation;
  e.sample = sample;
  set_monochromator_band(e.radiation, e.sample);
  e.grid.psia = written_value(kPsiFormat, lines.psia);
  e.grid.psie = written_value(kPsiFormat, lines.psie);
  e.grid.zsw1 = written_value(kStepsFormat, lines.steps);
  e.grid.steps_per_degree = std::fabs(e.grid.zsw1);
  e.grid.step_count = static_cast<int>(std::round(static_cast<double>((e.grid.psie - e.grid.psia) * e.grid.steps_per_degree)));
  e.options.max_stored_events = kMaxStoredEvents;  // the listing's store, as a run of the file has it
  e.options.drumin = written_value(kThresholdFormat, lines.drumin);
  e.primary.h = lines.hkl[0];
  e.primary.k = lines.hkl[1];
  e.primary.l = lines.hkl[2];
  if (const auto& u = lines.orientation) {
    e.primary.ub_given = true;
    for (std::size_t i = 0; i < u->size(); ++i) e.primary.ubm[i] = written_value(kOrientationFormat, (*u)[i]);
  }
  return e;
}

}  // namespace kavro::cif
