// Space group of the run: unpacking a table entry into the run state and the
// space-group block of the listing.
#include "crystal/raumgr.hpp"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "crystal/operator_text.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/space_group_table.hpp"
#include "format/fixed_format.hpp"

namespace kavro {
namespace {

constexpr std::size_t kSymbolWidth = 30;

std::string padded_symbol(std::string_view symbol) {
  std::string s(symbol.substr(0, kSymbolWidth));
  s.resize(kSymbolWidth, ' ');
  return s;
}

void copy_entry(Crystal& crystal, const SpaceGroupEntry& entry) {
  crystal.ns = entry.count;
  crystal.ic = entry.centric_flag == 2 ? 1 : 2;
  crystal.space_group_symbol = padded_symbol(entry.symbol);
  for (int n = 0; n < entry.count; ++n) {
    crystal.symt[n] = entry.ops[n].t;
    crystal.symr[n] = entry.ops[n].r;
  }
}

// " Space-group-Nr.   : 230      Centrosymmetric     Space-group: I a -3 d..."
// (' Space-group-Nr.   : ',I3,5X,A,A30)
void write_space_group_line(const Crystal& crystal, int nr, std::ostream& out) {
  const char* kind = crystal.ic == 1 ? " Centrosymmetric     Space-group: " : " Non-Centrosymmetric Space-group: ";
  ff::write(out, "(' Space-group-Nr.   : ',I3,5X,A,A30)", {nr, kind, crystal.space_group_symbol});
}

// " 24 symmetry operators:"                      (I3,' symmetry operators:')
// "   +x    ,     +y  ,       +z;  1/2+x    ,..."  three operators per line (A)
void write_operator_list(Crystal& crystal, std::ostream& out) {
  ff::write(out, "(I3,' symmetry operators:')", {crystal.ns});
  for (const auto& line : operator_lines(crystal)) ff::write(out, "(A)", {line});
}

}  // namespace

void raumgr(Crystal& crystal, int nr, const Notes& notes) {
  const SpaceGroupEntry* entry = space_group(nr);
  if (entry == nullptr)
    stop_with_text(notes, ff::format("(' Space-group-Nr.',I6,' is not in the space-group table (1 to 230)')", {nr}));
  copy_entry(crystal, *entry);
  std::ostringstream block;
  write_space_group_line(crystal, nr, block);
  write_operator_list(crystal, block);
  notes.note(block.str());
}

// "  24 symmetry lines:"                                         (I4,' symmetry lines:')
// "   0.500  1.  0.  0.   0.000  0. -1.  0.   0.000  0.  0. -1."  (3(2X,F6.3,3F4.0))
void list_explicit_operators(const Crystal& crystal, std::ostream& out) {
  const int ns = std::clamp(crystal.ns, 0, kMaxOperators);
  ff::write(out, "(I4,' symmetry lines:')", {crystal.ns});
  for (int n = 0; n < ns; ++n) {
    std::vector<ff::Arg> row_values;
    for (int j = 0; j < 3; ++j) {
      row_values.emplace_back(crystal.symt[n][j]);
      for (int k = 0; k < 3; ++k) row_values.emplace_back(crystal.symr[n][j][k]);
    }
    ff::write(out, "(3(2X,F6.3,3F4.0))", row_values);
  }
}

}  // namespace kavro
