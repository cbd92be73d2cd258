// Listing blocks of the multiple-diffraction calculation, written through the
// fixed-format writer; each function's layout is given above it.
#include "engine/engine_listing.hpp"

#include <cmath>
#include <string>

#include "crystal/run_stop.hpp"
#include "crystal/units.hpp"
#include "format/fixed_format.hpp"

namespace kavro {

float listed_phase(float radians) {
  float deg = radians * kLegacyRadToDeg;
  if (deg > 180) deg -= 360;
  return deg;
}

float listed_triplet_phase(float radians) {
  float deg = radians * kLegacyRadToDeg;
  for (int i = 0; i < 2 && deg > 180; ++i) deg -= 360;
  return deg;
}

//   (empty)(empty)
//                       *** Multiple diffraction events ***
//   (empty)
//              calculated for the primary reflection:  h  k  l        3I3
//   (empty)
//    wavelength        :F8.5 / deltalambda/lambda:F8.5
//   (empty)
//    divergence of the primary beam / parallel ...:F6.4 / normal ...:F6.4
//   (empty)
//    mosaic spread (degrees)  :F7.3 / mosaic block radius (mue):F7.2
//    Maximum possible h, k, l  :3I5 / Reference direction       :3F5.1,3X
//    Psi=0 difference between diffractometer and reference direction: PsiD =F8.2
void write_pass_header(std::ostream& out, const Primary& primary, const Sample& sample, const PassResult& pass) {
  ff::write(out,
            "(//20X,'*** Multiple diffraction events ***'//"
            "'           calculated for the primary reflection:',3I3//"
            "' wavelength        :',F8.5/' deltalambda/lambda:',F8.5//"
            "' divergence of the primary beam'/"
            "' parallel to the scattering plane of the primary reflection:',F6.4/"
            "' normal   to the scattering plane of the primary reflection:',F6.4//"
            "' mosaic spread (degrees)  :',F7.3/' mosaic block radius (mue):',F7.2/"
            "' Maximum possible h, k, l  :',3I5/' Reference direction       :',3F5.1,3X/"
            "' Psi=0 difference between diffractometer and reference direction: PsiD =',F8.2)",
            {primary.h, primary.k, primary.l, pass.constants.line.wavelength_A, pass.constants.line.dlambda_over_lambda, sample.diverp,
             sample.divers, sample.eta, sample.radius, pass.bounds.hmax, pass.bounds.kmax, pass.bounds.lmax,
             primary.reference_direction[0], primary.reference_direction[1], primary.reference_direction[2], primary.psi_offset_deg});
}

//   (empty)(empty)
//    theta / Interplanar spacing / fcalc / calculated intensity / measured
//    intensity +/- error in the psi-interval / phase / Lorentz-factor /
//    absorption factor / FWHM (theta-scan) of the primary reflection,
//    Darwin-width of the monochromator
//   (empty)(empty)
//    Multiple diffraction-events with intensity greater than F10.4
//   (empty)
//   column header of the event table
//   (empty)
void write_primary_block(std::ostream& out, const Radiation& radiation, const Primary& primary,
                         const MeasuredScan& measured, const CalculationOptions& options, const PassResult& pass) {
  const PassConstants& pc = pass.constants;
  const PrimaryReflection& pr = pass.primary;
  const float darwin_width = kLegacyRadToDeg * radiation.monochromator_dlambda_over_lambda * std::tan(radiation.monochromator_theta_rad);
  ff::write(out,
            "(//' theta                of the primary reflection:',F7.2/"
            "' Interplanar spacing  of the primary reflection:',F7.4/"
            "' fcalc                of the primary reflection:',F7.2/"
            "' calculated intensity of the primary reflection:',F12.2/"
            "' measured intensity   of the primary reflection:',F12.2,' +/- ',F8.2,2X,'in the psi-interval:',2F10.3/"
            "' phase                of the primary reflection:',F7.2/"
            "' Lorentz-factor       of the primary reflection:',F7.2/"
            "' absorption factor    of the primary reflection:',F7.2/"
            "' FWHM (theta-scan)    of the primary reflection:',F7.3/"
            "' Darwin-width         of the monochromator     :',F7.5///"
            "' Multiple diffraction-events with intensity greater than',F10.4//"
            "2(3X,'H',3X,'K',3X,'L',6X,'F',5X,'phi',2X,'THETA'),6X,'Ikavro',6X,'Iaufhe',3X,'p12',1X,' abs*',5X,"
            "3X,'TRPHI',5X,' PSI',2X,'FWHM',4X,'BETA'/)",
            {pc.theta1 * kLegacyRadToDeg, primary.d_spacing_A, primary.f, pr.intensity, measured.iprim_obs,
             measured.err_prim_obs, primary.psi1, primary.psi2, primary.phase_rad * kLegacyRadToDeg, pr.lorentz, pc.absorption1,
             (pr.chi_hi_rad - pr.chi_lo_rad) * kLegacyRadToDeg, darwin_width, options.drumin});
}

// 2(3I4,F8.2,F7.1,F7.2), 2F12.2, 2F6.2, A5, F8.2, F9.3, F6.3, F8.2:
// h2 F phi THETA, h3 F phi THETA, Ikavro Iaufhe (per degree of FWHM), p12,
// 1/sqrt(A2 A3), "i-o"/"o-i", TRPHI, PSI, FWHM, BETA.
void write_event_line(std::ostream& out, const EventRecord& r) {
  ff::write(out, "(3I4,F8.2,F7.1,F7.2,3I4,F8.2,F7.1,F7.2,2F12.2,2F6.2,A5,F8.2,F9.3,F6.3,F8.2)",
            {r.h2[0],
             r.h2[1],
             r.h2[2],
             r.f2,
             listed_phase(r.phase2),
             r.theta2 * kLegacyRadToDeg,
             r.h3[0],
             r.h3[1],
             r.h3[2],
             r.f3,
             listed_phase(r.phase3),
             r.theta3 * kLegacyRadToDeg,
             r.ik_s2 / r.fwhm,
             r.ia_s2 / r.fwhm,
             r.p12,
             1.0f / r.absorption,
             r.crossing == 1 ? "i-o" : "o-i",
             listed_triplet_phase(r.trphi),
             r.psi,
             r.fwhm,
             r.beta});
}

//   (empty)(empty)
//    Number of events in a 360 degree scan (extinct/non extinct)   ...:I7
//    Number of operative reflections (Prager formula)             ...:I7
void write_event_counts(std::ostream& out, const PassResult& pass) {
  ff::write(out,
            "(//' Number of events in a 360 degree scan (extinct/non extinct)                    :',I7/"
            "' Number of operative reflections (Prager formula)',31X,':',I7)",
            {pass.store.nevt, pass.prager});
}

//   (empty)(empty)
//    Deviation between calculated and measured psi    :F8.3
//   (empty)
//    Maximum background corrected measured intensity (cps)    :F10.2  +/-  F7.2 at psi =F8.3
//    Measured I-prim ... (cps)    :F10.2  +/-  F7.2 in the psi interval:2F10.3
//    Minimum background corrected measured intensity (cps)    :F10.2  +/-  F7.2 at psi =F8.3
//    Background ... (cps)    :F10.2
//   (empty)
void write_measured_comparison(std::ostream& out, const Primary& primary, const MeasuredScan& measured,
                               const CalculatedScan& calculated) {
  ff::write(out, "(//' Deviation between calculated and measured psi    :',F8.3)", {calculated.deviation});
  if (calculated.deviation_undetermined)
    out << " (not determined: no psi shift below 0.1 degree fits the measured scan; 0 is printed)\n";
  ff::write(out,
            "(/' Maximum background corrected measured intensity (cps)    :',F10.2,'  +/-  ',F7.2,' at psi =',F8.3/"
            "' Measured I-prim                                 (cps)    :',F10.2,'  +/-  ',F7.2,"
            "' in the psi interval:',2F10.3/"
            "' Minimum background corrected measured intensity (cps)    :',F10.2,'  +/-  ',F7.2,' at psi =',F8.3/"
            "' Background                                      (cps)    :',F10.2/)",
            {measured.imax_obs, measured.err_max_obs, measured.psi_max_obs, measured.iprim_obs,
             measured.err_prim_obs, primary.psi1, primary.psi2, measured.imin_obs, measured.err_min_obs,
             measured.psi_min_obs, measured.bg_obs});
}

//   (empty)
//    Maximum calculated intensity ... (cps)    :F10.2    at psi =F8.3
//    I-prim ... (cps)    :F10.2
//    Minimum calculated intensity ... (cps)    :F10.2    at psi =F8.3
//   (empty)
void write_calculated_extremes(std::ostream& out, const CalculatedScan& calculated) {
  ff::write(out,
            "(/' Maximum calculated intensity                    (cps)    :',F10.2,'    at psi =',F8.3/"
            "' I-prim                                          (cps)    :',F10.2/"
            "' Minimum calculated intensity                    (cps)    :',F10.2,'    at psi =',F8.3/)",
            {calculated.imax_calc, calculated.psi_max_calc, calculated.iprim_calc, calculated.imin_calc,
             calculated.psi_min_calc});
}

//    Scan calculated for
//    psia / psie / number of steps per degree  :F8.3
//    phase shift interval factor :I5
void write_scan_settings(std::ostream& out, const PsiGrid& grid, const CalculationOptions& options) {
  ff::write(out,
            "(' Scan calculated for'/' psia                        :',F8.3/"
            "' psie                        :',F8.3/' number of steps per degree  :',F8.3)",
            {grid.psia, grid.psie, grid.steps_per_degree});
  ff::write(out, "(' phase shift interval factor :',I5)", {options.nnn});
}

//   (empty)(empty)
//    Number of multiple diffraction events in the 360 degree psi-scan
//    (K-alpha1 + K-alpha2) with intensity > E10.2 : I10      (tube)
//    with intensity > E10.2 : I10                            (other sources)
void write_scan_event_count(std::ostream& out, const Radiation& radiation, const CalculatedScan& calculated,
                            const CalculationOptions& options) {
  const char* format = radiation.idesy == RadiationKind::tube
                           ? "(//' Number of multiple diffraction events in the 360 degree psi-scan'/"
                             "' (K-alpha1 + K-alpha2) with intensity > ',E10.2,' : ',I10)"
                           : "(//' Number of multiple diffraction events in the 360 degree psi-scan'/"
                             "' with intensity > ',E10.2,' : ',I10)";
  ff::write(out, format, {options.scan_threshold_cps, calculated.nscan});
}

void write_no_events(std::ostream& out) {
  ff::write(out,
            "(//' The number of multiple diffraction events with intensities > 0.01 times drumin is zero!'/"
            "' No graphical output is produced.'/' Please decrease drumin on the seventh input line')");
}

void stop_not_finite(const Notes& notes, std::string_view what, std::string_view lines) {
  notes.warning("\n\n " + std::string(what) + " gives no finite number,\n check the " + std::string(lines) +
                " of the input-file!\n");
  throw RunStop(std::string(what) + " gives no finite number");
}

//   (empty)(empty)
//    The cell is to large for the wavelength: the search for events would test E10.3 reflections
//    (Maximum possible h, k, l: 3I12) where I12 reflections and indices up to I7 can be searched,
//    check the third and the fourth line of the input-file!
void stop_search_too_large(const Notes& notes, const IndexBounds& bounds, std::int64_t max_reflections) {
  notes.warning(ff::format(
      "(//' The cell is to large for the wavelength: the search for events would test',E10.3,' reflections'/"
      "' (Maximum possible h, k, l:',3I12,') where',I12,' reflections and indices up to',I7,' can be searched,'/"
      "' check the third and the fourth line of the input-file!')",
      {bounds.reflections(), bounds.hmax, bounds.kmax, bounds.lmax, max_reflections, kLargestSearchIndex}));
  throw RunStop("the reciprocal-lattice box of the wavelength holds too many reflections to search");
}

void stop_work_limit(const Notes& notes, std::int64_t limit) {
  const std::string terms = "The calculation needs more than the " + std::to_string(limit) + " terms this run may compute";
  notes.warning("\n\n " + terms + ",\n check the input-file!\n");
  throw RunStop(terms);
}

namespace {

std::string store_overflow_text() {
  return ff::format("(' the number of output lines is to large'/' please increase drumin on the seventh input line')");
}

}  // namespace

void stop_store_overflow(const Notes& notes) { stop_with_text(notes, store_overflow_text()); }

//   (empty)
//    the number of output lines is to large / please increase drumin ...
//    Warning: the listing holds the first I7 events found; the event table holds all of them
void write_fast_path_line(std::ostream& out) {
  out << "\n Fast path of a large cell: far profile tails interpolated, the scan within 1e-5 of its maximum"
         " (--exact: every value summed)\n";
}

void write_store_overflow_warning(std::ostream& out, std::int64_t limit) {
  out << "\n" << store_overflow_text();
  ff::write(out, "(' Warning: the listing holds the first',I7,' events found; the event table holds all of them')",
            {limit});
}

}  // namespace kavro
