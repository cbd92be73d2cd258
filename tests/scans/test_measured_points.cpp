// Points of the primary reflection on the psi grid, extremes, I-prim, and the
// scale-factor block.
#include <gtest/gtest.h>

#include <sstream>

#include "run/run_state.hpp"
#include "run/scale_factor_block.hpp"
#include "scans/measured_points.hpp"
#include "scans/reader_fixture.hpp"
#include "scans/scale_factor.hpp"

namespace kavro {
namespace {

// psi from -10 to 10 at 2 steps per degree: steps 0..40.
RunState grid() { return testing::primary_grid(RadiationKind::tube, "obs"); }

TEST(MeasuredPoints, PlacesPointsOnTheNearestStepAndTheLaterOneStays) {
  RunState st = grid();
  MeasuredPoints points(scan_reading(st));
  EXPECT_TRUE(points.add(-9.8f, 5, 0));   // 0.4 steps from psia: step 0
  EXPECT_TRUE(points.add(-9.7f, 6, 0));   // 0.6 steps: step 1
  EXPECT_TRUE(points.add(-9.6f, 7, 0));   // 0.8 steps: step 1 again, replaces 6
  EXPECT_FALSE(points.add(-10.5f, 1, 0)); // outside the window: ignored
  EXPECT_FALSE(points.add(10.01f, 1, 0));
  EXPECT_TRUE(points.add(10, 8, 0));      // psie itself is the last step
  EXPECT_EQ(st.measured.scan_obs[0], 5);
  EXPECT_EQ(st.measured.scan_obs[1], 7);
  EXPECT_EQ(st.measured.scan_obs[2], kGapMarker);
  EXPECT_EQ(st.measured.scan_obs[40], 8);
  EXPECT_EQ(points.points_in_window(), 4);
}

TEST(MeasuredPoints, ExtremesMoveOnlyWhenStrictlyBeyondAndIprimIsTheMeanLessBackground) {
  RunState st = grid();
  MeasuredPoints points(scan_reading(st));
  points.add(-5, 4, 0.5f);
  points.add(-4, 9, 0.7f);
  points.add(-3, 9, 0.1f);   // equal maximum: the first one stays
  points.add(-1, 2, 0.2f);   // in psi1..psi2
  points.add(0, 3, 0.3f);
  points.add(1, 2, 0.4f);    // equal minimum: the first one stays
  st.measured.bg_obs = 1.5f;
  std::ostringstream out;
  points.finish(out, MissingWording::tube);
  EXPECT_EQ(out.str(), "");
  EXPECT_FLOAT_EQ(st.measured.imax_obs, 9 - 1.5f);
  EXPECT_FLOAT_EQ(st.measured.psi_max_obs, -4);
  EXPECT_FLOAT_EQ(st.measured.err_max_obs, 0.7f);
  EXPECT_FLOAT_EQ(st.measured.imin_obs, 2 - 1.5f);
  EXPECT_FLOAT_EQ(st.measured.psi_min_obs, -1);
  EXPECT_FLOAT_EQ(st.measured.err_min_obs, 0.2f);
  EXPECT_FLOAT_EQ(st.measured.iprim_obs, (2 + 3 + 2) / 3.0f - 1.5f);
  EXPECT_FLOAT_EQ(st.measured.err_prim_obs, (0.2f + 0.3f + 0.4f) / 3);
  EXPECT_EQ(st.measured.scan_given, 1);
}

TEST(MeasuredPoints, NoPointInTheWindowWritesTheMissingMessageAndDropsTheScan) {
  for (auto [wording, first] : {std::pair{MissingWording::tube, " The scan file is missing, or"},
                                std::pair{MissingWording::other, " The scan file is missing,or"}}) {
    RunState st = grid();
    MeasuredPoints points(scan_reading(st));
    points.add(50, 1, 0);
    std::ostringstream out;
    points.finish(out, wording);
    EXPECT_EQ(out.str(), std::string("\n\n") + first +
                             "\n the indices or the psi-range input by the user\n"
                             " do not correspond to the measured primary reflection\n"
                             " of the scan file, please check your input\n");
    EXPECT_EQ(st.measured.scan_given, 0);
    EXPECT_EQ(st.measured.iprim_obs, 0);
  }
}

// The scale-factor step of a run after its scan reader.
void scale_factor_step(RunState& st, std::ostream& out, bool scan_file_read) {
  finish_scale_factor(st.measured);
  st.radiation.incident_flux_per_cm2_s = incident_intensity(st.measured, st.radiation);
  out << scale_factor_block(st.measured, st.radiation, st.sample, scan_file_read);
}

TEST(ScaleFactor, TheMeanOfTheReferenceEstimatesBecomesTheIncidentIntensity) {
  RunState st;
  st.radiation.idesy = RadiationKind::tube;
  st.sample.crystal_radius_cm = 0.015f;
  st.sample.cross_section_cm2 = st.sample.crystal_radius_cm * st.sample.crystal_radius_cm * 3.1415927f;
  st.radiation.incident_flux_per_cm2_s = 2e9f;
  st.measured.scale_sum = 3e9f + 5e9f;
  st.measured.nref = 2;
  st.measured.imin_obs = -0.25f;
  std::ostringstream out;
  scale_factor_step(st, out, true);
  EXPECT_FLOAT_EQ(st.radiation.incident_flux_per_cm2_s, 4e9f);
  EXPECT_EQ(st.measured.imin_obs, 0);
  EXPECT_EQ(out.str(),
            "\n Radius of the crystal (muemeter)       : 150.00000\n"
            " crystal cross section (mm**2)          :   0.07069\n"
            " I0(K-alpha1+2; counts * mm-2 * sec-1)  :0.6000E+08\n");

  st.radiation.idesy = RadiationKind::synchrotron_sigma;
  st.measured.scale_sum = 1e10f;
  st.measured.nref = 1;
  std::ostringstream synchrotron;
  scale_factor_step(st, synchrotron, true);
  EXPECT_EQ(synchrotron.str(),
            "\n Radius of the crystal (muemeter)       : 150.00000\n"
            " crystal cross section (mm**2)          :   0.07069\n"
            " I0(counts * mm-2 * sec-1)              :0.1000E+09\n");
}

TEST(ScaleFactor, WithoutReferenceReflectionsTheSourceDefaultIsListedWithTheSampleVolume) {
  RunState st;
  st.sample.crystal_radius_cm = 0.015f;  // 0.15 mm: 4/3 pi 0.15^3 = 0.014137 mm3
  st.radiation.incident_flux_per_cm2_s = 2e9f;
  const std::string default_block =
      " Scale factor estimated from the incident intensity I0:\n"
      " I0 (counts * mm-2 * sec-1)        :0.2000E+08\n"
      " Volume of the sample (mm-3)       :0.1414E-01      (Radius of the sample (mm):    0.1500 )\n";
  std::ostringstream with_file;
  scale_factor_step(st, with_file, true);
  EXPECT_EQ(with_file.str(), "\n There are no reference reflections in the file\n\n" + default_block);
  std::ostringstream without_file;
  scale_factor_step(st, without_file, false);
  EXPECT_EQ(without_file.str(), default_block);
  EXPECT_FLOAT_EQ(st.radiation.incident_flux_per_cm2_s, 2e9f);
}

}  // namespace
}  // namespace kavro
