#include "distributed_search.hpp"

#include <pybind11/eval.h>
#include <pybind11/stl.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <tuple>
#include <utility>

#include "kavro/error.hpp"
#include "run/run_requests.hpp"

namespace kavro::python {
namespace {

namespace py = pybind11;
namespace fs = std::filesystem;
using namespace pybind11::literals;

// A new folder of its own under the temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string name = (fs::temp_directory_path() / "kavro-share-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) throw Error("cannot make a temporary folder for the chunk tables");
    path_ = name;
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string file_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return std::move(text).str();
}

// What the workers call: module-level Python, so that Dask sends it by name.
constexpr const char* kWorkerCall = R"(
def _share_of_search(text, part, parts, exact=False):
    """_search_share on a worker: the chunk table (bytes), or (status, listing, message) of a share that stops."""
    return _search_share(text, part, parts, exact)
)";

// The name of the extension module, which the workers import to find _share_of_search.
std::string& extension_name() {
  static std::string name;
  return name;
}

// The run of a share that stopped, from what its worker gave back: (status,
// listing, message); a worker of an earlier version gives (status, listing).
InputRun stopped_share(const py::tuple& stop) {
  InputRun stopped;
  stopped.status = stop[0].cast<int>();
  stopped.listing = stop[1].cast<std::string>();
  stopped.failure = stop.size() > 2 ? stop[2].cast<std::string>() : "a share of the search stopped early";
  return stopped;
}

}  // namespace

std::int64_t share_count(const py::object& client) {
  std::int64_t threads = 0;
  for (const auto& [worker, count] : client.attr("nthreads")().cast<py::dict>()) threads += count.cast<std::int64_t>();
  return std::max<std::int64_t>(1, threads);
}

py::object worker_function(const char* name) { return py::module_::import(extension_name().c_str()).attr(name); }

ShareRun search_share(const std::string& text, std::int64_t part, std::int64_t parts, bool exact) {
  const SearchShare share{part, parts};
  if (!share.valid()) throw py::value_error("no share " + std::to_string(part) + " of " + std::to_string(parts));
  ScratchFolder folder;
  const fs::path table = folder.path() / "share.kchunk";
  ShareRun share_run;
  share_run.stopped = run_input_text(text, "", {}, std::nullopt, [&](RunRequests& r) {
    r.chunk = share;
    r.chunk_table = table;
    r.exact = exact;
  });
  if (share_run.stopped.completed) share_run.table = file_text(table);
  return share_run;
}

InputRun merge_shares(const CrystalInput& input, const std::vector<std::string>& tables,
                      const InterruptCheck& interrupted, bool exact) {
  ScratchFolder folder;
  std::vector<fs::path> files;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    files.push_back(folder.path() / ("share" + std::to_string(i) + ".kchunk"));
    std::ofstream(files.back(), std::ios::binary) << tables[i];
  }
  return run_input_text(input.text, input.preface, interrupted, input.file_indices,
                        [&](RunRequests& r) {
                          r.merged_chunks = files;
                          r.exact = exact;
                        });
}

InputRun spread_run(const py::object& client, const CrystalInput& input, const InterruptCheck& interrupted,
                    bool exact) {
  const std::int64_t parts = share_count(client);
  py::list texts, numbers, counts, exacts;
  for (std::int64_t part = 0; part < parts; ++part) {
    texts.append(input.text);
    numbers.append(part);
    counts.append(parts);
    exacts.append(exact);
  }
  const py::object worker_call = worker_function("_share_of_search");
  const py::object futures = client.attr("map")(worker_call, texts, numbers, counts, exacts, py::arg("pure") = false);
  std::vector<std::string> tables;
  for (const py::handle table : client.attr("gather")(futures)) {
    if (py::isinstance<py::bytes>(table)) {
      tables.push_back(table.cast<std::string>());
      continue;
    }
    return stopped_share(table.cast<py::tuple>());
  }
  py::gil_scoped_release unlocked;
  return merge_shares(input, tables, interrupted, exact);
}

void add_distributed_calls(py::module_& m) {
  m.def(
      "_search_share",
      [](const std::string& text, std::int64_t part, std::int64_t parts, bool exact) -> py::object {
        ShareRun run;
        {
          py::gil_scoped_release unlocked;
          run = search_share(text, part, parts, exact);
        }
        if (!run.stopped.completed)
          return py::make_tuple(run.stopped.status, run.stopped.listing, run.stopped.failure);
        return py::bytes(run.table);
      },
      "text"_a, "part"_a, "parts"_a, "exact"_a = false,
      "The chunk table (bytes) of share `part` (0 .. parts-1) of the run of the input text (`exact`: the direct "
      "path for any cell), or (status, listing, "
      "message) of the share's run when it stops.");
  py::exec(kWorkerCall, m.attr("__dict__"));
  extension_name() = m.attr("__name__").cast<std::string>();
}

}  // namespace kavro::python
