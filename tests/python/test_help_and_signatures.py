"""Help, signatures and dir() of host objects, made from the servers' member tables."""

import inspect
import pydoc

import numpy as np
import pytest

from codes import *
from scripthost import AutomationError, CreateObject, libraries, missing
from scripthost.objects import class_for


def published_members():
    """(interface, member name) of every member of every class of every registered type library."""
    rows = []
    for lib in libraries.registered():
        for c in lib["classes"]:
            rows += [(c["interface"], row) for row in c["interface"]["members"]]
    return rows


def test_every_member_of_every_loaded_module_has_help(agg):
    libs = libraries.loaded()
    assert "CORVANELib" in [lib["name"] for lib in libs]
    for lib in libs:
        for c in lib["classes"]:
            for row in c["interface"]["members"]:
                assert row["help"].strip() and "\n" not in row["help"], (c["name"], row["name"])


def test_help_and_signature_of_every_published_member():
    classes = {}
    rows = published_members()
    assert len(rows) > 60
    for iface, row in rows:
        cls = classes.setdefault(iface["iid"], class_for(iface))
        member = getattr(cls, row["name"])
        text = pydoc.render_doc(member, renderer=pydoc.plaintext)
        assert row["help"] in text, row["name"]
        passed = [p[0] for p in row["params"] if p[3]]
        for name in passed:
            assert name in text, (row["name"], name)
        if row["kind"] == "method":
            sig = inspect.signature(member)
            assert list(sig.parameters)[1:] == passed, row["name"]
        assert row["name"] in dir(cls)


def test_a_live_object_shows_its_members(agg):
    sig = inspect.signature(agg.CreateDist)
    assert str(sig) == "(fq, fqParams, sv, sevParams, layer, attach, share, numL2, unit, rt)" \
                       " -> (unit, momsOut, aggSample, sevSample)"
    assert str(inspect.signature(agg.Smooth)) == \
        "(varIn, smthType, rt, forward=missing, order=missing) -> varOut"
    assert str(inspect.signature(agg.TLNFit)) == "(mean, cv, skew) -> (mu, sigma, T)"
    assert str(inspect.signature(agg.SumMoms1)) == "(mom1, mom2, rt) -> mom1"
    assert str(inspect.signature(agg.ParamFile().Close)) == "() -> None"
    doc = agg.FreqMoms.__doc__
    assert doc.startswith("Raw moments") and "fqDist : int" in doc and "DISPID 1" in doc
    page = pydoc.render_doc(agg, renderer=pydoc.plaintext)
    for name in ("FreqMoms(self, fqDist, params, rt) -> varOut", "DefaultParamFile", "Path of the default parameter file"):
        assert name in page
    assert set(dir(agg)) == {row["name"] for row in agg._interface_()["members"]}
    assert type(agg) is type(CreateObject("Corvane.AggCo.1"))


def test_an_object_made_by_a_method_has_its_own_interface(agg):
    emp = agg.CreateEmpCoFromDensity([0.5, 0.5], 2, 1.0)
    assert repr(emp) == "<IEmpCo object>"
    assert str(inspect.signature(emp._Density)) == "(num, xs) -> xs"
    assert "Bucket width" in pydoc.render_doc(type(emp).unit, renderer=pydoc.plaintext)
    emp.description = "mine"
    assert emp.Description == "mine"
    with pytest.raises(AutomationError) as e:
        emp.num = 4
    assert e.value.hresult == DISP_E_MEMBERNOTFOUND
    with pytest.raises(AutomationError) as e:
        emp.Density = 4
    assert e.value.hresult == DISP_E_MEMBERNOTFOUND


def test_missing_passes_as_an_omitted_argument(agg):
    x = np.linspace(0.0, 1.0, 16)
    np.testing.assert_array_equal(agg.Smooth(x, smLight, rtScript, missing, missing),
                                  agg.Smooth(x, smLight, rtScript))
    np.testing.assert_array_equal(agg.Smooth(x, smLight, rtScript, order=missing), agg.Smooth(x, smLight, rtScript))
