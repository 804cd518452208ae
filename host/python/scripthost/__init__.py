"""Drive automation servers from Python.

    from scripthost import CreateObject, AutomationError
    agg = CreateObject("Corvane.AggCo")
    agg.FreqMoms(2, [2.0], 1)        # -> array([ 2.,  6., 22.])

Objects are created by ProgID or "{CLSID}" text through the class registry (the file named by
AUTOMATION_REGISTRY). Members are called by name, case-insensitively; properties are attributes.
The in and in-out parameters are passed in published order (optional ones may be left out, or
given by name); a call returns its result followed by its out and in-out parameters: one value
as itself, several as a tuple, none as None.
"""

from . import _scripthost


class AutomationError(Exception):
    """A failed automation call: the status code, the server's description and its source."""

    def __init__(self, hresult, description=None, source=None):
        self.hresult = hresult & 0xFFFFFFFF
        self.description = description
        self.source = source
        text = f"0x{self.hresult:08X}"
        if description:
            text += f": {description}"
        if source:
            text += f" ({source})"
        super().__init__(text)


class UnknownNameError(AutomationError, AttributeError):
    """A member name the object does not have (DISP_E_UNKNOWNNAME); also an AttributeError."""


_scripthost._set_error_types(AutomationError, UnknownNameError)

Dispatch = _scripthost.Dispatch


def CreateObject(name):
    """A new object of the class registered under a ProgID or "{CLSID}" text."""
    return _scripthost.CreateObject(name)


def register(module_path):
    """Writes a server module's classes into the registry (its DllRegisterServer)."""
    _scripthost.call_entry_point(module_path, "DllRegisterServer")


def unregister(module_path):
    """Removes a server module's classes from the registry (its DllUnregisterServer)."""
    _scripthost.call_entry_point(module_path, "DllUnregisterServer")


__all__ = ["AutomationError", "UnknownNameError", "CreateObject", "Dispatch", "register", "unregister"]
