"""Failures read by name and text; argument mistakes name the parameters."""

import pytest

from codes import *
from scripthost import AutomationError, CreateObject

STANDARD = [
    (E_NOTIMPL, "E_NOTIMPL", "Not implemented"),
    (E_FAIL, "E_FAIL", "Unspecified error"),
    (E_UNEXPECTED, "E_UNEXPECTED", "Catastrophic failure"),
    (E_OUTOFMEMORY, "E_OUTOFMEMORY", "Not enough memory resources are available to complete this operation"),
    (E_INVALIDARG, "E_INVALIDARG", "The parameter is incorrect"),
    (0x80004003, "E_POINTER", "Invalid pointer"),
    (0x80040110, "CLASS_E_NOAGGREGATION", "Class does not support aggregation (or class object is remote)"),
    (0x80040111, "CLASS_E_CLASSNOTAVAILABLE", "ClassFactory cannot supply requested class"),
    (REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG", "Class not registered"),
    (CO_E_CLASSSTRING, "CO_E_CLASSSTRING", "Invalid class string"),
    (DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND", "Member not found"),
    (DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH", "Type mismatch"),
    (DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME", "Unknown name"),
    (DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT", "Invalid number of parameters"),
    (DISP_E_PARAMNOTOPTIONAL, "DISP_E_PARAMNOTOPTIONAL", "Parameter not optional"),
]


@pytest.mark.parametrize("hresult, name, text", STANDARD)
def test_a_status_without_description_prints_its_name_and_text(hresult, name, text):
    e = AutomationError(hresult)
    assert str(e) == f"0x{hresult:08X} {name}: {text}"
    assert (e.hresult, e.description, e.source) == (hresult, None, None)


def test_server_failures_read_by_name(agg):
    with pytest.raises(AutomationError) as e:
        agg.AddNoise([0.5, 0.5], 1.0, 0.0, rtScript)
    assert e.value.description is None and e.value.source == "Corvane.AggCo.1"
    assert str(e.value) == "0x80070057 E_INVALIDARG: The parameter is incorrect (Corvane.AggCo.1)"
    with pytest.raises(AutomationError) as e:
        agg.FreqMoms(0, [1.0], rtScript)
    assert str(e.value) == "0x80004005 E_FAIL: Invalid freq dist (Corvane.AggCo.1)"
    with pytest.raises(AutomationError) as e:
        agg.QuickStats(3, 1.0, [1.0])
    assert str(e.value).startswith("0x80070057 E_INVALIDARG")
    # A bare-number failure has no name: the number alone.
    with pytest.raises(AutomationError) as e:
        agg.SumMoms([1.0, 1.0], [1.0, 1.0, 1.0], rtScript)
    assert str(e.value) == "0x80040063 (Corvane.AggCo.1)"


@pytest.mark.parametrize("name, status, text", [
    ("Corvane.ParamFil", CO_E_CLASSSTRING, '0x800401F3 CO_E_CLASSSTRING: Invalid class string "Corvane.ParamFil"'),
    ("{00000000-1111-2222-3333-444444444444}", REGDB_E_CLASSNOTREG,
     '0x80040154 REGDB_E_CLASSNOTREG: Class not registered "{00000000-1111-2222-3333-444444444444}"'),
])
def test_failed_creation_names_the_class(name, status, text):
    with pytest.raises(AutomationError) as e:
        CreateObject(name)
    assert (e.value.hresult, e.value.description, str(e.value)) == (status, None, text)


def test_argument_mistakes_name_the_parameters(agg):
    params = "fq, fqParams, sv, sevParams, layer, attach, share, numL2, unit, rt"
    cases = [
        (lambda: agg.CreateDist(2, [2.0], qadrant=1), DISP_E_PARAMNOTFOUND,
         f"CreateDist has no parameter 'qadrant'; its parameters are {params}"),
        (lambda: agg.CreateDist(2, [2.0], fq=2), DISP_E_BADPARAMCOUNT,
         "CreateDist got parameter 'fq' both by position and by keyword"),
        (lambda: agg.CreateDist(2, momsOut=1), DISP_E_PARAMNOTFOUND,
         "'momsOut' is an out parameter of CreateDist; it comes back as a result, it is not passed"),
        (lambda: agg.FreqMoms(2, [2.0], 1, 4), DISP_E_BADPARAMCOUNT,
         "FreqMoms takes at most 3 arguments (fqDist, params, rt), 4 given"),
        (lambda: agg.FreqMoms(2, [2.0]), DISP_E_PARAMNOTOPTIONAL, "Parameter 'rt' is not optional"),
    ]
    for call, status, description in cases:
        fails(call, status, description)
    # Keywords match names case-insensitively, as member names do.
    assert list(agg.FreqMoms(2, RT=1, Params=[2.0])) == [2, 6, 22]
