// The result page of a run: the run's parameters, the calculated and measured
// psi-scans and the psi-lambda diagram of the stored events, on one landscape
// PostScript page.
#pragma once

#include <ostream>

#include "plot/page_content.hpp"
#include "plot/time_sample.hpp"

namespace kavro {

// Draws the whole page into `ps`, from the prolog to "showpage", with the date
// and time of `now`. Numbers too large for their field are reported in
// `listing`. The run state is only read: the scan heights are worked out in
// copies of the scan arrays.
void uplot(const PageContent& st, std::ostream& ps, std::ostream& listing, const TimeSample& now);

// The same page, dated with the moment of plotting.
void uplot(const PageContent& st, std::ostream& ps, std::ostream& listing);

}  // namespace kavro
