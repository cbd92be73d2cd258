// The space group of a crystal file from its symmetry items.
#include "cif/symmetry_items.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <set>

#include "cif/basis.hpp"
#include "cif/cif_error.hpp"
#include "cif/gemmi_ops.hpp"

namespace kavro::cif {

namespace {

constexpr std::size_t kMaxGroupOrder = 192;  // Fm-3m and its relatives
constexpr int kDet = kOpDen * kOpDen * kOpDen;

// The group as read from one item, with what is needed to compare it.
struct Reading {
  std::string description;
  gemmi::GroupOps ops;
  const gemmi::SpaceGroup* setting = nullptr;  // a setting of gemmi's table, if it is one
  bool origin_unknown = false;                 // symbol or number of a group with two origins
};

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// A triplet that gemmi's integer parser can take without overflow: short,
// numbers of at most three digits.
bool readable_triplet(const std::string& triplet) {
  if (triplet.size() > 100) return false;
  int digits = 0;
  for (const char c : triplet) {
    digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
    if (digits > 3) return false;
  }
  return true;
}

gemmi::Op operator_of(const std::string& triplet) {
  gemmi::Op op;
  try {
    if (!readable_triplet(triplet)) throw std::runtime_error("");
    op = gemmi::parse_triplet(triplet);
  } catch (const std::exception&) {
    throw CifError("the symmetry operator " + quoted(triplet) + " cannot be read");
  }
  bool integral = true;
  for (const auto& row : op.rot)
    for (const int v : row) integral = integral && v % kOpDen == 0;
  if (!integral || std::abs(op.det_rot()) != kDet)
    throw CifError("the symmetry operator " + quoted(triplet) + " is not a crystallographic operation");
  op.wrap();
  return op;
}

// The operators of the list, which must form a group (the lattice
// translations taken as identity).
Reading read_operators(const std::vector<std::string>& triplets) {
  std::vector<gemmi::Op> ops{gemmi::Op::identity()};
  std::set<gemmi::Op> seen{gemmi::Op::identity()};
  for (const std::string& triplet : triplets) {
    const gemmi::Op op = operator_of(triplet);
    if (seen.insert(op).second) ops.push_back(op);
    if (ops.size() > kMaxGroupOrder)
      throw CifError("the symmetry operators do not form a space group (more than 192 operators)");
  }
  for (const gemmi::Op& a : ops)
    for (const gemmi::Op& b : ops)
      if (!seen.count(a * b))
        throw CifError("the symmetry operators do not form a space group: " + a.triplet() + " times " +
                       b.triplet() + " is missing");
  Reading reading{"the symmetry operators", gemmi::split_centering_vectors(ops)};
  reading.setting = gemmi::find_spacegroup_by_ops(reading.ops);
  return reading;
}

Reading read_hall(const std::string& hall) {
  Reading reading{"the Hall symbol " + quoted(hall), {}};
  try {
    if (hall.size() > 60) throw std::runtime_error("");
    reading.ops = gemmi::symops_from_hall(hall.c_str());
  } catch (const std::exception&) {
    throw CifError("the Hall symbol " + quoted(hall) + " cannot be read");
  }
  reading.setting = gemmi::find_spacegroup_by_ops(reading.ops);
  return reading;
}

// A trailing qualifier as some databases write it ("F d -3 m Z", "R -3 c H")
// in the form gemmi reads ("F d -3 m :2", "R -3 c :H").
std::string with_colon_qualifier(std::string symbol) {
  while (!symbol.empty() && std::isspace(static_cast<unsigned char>(symbol.back()))) symbol.pop_back();
  if (symbol.size() < 3 || symbol[symbol.size() - 2] != ' ') return symbol;
  const char q = symbol.back();
  const char colon_form = q == 'S' ? '1' : q == 'Z' ? '2' : (q == 'H' || q == 'R') ? q : '\0';
  if (colon_form == '\0') return symbol;
  symbol.back() = ':';
  return symbol + colon_form;
}

Reading reading_of_setting(const gemmi::SpaceGroup& setting, const std::string& description, bool origin_given) {
  Reading reading{description, setting.operations(), &setting};
  reading.origin_unknown = !origin_given && (setting.ext == '1' || setting.ext == '2');
  return reading;
}

// The cubic symbols before 1983 wrote the rotoinversion -3 as 3 after a mirror
// or glide ("F d 3 m", "P m 3 m", "I a 3"): the same symbol with -3, or empty
// when the symbol is not of that form.
std::string current_cubic_symbol(const std::string& symbol) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : symbol + ' ') {
    if (!std::isspace(static_cast<unsigned char>(c))) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  const bool plane = words.size() >= 3 && words[1].size() == 1 && std::string("mnabcd").find(words[1][0]) != std::string::npos;
  if (!plane || words[2] != "3" || words.size() > 4 || std::string("PFI").find(words[0]) == std::string::npos)
    return "";
  words[2] = "-3";
  std::string current;
  for (const std::string& w : words) current += (current.empty() ? "" : " ") + w;
  return current;
}

const gemmi::SpaceGroup* setting_of_name(const std::string& name, const UnitCell& cell) {
  if (name.empty() || name.size() > 40 || std::isdigit(static_cast<unsigned char>(name.front()))) return nullptr;
  return gemmi::find_spacegroup_by_name(name, cell.alpha, cell.gamma);
}

Reading read_hermann_mauguin(const std::string& symbol, const UnitCell& cell, std::vector<std::string>& notes) {
  std::string name = with_colon_qualifier(symbol);
  const gemmi::SpaceGroup* setting = setting_of_name(name, cell);
  if (!setting) {
    const std::string current = current_cubic_symbol(name);
    setting = current.empty() ? nullptr : setting_of_name(current, cell);
    if (!setting) throw CifError("the space-group symbol " + quoted(symbol) + " is unknown");
    notes.push_back("the space-group symbol " + quoted(symbol) + " is the old form of " + quoted(current));
    name = current;
  }
  return reading_of_setting(*setting, "the space-group symbol " + quoted(symbol),
                            name.find(':') != std::string::npos);
}

bool rhombohedral_axes(const UnitCell& cell) {
  const auto same = [](double x, double y) { return std::abs(x - y) <= 1e-3 * std::max(x, y); };
  return same(cell.a, cell.b) && same(cell.a, cell.c) && same(cell.alpha, cell.beta) &&
         same(cell.alpha, cell.gamma) && std::abs(cell.alpha - 90) > 1e-3;
}

Reading read_number(const std::string& text, const UnitCell& cell) {
  const std::string description = "the space-group number " + text;
  std::size_t used = 0;
  int number = 0;
  try {
    number = std::stoi(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || number < 1 || number > 230)
    throw CifError(description + " is not a number from 1 to 230");
  const gemmi::SpaceGroup* setting = gemmi::find_spacegroup_by_number(number);
  if (setting->ext == 'H' && rhombohedral_axes(cell)) {
    std::string rhombohedral = setting->xhm();  // "R 3:H" -> "R 3:R"
    rhombohedral.back() = 'R';
    setting = gemmi::find_spacegroup_by_name(rhombohedral);
  }
  return reading_of_setting(*setting, description, false);
}

std::string setting_name(const Reading& reading) {
  if (!reading.setting) return "";
  return std::to_string(reading.setting->number) + " (" + reading.setting->xhm() + ")";
}

// Every item must name the same group as the one the crystal is built on.
void check_agreement(const Reading& chosen, const std::vector<Reading>& others) {
  for (const Reading& other : others) {
    if (!chosen.setting || !other.setting) continue;
    const bool exact = other.description.rfind("the Hall", 0) == 0 || chosen.description.rfind("the Hall", 0) == 0;
    const bool same = exact ? chosen.ops.is_same_as(other.ops) : chosen.setting->number == other.setting->number;
    if (!same)
      throw CifError("inconsistent symmetry: space group " + setting_name(chosen) + " from " + chosen.description +
                     ", " + setting_name(other) + " from " + other.description);
  }
}

// The cell must be left unchanged by every rotation: R^T G R = G.
void check_cell(const gemmi::GroupOps& ops, const UnitCell& cell, const std::string& description) {
  const Matrix3 g = metric(cell);
  const double scale = std::max({g[0][0], g[1][1], g[2][2]});
  for (const gemmi::Op& op : ops.sym_ops) {
    const Matrix3 r = rotation_of(from_gemmi(op));
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double rotated = 0;
        for (int k = 0; k < 3; ++k)
          for (int l = 0; l < 3; ++l) rotated += r[k][i] * g[k][l] * r[l][j];
        if (std::abs(rotated - g[i][j]) > 2e-3 * scale)
          throw CifError("inconsistent symmetry: the cell does not have the symmetry of " + description +
                         " (operation " + op.triplet() + ")");
      }
  }
}

}  // namespace

FileSpaceGroup file_space_group(const SymmetryItems& items, const UnitCell& cell) {
  // The operator list wins: a symbol is often written in an old style or for
  // another setting, while the operators are what the structure was refined
  // in. A symbol or number that cannot be read, or that names another group,
  // is then a note. Without usable operators the Hall symbol, the
  // Hermann-Mauguin symbol and the number follow in that order; those must
  // agree with each other.
  std::vector<std::string> notes;
  std::optional<Reading> operators;
  if (!items.operators.empty()) {
    try {
      operators = read_operators(items.operators);
    } catch (const CifError& e) {
      if (items.hall.empty() && items.hermann_mauguin.empty() && items.number.empty()) throw;
      notes.push_back(std::string(e.what()) + "; the group is taken from the symbols instead");
    }
  }
  std::string made;  // what the operators make, for the notes
  if (operators)
    made = "the " + std::to_string(all_operations(operators->ops).size()) + " symmetry operators make " +
           (operators->setting ? "space group " + setting_name(*operators)
                               : std::string("a group that is not in gemmi's table of settings"));
  std::vector<Reading> readings;
  const auto add = [&](auto read) {
    try {
      readings.push_back(read());
    } catch (const CifError& e) {
      if (!operators) throw;
      notes.push_back(std::string(e.what()) + "; " + made + " and are used");
    }
  };
  if (!items.hall.empty()) add([&] { return read_hall(items.hall); });
  if (!items.hermann_mauguin.empty()) add([&] { return read_hermann_mauguin(items.hermann_mauguin, cell, notes); });
  if (!items.number.empty()) add([&] { return read_number(items.number, cell); });
  if (!operators && readings.empty())
    throw CifError("the file gives no space group: no symmetry operators (_space_group_symop_operation_xyz), "
                   "no Hall or Hermann-Mauguin symbol, no space-group number");
  if (operators) {
    for (const Reading& other : readings) {
      if (!other.setting || (operators->setting && other.setting->number == operators->setting->number)) continue;
      if (operators->setting)
        notes.push_back(other.description + " names space group " + setting_name(other) + ", but " + made +
                        " and are used");
      else  // the same group, perhaps, in a setting of its own: no contradiction to be found
        notes.push_back(other.description + " names space group " + setting_name(other) + "; " + made +
                        " and are used");
    }
    readings.insert(readings.begin(), *operators);
  } else {
    const Reading& chosen = readings.front();
    if (chosen.origin_unknown)
      throw CifError(chosen.description +
                     " belongs to a group with two origin choices and does not say which: give '" +
                     std::string(chosen.setting->hm) + " :1' or ':2', or list the symmetry operators");
    check_agreement(chosen, {readings.begin() + 1, readings.end()});
  }
  const Reading& chosen = readings.front();
  check_cell(chosen.ops, cell, chosen.description);
  std::string description = chosen.description;
  if (chosen.setting) description += ", space group " + setting_name(chosen);
  return {all_operations(chosen.ops), description, std::move(notes)};
}

}  // namespace kavro::cif
