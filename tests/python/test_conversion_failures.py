"""A Python value that cannot become an automation value fails with a Python exception before the call."""

import numpy as np
import pytest

from codes import *
from scripthost import AutomationError, CreateObject

HUGE = 10 ** 400
SURROGATE = "bad \udc80 text"


@pytest.mark.parametrize("call, error", [
    (lambda agg: agg.TLNFit(HUGE, 1, 1), OverflowError),
    (lambda agg: agg.TLNFit(-HUGE, 1, 1), OverflowError),
    (lambda agg: agg.FreqMoms(fqPoisson, [1.0, HUGE], rtScript), OverflowError),
    (lambda agg: agg.FreqMoms(fqPoisson, np.array([HUGE], dtype=object), rtScript), OverflowError),
    (lambda agg: agg.FreqMoms(fqPoisson, [2.0], rt=HUGE), OverflowError),
    (lambda agg: agg.ParamFile().Open(SURROGATE), UnicodeEncodeError),
    (lambda agg: agg.OpenEmpCo([SURROGATE]), UnicodeEncodeError),
    (lambda agg: agg.FreqMoms(fqPoisson, [2.0], **{SURROGATE: 1}), UnicodeEncodeError),
    (lambda agg: agg._dispid_(SURROGATE), UnicodeEncodeError),
    (lambda agg: CreateObject(SURROGATE), UnicodeEncodeError),
    (lambda agg: agg.FreqMoms(fqPoisson, [2.0], object()), TypeError),
    (lambda agg: agg.FreqMoms(fqPoisson, {"a": 1}, rtScript), TypeError),
])
def test_conversion_failures_raise_python_errors(agg, call, error):
    with pytest.raises(error) as e:
        call(agg)
    assert "Unable to cast" not in str(e.value)


@pytest.mark.parametrize("value, error", [(HUGE, OverflowError), (SURROGATE, UnicodeEncodeError)])
def test_a_failed_conversion_leaves_the_registry_alone(agg, tmp_registry, value, error):
    before = tmp_registry.read_text()
    with pytest.raises(error):
        agg.DefaultParamFile = value
    assert tmp_registry.read_text() == before
    CreateObject("Corvane.AggCo")


def test_large_ints_that_fit_a_double_still_pass(agg):
    assert agg.TLNFit(10 ** 20, 1.0, 1.0) == agg.TLNFit(1e20, 1.0, 1.0)
