// The program's input file (lines 1 to 10) for a converted crystal.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cif/basis.hpp"
#include "cif/crystal.hpp"
#include "cif/dispersion.hpp"
#include "engine/experiment.hpp"

namespace kavro::cif {

// One scattering type, line 8.
struct InputType {
  std::string symbol;                     // table symbol, at most 4 characters
  std::optional<Dispersion> dispersion;   // X-rays: f', f'' to write (none: the table's)
  std::optional<double> length;           // neutrons: coherent length to write (none: the table's)
};

// One atom, lines 9: type number (1-based), multiplier, position, beta form.
struct InputAtom {
  int type = 1;
  double afact = 1;
  Vector3 x{};
  Tensor6 beta{};
};

struct InputLines {
  std::string title;          // line 1, cut to 80 characters
  std::string page_name;      // line 2
  UnitCell cell;              // line 3
  std::string radiation;      // line 4
  std::string sample;         // line 5
  double psia = -180, psie = 180, steps = 20, drumin = 1;  // line 6 (nnn 0, zeimax 0)
  int nr = 1;                 // line 7; above 230 the operators follow (lines 7a, 7b)
  int ic = 2;
  std::vector<SymOp> operators;
  std::vector<InputType> types;
  std::vector<InputAtom> atoms;
  std::array<int, 3> hkl{};   // line 10, F and phase to be computed
  std::optional<std::array<double, 9>> orientation;  // line 11, UB by rows
};

std::string input_text(const InputLines& lines);

// The experiment a run of input_text(lines) reads, with the radiation and
// the sample of lines 4 and 5 as written_radiation and written_sample give
// them: every number as its printed digits give it back, so that preparing it
// gives the run's calculation bit for bit.
Experiment written_experiment(const InputLines& lines, const Radiation& radiation, const Sample& sample);

}  // namespace kavro::cif
