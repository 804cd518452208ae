"""Drive automation servers from Python.

    from scripthost import CreateObject, AutomationError, constants
    agg = CreateObject("Corvane.AggCo")
    agg.FreqMoms(constants.fqPoisson, [2.0], constants.rtScript)   # -> array([ 2.,  6., 22.])
    help(agg.FreqMoms)

Objects are created by ProgID or "{CLSID}" text through the class registry (the file named by
AUTOMATION_REGISTRY). Members are called by name, case-insensitively; properties are attributes.
The in and in-out parameters are passed in published order (optional ones may be left out, or
given by name); a call returns its result followed by its out and in-out parameters: one value
as itself, several as a tuple, none as None. help(), inspect.signature and dir() show every
member with its parameters and help string, from the server's own member tables.

Objects follow the platform's conventions: one with a _NewEnum member (DISPID -4) is iterable
(`for risk in portfolio:`), and the member of DISPID 0 is its call and index (`portfolio(0)`,
`portfolio[0]`). Objects that save themselves to streams go to and come from files with `save`
and `load`.
"""

from . import _scripthost, libraries
from .constants import Constants
from .errors import AccuracyWarning, AutomationError, UnknownNameError, warn_accuracy
from .objects import Dispatch, class_for, missing

_scripthost._set_host_types(AutomationError, UnknownNameError, class_for, missing)
_scripthost._set_warning(warn_accuracy)

constants = Constants()


def CreateObject(name):
    """A new object of the class registered under a ProgID or "{CLSID}" text."""
    return _scripthost.CreateObject(name)


def last_note():
    """(text, figures) of the note the calling thread's last successful call left, or None."""
    return _scripthost.last_note()


def save(obj, path):
    """Writes an object to a file: its class identity, then its own record. A failing save leaves an
    existing file as it was."""
    _scripthost.save(obj, path)


def load(path):
    """A new object made from a file that `save` wrote: created by its class identity, then loaded."""
    return _scripthost.load(path)


def register(module_path):
    """Writes a server module's classes into the registry (its DllRegisterServer)."""
    _scripthost.call_entry_point(module_path, "DllRegisterServer")


def unregister(module_path):
    """Removes a server module's classes from the registry (its DllUnregisterServer)."""
    _scripthost.call_entry_point(module_path, "DllUnregisterServer")


ControlSite = _scripthost.ControlSite


def save_stream(control):
    """The record a control writes to a stream, as bytes."""
    return _scripthost.save_stream(control)


def load_stream(control, record):
    """Loads a control from the bytes of a stream record."""
    _scripthost.load_stream(control, record)


def save_properties(control):
    """The property bag a control writes, as {name: (vartype, value)}."""
    return _scripthost.save_properties(control)


def load_properties(control, values):
    """Loads a control from a property bag given as {name: value} or {name: (vartype, value)}."""
    _scripthost.load_properties(control, values)


__all__ = ["AccuracyWarning", "AutomationError", "UnknownNameError", "ControlSite", "CreateObject", "Dispatch",
           "constants", "last_note", "load", "load_properties", "load_stream", "missing", "register", "save",
           "save_properties", "save_stream", "unregister"]
