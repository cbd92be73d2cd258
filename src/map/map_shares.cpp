// The bytes of a share's map are its numbers as they lie in memory, field by
// field (so that no padding is sent), each list preceded by its length: both
// ends run the same build.
#include "map/map_shares.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <tuple>
#include <type_traits>

#include "kavro/error.hpp"

namespace kavro::map {
namespace {

constexpr std::string_view kMark = "kavro-99 map share 1\n";

class ByteWriter {
 public:
  template <typename T>
  ByteWriter& put(const T& value) {
    static_assert(std::is_arithmetic_v<T>);
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
    return *this;
  }
  std::string take() { return std::move(bytes_); }

 private:
  std::string bytes_{kMark};
};

class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : rest_(bytes) {
    if (rest_.substr(0, kMark.size()) != kMark) damaged();
    rest_.remove_prefix(kMark.size());
  }
  template <typename T>
  ByteReader& get(T& value) {
    static_assert(std::is_arithmetic_v<T>);
    if (sizeof value > rest_.size()) damaged();
    std::memcpy(&value, rest_.data(), sizeof value);
    rest_.remove_prefix(sizeof value);
    return *this;
  }
  // The length of a list whose every item takes at least `least_bytes`: a
  // length beyond the bytes left is damage, not a size to allocate.
  std::size_t length(std::size_t least_bytes) {
    std::uint64_t n = 0;
    get(n);
    if (n > rest_.size() / least_bytes) damaged();
    return static_cast<std::size_t>(n);
  }
  void finish() const {
    if (!rest_.empty()) damaged();
  }

 private:
  [[noreturn]] static void damaged() { throw Error("the map of a share is damaged or of another build of kavro"); }

  std::string_view rest_;
};

template <typename Stream, typename Side>
void side_fields(Stream& s, Side& side) {
  s.get_or_put(side.width).get_or_put(side.inv_width).get_or_put(side.inv_sigma).get_or_put(side.gauss);
  s.get_or_put(side.lorentz).get_or_put(side.scale);
}

// Both directions through one list of fields.
struct Writing {
  ByteWriter& w;
  template <typename T>
  Writing& get_or_put(const T& value) {
    w.put(value);
    return *this;
  }
};
struct Reading {
  ByteReader& r;
  template <typename T>
  Reading& get_or_put(T& value) {
    r.get(value);
    return *this;
  }
};

template <typename Stream, typename Event>
void scan_event_fields(Stream& s, Event& e) {
  s.get_or_put(e.psi).get_or_put(e.first_crossing).get_or_put(e.ik).get_or_put(e.ia).get_or_put(e.shape.eta);
  side_fields(s, e.shape.inner);
  side_fields(s, e.shape.outer);
  s.get_or_put(e.beta).get_or_put(e.cos_trphi).get_or_put(e.sin_trphi).get_or_put(e.c_int).get_or_put(e.primary);
  s.get_or_put(e.scale).get_or_put(e.d_in).get_or_put(e.d_out);
}

template <typename Stream, typename Point>
void point_fields(Stream& s, Point& p) {
  s.get_or_put(p.at.energy).get_or_put(p.at.psi_a).get_or_put(p.at.psi_b).get_or_put(p.strength);
}

template <typename Stream, typename Level>
void reach_fields(Stream& s, Level& r) {
  s.get_or_put(r.energy).get_or_put(r.reach.inner).get_or_put(r.reach.outer);
  scan_event_fields(s, r.profile);
  s.get_or_put(r.psi_a).get_or_put(r.psi_b);
}

template <typename Stream, typename Curve>
void curve_head_fields(Stream& s, Curve& c) {
  s.get_or_put(c.h2[0]).get_or_put(c.h2[1]).get_or_put(c.h2[2]).get_or_put(c.line).get_or_put(c.orbit);
  s.get_or_put(c.peak).get_or_put(c.fwhm);
}

void put_curves(ByteWriter& w, const std::vector<MapCurve>& curves) {
  Writing s{w};
  w.put(static_cast<std::uint64_t>(curves.size()));
  for (const MapCurve& c : curves) {
    curve_head_fields(s, c);
    w.put(static_cast<std::uint64_t>(c.points.size()));
    for (const MapPoint& p : c.points) point_fields(s, p);
    w.put(static_cast<std::uint64_t>(c.reach.size()));
    for (const LevelReach& r : c.reach) reach_fields(s, r);
  }
}

std::vector<MapCurve> get_curves(ByteReader& r) {
  Reading s{r};
  std::vector<MapCurve> curves(r.length(sizeof(MapCurve::h2)));
  for (MapCurve& c : curves) {
    curve_head_fields(s, c);
    c.points.resize(r.length(sizeof(double)));
    for (MapPoint& p : c.points) point_fields(s, p);
    c.reach.resize(r.length(sizeof(double)));
    for (LevelReach& l : c.reach) reach_fields(s, l);
  }
  return curves;
}

// The curves of all shares in the order of the whole map: by line, then by the place of the orbit.
std::vector<MapCurve> in_map_order(std::vector<MapCurve> curves) {
  std::sort(curves.begin(), curves.end(), [](const MapCurve& a, const MapCurve& b) {
    return std::tie(a.line, a.orbit) < std::tie(b.line, b.orbit);
  });
  return curves;
}

}  // namespace

std::string map_share_bytes(const PsiEnergyMap& share) {
  ByteWriter w;
  w.put(share.e_lo).put(share.e_hi).put(share.threshold).put(static_cast<std::uint64_t>(share.level_energies.size()));
  for (const double e : share.level_energies) w.put(e);
  put_curves(w, share.curves);
  put_curves(w, share.faint);
  w.put(share.nnn).put(share.orbits).put(share.largest_fwhm);
  return w.take();
}

PsiEnergyMap map_share_of_bytes(std::string_view bytes) {
  ByteReader r(bytes);
  PsiEnergyMap share;
  r.get(share.e_lo).get(share.e_hi).get(share.threshold);
  share.level_energies.resize(r.length(sizeof(double)));
  for (double& e : share.level_energies) r.get(e);
  share.curves = get_curves(r);
  share.faint = get_curves(r);
  r.get(share.nnn).get(share.orbits).get(share.largest_fwhm);
  r.finish();
  return share;
}

PsiEnergyMap joined_map(std::vector<PsiEnergyMap> shares, int workers) {
  if (shares.empty()) throw Error("a map needs the maps of its shares");
  // Every share has the whole map's levels and counts all candidate orbits.
  PsiEnergyMap whole = std::move(shares.front());
  for (std::size_t k = 1; k < shares.size(); ++k) {
    std::move(shares[k].curves.begin(), shares[k].curves.end(), std::back_inserter(whole.curves));
    std::move(shares[k].faint.begin(), shares[k].faint.end(), std::back_inserter(whole.faint));
    whole.largest_fwhm = std::max(whole.largest_fwhm, shares[k].largest_fwhm);
  }
  whole.curves = in_map_order(std::move(whole.curves));
  whole.faint = in_map_order(std::move(whole.faint));
  whole.workers = workers;
  return whole;
}

}  // namespace kavro::map
