// Notes on sites of occupancy 0 and on sites that share a position.
#include "cif/site_notes.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <unordered_map>

#include "cif/site_multiplicity.hpp"

namespace kavro::cif {
namespace {

// A coordinate in [0, 1).
double reduced(double x) { return x - std::floor(x); }

// The images of the sites, in boxes of the cell about an Angstrom wide, so
// that a position is compared with the images in its box and the 26 around it.
class ImageBoxes {
 public:
  explicit ImageBoxes(const Matrix3& g) : g_(g) {
    for (int i = 0; i < 3; ++i) boxes_[i] = std::max(1, std::min(256, static_cast<int>(std::sqrt(g[i][i]))));
  }

  void add(const Vector3& x, std::size_t site) { map_[key(box_of(x))].push_back({x, site}); }

  // The first site with an image within kSamePositionDistance of x, or -1.
  long near(const Vector3& x) const {
    const std::array<int, 3> b = box_of(x);
    for (int di = -1; di <= 1; ++di)
      for (int dj = -1; dj <= 1; ++dj)
        for (int dk = -1; dk <= 1; ++dk) {
          const auto found = map_.find(key({b[0] + di, b[1] + dj, b[2] + dk}));
          if (found == map_.end()) continue;
          for (const Image& image : found->second) {
            Vector3 d{};
            for (int i = 0; i < 3; ++i) d[i] = x[i] - image.x[i] - std::round(x[i] - image.x[i]);
            if (distance(g_, d) < kSamePositionDistance) return static_cast<long>(image.site);
          }
        }
    return -1;
  }

 private:
  struct Image {
    Vector3 x;
    std::size_t site;
  };
  std::array<int, 3> box_of(const Vector3& x) const {
    std::array<int, 3> b{};
    for (int i = 0; i < 3; ++i) b[i] = static_cast<int>(reduced(x[i]) * boxes_[i]) % boxes_[i];
    return b;
  }
  std::int64_t key(std::array<int, 3> b) const {
    for (int i = 0; i < 3; ++i) b[i] = ((b[i] % boxes_[i]) + boxes_[i]) % boxes_[i];
    return (static_cast<std::int64_t>(b[0]) * 256 + b[1]) * 256 + b[2];
  }
  Matrix3 g_;
  std::array<int, 3> boxes_{};
  std::unordered_map<std::int64_t, std::vector<Image>> map_;
};

std::string count_of(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::vector<std::string> site_notes(const std::vector<AtomSite>& sites, const std::vector<Vector3>& positions,
                                    const std::vector<SymOp>& group, const Matrix3& g) {
  std::vector<std::string> notes;
  std::size_t empty = 0;
  std::string first_empty;
  for (const AtomSite& site : sites)
    if (site.occupancy == 0 && empty++ == 0) first_empty = site.label;
  if (empty > 0)
    notes.push_back(count_of(empty, "site has", "sites have") + " occupancy 0 (" + first_empty +
                    (empty > 1 ? ", ..." : "") + ") and add nothing to the structure factors");

  // Occupancy gathered per position: the first site met there stands for it.
  ImageBoxes boxes(g);
  std::vector<double> occupancy(sites.size(), 0);
  std::vector<long> owner(sites.size(), -1);
  for (std::size_t i = 0; i < sites.size(); ++i) {
    const long other = boxes.near(positions[i]);
    if (other >= 0) {
      owner[i] = other;
      occupancy[static_cast<std::size_t>(other)] += sites[i].occupancy;
      continue;
    }
    occupancy[i] = sites[i].occupancy;
    for (const SymOp& op : group) boxes.add(transformed_position(op, positions[i]), i);
  }
  std::size_t crowded = 0;
  std::string example;
  for (std::size_t i = 0; i < sites.size(); ++i) {
    if (owner[i] < 0) continue;
    const auto o = static_cast<std::size_t>(owner[i]);
    if (!(occupancy[o] > 1.001)) continue;
    if (crowded++ == 0) {
      char total[32];
      std::snprintf(total, sizeof total, "%.3g", occupancy[o]);
      example = sites[i].label + " lies on the position of " + sites[o].label + " (occupancies adding up to " + total +
                ")";
    }
  }
  if (crowded > 0)
    notes.push_back(count_of(crowded, "site shares", "sites share") + " a position with another site: " + example +
                    "; the density there counts more than once");
  return notes;
}

}  // namespace kavro::cif
