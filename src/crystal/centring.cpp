// Lattice-centring translations and the centring multiplicity ncent.
#include "crystal/centring.hpp"

namespace kavro {

const std::vector<Vec3>& centring_translations(char lattice) {
  static const std::vector<Vec3> none;
  static const std::vector<Vec3> body{{0.5f, 0.5f, 0.5f}};
  static const std::vector<Vec3> a_face{{0.0f, 0.5f, 0.5f}};
  static const std::vector<Vec3> b_face{{0.5f, 0.0f, 0.5f}};
  static const std::vector<Vec3> c_face{{0.5f, 0.5f, 0.0f}};
  static const std::vector<Vec3> all_faces{
      {0.5f, 0.5f, 0.0f}, {0.5f, 0.0f, 0.5f}, {0.0f, 0.5f, 0.5f}};
  switch (lattice) {
    case 'I': return body;
    case 'A': return a_face;
    case 'B': return b_face;
    case 'C': return c_face;
    case 'F': return all_faces;
    default: return none;
  }
}

int centring_multiplicity(const std::string& sgsym) {
  if (sgsym.empty()) return 1;
  return 1 + static_cast<int>(centring_translations(sgsym.front()).size());
}

}  // namespace kavro
