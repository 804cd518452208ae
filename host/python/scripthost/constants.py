"""The codes the type libraries publish, by name, as the platform's script hosts give them:

    from scripthost import constants
    constants.fqPoisson          # <freqDist.fqPoisson: 2>, an int
    constants.freqDist           # the enumeration, an IntEnum

Filled from the modules this process has loaded; a name they do not have is looked up in the
type libraries named in the registry, which loads their modules.
"""

import enum

from . import libraries


class Constants:
    """Every published code and enumeration, as attributes."""

    def __init__(self):
        self._seen = set()
        self._names = {}

    def _take(self, libs):
        for lib in libs:
            if lib["path"] in self._seen:
                continue
            self._seen.add(lib["path"])
            for e in lib["enumerations"]:
                codes = enum.IntEnum(e["name"], [(name, value) for name, value, _ in e["constants"]],
                                     module=__name__)
                codes.__doc__ = e["help"]
                self._names.setdefault(e["name"], codes)
                for code in codes:
                    self._names.setdefault(code.name, code)

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        for source in (libraries.loaded, libraries.registered):
            self._take(source())
            if name in self._names:
                return self._names[name]
        raise AttributeError(f"no code or enumeration '{name}' in the loaded or registered type libraries")

    def __dir__(self):
        self._take(libraries.loaded())
        self._take(libraries.registered())
        return sorted(self._names)

    def __repr__(self):
        return "<scripthost.constants>"
