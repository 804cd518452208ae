"""Creating objects through the registry, and the registration records."""

import os

import pytest

import scripthost
from codes import *
from conftest import MODULE
from scripthost import AutomationError, CreateObject

AGGCO = "{FEF1FED9-E48D-471C-AB3B-6F82F69E8DE5}"
PARAMFILE = "{CFDA4C70-B177-4BDD-9BFA-1B3C6848E837}"
TRIANGLE = "{11CF3062-F6B0-43F7-9700-FC73F546066B}"


def read_registry(path):
    keys, key = {}, None
    for line in open(path):
        line = line.rstrip("\n")
        if line.startswith("["):
            key = keys.setdefault(line[1:-1].lower(), {})
        elif "=" in line and key is not None:
            name, value = line.split("=", 1)
            key["" if name == "@" else name.strip('"')] = value.strip('"').replace("\\\\", "\\")
    return keys


@pytest.mark.parametrize("name", ["Corvane.AggCo", "Corvane.AggCo.1", "corvane.aggco.1", AGGCO, AGGCO.lower()])
def test_create_aggco(name):
    assert repr(CreateObject(name)) == "<IAggCo object>"


def creatable_classes():
    return [c for lib in scripthost.libraries.registered() for c in lib["classes"] if c["viprogid"]]


def test_every_creatable_class_by_both_progids():
    classes = creatable_classes()
    assert {c["progid"] for c in classes} >= {"Corvane.AggCo.1", "Corvane.ParamFile.1", "Corvane.Triangle.1"}
    for c in classes:
        assert c["viprogid"] + ".1" == c["progid"]
        for name in (c["progid"], c["viprogid"], c["clsid"]):
            assert repr(CreateObject(name)) == f"<{c['interface']['name']} object>", name


@pytest.mark.parametrize("progid", ["Corvane.EmpCo.1", "Corvane.BivEmpCo.1", "Corvane.FTUCo.1",
                                    "Corvane.EnumRisk.1", "No.Such.Class", ""])
def test_classes_never_registered(progid):
    with pytest.raises(AutomationError) as e:
        CreateObject(progid)
    assert e.value.hresult == CO_E_CLASSSTRING


def test_unknown_clsid():
    with pytest.raises(AutomationError) as e:
        CreateObject("{00000000-1111-2222-3333-444444444444}")
    assert e.value.hresult == REGDB_E_CLASSNOTREG


def test_registration_records(tmp_registry):
    keys = read_registry(tmp_registry)
    module = str(MODULE)
    assert keys["corvane.aggco.1"][""] == "AggCo Class"
    assert keys["corvane.aggco.1\\clsid"][""] == AGGCO
    assert keys["corvane.aggco\\clsid"][""] == AGGCO
    assert keys["corvane.aggco\\curver"][""] == "Corvane.AggCo.1"
    assert keys["corvane.paramfile.1\\clsid"][""] == PARAMFILE
    for c in creatable_classes():
        vi = c["viprogid"].lower()
        assert keys[vi][""] == c["name"] + " Class"
        assert keys[vi + "\\clsid"][""] == c["clsid"]
        assert keys[vi + "\\curver"][""] == c["progid"]
        assert keys["clsid\\" + c["clsid"].lower() + "\\versionindependentprogid"][""] == c["viprogid"]
    assert keys["corvane.triangle.1\\clsid"][""] == TRIANGLE
    for clsid, progid in [(AGGCO, "Corvane.AggCo.1"), (PARAMFILE, "Corvane.ParamFile.1"),
                          (TRIANGLE, "Corvane.Triangle.1")]:
        base = "clsid\\" + clsid.lower()
        assert keys[base + "\\progid"][""] == progid
        assert keys[base + "\\inprocserver32"] == {"": module, "ThreadingModel": "Free"}
        assert keys[base + "\\typelib"][""] == "{942DEF41-D684-4E4C-99D9-A0B7C1225D39}"
        assert base + "\\programmable" in keys
    assert keys["corvane.aggco.1\\paramfile"][""] == os.path.join(os.path.dirname(module), "public.prm")


def test_unregister_removes_the_records(tmp_registry):
    scripthost.unregister(str(MODULE))
    keys = read_registry(tmp_registry)
    assert not [k for k in keys if "corvane" in k or AGGCO.lower() in k]
    with pytest.raises(AutomationError) as e:
        CreateObject("Corvane.AggCo")
    assert e.value.hresult == CO_E_CLASSSTRING


@pytest.mark.parametrize("content", [None, "directory", "[unterminated\n@=\"x\"\n"])
def test_missing_or_unreadable_registry(tmp_path, monkeypatch, content):
    path = tmp_path / "registry"
    if content == "directory":
        path.mkdir()
    elif content is not None:
        path.write_text(content)
    monkeypatch.setenv("AUTOMATION_REGISTRY", str(path))
    with pytest.raises(AutomationError) as e:
        CreateObject("Corvane.AggCo")
    assert e.value.hresult == CO_E_CLASSSTRING
