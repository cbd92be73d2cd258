// Conversion of a crystal read from a CIF into the program's input file.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cif/crystal.hpp"
#include "cif/radiation_choice.hpp"
#include "cif/space_group_expression.hpp"
#include "engine/experiment.hpp"

namespace kavro::cif {

// What the command line chooses besides the crystal.
struct ConversionSettings {
  std::array<int, 3> hkl{};  // primary reflection, indices on the file's cell
  RadiationChoice radiation;
  SampleChoice sample;
  double psia = -180, psie = 180;  // psi range (degrees), a full turn by default
  double steps = 20;               // psi steps per degree
  double drumin = 1;               // intensity threshold (cps) of the listed events
  std::string page_name;           // PostScript file, line 2
  // Reciprocal-lattice vector (indices on the file's cell) whose part
  // perpendicular to the primary marks psi = 0; none: the run's own reference
  // direction.
  std::optional<std::array<double, 3>> azimuth_reference;
};

struct Conversion {
  std::string input;                // the input file's text
  Experiment experiment;            // what a run reads from it
  SpaceGroupExpression space_group;
  std::array<int, 3> hkl{};         // the primary reflection as written
  std::vector<std::string> summary; // how the symmetry is written, and the reflection if it moved
  std::vector<std::string> notes;   // every assumption of the reader and the converter
};

// Throws CifError for anything the input cannot express: a group that needs
// more than 24 explicit operators, an element without scattering data,
// displacement parameters that are not positive definite, a primary
// reflection that the table's cell lacks, an azimuth reference parallel to
// the primary reflection.
Conversion convert_crystal(const CifCrystal& crystal, const ConversionSettings& settings);

}  // namespace kavro::cif
