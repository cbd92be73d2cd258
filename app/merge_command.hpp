// A run split over several machines: share I of N of a run (kavro99 run INPUT
// --chunk I/N) writes its chunk table, and kavro99 merge INPUT CHUNK.kchunk...
// makes the whole run from the chunk tables of all shares.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "engine/search_share.hpp"
#include "run_command.hpp"

namespace kavro::app {

// `kavro99 merge ...` (the arguments after "merge"), with the exit statuses of run_command.
int merge_command(const std::vector<std::string_view>& args);

// "I/N" with 1 <= I <= N <= SearchShare::kMostParts, as the share I-1 of N.
bool parse_chunk(std::string_view text, SearchShare& share);

// A share of a split run writes its chunk table only: false, with a message,
// when the request asks it for a file of the whole run. Names the share's
// listing and chunk table.
bool prepare_chunk_run(RunRequest& request);

// The chunk tables of a merge: all of the run of this input and measured
// scan (empty path: none), every share once; false, with a message, when not.
bool usable_chunks(const RunRequest& request, const std::filesystem::path& measured_scan);

}  // namespace kavro::app
