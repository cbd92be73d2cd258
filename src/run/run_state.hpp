// The run state `intensity_data`: everything that more than one step of a run
// needs. One value of this struct is passed by reference through a run; each
// run resets and refills it (see `kavro`).
//
// Arrays that the input sizes (atoms, scattering types, psi steps) are
// std::vectors sized by the driver; indices are 0-based in the code (atom i of
// the listing is xyz[i-1]).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kavro {

using Vec3 = std::array<float, 3>;
// A 3x3 matrix stored by rows: m[row][col].
using Mat3 = std::array<std::array<float, 3>, 3>;

inline constexpr int kMaxOperators = 24;
inline constexpr int kExtRows = 301;     // x = 0, 0.1, ..., 30
inline constexpr int kExtColumns = 19;   // theta = 0, 5, ..., 90 degrees
inline constexpr int kFormFactorSlots = 121;  // s = 0, 0.05, ..., 6
inline constexpr int kFcoefCount = 14;   // 13 coefficients and the limit s_lim

// Radiation kinds (`idesy`).
inline constexpr int kTube = 0;
inline constexpr int kSynchrotronSigma = 1;
inline constexpr int kSynchrotronPi = 2;
inline constexpr int kNeutrons = 3;

// What one run may take: the memory its large arrays may fill, shared out
// among the psi grid, the event search and the measured-scan file, the most
// reflections one event search may test (more would take days), and the
// terms of the calculation (structure-factor terms, atoms times operators per
// reflection, and profile values of the scan), unlimited unless a caller such
// as the fuzzer wants every run short.
struct RunLimits {
  std::int64_t memory_bytes = std::int64_t{2} << 30;
  std::int64_t search_reflections = 2'000'000'000;
  std::int64_t work = INT64_MAX;

  std::int64_t memory_megabytes() const { return memory_bytes >> 20; }
};

struct RunState {
  // --- Scan arrays, index 0..nstep, on the grid psia + i/zsw.
  int nstep = 0;
  std::vector<float> scan_calc;  // calculated intensity (cps), 0 at allocation
  std::vector<float> scan_obs;   // measured intensity (cps), 1e20 = no measurement

  // --- Structure arrays: atoms (room for 4 x na after the centring expansion)
  //     and scattering types (nf).
  std::vector<Vec3> xyz;                      // fractional coordinates
  std::vector<std::array<float, 6>> bt;       // temperature parameters, beta form after setup
  std::vector<std::array<float, 6>> bt_u;     // the same parameters in u form
  std::vector<float> afact;                   // site multiplier
  std::vector<float> fnr;                     // scattering-type number, kept as a real
  std::vector<float> nat_cell;                // atoms of type j in the unit cell
  std::vector<int> atnum;                     // atomic number of type j
  std::vector<std::array<float, kFcoefCount>> fcoef;  // form-factor coefficients of type j
  std::vector<float> fp;                      // f' (X-rays) or coherent length b (neutrons)
  std::vector<float> fpp;                     // f'' (X-rays)
  std::vector<std::string> atn;               // chemical symbol of type j, 4 characters
  std::vector<std::array<float, kFormFactorSlots>> ftab;  // f(s) of type j, s = 0, 0.05, ...
  int i_u_b = 0;                              // 0: beta input, otherwise u input

  // --- Counts and flags.
  int ns = 0;         // symmetry operators held (at most 24)
  int na = 0;         // atoms: asymmetric unit as read, expanded count after centring
  int nf = 0;         // scattering types
  int ic = 2;         // 1 centrosymmetric, 2 acentric
  int nnn = 0;        // interference-term interval indicator
  int idesy = 0;      // radiation kind (kTube ... kNeutrons)
  int h = 0, k = 0, l = 0;  // primary reflection
  int scan_given = 0; // 1 when a measured-scan file is named
  int ierr = 0;       // set to 1 by a kernel or reader that cannot go on
  int clock_flag = 0; // set by the first call of zeit
  int zeit_day0 = 0;       // day of month at the first call of zeit
  int zeit_time0 = 0;      // time of day (s) at the first call
  double zeit_clock0 = 0;  // monotonic clock (s) at the first call
  int ios = 0;        // status of the last tested read or open
  std::int64_t nscan = 0;  // event positions that entered the simulated scan
  int nin = 15;       // unit numbers kept for the listing texts
  int nout = 16;
  int nr = 0;         // space-group number as read (above 230: explicit operators)
  int ncent = 1;      // lattice-centring multiplicity

  // --- Symmetry operators: x'_j = symt[n][j] + sum_k symr[n][j][k] x_k.
  std::array<Vec3, kMaxOperators> symt{};
  std::array<Mat3, kMaxOperators> symr{};
  std::string sgsym = std::string(30, ' ');   // space-group symbol, 30 characters

  // --- Scalars of the run.
  float fdisp_im = 0;     // imaginary-part sum of the last structure factor
  float relv = 0;         // alam1 * 2.817938 * 1000 / V
  float alam1 = 0;        // wavelength 1 (Angstrom)
  float area = 0;         // pi rkugel^2 (cm^2)
  float fatt = 1;         // attenuator factor (CAD4)
  float pmono = 1;        // monochromator polarization constant
  float mur = 0;          // mu * rkugel
  float rkugel = 0;       // crystal radius (cm)
  float psi1 = 0, psi2 = 0;           // psi interval of the measured primary intensity
  float lam_min = 0, lam_max = 0;     // wavelength band
  float lam_half1 = 0, lam_half2 = 0; // half band widths of lines 1 and 2
  float f = 0;            // structure factor of the primary reflection
  float phi = 0;          // its phase (degrees)
  float zeimax = 0;       // graphics maximum (0 = automatic)
  float psia = 0, psie = 0;  // psi range (degrees)
  float zsw = 0;          // steps per degree, |zsw1|
  float zsw1 = 0;         // steps per degree as read (<= 0: no scan simulation)
  float diverp = 0, divers = 0;  // divergences in and perpendicular to the diffraction plane
  float radius = 0;       // mosaic-block radius (micrometres)
  float eta = 0;          // mosaic-spread parameter
  float drumin = 0;       // print/plot threshold (cps)
  float drucut = 0;       // 0.01 * drumin
  std::array<std::array<float, kExtColumns>, kExtRows> yext{};  // extinction table, [x row][theta column]
  std::string title = std::string(80, ' ');
  std::string wavind = "  ";
  std::string scan_ext = "   ";
  std::string banner;     // version line, 45 characters once the program has started

  // --- Radiation working values (set up from input line 4 and 5).
  float alam2 = 0, dlam1 = 0, dlam2 = 0, flam1 = 1, flam2 = 0;
  float dimono = 0;       // incident-intensity constant I0
  float polsig = 0;       // degree of linear polarization of the incident beam
  float amono = 0, fmono = 0;   // monochromator cell constant and structure factor
  int hmono = 0, kmono = 0, lmono = 0;  // monochromator reflection
  float thmono = 0, wmono = 0;  // monochromator Bragg angle (radians) and intrinsic width
  float alam = 0, dlam = 0;     // current wavelength and relative width of a pass

  // --- Cell (direct and reciprocal) and the primary reflection.
  float a = 0, b = 0, c = 0, alpha = 0, beta = 0, gamma = 0;
  float vol = 0, volst = 0;
  float ast = 0, bst = 0, cst = 0, alphast = 0, betast = 0, gammast = 0;
  float g11 = 0, g22 = 0, g33 = 0, g12 = 0, g13 = 0, g23 = 0;  // reciprocal metric
  bool ub_given = false;
  std::array<float, 9> ubm{};   // orientation matrix ub1..ub9, row by row
  float stol = 0, dspac = 0;    // sin(theta)/lambda and d of the primary reflection
  float phase = 0;              // phase of the primary reflection (radians)
  Vec3 refdir{};                // reference direction perpendicular to H
  float Tm = 0;                 // mean path through a mosaic block (cm)
  double PsiD = 0;              // psi offset between diffractometer and reference direction (degrees)

  // --- Results of the calculation and of the measured scan that the listing
  //     and the page read.
  float theta_prim = 0;   // Bragg angle of the primary reflection (degrees; tube: mean of both lines)
  float iprim_calc = 0;   // calculated intensity of the primary reflection (cps)
  float imax_calc = 0, imin_calc = 0;  // maximum and minimum of scan_calc (cps)
  float iprim_obs = 0;    // measured intensity of the primary reflection (cps)
  float imax_obs = 0, imin_obs = 0;    // maximum and minimum of the measured scan (cps)
  int nshift = 0;         // psi shift of the measured against the calculated scan (steps)
  int nstore_plot = 0;    // stored events of the first calculation pass
  std::int64_t nlist_plot = 0;  // event positions within 5 degrees of the psi window, first pass
  // Per stored event of the first pass, in psi order: signed azimuth alpha of
  // h2 (radians), |h2|^2, |H1|^2, |H1| p, |h2|^2 - p^2, extinction code.
  std::vector<std::array<float, 6>> psilam;

  // --- scans: the rest of the measured-scan results and the scale factor.
  float psi_max_obs = 0, psi_min_obs = 0;       // psi of the measured extremes (degrees)
  float err_max_obs = 0, err_min_obs = 0;       // their errors (cps)
  float err_prim_obs = 0;                       // mean error of the points that form iprim_obs
  float bg_obs = 0;                             // background level subtracted from the extremes and I-prim
  float scale_sum = 0;                          // sum, then mean, of the reference estimates of I0
  int nref = 0;                                 // reference reflections that entered the mean
  // --- engine: further results of the multiple-diffraction calculation.
  float mu = 0;                  // linear absorption coefficient (cm^-1) used for the events
  float psi_max_calc = 0, psi_min_calc = 0;    // psi of the calculated maximum and minimum
  float deviation = 0;           // psi shift against the measured scan (degrees)
  int threads = 0;               // worker threads of the engine (0: all cores); kept between runs
  RunLimits limits;              // kept between runs
  // Work of the engine in the last run, for measurements: structure factors
  // and profile values computed, and the wall time spent on each.
  long long sf_evaluations = 0, profile_evaluations = 0;
  double sf_seconds = 0, profile_seconds = 0;
};

}  // namespace kavro
