// The parameters a fit of the simulated scan can free, and their values.
#pragma once

#include <array>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

enum class FitParameter { offset, energy, scale, background, eta, divergence, cell };

inline constexpr std::array<FitParameter, 7> kFitParameters = {
    FitParameter::offset, FitParameter::energy,     FitParameter::scale, FitParameter::background,
    FitParameter::eta,    FitParameter::divergence, FitParameter::cell};

// The name on the command line: offset, energy, scale, background, eta, divergence, cell.
std::string_view parameter_name(FitParameter p);

// The unit the value is given in, for the report.
std::string_view parameter_unit(FitParameter p);

// "offset,scale,..." as parameters in the order given; false with `error`
// naming an unknown or repeated name.
bool parse_free_parameters(std::string_view list, std::vector<FitParameter>& free, std::string& error);

// What the model of the measured scan is computed from:
//   I(psi) = scale * Icalc(psi - offset) + background,
// Icalc the simulated scan for the crystal with its cell edges times
// (1 + cell), the radiation with its energy times (1 + energy) and the sample
// with mosaic spread eta and both divergences `divergence`.
struct ModelValues {
  double offset = 0;  // degrees: where the measurement has psi = 0 of the calculation
  double energy = 0;  // relative change of the photon energy (or neutron 1/lambda)
  double scale = 1;
  double background = 0;  // cps
  double eta = 0;         // mosaic spread (degrees)
  double divergence = 0;  // beam divergence in and normal to the diffraction plane (degrees)
  double cell = 0;        // relative change of the cell edges

  double& operator[](FitParameter p);
  double operator[](FitParameter p) const { return const_cast<ModelValues&>(*this)[p]; }
};

// A closed interval a parameter is searched in and must end inside.
struct ParameterRange {
  double low = -std::numeric_limits<double>::infinity();
  double high = std::numeric_limits<double>::infinity();
  bool contains(double x) const { return low <= x && x <= high; }
};

// "name=value,..." (--start): every named parameter's value set in `values`
// and the parameter added to `given`; false with `error` naming a bad item.
bool parse_start_values(std::string_view list, ModelValues& values, std::vector<FitParameter>& given,
                        std::string& error);

// The ranges of --range "energy=A:B,offset=A:B" (also cell=A:B): false with
// `error` naming a bad item or an empty range.
struct SearchRanges {
  ParameterRange offset;              // degrees; unbounded: the psi window's width either way
  ParameterRange shift{-0.005, 0.005};  // the energy or the cell, relative
  bool offset_given = false, shift_given = false;
};
bool parse_ranges(std::string_view list, SearchRanges& ranges, std::string& error);

// Whether a parameter moves the events, so that they must be searched again.
inline bool moves_events(FitParameter p) { return p == FitParameter::energy || p == FitParameter::cell; }
// Whether a parameter changes the widths and intensities of the events.
inline bool changes_widths(FitParameter p) { return p == FitParameter::eta || p == FitParameter::divergence; }

}  // namespace kavro
