// Temporary files that a signal must not leave behind. A result is written
// under a temporary name and renamed onto its own name when complete; when
// the program is ended by SIGINT, SIGTERM or SIGHUP in between, the handler
// removes every temporary file still registered and then ends the program
// by the same signal. Results renamed earlier stay as they are.
#pragma once

#include <filesystem>

namespace kavro::temporaries {

// Registers the temporary file `path`; the returned handle (or -1 when all
// places are taken, then the file is not removed on a signal) is given back
// with forget() once the file was renamed or removed.
int remember(const std::filesystem::path& path);
void forget(int handle);

// Installs the handler for SIGINT, SIGTERM and SIGHUP where the signal has
// its default action (a signal that is ignored, as under nohup, stays
// ignored). For a program's main(); a library that hosts other signal
// handlers (Python) does not call it.
void remove_on_signals();

// How many temporary files are registered now.
int registered();

}  // namespace kavro::temporaries
