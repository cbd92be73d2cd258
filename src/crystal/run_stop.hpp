// The one way a run ends early: the step that meets the problem writes its
// message to the listing, then throws RunStop; the driver catches it.
#pragma once

namespace kavro {

struct RunStop {};

[[noreturn]] inline void stop_run() { throw RunStop{}; }

}  // namespace kavro
