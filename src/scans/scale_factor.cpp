// Scale-factor block of the listing.
#include "scans/scale_factor.hpp"

#include "format/fixed_format.hpp"

namespace kavro {

namespace {

// (empty line)
//  Radius of the crystal (muemeter)       :  rkugel in micrometres (F10.5)
//  crystal cross section (mm**2)          :  area in mm2 (F10.5)
//  I0(K-alpha1+2; counts * mm-2 * sec-1)  :  I0 of the doublet (E10.4)    [tube]
//  I0(counts * mm-2 * sec-1)              :  I0 (E10.4)                   [other sources]
void write_reference_mean(const Radiation& radiation, const Sample& sample, std::ostream& out) {
  ff::write(out,
            "(/' Radius of the crystal (muemeter)       :',F10.5/' crystal cross section (mm**2)          :',F10.5)",
            {sample.rkugel * 1.0e4f, sample.area * 100});
  if (radiation.idesy == kTube) {
    ff::write(out, "(' I0(K-alpha1+2; counts * mm-2 * sec-1)  :',E10.4)", {0.01f * radiation.dimono * 1.5f});
  } else {
    ff::write(out, "(' I0(counts * mm-2 * sec-1)              :',E10.4)", {0.01f * radiation.dimono});
  }
}

//  Scale factor estimated from the incident intensity I0:
//  I0 (counts * mm-2 * sec-1)        :  I0 (E10.4)
//  Volume of the sample (mm-3)       :  V in mm3 (E10.4)      (Radius of the sample (mm):  R (F10.4) )
void write_default_intensity(const Radiation& radiation, const Sample& sample, std::ostream& out) {
  const float volume = 4.18879f * sample.rkugel * sample.rkugel * sample.rkugel;
  ff::write(out,
            "(' Scale factor estimated from the incident intensity I0:'/' I0 (counts * mm-2 * sec-1)        :',E10.4/"
            "' Volume of the sample (mm-3)       :',E10.4,5X,' (Radius of the sample (mm):',F10.4,' )')",
            {0.01f * radiation.dimono, 1000 * volume, 10 * sample.rkugel});
}

}  // namespace

void finish_scale_factor(MeasuredScan& measured) {
  if (measured.imin_obs < 0) measured.imin_obs = 0;
  if (measured.nref >= 1) measured.scale_sum /= static_cast<float>(measured.nref);
}

float incident_intensity(const MeasuredScan& measured, const Radiation& radiation) {
  return measured.nref >= 1 ? measured.scale_sum : radiation.dimono;
}

void write_scale_factor_block(const MeasuredScan& measured, const Radiation& radiation, const Sample& sample,
                              std::ostream& out, bool scan_file_read) {
  if (measured.nref >= 1) {
    write_reference_mean(radiation, sample, out);
    return;
  }
  if (scan_file_read) out << "\n There are no reference reflections in the file\n\n";
  write_default_intensity(radiation, sample, out);
}

}  // namespace kavro
