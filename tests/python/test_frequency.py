"""Claim-count families through AggCo: moments, generating functions, contagion conversions."""

import numpy as np
import pytest

from codes import *
from scripthost import AutomationError


@pytest.mark.parametrize("code, params, expected", [
    (fqPoisson, [2.0], [2, 6, 22]),
    (fqOne, [], [1, 1, 1]),
    (fqOne, [7.0, 3.0], [1, 1, 1]),
    (fqNegBinVM, [10.0, 3.0], [10, 130, 2050]),
    (fqNegBinCt, [10.0, 0.2], [10, 130, 2050]),
    (fqPIGVM, [5.0, 3.0], [5, 40, 445]),
    (fqPIGCt, [5.0, 2.0], [5, 40, 445]),
    (fqEmp, [0.2, 0.5, 0.3], [1.1, 1.7, 2.9]),
])
def test_freq_moments(agg, code, params, expected):
    np.testing.assert_allclose(agg.FreqMoms(code, params, rtScript), expected, rtol=1e-12)


def test_freq_moments_return_shapes(agg):
    assert agg.FreqMoms(fqPoisson, [2.0], rtScript).shape == (3,)
    assert agg.FreqMoms(fqPoisson, [2.0], rtExcelCol).shape == (3, 1)
    with pytest.raises(AutomationError) as e:
        agg.FreqMoms(fqPoisson, [2.0], 7)
    assert e.value.hresult == E_INVALIDARG


@pytest.mark.parametrize("code", [0, 8, -1])
def test_invalid_freq_code(agg, code):
    for call in (lambda: agg.FreqMoms(code, [1.0, 2.0], rtScript),
                 lambda: agg.ApplyChF(code, [1.0, 2.0], [1.0, 0.0], rtScript),
                 lambda: agg.VMtoCont(code, 1.0, 2.0)):
        with pytest.raises(AutomationError) as e:
            call()
        assert (e.value.hresult, e.value.description) == (E_FAIL, "Invalid freq dist")


@pytest.mark.parametrize("args", [
    (fqPoisson, [], rtScript),        # too few parameters for the family
    (fqNegBinVM, [10.0], rtScript),
    (fqEmp, [], rtScript),
])
def test_too_few_parameters(agg, args):
    with pytest.raises(AutomationError) as e:
        agg.FreqMoms(*args)
    assert e.value.hresult == E_INVALIDARG


@pytest.mark.parametrize("args", [(fqPoisson, ["two"], rtScript), ("Poisson", [2.0], rtScript)])
def test_text_where_numbers_are_expected(agg, args):
    with pytest.raises(AutomationError) as e:
        agg.FreqMoms(*args)
    assert e.value.hresult == DISP_E_TYPEMISMATCH


def halfcomplex(z, n):
    """numpy's rfft output in the halfcomplex order of the grid."""
    x = np.empty(n)
    x[0] = z[0].real
    x[n // 2] = z[n // 2].real
    x[1:n // 2] = z[1:n // 2].real
    x[n - 1:n // 2:-1] = z[1:n // 2].imag
    return x


def from_halfcomplex(x):
    n = len(x)
    z = np.empty(n // 2 + 1, complex)
    z[0] = x[0]
    z[n // 2] = x[n // 2]
    z[1:n // 2] = x[1:n // 2] + 1j * x[n - 1:n // 2:-1]
    return z


def test_apply_chf_compounds_poisson(agg):
    """Applying the Poisson generating function to a severity's transform gives the compound
    distribution that Panjer's recursion gives."""
    n, lam = 64, 1.5
    sev = np.zeros(n)
    sev[1:4] = [0.5, 0.3, 0.2]
    out = agg.ApplyChF(fqPoisson, [lam], halfcomplex(np.fft.rfft(sev), n), rtScript)
    agg_density = np.fft.irfft(from_halfcomplex(out), n)
    panjer = np.zeros(n)
    panjer[0] = np.exp(-lam)
    for k in range(1, n):
        j = np.arange(1, min(k, 3) + 1)
        panjer[k] = lam / k * np.sum(j * sev[j] * panjer[k - j])
    np.testing.assert_allclose(agg_density, panjer, atol=1e-14)


def test_apply_chf_one_returns_the_vector_unchanged(agg):
    x = np.random.default_rng(1).normal(size=16)
    np.testing.assert_array_equal(agg.ApplyChF(fqOne, [], x, rtScript), x)


@pytest.mark.parametrize("code, params, pgf", [
    (fqNegBinVM, [3.0, 2.0], lambda t: (0.5 / (1 - 0.5 * t)) ** 3.0),  # p = 1/2, r = 3
    (fqPIGVM, [3.0, 2.5], lambda t: np.exp(-(3.0 / 1.5) * (np.sqrt(1 + 3.0 * (1 - t)) - 1))),  # beta = 1.5
])
def test_apply_chf_gives_the_pgf_of_element_zero(agg, code, params, pgf):
    """Element 0 holds the claim size's total mass t; it becomes P(t), 1 only when t is 1."""
    x = np.random.default_rng(2).uniform(0.1, 0.9, size=16)
    assert agg.ApplyChF(code, params, x, rtScript)[0] == pytest.approx(pgf(x[0]), rel=1e-14)
    x[0] = 1.0
    assert agg.ApplyChF(code, params, x, rtScript)[0] == pytest.approx(1.0, rel=1e-15)


def test_apply_chf_poisson_positions(agg):
    x = np.random.default_rng(3).uniform(-1, 1, size=16)
    out = agg.ApplyChF(fqPoisson, [0.7], x, rtScript)
    assert out[0] == pytest.approx(np.exp(0.7 * (x[0] - 1)), rel=1e-15)
    assert out[8] == pytest.approx(np.exp(0.7 * (x[8] - 1)), rel=1e-15)
    zero = agg.ApplyChF(fqPoisson, [0.0], x, rtScript)
    np.testing.assert_array_equal(zero[:9], 1.0)
    np.testing.assert_array_equal(zero[9:], 0.0)


@pytest.mark.parametrize("code, mean, vm, cont", [
    (fqNegBinVM, 10.0, 3.0, 0.2),
    (fqNegBinCt, 10.0, 3.0, 0.2),
    (fqPIGVM, 5.0, 3.0, 2.0),
    (fqPIGCt, 5.0, 3.0, 2.0),
    (fqPoisson, 5.0, 1.0, 0.0),
])
def test_contagion_conversions(agg, code, mean, vm, cont):
    assert agg.VMtoCont(code, mean, vm) == pytest.approx(cont, rel=1e-15)
    assert agg.CtgToVM(code, mean, cont) == pytest.approx(vm, rel=1e-15)


@pytest.mark.parametrize("code", [fqOne, fqEmp])
def test_contagion_undefined_for_one_and_empirical(agg, code):
    for call in (agg.VMtoCont, agg.CtgToVM):
        with pytest.raises(AutomationError) as e:
            call(code, 1.0, 2.0)
        assert e.value.hresult == E_INVALIDARG
