"""Severity curves, layer moments, moment arithmetic and the translated-lognormal fit through AggCo."""

import numpy as np
import pytest

from codes import *
from scripthost import CreateObject

MED = [2000.0, 0.5, 10000.0, 0.3, 60000.0, 0.2]



def survival(sv, params, x):
    if sv == svMED:
        return sum(w * np.exp(-x / t) for t, w in zip(params[0::2], params[1::2]))
    if sv == svPareto:
        a, th = params
        return (th / (th + x)) ** a
    mu, sigma, T = params
    from math import erf
    z = np.maximum(x - T, 1e-300)
    return 0.5 - 0.5 * np.vectorize(erf)((np.log(z) - mu) / (sigma * np.sqrt(2)))


def layer_moments_by_integration(sv, params, layer, attach):
    """E[Y^j] = j int_0^L y^{j-1} S(A + y) dy / S(A), by Simpson's rule."""
    y = np.linspace(0, layer, 200001)
    s = survival(sv, params, attach + y) / survival(sv, params, attach)
    h = y[1] - y[0]
    w = np.ones_like(y)
    w[1:-1:2], w[2:-1:2] = 4, 2
    return [j * h / 3 * np.sum(w * y ** (j - 1) * s) for j in (1, 2, 3)]


@pytest.mark.parametrize("sv, params, layer, attach", [
    (svMED, MED, 50000.0, 0.0), (svMED, MED, 40000.0, 10000.0),
    (svPareto, [2.5, 20000.0], 1e5, 5000.0),
    (svPareto, [1.0, 20000.0], 1e5, 0.0), (svPareto, [2.0, 20000.0], 1e5, 0.0), (svPareto, [3.0, 20000.0], 1e5, 0.0),
    (svTLognormal, [8.5, 1.2, 0.0], 50000.0, 1000.0),
])
def test_layer_moments(agg, sv, params, layer, attach):
    got = agg.SevMoms(sv, params, layer, attach, 1.0, rtScript)
    assert np.all(np.isfinite(got))
    np.testing.assert_allclose(got, layer_moments_by_integration(sv, params, layer, attach), rtol=1e-6)


def test_distribution_function(agg):
    assert agg.F(svMED, [1000.0, 1.0], 1000.0) == pytest.approx(1 - np.exp(-1), rel=1e-14)
    assert agg.F(svPareto, [2.0, 100.0], 100.0) == pytest.approx(0.75, rel=1e-14)
    pf = agg.ParamFile()
    assert agg.F(svBI, [5.0], 5e4) == pytest.approx(agg.F(pf.distType(5), pf.params(5, rtScript), 5e4))
    assert 0 < pf.BI_F(0, 1e4) < 1
    assert pf.BI_LEV(0, 1e12) == pytest.approx(np.dot(pf.params(0, rtScript)[0::2], pf.params(0, rtScript)[1::2]))
    assert pf.BI_ILF(0, 1e5) == pytest.approx(1.0)
    assert pf.BI_ILF(0, 1e6) > 1


def test_discretised_severity(agg):
    density = agg.CreateSevDist(svMED, MED, 50000.0, 0.0, 1.0, 256, 250.0, rtScript)
    assert density.shape == (256,) and density.sum() == pytest.approx(1.0)
    emp = agg.CreateSevDist(svMED, MED, 50000.0, 0.0, 1.0, 256, 250.0, rtEDCo)
    np.testing.assert_array_equal(emp.Density(8, rtScript), density)
    assert len(agg.CreateSevDist(svMED, MED + [1e5, 0.0] * 10, -1, 0.0, 1.0, 64, 1000.0, rtScript)) == 64
    for layer, unit in [(100.0, 1000.0), (-5.0, 10.0)]:
        fails(lambda: agg.CreateSevDist(svMED, MED, layer, 0.0, 1.0, 64, unit, rtScript), E_FAIL,
              "Invalid unit for size of layer")


@pytest.mark.parametrize("call, expected", [
    (lambda a: a.AggMoms([2, 6, 22], [1, 1, 1], rtScript), [2, 6, 22]),
    (lambda a: a.SumMoms([1, 2, 5], [2, 5, 14], rtScript), [3, 11, 46]),
    (lambda a: a.SumMoms1([1, 2, 5], [2, 5, 14], rtScript), [3, 11, 46]),
    (lambda a: a.SevMoms(svOne, [], 0, 0, 1, rtScript), [1, 1, 1]),
])
def test_moment_arithmetic(agg, call, expected):
    np.testing.assert_allclose(call(agg), expected)


def test_translated_lognormal_fit(agg):
    mu, sigma, T = agg.TLNFit(1000.0, 0.5, 1.0)
    mean = T + np.exp(mu + sigma ** 2 / 2)
    var = np.exp(2 * mu + sigma ** 2) * (np.exp(sigma ** 2) - 1)
    skew = (np.exp(sigma ** 2) + 2) * np.sqrt(np.exp(sigma ** 2) - 1)
    np.testing.assert_allclose([mean, np.sqrt(var) / mean, skew], [1000, 0.5, 1.0], rtol=1e-12)
    moments = [1000.0, 1000.0 ** 2 * 1.25, 0.0]
    moments[2] = 1.0 * 500 ** 3 + 3 * 1000 * moments[1] - 2 * 1000 ** 3
    np.testing.assert_allclose(agg.TLNFitMoms(moments), (mu, sigma, T), rtol=1e-9)
    np.testing.assert_allclose(agg.TLNFitVar(moments, rtScript), (mu, sigma, T), rtol=1e-9)
    assert all(isinstance(v, float) for v in agg.TLNFit(1000.0, 0.5, -1.0))


def test_unit_estimate_and_quick_stats(agg):
    moms = agg.AggMoms([10, 110, 1310], agg.SevMoms(svMED, MED, 1e5, 0, 1, rtScript), rtScript)
    unit = agg.EstimateUnit(moms, 12, 0.0, 1e5)
    assert unit > 0 and agg.EstimateUnitVar(moms, 12, 0.0, 1e5) == unit
    stats = agg.QuickStats(4, 1.0, [0.25] * 4)
    assert stats.shape == (6,)
    np.testing.assert_allclose(stats[:3], [1.5, np.sqrt(1.25) / 1.5, 0.0], atol=1e-12)


@pytest.mark.parametrize("method", ["AggMoms", "EstimateUnit", "EstimateUnitVar", "TLNFitMoms", "TLNFitVar"])
def test_moment_arrays_of_three(agg, method):
    calls = {"AggMoms": lambda m: agg.AggMoms(m, [1, 1, 1], rtScript),
             "EstimateUnit": lambda m: agg.EstimateUnit(m, 10, 0.0, 0.0),
             "EstimateUnitVar": lambda m: agg.EstimateUnitVar(m, 10, 0.0, 0.0),
             "TLNFitMoms": lambda m: agg.TLNFitMoms(m),
             "TLNFitVar": lambda m: agg.TLNFitVar(m, rtScript)}
    for bad in ([1.0, 2.0], [1.0, 2.0, 3.0, 4.0]):
        fails(lambda: calls[method](bad), bare(99))


def test_curve_records_of_other_codes(tmp_registry, tmp_path):
    pf = CreateObject("Corvane.ParamFile.1")
    pf.New(str(tmp_path / "odd.prm"))
    pf.Add(0, svOne, "odd", "", [1.0])
    pf.Add(1, svMED, "med", "", [1000.0, 1.0])
    agg = CreateObject("Corvane.AggCo")
    agg.DefaultParamFile = str(tmp_path / "odd.prm")
    agg = CreateObject("Corvane.AggCo")
    fails(lambda: agg.CreateDist(fqPoisson, [1.0], svBI, 0, 1e4, 0, 1, 8, 100.0, rtScript), E_FAIL, "Invalid sev dist")
    assert agg.CreateDist(fqPoisson, [1.0], svBI, 1, 1e4, 0, 1, 8, 100.0, rtScript)[2].sum() == pytest.approx(1.0)


def test_domain_violations_give_numbers(agg):
    for result in (agg.SevMoms(svTLognormal, [8.0, -1.0], 1e4, 0, 1, rtScript),
                   agg.FreqMoms(fqNegBinVM, [10.0, 0.5], rtScript), agg.TLNFit(1.0, 0.5, 0.0)):
        assert len(result) == 3 and all(isinstance(float(v), float) for v in result)


def test_discretisations_of_one_exponential(agg):
    e = np.exp
    grid = agg.CreateDist(fqOne, [], svMED, [1.0, 1.0], 3.0, 0.0, 1.0, 3, 1.0, rtScript)[3]
    np.testing.assert_allclose(grid, [1 - e(-0.5), e(-0.5) - e(-1.5), e(-1.5) - e(-2.5), e(-2.5), 0, 0, 0, 0],
                               atol=1e-16)
    count = agg.CreateSevDist(svMED, [1.0, 1.0], 3.0, 0.0, 1.0, 8, 1.0, rtScript)
    np.testing.assert_allclose(count, [1 - e(-0.5), e(-0.5) - e(-1.5), e(-1.5), 0, 0, 0, 0, 0], atol=1e-16)
    fails(lambda: agg.CreateDist(fqOne, [], svMED, [1.0, 1.0], 8.0, 0.0, 1.0, 3, 1.0, rtScript), E_FAIL,
          "Invalid unit for size of layer")
    whole = agg.CreateSevDist(svMED, [1.0, 1.0], 8.0, 0.0, 1.0, 8, 1.0, rtScript)
    assert whole[7] == pytest.approx(e(-6.5), rel=1e-12)
    unlimited = agg.CreateSevDist(svMED, [1.0, 1.0], -1, 0.0, 1.0, 8, 1.0, rtScript)
    assert unlimited.sum() == pytest.approx(1.0) and unlimited[7] == pytest.approx(e(-6.5), rel=1e-12)
    half = agg.CreateDist(fqOne, [], svMED, [1.0, 1.0], 3.0, 0.0, 0.5, 3, 1.0, rtScript)[3]  # a bucket is 2 of loss
    np.testing.assert_allclose(half, [1 - e(-1.0), e(-1.0), 0, 0, 0, 0, 0, 0], atol=1e-16)


@pytest.mark.parametrize("sv, params, layer, attach, expected, rel", [
    (svMED, [1000.0, 1.0], 1000.0, 0.0,
     [1000 * (1 - np.exp(-1)), 2e6 * (1 - 2 * np.exp(-1)), 6e9 * (1 - 2.5 * np.exp(-1))], 1e-7),
    (svMED, [1000.0, 1.0], 1000.0, 500.0,
     [1000 * (1 - np.exp(-1)), 2e6 * (1 - 2 * np.exp(-1)), 6e9 * (1 - 2.5 * np.exp(-1))], 1e-7),
    (svPareto, [2.5, 1000.0], 2000.0, 500.0, [719, 9.50e5, 1.55e9], 3e-3),
])
def test_layer_moments_of_the_examples(agg, sv, params, layer, attach, expected, rel):
    np.testing.assert_allclose(agg.SevMoms(sv, params, layer, attach, 1.0, rtScript), expected, rtol=rel)
    assert np.array_equal(agg.SevMoms(sv, params, layer, attach, 0.5, rtScript),
                          agg.SevMoms(sv, params, layer, attach, 1.0, rtScript))


def test_translated_lognormal_details(agg):
    assert agg.F(svTLognormal, [8.0, 1.0, 500.0], 400.0) == 0.0
    assert agg.F(svTLognormal, [8.0, 1.0, 500.0], 500.0) == 0.0
    assert agg.F(svTLognormal, [8.0, 1.0, 500.0, 7.0], 400.0) > 0.0  # four values: no translation
    # Every claim exceeds T, so a layer below T pays its whole limit on every claim.
    np.testing.assert_allclose(agg.SevMoms(svTLognormal, [8.0, 1.0, 5000.0], 1000.0, 2000.0, 1.0, rtScript),
                               [1e3, 1e6, 1e9])
