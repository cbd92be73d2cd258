"""kavro-99: multiple-diffraction psi-scans (Renninger scans) of a single crystal.

The calculation is the extension module kavro._kavro; this package gives its
names, each with its own docstring (help(kavro.find_events), ...)."""

from . import _kavro
from ._kavro import (
    CifError,
    Crystal,
    Error,
    FitError,
    FitResult,
    MapError,
    PsiEnergyMap,
    Radiation,
    Result,
    RunError,
    Sample,
    Scan,
    Site,
    Structure,
    event_columns,
    events,
    find_events,
    fit,
    psi_energy_map,
    run,
)

__version__ = _kavro.__version__
__all__ = [
    "CifError",
    "Crystal",
    "Error",
    "FitError",
    "FitResult",
    "MapError",
    "PsiEnergyMap",
    "Radiation",
    "Result",
    "RunError",
    "Sample",
    "Scan",
    "Site",
    "Structure",
    "event_columns",
    "events",
    "find_events",
    "fit",
    "psi_energy_map",
    "run",
]

# The classes are shown as kavro's (kavro.Structure, not kavro._kavro.Structure).
for _name in __all__:
    _value = globals()[_name]
    if isinstance(_value, type) and _value.__module__ == "kavro._kavro":
        _value.__module__ = "kavro"
del _name, _value
