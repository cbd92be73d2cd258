// Multiplicity of a position.
#include "cif/site_multiplicity.hpp"

#include <cmath>

namespace kavro::cif {

int site_multiplicity(const std::vector<SymOp>& group, const Matrix3& g, const Vector3& x) {
  std::vector<Vector3> images;
  for (const SymOp& op : group) {
    const Vector3 y = transformed_position(op, x);
    bool known = false;
    for (const Vector3& image : images) {
      Vector3 d{};
      for (int i = 0; i < 3; ++i) d[i] = y[i] - image[i] - std::round(y[i] - image[i]);
      if (distance(g, d) < kSamePositionDistance) {
        known = true;
        break;
      }
    }
    if (!known) images.push_back(y);
  }
  return static_cast<int>(images.size());
}

}  // namespace kavro::cif
