"""Calling conventions: names and DISPIDs, arguments, results and failures."""

import numpy as np
import pytest

from codes import *
from scripthost import AutomationError, CreateObject, UnknownNameError

AGGCO_MEMBERS = {"FreqMoms": 1, "VMtoCont": 12, "CtgToVM": 13, "ApplyChF": 19, "ParamFile": 29,
                 "DefaultParamFile": 57}
PARAMFILE_MEMBERS = {"Add": 1, "Count": 2, "name": 3, "desc": 4, "DistTypeName": 5, "distType": 6, "params": 7,
                     "Open": 8, "Close": 9, "Save": 10, "Flush": 11, "SizeofParamEntry": 12, "BI_F": 13,
                     "BI_LEV": 14, "BI_ILF": 15, "New": 16}


@pytest.mark.parametrize("progid, members", [("Corvane.AggCo", AGGCO_MEMBERS),
                                             ("Corvane.ParamFile.1", PARAMFILE_MEMBERS)])
def test_dispids(progid, members):
    obj = CreateObject(progid)
    for name, dispid in members.items():
        assert obj._dispid_(name) == dispid
        assert obj._dispid_(name.upper()) == dispid


def test_call_by_name_and_by_dispid_agree(agg):
    np.testing.assert_array_equal(agg.FreqMoms(fqPoisson, [2.0], rtScript),
                                  agg._invoke_(1, "method", fqPoisson, [2.0], rtScript))
    assert agg.vmtocont(fqNegBinVM, 10.0, 3.0) == agg._invoke_(12, "method", fqNegBinVM, 10.0, 3.0)
    assert agg.DefaultParamFile == agg._invoke_(57, "get")


def test_unknown_names(agg):
    with pytest.raises(UnknownNameError) as e:
        agg.NoSuchMethod
    assert e.value.hresult == DISP_E_UNKNOWNNAME
    with pytest.raises(AutomationError) as e:
        agg._dispid_("NoSuchMethod")
    assert e.value.hresult == DISP_E_UNKNOWNNAME
    assert not hasattr(agg, "NoSuchMethod")
    with pytest.raises(AutomationError) as e:
        agg._invoke_(999, "method")
    assert e.value.hresult == DISP_E_MEMBERNOTFOUND


def test_argument_count(agg):
    with pytest.raises(AutomationError) as e:
        agg.FreqMoms(fqPoisson, [2.0], rtScript, 4)
    assert e.value.hresult == DISP_E_BADPARAMCOUNT
    with pytest.raises(AutomationError) as e:
        agg.FreqMoms(fqPoisson, [2.0])
    assert e.value.hresult == DISP_E_PARAMNOTOPTIONAL


def test_keywords_and_numeric_text(agg):
    np.testing.assert_array_equal(agg.FreqMoms(fqPoisson, rt=rtScript, params=[2.0]), [2, 6, 22])
    np.testing.assert_array_equal(agg.FreqMoms("2", 2, 1.0), [2, 6, 22])


def test_out_parameters_come_back_as_results(agg):
    assert agg.CtgToVM(fqNegBinCt, 10.0, 0.2) == pytest.approx(3.0)


@pytest.mark.parametrize("value", [np.array([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]]),
                                   np.asfortranarray([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]]),
                                   [[1, 2, 3], [4, 5, 6]]])
def test_two_dimensional_arguments_keep_their_elements(agg, value):
    # Values arrive in storage order, the first index running fastest: a[0,0], a[1,0], a[0,1], ...
    np.testing.assert_array_equal(agg.ApplyChF(fqOne, [], value, rtScript), [1, 4, 2, 5, 3, 6])


def test_argument_forms(agg):
    x = [0.5, 0.25, 0.125, 0.0625]
    expected = agg.ApplyChF(fqOne, [], np.array(x), rtScript)
    for form in (x, tuple(x), np.array(x, dtype=np.float32), np.array(x)[::1]):
        np.testing.assert_array_equal(agg.ApplyChF(fqOne, [], form, rtScript), expected)
    np.testing.assert_array_equal(agg.ApplyChF(fqOne, None, np.arange(8)[::2], rtScript), [0, 2, 4, 6])
    for bad in ([1.0, "x"], {"a": 1}, object()):
        with pytest.raises((AutomationError, TypeError)):
            agg.ApplyChF(fqOne, [], bad, rtScript)


def test_failure_reports(agg):
    with pytest.raises(AutomationError) as e:
        agg.FreqMoms(0, [1.0], rtScript)
    err = e.value
    assert err.hresult == E_FAIL and err.description == "Invalid freq dist"
    assert err.source == "Corvane.AggCo.1"
    assert "0x80004005" in str(err) and "Invalid freq dist" in str(err)


def test_objects_as_values(agg):
    pf = agg.ParamFile()
    assert repr(pf) == "<IParamFile object>"
    assert pf == pf and pf != agg
