// The crystal structure: cell, space group or operators, scattering types with
// f' and f'' (or neutron lengths) and the atoms of the asymmetric unit.
#pragma once

#include "crystal/crystal.hpp"
