#include "tables/pass_table.hpp"

#include <utility>

namespace kavro {

PassTable take_pass_table(int pass_number, PassResult& pass) {
  PassTable t;
  t.pass = pass_number;
  t.line = pass.constants.line;
  t.events_full_turn = pass.store.nevt;
  t.near_window = pass.store.nlist;
  t.stored = pass.store.nstore();
  t.store_overflowed = pass.store.overflowed;
  t.operative_reflections = pass.prager;
  t.scan_crossings = pass.scan_crossings;
  t.events = std::move(pass.table);
  return t;
}

}  // namespace kavro
