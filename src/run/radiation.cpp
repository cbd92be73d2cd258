// Radiation set-up: wavelengths, band widths and constants of the source.
//
// Tube lines are K-alpha1 and K-alpha2 with weights 1 and 0.5; a synchrotron
// beam is one wavelength whose band width follows from the monochromator; a
// neutron beam is one wavelength with a given band width.
#include "run/radiation.hpp"

#include <utility>

#include "crystal/monochromator.hpp"
#include "crystal/wavelength_band.hpp"
#include "format/input_reader.hpp"

namespace kavro {
namespace {

struct TubeLines {
  const char* symbol;
  float alam1, dlam1, alam2, dlam2, fatt, pmono;
};

constexpr TubeLines kTubes[] = {
    {"Cu", 1.540598f, 0.000306f, 1.544426f, 0.000413f, 12.179f, 0.89423f},
    {"Mo", 0.7093f, 0.00041f, 0.71359f, 0.00045f, 16.68f, 0.97749f},
    {"Ag", 0.55942f, 0.00048f, 0.563811f, 0.00052f, 13.95f, 0.986f},
};

void set_tube(RunState& st, const TubeLines& tube) {
  st.radiation.idesy = kTube;
  st.radiation.alam1 = tube.alam1;
  st.radiation.dlam1 = tube.dlam1;
  st.radiation.flam1 = 1;
  st.radiation.alam2 = tube.alam2;
  st.radiation.dlam2 = tube.dlam2;
  st.radiation.flam2 = 0.5f;
  st.measured.fatt = tube.fatt;
  st.radiation.pmono = tube.pmono;
  st.radiation.dimono = 2e9f;
  st.radiation.polsig = 0;
}

// The constants every non-tube kind shares.
void set_single_line(RunState& st) {
  st.radiation.flam1 = 1;
  st.measured.fatt = 1;
  st.radiation.pmono = 1;
  st.radiation.wavind = "dl";
}

int read_synchrotron(RunState& st, std::string_view line4, std::string_view keyword) {
  set_single_line(st);
  st.radiation.polsig = keyword == "1 " ? 1.f : -1.f;
  const int status =
      ff::read_list(line4, {&st.radiation.idesy, &st.radiation.alam1, &st.radiation.amono, &st.radiation.hmono,
                            &st.radiation.kmono, &st.radiation.lmono, &st.radiation.fmono});
  if (status != 0) return status;
  set_monochromator(st.radiation);
  return 0;
}

int read_neutrons(RunState& st, std::string_view line4) {
  set_single_line(st);
  st.radiation.polsig = 1;
  st.radiation.dimono = 1e12f;
  return ff::read_list(line4, {&st.radiation.idesy, &st.radiation.alam1, &st.radiation.dlam1});
}

int read_explicit_lines(RunState& st, std::string_view line4) {
  set_single_line(st);
  st.radiation.idesy = kTube;
  st.radiation.dimono = 2e9f;
  st.radiation.polsig = 0;
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
  for (const TubeLines& tube : kTubes)
    if (keyword == tube.symbol) {
      set_tube(st, tube);
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
