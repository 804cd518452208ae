"""The reference page: every class, member and code of the registered type libraries, as Markdown."""

from . import libraries
from .objects import passed, returned


def _cell(text):
    return text.replace("|", "\\|")


def _parameters(row):
    notes = {"optional": " (optional)", "inout": " (in-out)", "out": " (filled in place)"}
    return ", ".join(f"`{name}` {kind}{notes.get(direction, '')}" for name, direction, kind, _ in passed(row)) or "—"


def _returns(row):
    return ", ".join(f"`{name}` {kind}" for name, kind in returned(row)) or "—"


def _class_lines(c):
    iface = c["interface"]
    lines = [f"### {c['name']}", ""]
    if c["viprogid"]:
        lines.append(f"ProgID \"{c['progid']}\" (version-independent \"{c['viprogid']}\"), CLSID {c['clsid']}; "
                     f"created by `CreateObject`.")
    else:
        lines.append(f"ProgID \"{c['progid']}\", CLSID {c['clsid']}; made by methods only.")
    lines += ["", f"Interface `{iface['name']}` {iface['iid']}.", "",
              "| DISPID | Kind | Member | Parameters | Returns | Help |",
              "|---|---|---|---|---|---|"]
    for row in iface["members"]:
        lines.append(f"| {row['dispid']} | {row['kind']} | `{row['name']}` | {_cell(_parameters(row))} | "
                     f"{_cell(_returns(row))} | {_cell(row['help'])} |")
    return lines + [""]


def _enumeration_lines(e):
    lines = [f"### {e['name']}", "", _cell(e["help"]) + ".", "", "| Name | Value | Meaning |", "|---|---|---|"]
    lines += [f"| `{name}` | {value} | {_cell(help_)} |" for name, value, help_ in e["constants"]]
    return lines + [""]


def markdown(libs=None):
    """The page for the given type library descriptions (by default every registered one)."""
    libs = libraries.registered() if libs is None else libs
    lines = ["# Reference", "",
             "Generated from the member tables and enumerations the server modules publish; do not edit.",
             "Regenerate with `scripts/reference` after changing a member table or a code.", ""]
    for lib in libs:
        lines += [f"## {lib['name']}: {lib['help']}", "", f"Type library {lib['libid']}.", ""]
        for c in lib["classes"]:
            lines += _class_lines(c)
        if lib["enumerations"]:
            lines += [f"## Codes of {lib['name']}", "", "Given by name as `scripthost.constants.<name>`.", ""]
            for e in lib["enumerations"]:
                lines += _enumeration_lines(e)
    return "\n".join(lines).rstrip("\n") + "\n"
