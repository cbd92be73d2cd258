// The Python module `kavro`: the calculation of an input file from scripts
// and notebooks, with the event table and the scan as numpy arrays.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <sstream>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cif/cif_error.hpp"
#include "cif/crystal_run.hpp"
#include "cif/radiation_choice.hpp"
#include "crystal/run_stop.hpp"
#include "engine/fast_path.hpp"
#include "crystal_input.hpp"
#include "distributed_map.hpp"
#include "distributed_search.hpp"
#include "dynamical_result.hpp"
#include "event_arrays.hpp"
#include "input_run.hpp"
#include "fit_module.hpp"
#include "map_module.hpp"
#include "notebook_page.hpp"
#include "rocking_module.hpp"
#include "module_errors.hpp"
#include "structure_values.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace kavro::python {
namespace {

struct Result {
  py::str listing;
  py::dict events;
  Scan scan;
  bool store_overflowed = false;
  py::list passes;
  std::shared_ptr<const InputRun> run;  // for the report page
  std::string page_name;                // names the tables the page offers for download
  std::shared_ptr<const DynamicalRun> dynamical;  // with dynamical=: the perfect crystal's scan
};

std::string result_page(const Result& r) {
  return r.dynamical ? dynamical_page(*r.dynamical, r.page_name) : run_report_page(*r.run, r.page_name);
}

py::list pass_summaries(const InputRun& run) {
  py::list passes;
  for (const PassTable& p : run.passes)
    passes.append(py::dict("pass"_a = p.pass, "wavelength"_a = p.line.wavelength_A, "events_full_turn"_a = p.events_full_turn,
                           "near_window"_a = p.near_window, "stored"_a = p.stored,
                           "store_overflowed"_a = p.store_overflowed,
                           "operative_reflections"_a = p.operative_reflections, "scan_crossings"_a = p.scan_crossings,
                           "table_rows"_a = p.events.size()));
  return passes;
}

[[noreturn]] void raise_run_error(const py::handle& type, const InputRun& run) {
  const py::str message = listing_text(run.failure);
  py::object error = type(message);
  error.attr("message") = message;
  error.attr("listing") = listing_text(run.listing);
  error.attr("status") = run.status;
  PyErr_SetObject(type.ptr(), error.ptr());
  throw py::error_already_set();
}

// Ctrl-C while a run goes on: the signal's handler runs (KeyboardInterrupt by default) and the run stops.
bool python_signal_raised() {
  py::gil_scoped_acquire locked;
  return PyErr_CheckSignals() != 0;
}

Result result_of(const py::handle& run_error, InputRun& done, std::string page_name) {
  if (!done.completed) raise_run_error(run_error, done);
  Result r{listing_text(done.listing), event_arrays(done), scan_arrays(done), done.store_overflowed,
           pass_summaries(done), nullptr, std::move(page_name), nullptr};
  r.run = std::make_shared<const InputRun>(std::move(done));
  return r;
}

// The perfect crystal's scan of an input (its text or a structure's input) in the place of the
// kinematic one, as `kavro99 run --dynamical` computes it; the measurement is not compared with it.
template <typename Input>
void take_dynamical_scan(const py::handle& run_error, Result& r, const Input& input, const DynamicalChoice& choice) {
  std::ostringstream listing;
  std::string failure;
  {
    py::gil_scoped_release unlocked;
    try {
      r.dynamical = dynamical_run(input, choice, listing);
    } catch (const RunStop& stop) {
      failure = std::string("the input file cannot be used: ") + stop.what();
    } catch (const Error& e) {
      failure = e.what();
    }
  }
  if (!failure.empty()) raise_stop(run_error, failure, listing.str());
  r.scan.quantity = quantity_name(choice.quantity);
  r.scan.calc = dynamical_calc(*r.dynamical);
  py::array_t<float> none(r.scan.calc.size());
  std::fill_n(none.mutable_data(), none.size(), std::numeric_limits<float>::quiet_NaN());
  r.scan.obs = none;
}

Result run(const py::handle& run_error, const std::filesystem::path& input,
           const std::optional<DynamicalChoice>& dynamical) {
  InputRun done;
  std::string text;
  try {
    py::gil_scoped_release unlocked;
    if (dynamical) text = input_file_text(input);
    done = run_input_file(input, python_signal_raised, !dynamical);
  } catch (const InputFileError& e) {
    raise_input_error(e, input);
  } catch (const RunInterrupted&) {
    throw py::error_already_set();  // the handler's exception
  }
  Result r = result_of(run_error, done, input.stem().string());
  if (dynamical) take_dynamical_scan(run_error, r, text, *dynamical);
  return r;
}

// --- Crystals and radiations ---------------------------------------------------

CrystalFile from_cif(const py::handle& cif_error, const std::filesystem::path& path,
                     const std::optional<std::string>& block) {
  try {
    py::gil_scoped_release unlocked;
    return read_crystal(path, block.value_or(""));
  } catch (const InputFileError& e) {
    raise_input_error(e, path);
  } catch (const cif::CifError& e) {
    raise_with_message(cif_error, e);
  }
}

// A change of a structure's values: a value that cannot be used is a ValueError naming it, a structure
// the reader refuses a kavro.CifError; either leaves the structure as it was.
template <typename Change>
void change_structure(const py::handle& cif_error, Change change) {
  try {
    change();
  } catch (const std::invalid_argument& e) {
    throw py::value_error(e.what());
  } catch (const cif::CifError& e) {
    raise_with_message(cif_error, e);
  }
}

py::tuple cell_tuple(const cif::UnitCell& c) { return py::make_tuple(c.a, c.b, c.c, c.alpha, c.beta, c.gamma); }

std::string number_text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string crystal_repr(const CrystalFile& f) {
  const cif::UnitCell& c = f.crystal.cell;
  std::string text = "<kavro.Structure '" + f.crystal.title + "' from " + f.crystal.source + ": a=" + number_text(c.a) +
                     " b=" + number_text(c.b) + " c=" + number_text(c.c) + " alpha=" + number_text(c.alpha) +
                     " beta=" + number_text(c.beta) + " gamma=" + number_text(c.gamma) + ", ";
  text += f.space_group.empty() ? f.crystal.symmetry : f.space_group;
  const std::size_t n = f.crystal.sites.size();
  return text + ", " + std::to_string(n) + (n == 1 ? " atom site>" : " atom sites>");
}

// Calls a radiation choice of the converter; its complaints are ValueErrors.
template <typename Choose>
cif::RadiationChoice radiation(Choose choose) {
  try {
    return choose();
  } catch (const cif::CifError& e) {
    raise_with_message(PyExc_ValueError, e);
  }
}

bool pi_polarization(const std::string& polarization) {
  if (polarization != "sigma" && polarization != "pi")
    throw py::value_error("the polarization is 'sigma' or 'pi', not '" + polarization + "'");
  return polarization == "pi";
}

std::string kind_name(cif::RadiationChoice::Kind kind) {
  switch (kind) {
    case cif::RadiationChoice::Kind::tube:
      return "tube";
    case cif::RadiationChoice::Kind::wavelength:
      return "wavelength";
    case cif::RadiationChoice::Kind::synchrotron:
      return "synchrotron";
    case cif::RadiationChoice::Kind::neutrons:
      return "neutron";
  }
  return "";
}

std::string radiation_repr(const cif::RadiationChoice& r) {
  switch (r.kind) {
    case cif::RadiationChoice::Kind::tube:
      return "kavro.Radiation.tube('" + r.tube + "')";
    case cif::RadiationChoice::Kind::synchrotron:
      return "kavro.Radiation.energy(" + number_text(cif::energy_wavelength(1) / r.wavelength) + ", polarization='" +
             (r.pi_polarization ? "pi" : "sigma") + "')";
    default:
      return "kavro.Radiation." + kind_name(r.kind) + "(" + number_text(r.wavelength) + ")";
  }
}

Result events(const py::handle& run_error, const py::handle& cif_error, const CrystalFile& crystal,
              const cif::RadiationChoice& radiation, std::array<int, 3> hkl, std::pair<double, double> psi,
              std::optional<double> steps, double drumin,
              const std::optional<std::array<double, 3>>& azimuth_ref = std::nullopt,
              const cif::SampleChoice& sample = {}, const py::object& client = py::none(),
              const std::optional<DynamicalChoice>& dynamical = std::nullopt, bool exact = false) {
  const cif::ConversionSettings settings =
      conversion_settings(radiation, hkl, psi, steps.value_or(20), drumin, azimuth_ref, sample);
  InputRun done;
  CrystalInput input;
  try {
    {
      py::gil_scoped_release unlocked;
      input = crystal_input(crystal, settings, !steps);
      if (client.is_none())
        done = run_crystal_input(input, python_signal_raised, [exact](RunRequests& r) { r.exact = exact; });
    }
    if (!client.is_none()) done = spread_run(client, input, python_signal_raised, exact);
  } catch (const cif::CifError& e) {
    raise_with_message(cif_error, e);
  } catch (const RunInterrupted&) {
    throw py::error_already_set();
  }
  Result r = result_of(run_error, done, crystal.path.stem().string());
  if (dynamical) take_dynamical_scan(run_error, r, input, *dynamical);
  return r;
}

}  // namespace
}  // namespace kavro::python

PYBIND11_MODULE(_kavro, m) {
  using namespace kavro::python;
  namespace cif = kavro::cif;
  m.doc() = "kavro-99: multiple-diffraction psi-scans (Renninger scans) of a single crystal";

  const ModuleErrors errors = add_module_errors(m);
  const py::handle run_error = errors.run;
  const py::handle cif_error = errors.cif;

  py::class_<Scan>(m, "Scan", "The simulated and the measured scan on the psi grid.")
      .def_readonly("psi", &Scan::psi, "psi of each step (deg), float32")
      .def_readonly("calc", &Scan::calc,
                    "simulated intensity (cps), float32; with dynamical= the perfect crystal's reflectivity of the "
                    "primary (see quantity)")
      .def_readonly("obs", &Scan::obs,
                    "measured intensity (cps), float32, NaN where nothing was measured (everywhere with "
                    "dynamical=: the perfect crystal's scan is not compared with a measurement)")
      .def_readonly("quantity", &Scan::quantity,
                    "what calc holds: 'intensity' (the kinematic scan, cps), 'peak' (the peak reflectivity of the "
                    "primary, the maximum over the glancing angle, 0..1) or 'integrated' (its integral over the "
                    "glancing angle, microradians)");

  py::class_<Result>(m, "Result", "A completed run of an input file.")
      .def_readonly("listing", &Result::listing, "the print listing, as kavro99 run writes it")
      .def_readonly("events", &Result::events,
                    "the event table: one numpy array per column, named as in the CSV and JSON files")
      .def_readonly("scan", &Result::scan)
      .def_readonly("passes", &Result::passes, "per pass the counts of the JSON event table's summary")
      .def_readonly("store_overflowed", &Result::store_overflowed,
                    "a pass had more events than the listing holds; the event table has all of them")
      .def_property_readonly(
          "fast_path", [](const Result& r) { return kavro::takes_fast_path(r.run->crystal, r.run->options); },
          "the run took the fast path of a large cell: the scan's far profile tails interpolated, every scan "
          "value within 1e-5 of the scan's maximum, the events exactly the direct path's (see exact=)")
      .def_property_readonly(
          "dynamical",
          [](const Result& r) -> py::object {
            if (!r.dynamical) return py::none();
            return dynamical_columns(*r.dynamical);
          },
          "with dynamical=: the columns of `kavro99 run --dynamical`'s scan table as numpy arrays, float64 in "
          "full precision (psi, calculated, R_sigma, R_pi, dtheta_arcsec, beams; for 'integrated' psi, "
          "calculated, R_sigma_int, R_pi_int, beams); None for a kinematic run")
      .def(
          "html", [](const Result& r) { return listing_text(result_page(r)); },
          "the run's interactive page, as `kavro99 run --html` writes it (one self-contained HTML document)")
      .def(
          "_repr_html_", [](const Result& r) { return listing_text(notebook_frame(result_page(r))); },
          "the run's page inline in Jupyter, in a frame of its own");

  m.def(
      "run",
      [run_error](const std::filesystem::path& input, const py::object& dynamical, std::optional<double> thickness,
                  std::optional<kavro::Hkl> surface) {
        return run(run_error, input, dynamical_choice(dynamical, thickness, surface));
      },
      "input"_a, py::kw_only(), "dynamical"_a = py::none(), "thickness"_a = py::none(), "surface"_a = py::none(),
      "Runs an input file as `kavro99 run` does. The listing is kept in memory (Result.listing); the .cal file "
      "and the PostScript page are written where the command line writes them. With `dynamical` True, 'peak' or "
      "'integrated' (`kavro99 run INPUT --dynamical[=peak|=integrated]`) the scan is the perfect crystal's N-beam "
      "psi-scan of the primary's peak or integrated reflectivity (Result.scan.quantity, Result.dynamical), of a "
      "plate of `thickness` (mm; None: a half-space) with the entrance `surface` H K L (None: the primary's "
      "plane); the events are the kinematic ones and nothing is written. Raises kavro.RunError when the run "
      "stops early or the crystal cannot be taken as perfect (neutrons), ValueError for a value the command "
      "line refuses, FileNotFoundError or OSError when the input cannot be read.");
  py::class_<Site>(m, "Site", "An atom site of the asymmetric unit.")
      .def(py::init([](std::string type, std::array<double, 3> xyz, double b_iso, double occupancy,
                       std::optional<std::array<double, 6>> u_aniso, std::string label) {
             return Site{std::move(type), xyz, b_iso, occupancy, u_aniso, std::move(label)};
           }),
           "type"_a, "xyz"_a, "b_iso"_a = 0.0, "occupancy"_a = 1.0, "u_aniso"_a = py::none(), "label"_a = "",
           "A site: `type` an element or ion symbol ('Si', 'Fe3+'), `xyz` fractional coordinates, `b_iso` the "
           "isotropic displacement B (square Angstrom), `occupancy` in (0, 1], `u_aniso` (U11, U22, U33, U12, "
           "U13, U23) in square Angstrom instead of b_iso, `label` (default: type and number).")
      .def_readwrite("type", &Site::type, "element or ion symbol")
      .def_readwrite("xyz", &Site::xyz, "fractional coordinates")
      .def_readwrite("b_iso", &Site::b_iso, "isotropic displacement B (square Angstrom)")
      .def_readwrite("occupancy", &Site::occupancy, "chemical occupancy")
      .def_readwrite("u_aniso", &Site::u_aniso, "U11 U22 U33 U12 U13 U23 (square Angstrom), or None")
      .def_readwrite("label", &Site::label, "the site's label")
      .def("__repr__", [](const Site& s) {
        return "kavro.Site('" + s.type + "', (" + number_text(s.xyz[0]) + ", " + number_text(s.xyz[1]) + ", " +
               number_text(s.xyz[2]) + "), b_iso=" + number_text(s.b_iso) +
               ", occupancy=" + number_text(s.occupancy) + ")";
      });

  py::class_<CrystalFile>(m, "Structure",
                          "A crystal structure: from values, or read from a CIF, mmCIF or PDB file (gzipped or not).")
      .def(py::init([cif_error](const std::array<double, 6>& cell, const std::string& space_group,
                                const std::vector<Site>& sites, const std::string& title) {
             try {
               return structure_of_values(cell, space_group, sites, title);
             } catch (const std::invalid_argument& e) {
               throw py::value_error(e.what());
             } catch (const cif::CifError& e) {
               raise_with_message(cif_error, e);
             }
           }),
           "cell"_a, "space_group"_a, "sites"_a, "title"_a = "",
           "A structure from values: `cell` (a, b, c, alpha, beta, gamma) in Angstrom and degrees, "
           "`space_group` a Hermann-Mauguin symbol (with ':1' or ':2' for a group with two origins, 'H' or 'R' "
           "for rhombohedral axes), `sites` the kavro.Site list of the asymmetric unit. Raises ValueError for a "
           "value that cannot be used, kavro.CifError for a structure the reader refuses.")
      .def_property(
          "sites", [](const CrystalFile& f) { return sites_of(f); },
          [cif_error](CrystalFile& f, const std::vector<Site>& sites) {
            change_structure(cif_error, [&] { f = with_values(f, cell_of(f), f.space_group, sites); });
          },
          "the sites of the asymmetric unit, as values (a list of kavro.Site: assign a new list to change them)")
      .def_static(
          "from_cif",
          [cif_error](const std::filesystem::path& path, const std::optional<std::string>& block) {
            return from_cif(cif_error, path, block);
          },
          "path"_a, "block"_a = py::none(),
          "Reads the crystal of data block `block` (without 'data_'), by default the first block with atom sites. "
          "Raises kavro.CifError (a ValueError) with the reader's message, FileNotFoundError or OSError.")
      .def_property_readonly(
          "name", [](const CrystalFile& f) { return listing_text(f.crystal.block); }, "the data block's name")
      .def_property_readonly(
          "title", [](const CrystalFile& f) { return listing_text(f.crystal.title); },
          "the chemical name or formula, else the block's name")
      .def_property_readonly(
          "source", [](const CrystalFile& f) { return f.path; }, "the file")
      .def_property(
          "cell", [](const CrystalFile& f) { return cell_tuple(f.crystal.cell); },
          [cif_error](CrystalFile& f, const std::array<double, 6>& cell) {
            change_structure(cif_error, [&] {
              check_cell(cell);
              if (f.space_group.empty())  // operators only: fractional, they hold for any cell
                f.crystal.cell = {cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]};
              else
                f = with_values(f, cell, f.space_group, sites_of(f));
            });
          },
          "(a, b, c, alpha, beta, gamma) in Angstrom and degrees")
      .def_property(
          "space_group",
          [](const CrystalFile& f) { return f.space_group.empty() ? std::optional<std::string>() : f.space_group; },
          [cif_error](CrystalFile& f, const std::string& space_group) {
            change_structure(cif_error, [&] { f = with_values(f, cell_of(f), space_group, sites_of(f)); });
          },
          "the space group's name in the file's setting (None when it has no name); a Hermann-Mauguin symbol "
          "sets another")
      .def_property_readonly(
          "symmetry", [](const CrystalFile& f) { return f.crystal.symmetry; }, "what the file gave of the symmetry")
      .def_property_readonly(
          "atoms", [](const CrystalFile& f) { return f.crystal.sites.size(); },
          "the number of atom sites of the asymmetric unit")
      .def_property_readonly(
          "notes", [](const CrystalFile& f) { return f.crystal.notes; }, "what the reader assumed")
      .def("__repr__", [](const CrystalFile& f) { return listing_text(crystal_repr(f)); });
  m.attr("Crystal") = m.attr("Structure");  // the earlier name, kept

  py::class_<cif::RadiationChoice>(m, "Radiation", "The radiation of a calculation, as `kavro99 cif` chooses it.")
      .def_static(
          "tube", [](const std::string& anode) { return radiation([&] { return cif::tube_radiation(anode); }); },
          "anode"_a, "An X-ray tube of the program's table: 'Cu', 'Mo' or 'Ag' (K-alpha1 and K-alpha2).")
      .def_static(
          "wavelength", [](double lambda) { return radiation([&] { return cif::wavelength_radiation(lambda); }); },
          "wavelength"_a, "X-rays of one wavelength (Angstrom).")
      .def_static(
          "energy",
          [](double kev, const std::string& polarization) {
            const bool pi = pi_polarization(polarization);
            return radiation([&] { return cif::synchrotron_radiation(kev, pi); });
          },
          "kev"_a, "polarization"_a = "sigma",
          "Synchrotron X-rays of this energy (1 to 200 keV) from the silicon 1 1 1 monochromator, polarized "
          "'sigma' or 'pi'.")
      .def_static(
          "neutron", [](double lambda) { return radiation([&] { return cif::neutron_radiation(lambda); }); },
          "wavelength"_a, "Neutrons of this wavelength (Angstrom).")
      .def_property_readonly(
          "kind", [](const cif::RadiationChoice& r) { return kind_name(r.kind); },
          "'tube', 'wavelength', 'synchrotron' or 'neutron'")
      .def_property_readonly(
          "wavelength_A",
          [](const cif::RadiationChoice& r) {
            return r.kind == cif::RadiationChoice::Kind::tube ? std::optional<double>() : r.wavelength;
          },
          "the wavelength (Angstrom); None for a tube, whose lines the program's table gives")
      .def("__repr__", &radiation_repr);

  m.def(
      "events",
      [run_error, cif_error](const CrystalFile& crystal, const cif::RadiationChoice& radiation, std::array<int, 3> hkl,
                             std::pair<double, double> psi, std::optional<double> steps, double drumin) {
        return events(run_error, cif_error, crystal, radiation, hkl, psi, steps, drumin);
      },
      "crystal"_a, "radiation"_a, "hkl"_a = std::array<int, 3>{2, 2, 2}, "psi"_a = std::pair<double, double>(-180, 180),
      "steps"_a = py::none(), "drumin"_a = 1.0,
      "Runs the crystal as `kavro99 run CRYSTAL.cif --hkl H K L ...` does, for the primary reflection `hkl` "
      "(indices on the file's cell), the psi range (degrees), `steps` per degree (None: five points on the "
      "narrowest listed event, at least 20) and the intensity threshold "
      "`drumin` (cps) of the listed events. Nothing is written: no input, .cal file or page. Returns the Result of "
      "kavro.run. Raises ValueError for settings no run accepts, kavro.CifError for a crystal the input cannot "
      "express, kavro.RunError when the run stops early.");
  py::class_<cif::SampleChoice>(m, "Sample", "The sample: divergences, radii and mosaic spread (input line 5).")
      .def(py::init([](std::optional<double> divergence, double mosaic, double crystal_radius, double block_radius) {
             return cif::SampleChoice{divergence, crystal_radius, block_radius, mosaic};
           }),
           "divergence"_a = py::none(), "mosaic"_a = 0.0, "crystal_radius"_a = 150.0, "block_radius"_a = 150.0,
           "`divergence` of the beam in and perpendicular to the diffraction plane (degrees; None: 0.14 for "
           "tubes and neutrons, 0.0024 for a synchrotron beam), `mosaic` the mosaic spread eta (degrees), "
           "`crystal_radius` and `block_radius` the crystal's and the mosaic blocks' radii (micrometres). "
           "Values no run accepts raise ValueError when the sample is used.")
      .def_readwrite("divergence", &cif::SampleChoice::divergence, "degrees, or None for the radiation's default")
      .def_readwrite("mosaic", &cif::SampleChoice::mosaic, "mosaic spread eta (degrees)")
      .def_readwrite("crystal_radius", &cif::SampleChoice::crystal_radius, "micrometres")
      .def_readwrite("block_radius", &cif::SampleChoice::block_radius, "micrometres");

  m.def(
      "find_events",
      [run_error, cif_error](const CrystalFile& structure, const cif::RadiationChoice& radiation,
                             std::array<int, 3> hkl, std::pair<double, double> psi, std::optional<double> steps,
                             double drumin, std::optional<std::array<double, 3>> azimuth_ref,
                             const std::optional<cif::SampleChoice>& sample, const py::object& client,
                             const py::object& dynamical, std::optional<double> thickness,
                             std::optional<kavro::Hkl> surface, bool exact) {
        const std::optional<DynamicalChoice> choice = dynamical_choice(dynamical, thickness, surface);
        return events(run_error, cif_error, structure, radiation, hkl, psi, steps, drumin, azimuth_ref,
                      sample.value_or(cif::SampleChoice{}), client, choice, exact);
      },
      "structure"_a, "radiation"_a, "hkl"_a, "psi"_a = std::pair<double, double>(-180, 180), "steps"_a = py::none(),
      "drumin"_a = 1.0, "azimuth_ref"_a = py::none(), "sample"_a = py::none(), "client"_a = py::none(),
      "dynamical"_a = py::none(), "thickness"_a = py::none(), "surface"_a = py::none(), "exact"_a = false,
      "The events of `structure` for the primary reflection `hkl`, as kavro.events (which it extends), and "
      "`azimuth_ref` (H, K, L on the structure's cell): the reciprocal-lattice vector whose part perpendicular "
      "to the primary points to psi = 0 (None: the program's own reference direction), and the `sample` "
      "(a kavro.Sample; None: the converter's default sample). With a Dask distributed `client`, the search is "
      "split into one share per worker thread, each run on a worker as `kavro99 run --chunk` runs it, and the "
      "shares joined here as `kavro99 merge` joins them: the result is the local call's, bit for bit (the "
      "choice of the psi step when `steps` is None searches here first). With `dynamical` True, 'peak' or "
      "'integrated', `thickness` and `surface` as for kavro.run, the scan is the perfect crystal's N-beam psi-scan "
      "that `kavro99 run CRYSTAL.cif --hkl H K L ... --dynamical` gives, computed here (Result.scan.quantity, "
      "Result.dynamical). A large cell takes the fast path of `kavro99 run` (Result.fast_path); `exact` True "
      "sums every profile value, as `kavro99 run --exact`.");
  bind_map(m, errors);
  bind_fit(m, errors);
  bind_rocking(m, errors);
  m.def("event_columns", &event_column_descriptions, "The event table's columns: a list of (name, unit, meaning).");
  add_distributed_calls(m);
  add_distributed_map_calls(m);
  m.attr("__version__") = "1.2";
}
