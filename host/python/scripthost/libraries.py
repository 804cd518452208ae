"""The type libraries the server modules publish: classes with their member tables, and enumerations."""

from . import _scripthost

_described = {}


def describe(module_path):
    """The type library of a module (loading it), or None when the module publishes none."""
    if module_path not in _described:
        _described[module_path] = _scripthost.describe_library(module_path)
    return _described[module_path]


def loaded():
    """The type libraries of the modules this process has loaded."""
    return [lib for lib in map(describe, _scripthost.loaded_modules()) if lib]


def registered():
    """The type libraries named in the registry, sorted by name (their modules are loaded)."""
    libs = [lib for lib in map(describe, _scripthost.registered_library_paths()) if lib]
    return sorted(libs, key=lambda lib: (lib["name"], lib["libid"]))
