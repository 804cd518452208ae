"""Claim-size curves through AggCo: distribution functions, layer moments and discretised layers."""

import math

import numpy as np
import pytest

from codes import *
from scripthost import AutomationError, CreateObject

MED = [2000.0, 0.5, 10000.0, 0.3, 60000.0, 0.2]
PARETO = [2.5, 20000.0]
TLN = [8.5, 1.2, 500.0]


def survival(sv, params, x):
    """1 - F(x) of the three families, written from their definitions."""
    x = np.asarray(x, dtype=float)
    if sv == svMED:
        return sum(w * np.exp(-x / t) for t, w in zip(params[0::2], params[1::2]))
    if sv == svPareto:
        alpha, theta = params
        return (theta / (theta + x)) ** alpha
    mu, sigma, T = params if len(params) == 3 else (*params[:2], 0.0)
    z = np.log(np.maximum(x - T, 1e-300))
    return np.where(x > T, 0.5 * np.vectorize(math.erfc)((z - mu) / (sigma * math.sqrt(2))), 1.0)


def integrate(f, a, b, breaks=(), panels=400):
    """Composite 20-point Gauss-Legendre on [a, b], with panel edges at the given breaks."""
    nodes, weights = np.polynomial.legendre.leggauss(20)
    edges = np.unique(np.concatenate([np.linspace(a, b, panels + 1), [t for t in breaks if a < t < b]]))
    lo, hi = edges[:-1, None], edges[1:, None]
    x = (lo + hi) / 2 + (hi - lo) / 2 * nodes
    return float(np.sum((hi - lo) / 2 * weights * f(x)))


def layer_moments(sv, params, layer, attach):
    """E[Y^k | X > A] = k/S(A) int_0^L y^(k-1) S(A + y) dy for Y = min(X - A, L)."""
    breaks = [params[2] - attach] if sv == svTLognormal and len(params) == 3 else []
    sa = survival(sv, params, attach)
    return [k / sa * integrate(lambda y: y ** (k - 1) * survival(sv, params, attach + y), 0.0, layer, breaks)
            for k in (1, 2, 3)]


def midpoint_buckets(sv, params, attach, h, filled, total):
    """The midpoint rule conditioned on X > A: `filled` buckets of ground-up width h, the last of them
    collecting every claim that reaches it, then zeros up to `total`."""
    s = survival(sv, params, np.concatenate([[attach], attach + (np.arange(filled - 1) + 0.5) * h]))
    b = np.zeros(total)
    b[:filled - 1] = s[:-1] - s[1:]
    b[filled - 1] = s[-1]
    return b / s[0]


def entry(index):
    pf = CreateObject("Corvane.AggCo").ParamFile()
    return pf.distType(index), pf.params(index, rtScript).tolist()


def split(med, parts):
    """The same mixed exponential written with every component split into equal parts."""
    return [v for t, w in zip(med[0::2], med[1::2]) for _ in range(parts) for v in (t, w / parts)]


# Distribution function

@pytest.mark.parametrize("sv, params, x, expected", [
    (svMED, [1000.0, 1.0], 1000.0, 1 - math.exp(-1)),
    (svMED, [1000.0, 1.0], -1000.0, 1 - math.e),  # no clamping below 0
    (svMED, MED, 5000.0, 1 - 0.5 * math.exp(-2.5) - 0.3 * math.exp(-0.5) - 0.2 * math.exp(-1 / 12)),
    (svPareto, [2.0, 100.0], 100.0, 0.75),
    (svPareto, PARETO, 1e5, 1 - (1 / 6) ** 2.5),
])
def test_distribution_function(agg, sv, params, x, expected):
    assert agg.F(sv, params, x) == pytest.approx(expected, rel=1e-14)


def test_translated_lognormal_distribution_function(agg):
    mu, sigma, T = TLN
    for x in (600.0, 5000.0, 1e5):
        assert agg.F(svTLognormal, TLN, x) == pytest.approx(1 - survival(svTLognormal, TLN, x), abs=2e-7)
    for x in (-1e6, 0.0, 499.0, T):
        assert agg.F(svTLognormal, TLN, x) == 0.0
    # Only exactly three values carry a translation: with four it is 0.
    four = [mu, sigma, T, 7.0]
    assert agg.F(svTLognormal, four, 200.0) == agg.F(svTLognormal, [mu, sigma], 200.0) > 0


def test_built_in_curves(agg):
    for index in (0, 5, 6):
        code, params = entry(index)
        assert agg.F(svBI, [index], 3e4) == agg.F(code, params, 3e4)
        assert agg.F(svBI, [index + 0.9], 3e4) == agg.F(code, params, 3e4)  # truncated toward zero


@pytest.mark.parametrize("sd, params", [(svEmp, [0.5, 0.5]), (svOne, []), (svEDCo, []), (svFPP, []),
                                        (svAIR, [1.0]), (svRMS, [1.0, 1.0]), (svSimpleMixture, [0.0, 1.0]),
                                        (0, MED), (11, MED)])
def test_distribution_function_of_codes_without_a_curve(agg, sd, params):
    with pytest.raises(AutomationError) as e:
        agg.F(sd, params, 1.0)
    assert (e.value.hresult, e.value.description) == (E_INVALIDARG, None)


# Layer moments

@pytest.mark.parametrize("sv, params, layer, attach, rtol", [
    (svMED, MED, 50000.0, 0.0, 1e-6),
    (svMED, MED, 40000.0, 10000.0, 1e-6),
    (svPareto, [2.5, 1000.0], 2000.0, 500.0, 1e-10),
    (svPareto, PARETO, 1e5, 5000.0, 1e-10),
    (svPareto, [1.0, 20000.0], 1e5, 0.0, 1e-10),  # the closed forms divide by alpha - 1, 2, 3 here
    (svPareto, [2.0, 20000.0], 1e5, 3000.0, 1e-10),
    (svPareto, [3.0, 20000.0], 1e5, 0.0, 1e-10),
    (svPareto, [3.0 + 1e-9, 20000.0], 1e5, 0.0, 1e-6),  # continuous through the limit
    (svTLognormal, TLN, 50000.0, 1000.0, 1e-6),
    (svTLognormal, [8.5, 1.2, 5000.0], 10000.0, 1000.0, 1e-6),  # attachment below the translation
    (svTLognormal, [8.5, 1.2], 20000.0, 0.0, 1e-6),
])
def test_layer_moments(agg, sv, params, layer, attach, rtol):
    got = agg.SevMoms(sv, params, layer, attach, 1.0, rtScript)
    np.testing.assert_allclose(got, layer_moments(sv, params, layer, attach), rtol=rtol)


def test_layer_moments_in_closed_form(agg):
    e = math.exp(-1)
    exponential = [1000 * (1 - e), 2e6 * (1 - 2 * e), 6e9 * (1 - 2.5 * e)]
    for attach in (0.0, 500.0):  # memoryless
        np.testing.assert_allclose(agg.SevMoms(svMED, [1000.0, 1.0], 1000.0, attach, 1.0, rtScript), exponential,
                                   rtol=1e-6)
    np.testing.assert_allclose(agg.SevMoms(svPareto, [2.5, 1000.0], 2000.0, 500.0, 1.0, rtScript),
                               [719, 9.50e5, 1.55e9], rtol=2e-3)
    # A layer wholly below the translation: every claim exhausts it.
    np.testing.assert_allclose(agg.SevMoms(svTLognormal, [8.5, 1.2, 5000.0], 2000.0, 1000.0, 1.0, rtScript),
                               [2000.0, 2000.0 ** 2, 2000.0 ** 3], rtol=1e-12)


def test_layer_moments_ignore_the_share(agg):
    for sv, params in [(svMED, MED), (svPareto, PARETO), (svTLognormal, TLN)]:
        whole = agg.SevMoms(sv, params, 5e4, 1000.0, 1.0, rtScript)
        np.testing.assert_array_equal(agg.SevMoms(sv, params, 5e4, 1000.0, 0.5, rtScript), whole)


def test_moments_of_other_sources(agg):
    np.testing.assert_array_equal(agg.SevMoms(svOne, [], 1e5, 500.0, 0.5, rtScript), [1, 1, 1])
    code, params = entry(5)
    np.testing.assert_array_equal(agg.SevMoms(svBI, [5.0], 1e5, 0.0, 1.0, rtScript),
                                  agg.SevMoms(code, params, 1e5, 0.0, 1.0, rtScript))
    assert agg.SevMoms(svMED, MED, 1e5, 0.0, 1.0, rtExcelCol).shape == (3, 1)


@pytest.mark.parametrize("sv, params, description", [
    (svEmp, [0.5, 0.5], "Not implemented"),
    (svEDCo, [], "Invalid sev dist"), (svFPP, [], "Invalid sev dist"), (svAIR, [1.0], "Invalid sev dist"),
    (svRMS, [1.0, 1.0], "Invalid sev dist"), (0, MED, "Invalid sev dist"),
    (svPareto, [2.5], "Insufficient Parameters"), (svPareto, [2.5, 1000.0, 3.0], "Insufficient Parameters"),
    (svTLognormal, [8.5], "Insufficient Parameters"),
])
def test_moments_failures(agg, sv, params, description):
    fails(lambda: agg.SevMoms(sv, params, 1e5, 0.0, 1.0, rtScript), E_FAIL, description)


# Discretised layers

@pytest.mark.parametrize("sv, params, layer, attach, share, num, unit, filled, atol", [
    (svMED, MED, 50000.0, 0.0, 1.0, 256, 250.0, 200, 1e-15),
    (svMED, MED, 40000.0, 10000.0, 0.5, 256, 250.0, 80, 1e-15),
    (svPareto, PARETO, 1e5, 5000.0, 1.0, 128, 1000.0, 100, 1e-15),
    (svPareto, PARETO, -1, 0.0, 1.0, 64, 1000.0, 64, 1e-15),  # unlimited: the last bucket takes the tail
    (svTLognormal, TLN, 30000.0, 1000.0, 1.0, 64, 1000.0, 30, 2e-7),
    (svMED, [1.0, 1.0], 3.0, 0.0, 1.0, 8, 1.0, 3, 1e-15),
    (svMED, [1.0, 1.0], 8.0, 0.0, 1.0, 8, 1.0, 8, 1e-15),  # the layer just fills the buckets
])
def test_discretised_layer(agg, sv, params, layer, attach, share, num, unit, filled, atol):
    got = agg.CreateSevDist(sv, params, layer, attach, share, num, unit, rtScript)
    np.testing.assert_allclose(got, midpoint_buckets(sv, params, attach, unit / share, filled, num), rtol=0,
                               atol=atol)
    assert got.sum() == pytest.approx(1.0, abs=1e-14)


def test_unit_exponential_in_a_layer_of_three(agg):
    e = np.exp(-np.array([0.5, 1.5, 2.5]))
    np.testing.assert_allclose(agg.CreateSevDist(svMED, [1.0, 1.0], 3.0, 0.0, 1.0, 8, 1.0, rtScript),
                               [1 - e[0], e[0] - e[1], e[1], 0, 0, 0, 0, 0], rtol=1e-14, atol=0)


def test_half_share_doubles_the_ground_up_width(agg):
    half = agg.CreateSevDist(svPareto, PARETO, 1e5, 5000.0, 0.5, 128, 500.0, rtScript)
    np.testing.assert_allclose(half, agg.CreateSevDist(svPareto, PARETO, 1e5, 5000.0, 1.0, 128, 1000.0, rtScript),
                               rtol=1e-15, atol=0)


def test_discretised_layer_shapes(agg):
    numbers = agg.CreateSevDist(svMED, MED, 5e4, 0.0, 1.0, 256, 250.0, rtScript)
    assert agg.CreateSevDist(svMED, MED, 5e4, 0.0, 1.0, 256, 250.0, rtExcelCol).shape == (256, 1)
    emp = agg.CreateSevDist(svMED, MED, 5e4, 0.0, 1.0, 256, 250.0, rtEDCo)
    assert (emp.num, emp.unit) == (256, 250.0)
    np.testing.assert_array_equal(emp.Density(8, rtScript), numbers)


@pytest.mark.parametrize("layer, num, unit", [
    (0.5, 8, 1.0),  # shorter than one bucket
    (9.0, 8, 1.0),  # longer than the buckets
])
def test_layer_that_does_not_fit(agg, layer, num, unit):
    fails(lambda: agg.CreateSevDist(svMED, [1.0, 1.0], layer, 0.0, 1.0, num, unit, rtScript), E_FAIL,
          "Invalid unit for size of layer")


@pytest.mark.parametrize("sv, params, description", [
    (svOne, [], "Invalid sev dist"), (svEmp, [0.5, 0.5], "Invalid sev dist"), (svAIR, [1.0], "Invalid sev dist"),
    (svPareto, [2.5], "Insufficient Parameters"),
])
def test_discretisation_failures(agg, sv, params, description):
    fails(lambda: agg.CreateSevDist(sv, params, 1e5, 0.0, 1.0, 64, 2000.0, rtScript), E_FAIL, description)


def test_built_in_curve_index_is_converted_as_an_integer(agg):
    """CreateSevDist converts its index variant with the runtime's integer conversion (rounding, text
    accepted); a variant that does not convert fails with its own message."""
    code, params = entry(3)
    expected = agg.CreateSevDist(code, params, 1e5, 0.0, 1.0, 64, 2000.0, rtScript)
    for index in (3, "3", 2.7):
        np.testing.assert_array_equal(agg.CreateSevDist(svBI, index, 1e5, 0.0, 1.0, 64, 2000.0, rtScript), expected)
    fails(lambda: agg.CreateSevDist(svBI, "x", 1e5, 0.0, 1.0, 64, 2000.0, rtScript), E_FAIL,
          "Input variant of the wrong type")


# Decisions on curves outside the usual room

def test_more_than_24_values(agg):
    wide = split(MED, 5)  # 15 components, 30 values
    assert len(wide) > 24
    assert agg.F(svMED, wide, 7000.0) == pytest.approx(agg.F(svMED, MED, 7000.0), rel=1e-14)
    np.testing.assert_allclose(agg.SevMoms(svMED, wide, 5e4, 1000.0, 1.0, rtScript),
                               agg.SevMoms(svMED, MED, 5e4, 1000.0, 1.0, rtScript), rtol=1e-13)
    np.testing.assert_allclose(agg.CreateSevDist(svMED, wide, 5e4, 1000.0, 1.0, 256, 250.0, rtScript),
                               agg.CreateSevDist(svMED, MED, 5e4, 1000.0, 1.0, 256, 250.0, rtScript), rtol=1e-13,
                               atol=1e-17)
    wide_agg = agg.CreateDist(fqPoisson, [2.0], svMED, wide, 5e4, 1000.0, 1.0, 10, 250.0, rtScript)
    plain_agg = agg.CreateDist(fqPoisson, [2.0], svMED, MED, 5e4, 1000.0, 1.0, 10, 250.0, rtScript)
    np.testing.assert_allclose(wide_agg[2], plain_agg[2], rtol=0, atol=1e-15)
    # A translated lognormal given 26 values has no translation; a Pareto takes exactly two.
    assert agg.F(svTLognormal, [8.5, 1.2, 500.0] + [0.0] * 23, 400.0) == agg.F(svTLognormal, [8.5, 1.2], 400.0)
    fails(lambda: agg.SevMoms(svPareto, PARETO * 13, 1e5, 0.0, 1.0, rtScript), E_FAIL, "Insufficient Parameters")


def test_user_mixture_of_built_in_curves(agg):
    pairs = [0.0, 0.3, 3.0, 0.7]
    med = [v for index, weight in zip(pairs[0::2], pairs[1::2])
           for t, w in zip(entry(int(index))[1][0::2], entry(int(index))[1][1::2]) for v in (t, w * weight)]
    np.testing.assert_allclose(agg.SevMoms(svSimpleMixture, pairs, 1e5, 0.0, 1.0, rtScript),
                               agg.SevMoms(svMED, med, 1e5, 0.0, 1.0, rtScript), rtol=1e-14)
    np.testing.assert_allclose(agg.CreateSevDist(svSimpleMixture, pairs, 1e5, 0.0, 1.0, 128, 1000.0, rtScript),
                               agg.CreateSevDist(svMED, med, 1e5, 0.0, 1.0, 128, 1000.0, rtScript), atol=1e-16)
    np.testing.assert_allclose(agg.CreateDist(fqOne, [], svSimpleMixture, pairs, 1e5, 0, 1, 8, 1000.0, rtScript)[3],
                               agg.CreateDist(fqOne, [], svMED, med, 1e5, 0, 1, 8, 1000.0, rtScript)[3], atol=1e-16)


@pytest.mark.parametrize("pairs, hresult, description", [
    ([0.0, 0.5, 1.0], E_INVALIDARG, None),  # odd count
    ([0.0, 0.5, 511.0, 0.5], E_INVALIDARG, None),  # beyond the last entry
    ([-1.0, 1.0], E_INVALIDARG, None),
    ([5.0, 1.0], E_FAIL, "Invalid arg??? is it bad to throw an exception here?"),  # a Pareto entry
    ([510.0, 1.0], E_FAIL, "Invalid arg??? is it bad to throw an exception here?"),  # an empty entry
])
def test_bad_user_mixtures(agg, pairs, hresult, description):
    for call in (lambda: agg.SevMoms(svSimpleMixture, pairs, 1e5, 0.0, 1.0, rtScript),
                 lambda: agg.CreateSevDist(svSimpleMixture, pairs, 1e5, 0.0, 1.0, 64, 2000.0, rtScript),
                 lambda: agg.CreateDist(fqPoisson, [1.0], svSimpleMixture, pairs, 1e5, 0, 1, 8, 2000.0, rtScript)):
        fails(call, hresult, description)


def test_curve_record_of_another_code(tmp_registry, tmp_path):
    pf = CreateObject("Corvane.ParamFile.1")
    pf.New(str(tmp_path / "odd.prm"))
    pf.Add(0, svAIR, "odd", "a record no family reads", [1000.0, 1.0])
    pf.Add(1, svMED, "med", "", [1000.0, 1.0])
    CreateObject("Corvane.AggCo").DefaultParamFile = str(tmp_path / "odd.prm")
    agg = CreateObject("Corvane.AggCo")
    for call in (lambda i: agg.SevMoms(svBI, [i], 1e4, 0, 1, rtScript),
                 lambda i: agg.CreateSevDist(svBI, i, 1e4, 0, 1, 64, 200.0, rtScript),
                 lambda i: agg.CreateDist(fqPoisson, [1.0], svBI, i, 1e4, 0, 1, 8, 100.0, rtScript)):
        fails(lambda: call(0), E_FAIL, "Invalid sev dist")
        call(1)
    fails(lambda: agg.F(svBI, [0], 1.0), E_INVALIDARG)
    assert agg.F(svBI, [1], 1000.0) == pytest.approx(1 - math.exp(-1), rel=1e-14)


@pytest.mark.parametrize("name, dispid, args", [
    ("F", 59, (svPareto, PARETO, 1e4)),
    ("SevMoms", 2, (svMED, MED, 5e4, 0.0, 1.0, rtScript)),
    ("CreateSevDist", 33, (svMED, MED, 5e4, 0.0, 1.0, 64, 1000.0, rtScript)),
])
def test_dispids(agg, name, dispid, args):
    assert agg._dispid_(name) == dispid
    np.testing.assert_array_equal(agg._invoke_(dispid, "method", *args), getattr(agg, name)(*args))
