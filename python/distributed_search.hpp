// An event search spread over the workers of a Dask distributed client: each
// worker runs one share of the run, as `kavro99 run INPUT --chunk I/N` does,
// and gives back its chunk table; the caller joins the tables as `kavro99
// merge` does, so that the result is the local run's, bit for bit.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crystal_input.hpp"
#include "input_run.hpp"

namespace kavro::python {

// The chunk table of share `part` (0 .. parts-1) of the run of the input
// text (`exact`: the direct path for any cell), or, when the share stops, its
// run (completed false, with its listing).
struct ShareRun {
  std::string table;
  InputRun stopped;
};
ShareRun search_share(const std::string& text, std::int64_t part, std::int64_t parts, bool exact);

// The run of the input from the chunk tables of all its shares, in their order.
InputRun merge_shares(const CrystalInput& input, const std::vector<std::string>& tables,
                      const InterruptCheck& interrupted, bool exact);

// The run of the input with its shares searched on the client's workers, one
// share per worker thread; a share that stops gives its run. Called with the GIL held.
InputRun spread_run(const pybind11::object& client, const CrystalInput& input, const InterruptCheck& interrupted,
                    bool exact);

// _search_share and the function the workers call, _share_of_search, in the extension module.
void add_distributed_calls(pybind11::module_& m);

// One share per thread of the client's workers, at least one.
std::int64_t share_count(const pybind11::object& client);

// The module-level function `name` of the extension module, which the workers
// import to find it (Dask sends a function by name). Called with the GIL held.
pybind11::object worker_function(const char* name);

}  // namespace kavro::python
