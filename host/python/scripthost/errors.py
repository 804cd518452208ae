"""Failed automation calls as Python exceptions, with the platform's names and texts of the statuses, and
the warning of a successful call whose server doubts its result."""

import warnings

# The standard statuses: name and the platform's message text.
STATUSES = {
    0x80004001: ("E_NOTIMPL", "Not implemented"),
    0x80004002: ("E_NOINTERFACE", "No such interface supported"),
    0x80004003: ("E_POINTER", "Invalid pointer"),
    0x80004004: ("E_ABORT", "Operation aborted"),
    0x80004005: ("E_FAIL", "Unspecified error"),
    0x8000FFFF: ("E_UNEXPECTED", "Catastrophic failure"),
    0x80070005: ("E_ACCESSDENIED", "Access is denied"),
    0x8007000E: ("E_OUTOFMEMORY", "Not enough memory resources are available to complete this operation"),
    0x80070057: ("E_INVALIDARG", "The parameter is incorrect"),
    0x80020001: ("DISP_E_UNKNOWNINTERFACE", "Unknown interface"),
    0x80020003: ("DISP_E_MEMBERNOTFOUND", "Member not found"),
    0x80020004: ("DISP_E_PARAMNOTFOUND", "Parameter not found"),
    0x80020005: ("DISP_E_TYPEMISMATCH", "Type mismatch"),
    0x80020006: ("DISP_E_UNKNOWNNAME", "Unknown name"),
    0x80020007: ("DISP_E_NONAMEDARGS", "No named arguments"),
    0x80020008: ("DISP_E_BADVARTYPE", "Bad variable type"),
    0x80020009: ("DISP_E_EXCEPTION", "Exception occurred"),
    0x8002000A: ("DISP_E_OVERFLOW", "Out of present range"),
    0x8002000B: ("DISP_E_BADINDEX", "Invalid index"),
    0x8002000D: ("DISP_E_ARRAYISLOCKED", "Memory is locked"),
    0x8002000E: ("DISP_E_BADPARAMCOUNT", "Invalid number of parameters"),
    0x8002000F: ("DISP_E_PARAMNOTOPTIONAL", "Parameter not optional"),
    0x80040110: ("CLASS_E_NOAGGREGATION", "Class does not support aggregation (or class object is remote)"),
    0x80040111: ("CLASS_E_CLASSNOTAVAILABLE", "ClassFactory cannot supply requested class"),
    0x80040150: ("REGDB_E_READREGDB", "Could not read key from registry"),
    0x80040151: ("REGDB_E_WRITEREGDB", "Could not write key to registry"),
    0x80040154: ("REGDB_E_CLASSNOTREG", "Class not registered"),
    0x800401F3: ("CO_E_CLASSSTRING", "Invalid class string"),
    0x800401F8: ("CO_E_DLLNOTFOUND", "DLL for class not found"),
    0x800401F9: ("CO_E_ERRORINDLL", "Error in the DLL"),
}


def status_name(hresult):
    """The status's symbolic name ("E_INVALIDARG"), or None for a status without one."""
    entry = STATUSES.get(hresult & 0xFFFFFFFF)
    return entry[0] if entry else None


class AutomationError(Exception):
    """A failed automation call: the status code, the server's description and its source.

    The message shows the status by number and name, then the server's description or, when it
    gave none, the platform's standard text:
    "0x80070057 E_INVALIDARG: The parameter is incorrect".
    """

    def __init__(self, hresult, description=None, source=None, subject=None):
        self.hresult = hresult & 0xFFFFFFFF
        self.description = description
        self.source = source
        name, standard = STATUSES.get(self.hresult, (None, None))
        text = f"0x{self.hresult:08X}"
        if name:
            text += f" {name}"
        if description:
            text += f": {description}"
        elif standard:
            text += f": {standard}"
            if subject:
                text += f' "{subject}"'
        elif subject:
            text += f': "{subject}"'
        if source:
            text += f" ({source})"
        super().__init__(text)


class UnknownNameError(AutomationError, AttributeError):
    """A member name the object does not have (DISP_E_UNKNOWNNAME); also an AttributeError."""


class AccuracyWarning(UserWarning):
    """A successful call whose result may not be what was asked for, with the server's figures
    (for an aggregate: "wrapped", the mass the transform folded back onto small losses;
    "mean_error", the grid mean's relative error; "layer_buckets", the buckets the severity's
    layer spans; "beyond", the mass past a padded grid). Filter it with the warnings module."""

    def __init__(self, text, figures):
        super().__init__(text)
        self.figures = figures


def warn_accuracy(text, figures):
    """Raises AccuracyWarning for the caller of the automation call that noted it."""
    warnings.warn(AccuracyWarning(text, figures), stacklevel=2)

