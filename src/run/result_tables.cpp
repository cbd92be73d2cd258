#include "run/result_tables.hpp"

#include <functional>
#include <string>

#include "engine/parallel.hpp"
#include "run/result_file.hpp"
#include "report/html_report.hpp"
#include "run/run_messages.hpp"
#include "tables/csv_tables.hpp"
#include "tables/results_document.hpp"

namespace kavro {
namespace {

void write_table(RunState& st, std::ostream& out, RunFiles& files, const std::filesystem::path& path,
                 const std::function<void(std::ostream&)>& write) {
  const std::string name = path.string();
  for (const auto& own : {files.input_file, files.listing_file, files.scan_path})
    if (!own.empty() && same_file(path, own)) {
      st.ios = 1;
      stop_with_lines(out, {" The data file would replace the input, the listing or the measured scan:", name});
    }
  ResultFile table;
  bool written = table.open(path);
  if (written) {
    write(table.stream());
    written = table.commit();
  }
  if (written) files.written.push_back(path);
  if (!written) {
    st.ios = 1;
    stop_with_lines(out, {" The data file cannot be written:", name});
  }
}

}  // namespace

void write_result_tables(RunState& st, std::ostream& out, const RunRequests& requests, RunFiles& files) {
  const RunResults results{st.title,   st.crystal,  st.radiation,  st.primary,    st.grid,
                           st.options, st.measured, st.calculated, st.pass_tables};
  if (!requests.events_file.empty()) {
    write_table(st, out, files, requests.events_file, [&](std::ostream& s) {
      if (lowercase_extension(requests.events_file) == ".json")
        write_events_json(s, results);
      else
        write_events_csv(s, st.pass_tables, st.grid, worker_count(st.options.threads));
    });
  }
  if (!requests.scan_table_file.empty())
    write_table(st, out, files, requests.scan_table_file,
                [&](std::ostream& s) { write_scan_csv(s, st.grid, st.calculated, st.measured); });
  if (!requests.html_file.empty())
    write_table(st, out, files, requests.html_file,
                [&](std::ostream& s) { write_html_report(s, results, requests.html_file.stem().string()); });
}

}  // namespace kavro
