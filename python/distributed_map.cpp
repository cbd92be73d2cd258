#include "distributed_map.hpp"

#include <pybind11/eval.h>
#include <pybind11/stl.h>

#include <sstream>
#include <vector>

#include "crystal/run_stop.hpp"
#include "distributed_search.hpp"
#include "engine/parallel.hpp"
#include "map/map_shares.hpp"
#include "map_result.hpp"

namespace kavro::python {
namespace {

namespace py = pybind11;
using namespace pybind11::literals;

// What the workers call: module-level Python, so that Dask sends it by name.
constexpr const char* kWorkerCall = R"(
def _share_of_map(text, request, part, parts):
    """_map_share on a worker: (True, the share's map) or (False, its messages) as bytes."""
    return _map_share(text, request, part, parts)
)";

// The values of a request that a worker needs, as Python numbers (each converts back to the same bits).
py::tuple request_values(const map::MapRequest& r) {
  return py::make_tuple(r.e_lo, r.e_hi, static_cast<double>(r.threshold), r.levels, r.tolerance);
}

map::MapRequest request_of(const py::tuple& values, std::int64_t part, std::int64_t parts) {
  map::MapRequest r;
  r.e_lo = values[0].cast<double>();
  r.e_hi = values[1].cast<double>();
  r.threshold = static_cast<float>(values[2].cast<double>());
  r.levels = values[3].cast<int>();
  r.tolerance = values[4].cast<double>();
  r.part = part;
  r.parts = parts;
  return r;
}

// The bytes of the share's map, or, with false, what it wrote when it stopped
// (the reading of the input only when that stopped: the caller has read it).
std::pair<std::string, bool> map_share(const std::string& text, const map::MapRequest& request) {
  std::ostringstream reading, messages;
  bool read = false;
  try {
    const Calculation c = map_calculation(text, reading);
    read = true;
    return {map::map_share_bytes(map::psi_energy_map(c, request, messages)), true};
  } catch (const RunStop&) {
    return {read ? messages.str() : reading.str(), false};
  }
}

}  // namespace

map::PsiEnergyMap spread_map(const py::object& client, const std::string& text, const Calculation& base,
                             const map::MapRequest& request, std::ostream& messages) {
  std::vector<std::string> shares;
  {
    py::gil_scoped_acquire locked;
    const std::int64_t parts = share_count(client);
    py::list texts, requests, numbers, counts;
    for (std::int64_t part = 0; part < parts; ++part) {
      texts.append(text);
      requests.append(request_values(request));
      numbers.append(part);
      counts.append(parts);
    }
    const py::object futures = client.attr("map")(worker_function("_share_of_map"), texts, requests, numbers, counts,
                                                  py::arg("pure") = false);
    for (const py::handle share : client.attr("gather")(futures)) {
      const auto [made, bytes] = share.cast<std::pair<bool, std::string>>();
      if (!made) {
        messages << bytes;
        throw RunStop("a share of the map stopped");
      }
      shares.push_back(bytes);
    }
  }
  std::vector<map::PsiEnergyMap> maps;
  for (const std::string& bytes : shares) maps.push_back(map::map_share_of_bytes(bytes));
  return map::joined_map(std::move(maps), worker_count(base.options.threads));
}

void add_distributed_map_calls(py::module_& m) {
  m.def(
      "_map_share",
      [](const std::string& text, const py::tuple& request, std::int64_t part, std::int64_t parts) -> py::object {
        if (!(parts >= 1 && part >= 0 && part < parts))
          throw py::value_error("no share " + std::to_string(part) + " of " + std::to_string(parts));
        const map::MapRequest r = request_of(request, part, parts);
        std::pair<std::string, bool> share;
        {
          py::gil_scoped_release unlocked;
          share = map_share(text, r);
        }
        return py::make_tuple(share.second, py::bytes(share.first));
      },
      "text"_a, "request"_a, "part"_a, "parts"_a,
      "The map (bytes) of share `part` (0 .. parts-1) of the orbits of the input text's map `request` (e_lo, e_hi, "
      "threshold, levels, tolerance) as (True, bytes), or (False, the share's messages as bytes) when it stops.");
  py::exec(kWorkerCall, m.attr("__dict__"));
}

}  // namespace kavro::python
