// Scale-factor block of the listing.
#include "run/scale_factor_block.hpp"

#include "format/fixed_format.hpp"

namespace kavro {

namespace {

// (empty line)
//  Radius of the crystal (muemeter)       :  rkugel in micrometres (F10.5)
//  crystal cross section (mm**2)          :  area in mm2 (F10.5)
//  I0(K-alpha1+2; counts * mm-2 * sec-1)  :  I0 of the doublet (E10.4)    [tube]
//  I0(counts * mm-2 * sec-1)              :  I0 (E10.4)                   [other sources]
std::string reference_mean(const Radiation& radiation, const Sample& sample) {
  std::string text = ff::format(
      "(/' Radius of the crystal (muemeter)       :',F10.5/' crystal cross section (mm**2)          :',F10.5)",
      {sample.crystal_radius_cm * 1.0e4f, sample.cross_section_cm2 * 100});
  if (radiation.idesy == RadiationKind::tube) {
    return text + ff::format("(' I0(K-alpha1+2; counts * mm-2 * sec-1)  :',E10.4)", {0.01f * radiation.incident_flux_per_cm2_s * 1.5f});
  }
  return text + ff::format("(' I0(counts * mm-2 * sec-1)              :',E10.4)", {0.01f * radiation.incident_flux_per_cm2_s});
}

//  Scale factor estimated from the incident intensity I0:
//  I0 (counts * mm-2 * sec-1)        :  I0 (E10.4)
//  Volume of the sample (mm-3)       :  V in mm3 (E10.4)      (Radius of the sample (mm):  R (F10.4) )
std::string default_intensity(const Radiation& radiation, const Sample& sample) {
  const float volume = 4.18879f * sample.crystal_radius_cm * sample.crystal_radius_cm * sample.crystal_radius_cm;
  return ff::format(
      "(' Scale factor estimated from the incident intensity I0:'/' I0 (counts * mm-2 * sec-1)        :',E10.4/"
      "' Volume of the sample (mm-3)       :',E10.4,5X,' (Radius of the sample (mm):',F10.4,' )')",
      {0.01f * radiation.incident_flux_per_cm2_s, 1000 * volume, 10 * sample.crystal_radius_cm});
}

}  // namespace

std::string scale_factor_block(const MeasuredScan& measured, const Radiation& radiation, const Sample& sample,
                               bool scan_file_read) {
  if (measured.nref >= 1) return reference_mean(radiation, sample);
  const std::string no_references = scan_file_read ? "\n There are no reference reflections in the file\n\n" : "";
  return no_references + default_intensity(radiation, sample);
}

}  // namespace kavro
