// Listing blocks of the reference-reflection table.
#include "scans/reference_table.hpp"

#include "format/fixed_format.hpp"

namespace kavro {

namespace {

// Column layouts (one blank, h k l, theta, then the columns of the kind):
//   cad4      1X,3I3,F8.3,2F10.2,F8.4,2F8.2,F8.2,F10.4,F10.2,E10.2
//   huber     1X,3I3,F8.3,2X,F10.0,F10.2,2F7.3,F7.2,F8.1,F8.3,F8.2,E10.2
//   huber_obs 1X,3I3,F8.3,2X,F10.0,F10.2,2F7.3,F7.2,F8.2,F7.3,F7.2,E10.2
//   neutron   1X,3I3,F8.3,F10.0,F10.2,2F7.3,F8.2,F8.3,F8.2,E10.2
constexpr const char* kLineFormat[] = {
    "(1X,3I3,F8.3,2F10.2,F8.4,2F8.2,F8.2,F10.4,F10.2,E10.2)",
    "(1X,3I3,F8.3,2X,F10.0,F10.2,2F7.3,F7.2,F8.1,F8.3,F8.2,E10.2)",
    "(1X,3I3,F8.3,2X,F10.0,F10.2,2F7.3,F7.2,F8.2,F7.3,F7.2,E10.2)",
    "(1X,3I3,F8.3,F10.0,F10.2,2F7.3,F8.2,F8.3,F8.2,E10.2)",
};

// Column titles, each right-aligned over its column.
constexpr const char* kHeader[] = {
    "   h  k  l   theta   I*omega        fc      A*       L       p ext-len    y-prim     t-ext      I0*q",
    "   h  k  l   theta     I*omega        fc     A*      L      p ext-len  y-prim   t-ext      I0*q",
    "   h  k  l   theta     I*omega        fc     A*      L      p ext-len  y-prim   t-ext      I0*q",
    "   h  k  l   theta   I*omega        fc     A*      L ext-len  y-prim   t-ext      I0*q",
};

int index(ReferenceLayout layout) { return static_cast<int>(layout); }

}  // namespace

std::string reference_header(ReferenceLayout layout) {
  return std::string("\n") + kHeader[index(layout)] + "\n\n";
}

std::string reference_line(ReferenceLayout layout, const Sample& sample, const ReferenceMeasurement& m, float F,
                           float absorption, const ReferenceEstimate& e) {
  const float ext_um = e.ext_length * 1.0e4f;
  const float path_um = e.t * mean_block_path(sample) * e.y * 1.0e4f;
  const float estimate = e.q * sample.cross_section_cm2;
  const float inverse_a = 1 / absorption;
  if (layout == ReferenceLayout::neutron) {
    return ff::format(kLineFormat[index(layout)],
                      {m.h, m.k, m.l, m.theta, m.intensity, F, inverse_a, e.lorentz, ext_um, e.y, path_um, estimate});
  }
  return ff::format(kLineFormat[index(layout)], {m.h, m.k, m.l, m.theta, m.intensity, F, inverse_a, e.lorentz,
                                                 e.polarization, ext_um, e.y, path_um, estimate});
}

// " Reference reflection  h  k  l gives no estimate of I0 (theta = ..., I = ..., F = ...)"
std::string reference_skipped(const ReferenceMeasurement& m, float F) {
  return ff::format(
      "(' Reference reflection',3I4,' gives no estimate of I0 (theta =',F9.3,', I =',E11.3,', F =',F10.2,')')",
      {m.h, m.k, m.l, m.theta, m.intensity, F});
}

}  // namespace kavro
