// Geometry shared by the blocks of the result page, and the blocks themselves.
// All lengths in cm in the plotter's landscape drawing coordinates.
#pragma once

#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "engine/calculated_scan.hpp"
#include "plot/page_content.hpp"
#include "plot/plotter.hpp"
#include "plot/time_sample.hpp"

namespace kavro::page {

// The psi-scan frame spans x 1..21 and y 4.5..20.3; the psi-lambda band lies
// under it, y 2.5..4.5; the text block stands right of the frame.
inline constexpr float kLeft = 1.0f;
inline constexpr float kRight = 21.0f;
inline constexpr float kAxisLength = kRight - kLeft;  // 20 cm for psie - psia
inline constexpr float kScanBottom = 4.5f;
inline constexpr float kScanTop = 20.3f;
inline constexpr float kBandBottom = 2.5f;
inline constexpr float kBandTop = 4.5f;

// How the psi window maps onto the page.
struct PsiScale {
  int points = 0;           // points of a scan curve, N + 1
  float degrees_per_cm = 0; // D = (psie - psia) / 20
  float step_cm = 0;        // one psi step, 1 / (zsw D)
};

PsiScale psi_scale(const PsiGrid& grid);

// True when a measured scan is drawn above the calculated one.
inline bool has_measured_scan(const PageContent& st) { return st.measured.scan_given == 1; }

// Date, primary reflection, radiation, simulation parameters and the
// extremes of both scans, right of the frame.
void draw_text_block(Plotter& p, const PageContent& st, const TimeSample& now);

// The calculated curve, and the measured one when given, with their marks.
void draw_scan_curves(Plotter& p, const PageContent& st, const PsiScale& scale);

// The psi-lambda band: the wavelength lines and one curve per stored event.
void draw_psi_lambda_band(Plotter& p, const Radiation& radiation, const Primary& primary, const PsiGrid& grid,
                          const CalculatedScan& calculated, const PsiScale& scale);

}  // namespace kavro::page
