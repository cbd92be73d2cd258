// A result's page inline in a Jupyter notebook: the self-contained page the
// command line writes, in a frame of its own so that its style and script
// stay apart from the notebook's.
#pragma once

#include <string>

namespace kavro::python {

// An <iframe> whose document is `page`; the frame runs the page's script and
// lets it offer its tables for download, and can be drawn taller.
std::string notebook_frame(const std::string& page);

}  // namespace kavro::python
