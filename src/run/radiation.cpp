// Radiation set-up: wavelengths, band widths and constants of the source.
//
// Tube lines are K-alpha1 and K-alpha2 with weights 1 and 0.5; a synchrotron
// beam is one wavelength whose band width follows from the monochromator; a
// neutron beam is one wavelength with a given band width.
#include "run/radiation.hpp"

#include <utility>

#include "crystal/line_constants.hpp"
#include "crystal/monochromator.hpp"
#include "crystal/tube_lines.hpp"
#include "crystal/wavelength_band.hpp"
#include "format/input_reader.hpp"

namespace kavro {
namespace {

void set_tube(RunState& st, const TubeLines& tube) {
  set_tube_radiation(st.radiation, tube);
  st.measured.fatt = tube.fatt;
}

int read_synchrotron(RunState& st, std::string_view line4, std::string_view keyword) {
  set_synchrotron_constants(st.radiation, keyword == "2 ");
  st.measured.fatt = 1;
  int kind = radiation_kind_number(st.radiation.idesy);
  const int status = ff::read_list(line4, {&kind, &st.radiation.alam1, &st.radiation.amono, &st.radiation.hmono,
                                           &st.radiation.kmono, &st.radiation.lmono, &st.radiation.fmono});
  st.radiation.idesy = radiation_kind_of(kind);
  if (status != 0) return status;
  set_monochromator(st.radiation);
  return 0;
}

int read_neutrons(RunState& st, std::string_view line4) {
  set_neutron_constants(st.radiation);
  st.measured.fatt = 1;
  int kind = radiation_kind_number(st.radiation.idesy);
  const int status = ff::read_list(line4, {&kind, &st.radiation.alam1, &st.radiation.dlam1});
  st.radiation.idesy = radiation_kind_of(kind);
  return status;
}

int read_explicit_lines(RunState& st, std::string_view line4) {
  set_explicit_line_constants(st.radiation);
  st.measured.fatt = 1;
  const int status = ff::read_list(line4, {&st.radiation.alam1, &st.radiation.dlam1, &st.radiation.flam1,
                                           &st.radiation.alam2, &st.radiation.dlam2, &st.radiation.flam2});
  if (status != 0) return status;
  // Line 1 is the shorter wavelength.
  if (st.radiation.alam2 < st.radiation.alam1) {
    std::swap(st.radiation.alam1, st.radiation.alam2);
    std::swap(st.radiation.dlam1, st.radiation.dlam2);
    std::swap(st.radiation.flam1, st.radiation.flam2);
  }
  return 0;
}

}  // namespace

int select_radiation(RunState& st, std::string_view line4) {
  const std::string_view keyword = line4.substr(0, 2);
  st.radiation.wavind = std::string(keyword);
  if (const TubeLines* tube = find_tube(keyword)) {
    set_tube(st, *tube);
    return 0;
  }
  if (keyword == "1 " || keyword == "2 ") return read_synchrotron(st, line4, keyword);
  if (keyword == "3 ") return read_neutrons(st, line4);
  return read_explicit_lines(st, line4);
}

void wavelength_band(RunState& st) {
  set_wavelength_band(st.radiation);
}

}  // namespace kavro
