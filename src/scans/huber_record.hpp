// One record of HUBER-HASYLAB scan output: three fixed-column lines, then
// three blocks of npts counts (10F8.0 per line, each block on new lines):
// detector, monitor and a third counter.
//   line 1  h k l 3I4 (1-12), I F9.2 (13), sigma F9.2 (22), filter code I3 (31),
//           P, 2theta and three angles 5F8.3 (34-73), counter I7 (74)
//   line 2  npts I3 (21), F5.1 (24), counting time tp F6.2 (29), psi F7.3 (35),
//           four reals 4F8.3 (42-73) of which the second is w, counter I7 (74)
//   line 3  three reals 3F8.1
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scans/scan_lines.hpp"

namespace kavro {

inline constexpr std::size_t kHuberRecordLines = 3;

struct HuberRecord {
  int h = 0, k = 0, l = 0;
  float intensity = 0, sigma = 0;  // integrated intensity and its error (cps)
  int filter = 0;                  // filter code
  float ratio = 0;                 // polarization ratio P
  float two_theta = 0;             // degrees
  int npts = 0;                    // points per count block
  float tp = 0;                    // counting time per point (s)
  float psi = 0;                   // degrees
  float w = 0;
  std::vector<float> detector, monitor;
};

// The 12-character key of a reflection: h, k, l as 3I4.
std::string record_key(int h, int k, int l);

// The three record lines from line `first`; psi is read with `psi_decimals`
// implied decimals (3 for the primary reflection, 2 for a reference). Returns
// an empty text, or what is wrong with the record.
std::string_view read_huber_record(const ScanLines& lines, std::size_t first, int psi_decimals, HuberRecord& record);

// Lines taken by the three count blocks of a record with npts points.
std::size_t count_block_lines(int npts);

// The detector and monitor blocks that follow the record lines (line `first`
// is the first line of the detector block). Returns an empty text, or what is
// wrong with the blocks.
std::string_view read_count_blocks(const ScanLines& lines, std::size_t first, HuberRecord& record);

}  // namespace kavro
