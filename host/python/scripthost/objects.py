"""Host objects: one Python class per dispatch interface, made from the interface's member table.

This module is the one place where a host object's Python behaviour is defined: an attribute per
member (methods as functions, properties as attributes) with its signature and help string,
case-insensitive names, dir(), repr() and equality (by object identity, from the extension).
"""

import inspect

from . import _scripthost
from .errors import AutomationError, UnknownNameError

METHOD, GET, PUT = 1, 2, 4
DISPID_VALUE, DISPID_NEWENUM = 0, -4
DISP_E_MEMBERNOTFOUND = 0x80020003
DISP_E_UNKNOWNNAME = 0x80020006

Dispatch = _scripthost.Dispatch
_call = Dispatch._call_


class _Missing:
    """An omitted optional argument (what leaving it out passes)."""

    __slots__ = ()

    def __repr__(self):
        return "missing"


missing = _Missing()


class _Returns:
    """What a call gives back, shown after "->" in a signature."""

    def __init__(self, text):
        self.text = text

    def __repr__(self):
        return self.text


def passed(row):
    """The parameters a caller passes, in order."""
    return [p for p in row["params"] if p[3]]


def returned(row):
    """(name, type) of what comes back: the result, then the out and in-out parameters."""
    values = [row["result"]] if row["result"] else []
    values += [(name, kind) for name, direction, kind, _ in row["params"] if direction in ("out", "inout")]
    return values


def returns_text(row):
    names = [name for name, _ in returned(row)]
    if not names:
        return "None"
    return names[0] if len(names) == 1 else "(" + ", ".join(names) + ")"


def signature(row, with_self):
    params = [inspect.Parameter("self", inspect.Parameter.POSITIONAL_OR_KEYWORD)] if with_self else []
    for name, direction, _, _ in passed(row):
        default = missing if direction == "optional" else inspect.Parameter.empty
        params.append(inspect.Parameter(name, inspect.Parameter.POSITIONAL_OR_KEYWORD, default=default))
    return inspect.Signature(params, return_annotation=_Returns(returns_text(row)), __validate_parameters__=False)


def _param_line(name, direction, kind):
    notes = {"optional": ", optional", "inout": ", in-out", "out": ", filled in place"}
    return f"    {name} : {kind}{notes.get(direction, '')}"


def docstring(interface, row):
    lines = [row["help"], ""]
    if passed(row):
        lines.append("Parameters")
        lines += [_param_line(name, direction, kind) for name, direction, kind, _ in passed(row)]
    if returned(row):
        lines.append("Returns")
        lines += [f"    {name} : {kind}" for name, kind in returned(row)]
    kind = {"method": "method", "get": "property get", "put": "property put"}[row["kind"]]
    lines.append(f"DISPID {row['dispid']}, {kind} of {interface}")
    return "\n".join(lines)


def _method(interface, row):
    dispid = row["dispid"]

    def member(self, *args, **kwargs):
        return _call(self, dispid, METHOD, args, kwargs)

    member.__module__ = "scripthost"
    member.__name__ = row["name"]
    member.__qualname__ = f"{interface}.{row['name']}"
    member.__doc__ = docstring(interface, row)
    member.__signature__ = signature(row, with_self=True)
    return member


def _property(interface, name, get_row, put_row):
    def fget(self):
        if not get_row:
            raise AutomationError(DISP_E_MEMBERNOTFOUND, f"'{name}' can only be set")
        return _call(self, get_row["dispid"], GET, (), {})

    def fset(self, value):
        if not put_row:
            raise AutomationError(DISP_E_MEMBERNOTFOUND, f"'{name}' can only be read")
        _call(self, put_row["dispid"], PUT, (value,), {})

    doc = "\n\n".join(docstring(interface, row) for row in (get_row, put_row) if row)
    return property(fget, fset, doc=doc)


def _add_conventions(namespace, members):
    """The platform's conventions, for any interface that has the members: the DISPID -4 member
    (_NewEnum) hands out the enumerator of a for-each loop; the DISPID 0 member is the object's
    call and its index."""
    kinds = {(row["dispid"], row["kind"]) for row in members}

    def kind_of(dispid):
        return METHOD if (dispid, "method") in kinds else GET if (dispid, "get") in kinds else None

    new_enum, value = kind_of(DISPID_NEWENUM), kind_of(DISPID_VALUE)
    if new_enum:
        namespace["__iter__"] = lambda self: iter(_call(self, DISPID_NEWENUM, new_enum, (), {}))
    if value:
        namespace["__call__"] = lambda self, *args, **kwargs: _call(self, DISPID_VALUE, value, args, kwargs)
        namespace["__getitem__"] = lambda self, key: _call(
            self, DISPID_VALUE, value, key if isinstance(key, tuple) else (key,), {})


def class_for(description):
    """The Python class of the host objects of one interface."""
    interface = description["name"]
    rows = {}
    for row in description["members"]:
        rows.setdefault(row["name"], {})[row["kind"]] = row
    namespace = {"__slots__": ()}
    for name, kinds in rows.items():
        if "method" in kinds:
            namespace[name] = _method(interface, kinds["method"])
        else:
            namespace[name] = _property(interface, name, kinds.get("get"), kinds.get("put"))
    _add_conventions(namespace, description["members"])
    canonical = {name.lower(): name for name in rows}
    names = list(rows)

    def __getattr__(self, name):
        # Reached only when the exact name is not an attribute: names are case-insensitive.
        found = canonical.get(name.lower())
        if name.startswith("__") or found == name:
            raise AttributeError(name)
        if found is None:
            raise UnknownNameError(DISP_E_UNKNOWNNAME, f"Unknown name '{name}'")
        return getattr(self, found)

    def __setattr__(self, name, value):
        found = canonical.get(name.lower())
        if found is None:
            raise UnknownNameError(DISP_E_UNKNOWNNAME, f"Unknown name '{name}'")
        attribute = namespace[found]
        if not isinstance(attribute, property):
            raise AutomationError(DISP_E_MEMBERNOTFOUND, f"'{found}' is a method; it cannot be set")
        attribute.__set__(self, value)

    namespace.update(
        __getattr__=__getattr__,
        __setattr__=__setattr__,
        __dir__=lambda self: list(names),
        __repr__=lambda self: f"<{interface} object>",
        __module__="scripthost",
        __qualname__=interface,
        __doc__=f"A host object of the {interface} interface: call its members by name (case-insensitively);\n"
                f"properties are attributes. help() of a member shows its parameters and what it gives back.",
    )
    return type(interface, (Dispatch,), namespace)
