"""Moment arithmetic, the translated-lognormal fit, the bucket-width estimate and the aggregate
builder through AggCo, the builder checked against a direct evaluation of the compound."""

import math

import numpy as np
import pytest

from codes import *

MED = [2000.0, 0.5, 10000.0, 0.3, 60000.0, 0.2]


def raw_moments(p, unit):
    x = np.arange(len(p)) * unit
    return [np.sum(p * x ** j) for j in (1, 2, 3)]


def from_stats(mean, sd, skew):
    """The raw moments of a mean, standard deviation and skewness."""
    m2 = sd ** 2 + mean ** 2
    return [mean, m2, skew * sd ** 3 + 3 * mean * m2 - 2 * mean ** 3]


def clamp_normalise(p):
    p = np.where(p < 1e-16, 0.0, p)
    return p / p.sum()


# Moment arithmetic

@pytest.mark.parametrize("freq, sev, expected", [
    ([2, 6, 22], [1, 2, 6], [2, 8, 44]),  # Poisson(2) claims of an exponential of mean 1
    ([1, 1, 1], [3, 11, 46], [3, 11, 46]),  # exactly one claim
    ([0, 0, 0], [3, 11, 46], [0, 0, 0]),
])
def test_compound_moments(agg, freq, sev, expected):
    np.testing.assert_allclose(agg.AggMoms(freq, sev, rtScript), expected, rtol=1e-15)


def test_compound_moments_of_a_two_point_count(agg):
    """N is 1 or 2 with equal chance and X is 1 or 3 with chances 2/3 and 1/3: the moments of S by
    enumeration."""
    xs, px = np.array([1.0, 3.0]), np.array([2 / 3, 1 / 3])
    two = (xs[:, None] + xs[None, :]).ravel()
    p_two = (px[:, None] * px[None, :]).ravel()
    s = [0.5 * np.dot(px, xs ** j) + 0.5 * np.dot(p_two, two ** j) for j in (1, 2, 3)]
    freq = [1.5, 2.5, 4.5]
    sev = [np.dot(px, xs ** j) for j in (1, 2, 3)]
    np.testing.assert_allclose(agg.AggMoms(freq, sev, rtScript), s, rtol=1e-14)


def test_sums_of_independent_moments(agg):
    np.testing.assert_array_equal(agg.SumMoms([1, 1, 1], [1, 1, 1], rtScript), [2, 4, 8])
    np.testing.assert_array_equal(agg.SumMoms1([1, 1, 1], [1, 1, 1], rtScript), [2, 4, 8])  # written into mom1
    np.testing.assert_allclose(agg.SumMoms([1, 2, 6], [2, 6, 22], rtScript), [3, 12, 58], rtol=1e-15)
    assert agg.SumMoms([1, 1, 1], [1, 1, 1], rtExcelCol).shape == (3, 1)
    assert agg.SumMoms1([1, 1, 1], [1, 1, 1], rtExcelCol).shape == (3, 1)


@pytest.mark.parametrize("bad", [[1.0, 2.0], [1.0, 2.0, 3.0, 4.0], list(range(18)), []])
def test_moment_arrays_must_hold_three_values(agg, bad):
    for call in (lambda: agg.AggMoms(bad, [1, 1, 1], rtScript), lambda: agg.AggMoms([1, 1, 1], bad, rtScript),
                 lambda: agg.SumMoms(bad, [1, 1, 1], rtScript), lambda: agg.SumMoms1([1, 1, 1], bad, rtScript),
                 lambda: agg.EstimateUnit(bad, 10, 0.0, 0.0), lambda: agg.EstimateUnitVar(bad, 10, 0.0, 0.0),
                 lambda: agg.TLNFitMoms(bad), lambda: agg.TLNFitVar(bad, rtScript)):
        fails(call, bare(99))


# Translated-lognormal fit

@pytest.mark.parametrize("mean, cv, skew", [(1000.0, 0.5, 1.5), (1000.0, 0.5, 1.0), (7.0, 1.1157, 0.5793),
                                            (50.0, 2.0, 10.0)])
def test_fit_reproduces_mean_cv_and_skewness(agg, mean, cv, skew):
    mu, sigma, T = agg.TLNFit(mean, cv, skew)
    e = math.exp(sigma ** 2)
    fitted_mean = T + math.exp(mu + sigma ** 2 / 2)
    fitted_sd = math.exp(mu + sigma ** 2 / 2) * math.sqrt(e - 1)
    np.testing.assert_allclose([fitted_mean, fitted_sd / fitted_mean, (e + 2) * math.sqrt(e - 1)], [mean, cv, skew],
                               rtol=1e-12)


def test_fit_values(agg):
    np.testing.assert_allclose(agg.TLNFit(1000.0, 0.5, 1.5), [6.88, 0.443, -72.5], rtol=2e-3)


def test_fit_from_moments(agg):
    moments = from_stats(1000.0, 500.0, 1.5)
    fit = agg.TLNFit(1000.0, 0.5, 1.5)
    np.testing.assert_allclose(agg.TLNFitMoms(moments), fit, rtol=1e-12)
    np.testing.assert_allclose(agg.TLNFitVar(moments, rtScript), fit, rtol=1e-12)
    assert agg.TLNFitVar(moments, rtExcelCol).shape == (3, 1)


def test_fit_outside_its_domain_gives_numbers(agg):
    mu, sigma, T = agg.TLNFit(1000.0, 0.5, 0.0)  # w = 0
    assert sigma == 0.0 and not math.isfinite(T) and not math.isfinite(mu)
    assert all(isinstance(v, float) for v in agg.TLNFit(1000.0, 0.5, -1.0))
    assert all(isinstance(v, float) for v in agg.TLNFitMoms([1.0, 1.0, 1.0]))  # no spread at all


# Bucket-width estimate

@pytest.mark.parametrize("moments, numL2, layer, expected, rtol", [
    (from_stats(1000.0, 500.0, 1.5), 10, 0.0, 11.0, 5e-3),
    (from_stats(1000.0, 500.0, 1.5), 10, 20000.0, 1.1 * 20000 / 1024, 1e-15),  # the layer must fit
    ([1000.0, 1e6, 1e9], 10, 0.0, 4 * 1000 / 1024, 1e-15),  # no spread
    ([1000.0, 1e6, 1e9], 10, 5000.0, 4 * 5000 / 1024, 1e-15),
    (from_stats(1000.0, 1.0, 1.5), 10, 0.0, 1.97, 5e-3),  # doubled to reach twice the mean
    (from_stats(1000.0, 500.0, -1.0), 10, 0.0, 6.11, 5e-3),  # negative skewness taken as 0.1
])
def test_estimated_unit(agg, moments, numL2, layer, expected, rtol):
    unit = agg.EstimateUnit(moments, numL2, 0.0, layer)
    assert unit == pytest.approx(expected, rel=rtol)
    assert agg.EstimateUnitVar(moments, numL2, 0.0, layer) == unit
    assert agg.EstimateUnit(moments, numL2, 123.0, layer) == unit  # safety has no effect


def test_estimated_unit_reaches_four_standard_deviations(agg):
    """Twice the fitted distribution's point four log-scale standard deviations out spans the grid."""
    for mean, sd, skew in [(1000.0, 500.0, 1.5), (2e5, 3e5, 4.0)]:
        mu, sigma, T = agg.TLNFit(mean, sd / mean, skew)
        unit = agg.EstimateUnit(from_stats(mean, sd, skew), 12, 0.0, 0.0)
        assert unit * 4096 == pytest.approx(2 * (math.exp(mu + 4 * sigma) + T), rel=1e-9)


# Summary statistics of a density

def test_quick_stats(agg):
    stats = agg.QuickStats(3, 10.0, [0.5, 0.3, 0.2])
    np.testing.assert_allclose(stats, [7, 1.12, 0.579, 3.69, 0.189, -33.9], rtol=5e-3)
    assert stats.shape == (6,)
    assert agg.QuickStats(3, 10.0, np.array([[0.5], [0.3], [0.2]])).shape == (6,)  # a column in, a list out
    np.testing.assert_allclose(stats[3:], agg.TLNFit(*stats[:3]), rtol=1e-12)


def test_quick_stats_of_a_grid(agg):
    p = np.random.default_rng(4).random(64)
    p /= p.sum()
    m1, m2, m3 = raw_moments(p, 2.5)
    sd = math.sqrt(m2 - m1 ** 2)
    np.testing.assert_allclose(agg.QuickStats(64, 2.5, p)[:3], [m1, sd / m1, (m3 - 3 * m1 * m2 + 2 * m1 ** 3) / sd ** 3],
                               rtol=1e-10)


@pytest.mark.parametrize("num", [2, 4, -1])
def test_quick_stats_count_must_match(agg, num):
    fails(lambda: agg.QuickStats(num, 10.0, [0.5, 0.3, 0.2]), E_INVALIDARG)


# The aggregate builder: an independent evaluation of the compound on the same severity grid

def panjer(a, b, p0, f, size):
    """The (a, b, 0) recursion g_k = sum_j (a + b j/k) f_j g_{k-j} / (1 - a f_0), with g_0 = P(f_0)."""
    m = np.flatnonzero(f)[-1]
    g = np.zeros(size)
    g[0] = p0
    j = np.arange(1, m + 1)
    for k in range(1, size):
        jj = j[:min(k, m)]
        g[k] = np.dot((a + b * jj / k) * f[jj], g[k - jj]) / (1 - a * f[0])
    return g


def pig_probabilities(mu, beta, eps=1e-22):
    """P(N = k) of the Poisson inverse Gaussian from s(z) P'(z) = mu P(z), s = sqrt(1 + 2 beta (1 - z)):
    p_k = (beta (k - 1)(2k - 3) p_{k-1} + mu^2 p_{k-2}) / ((1 + 2 beta) k (k - 1))."""
    p = [math.exp(-mu / beta * (math.sqrt(1 + 2 * beta) - 1))]
    p.append(mu / math.sqrt(1 + 2 * beta) * p[0])
    k = 2
    while k < 20 or p[-1] > eps:
        p.append((beta * (k - 1) * (2 * k - 3) * p[-1] + mu ** 2 * p[-2]) / ((1 + 2 * beta) * k * (k - 1)))
        k += 1
    return np.array(p)


def compound(fq, params, f, size):
    """P(S = k unit), k < size, for claim counts of the family and claim sizes f on the buckets."""
    f = np.concatenate([f, np.zeros(size - len(f))])
    if fq == fqPoisson:
        lam, = params
        return panjer(0.0, lam, math.exp(lam * (f[0] - 1)), f, size)
    if fq in (fqNegBinVM, fqNegBinCt):
        mean, vm = params if fq == fqNegBinVM else (params[0], 1 + params[1] * params[0])
        p, r = 1 / vm, mean / (vm - 1)
        return panjer(1 - p, (r - 1) * (1 - p), (p / (1 - (1 - p) * f[0])) ** r, f, size)
    mu, beta = params if fq == fqPIGCt else (params[0], params[1] - 1)
    counts = pig_probabilities(mu, beta)
    assert counts.sum() == pytest.approx(1.0, abs=1e-14) and np.dot(np.arange(len(counts)), counts) == \
        pytest.approx(mu, rel=1e-12)
    support = f[:np.flatnonzero(f)[-1] + 1]
    total, power = np.zeros(size), np.eye(1, size)[0]
    for pk in counts:
        total += pk * power
        power = np.convolve(power, support)[:size]
    return total


FREQUENCIES = [(fqPoisson, [3.0]), (fqNegBinVM, [3.0, 2.0]), (fqNegBinCt, [2.0, 0.5]), (fqPIGVM, [3.0, 1.5]),
               (fqPIGCt, [2.0, 1.0])]
SEVERITIES = [  # (sv, sevParams, layer, attach, share): at most 200 buckets of 500 a claim
    (svMED, MED, 1e5, 0.0, 1.0),
    (svTLognormal, [8.5, 1.2, 500.0], 1e5, 1000.0, 1.0),
    (svPareto, [2.5, 20000.0], 2e5, 5000.0, 0.5),
    (svBI, 0, 1e5, 0.0, 1.0),
]


@pytest.mark.parametrize("fq, fqParams", FREQUENCIES)
@pytest.mark.parametrize("sv, sevParams, layer, attach, share", SEVERITIES)
def test_aggregate_is_the_compound_of_its_severity(agg, fq, fqParams, sv, sevParams, layer, attach, share):
    numL2, unit = 12, 500.0
    n = 2 ** numL2
    _, moms, aggregate, severity = agg.CreateDist(fq, fqParams, sv, sevParams, layer, attach, share, numL2, unit,
                                                  rtScript)
    reference = compound(fq, fqParams, severity, 2 * n)
    assert reference[n:].sum() < 1e-16  # nothing wraps around the grid
    np.testing.assert_allclose(aggregate, clamp_normalise(reference[:n]), rtol=0, atol=1e-12)
    np.testing.assert_allclose(moms[9:12], moms[15:18], rtol=1e-9)


def test_moment_vector(agg):
    fqParams, layer, attach, unit, numL2 = [3.0, 2.0], 1e5, 2000.0, 500.0, 12
    unit_out, moms, aggregate, severity = agg.CreateDist(fqNegBinVM, fqParams, svMED, MED, layer, attach, 1.0, numL2,
                                                         unit, rtScript)
    freq = agg.FreqMoms(fqNegBinVM, fqParams, rtScript)
    sev = agg.SevMoms(svMED, MED, layer, attach, 1.0, rtScript)
    np.testing.assert_array_equal(moms[0:3], freq)
    np.testing.assert_array_equal(moms[3:6], sev)
    np.testing.assert_allclose(moms[6:9], agg.AggMoms(freq, sev, rtScript), rtol=1e-15)
    np.testing.assert_allclose(moms[9:12], raw_moments(aggregate, unit), rtol=1e-12)
    np.testing.assert_allclose(moms[12:15], raw_moments(severity, unit), rtol=1e-12)
    np.testing.assert_allclose(moms[15:18], agg.AggMoms(freq, moms[12:15], rtScript), rtol=1e-15)
    np.testing.assert_allclose(moms[12:15], moms[3:6], rtol=2e-2)  # the midpoint rule stays close
    assert unit_out == unit


def test_unit_zero_is_estimated_and_written_back(agg):
    args = (fqPoisson, [5.0], svMED, MED, 250000.0, 0.0, 1.0, 12)
    unit, moms, first, _ = agg.CreateDist(*args, 0.0, rtScript)
    assert unit == agg.EstimateUnit(moms[6:9], 12, 0.0, 250000.0) > 0
    again = agg.CreateDist(*args, unit, rtScript)
    assert again[0] == unit
    np.testing.assert_array_equal(again[2], first)
    np.testing.assert_array_equal(again[1], moms)


def test_results_as_an_empco(agg):
    args = (fqPoisson, [2.0], svMED, MED, 1e5, 0.0, 1.0, 10)
    unit, moms, emp, severity = agg.CreateDist(*args, 0.0, rtEDCo)
    assert (emp.num, emp.unit) == (1024, unit) and severity is None
    _, numbers_moms, numbers, _ = agg.CreateDist(*args, unit, rtScript)
    np.testing.assert_array_equal(emp.Density(10, rtScript), numbers)
    np.testing.assert_array_equal(np.ravel(moms), numbers_moms)


def test_result_shapes(agg):
    _, moms, aggregate, severity = agg.CreateDist(fqPoisson, [2.0], svMED, MED, 1e5, 0, 1, 8, 1000.0, rtExcelCol)
    assert (moms.shape, aggregate.shape, severity.shape) == ((18, 1), (256, 1), (256, 1))


# Severities given as data

def test_one_claim_of_one_unit(agg):
    unit, moms, aggregate, severity = agg.CreateDist(fqOne, [], svOne, [], 0, 0, 1, 3, 1.0, rtScript)
    np.testing.assert_array_equal(aggregate, [0, 1, 0, 0, 0, 0, 0, 0])
    np.testing.assert_array_equal(moms, np.ones(18))
    assert severity is None


def test_poisson_claims_of_one_unit(agg):
    _, moms, aggregate, severity = agg.CreateDist(fqPoisson, [2.0], svOne, [], 0, 0, 1, 5, 1.0, rtScript)
    k = np.arange(32)
    poisson = np.exp(-2.0) * 2.0 ** k / np.array([math.factorial(i) for i in k], dtype=float)
    np.testing.assert_allclose(aggregate, clamp_normalise(poisson), rtol=0, atol=1e-15)
    assert np.all(aggregate[poisson < 1e-17] == 0) and aggregate.sum() == pytest.approx(1.0, abs=1e-15)
    np.testing.assert_allclose(moms[:6], [2, 6, 22, 1, 1, 1])
    assert severity is None


def test_sample_and_points_give_the_same_severity(agg):
    air = agg.CreateDist(fqOne, [], svAIR, [1.0, 1.0, 3.0], 0, 0, 1, 3, 1.0, rtScript)
    rms = agg.CreateDist(fqOne, [], svRMS, [1.0, 3.0, 2.0, 1.0], 0, 0, 1, 3, 1.0, rtScript)
    for _, moms, _, severity in (air, rms):
        np.testing.assert_allclose(severity, [0, 2 / 3, 0, 1 / 3, 0, 0, 0, 0], rtol=1e-15)
        np.testing.assert_allclose(moms[3:6], [5 / 3, 11 / 3, 29 / 3], rtol=1e-15)
        np.testing.assert_allclose(moms[12:15], [5 / 3, 11 / 3, 29 / 3], rtol=1e-15)


def test_density_severity(agg):
    p = np.zeros(16)
    p[2:5] = [0.2, 0.5, 0.3]
    _, moms, aggregate, severity = agg.CreateDist(fqOne, [], svEmp, p, 0, 0, 1, 4, 2.0, rtScript)
    np.testing.assert_array_equal(aggregate, p)
    np.testing.assert_array_equal(severity, p)
    np.testing.assert_allclose(moms[3:6], raw_moments(p, 2.0), rtol=1e-15)
    np.testing.assert_array_equal(moms[12:15], moms[3:6])


@pytest.mark.parametrize("values", [np.ones(17) / 17, np.ones(15) / 15, []])
def test_density_of_the_wrong_length(agg, values):
    fails(lambda: agg.CreateDist(fqOne, [], svEmp, values, 0, 0, 1, 4, 1.0, rtScript), E_FAIL,
          "Wrong number of inputs")


# Codes that compute nothing or refuse

@pytest.mark.parametrize("sv", [svFPP, 0, 11, 15, 17, -3])
def test_codes_that_compute_nothing(agg, sv):
    assert agg.CreateDist(fqPoisson, [2.0], sv, [1.0], 0, 0, 1, 4, 2.5, rtScript) == (2.5, None, None, None)


def test_density_objects_are_not_ready(agg):
    fails(lambda: agg.CreateDist(fqPoisson, [2.0], svEDCo, [], 0, 0, 1, 4, 1.0, rtScript), E_FAIL,
          "Not ready for this yet")


def data_severity(sv, numL2=4):
    return {svEmp: np.eye(1, 2 ** numL2, 1)[0], svOne: [], svAIR: [1.0, 3.0], svRMS: [1.0, 3.0, 1.0, 1.0]}[sv]


@pytest.mark.parametrize("sv", [svEmp, svOne, svAIR, svRMS])
@pytest.mark.parametrize("unit", [0.0, -1.0, math.inf, math.nan])
def test_data_severity_needs_a_positive_finite_unit(agg, sv, unit):
    fails(lambda: agg.CreateDist(fqPoisson, [2.0], sv, data_severity(sv), 0, 0, 1, 4, unit, rtScript), E_INVALIDARG)


@pytest.mark.parametrize("args, hresult, description", [
    ((fqPoisson, [2.0], svMED, MED, 1e5, 0, 1, 10, "abc", rtScript), DISP_E_TYPEMISMATCH, None),
    ((fqPoisson, [2.0], svOne, [], 0, 0, 1, 4, "abc", rtScript), DISP_E_TYPEMISMATCH, None),
    ((fqPoisson, [2.0], svOne, [], 0, 0, 1, 0, 1.0, rtScript), E_INVALIDARG, None),  # no bucket 1
    ((fqPoisson, [2.0], svMED, MED, 1e5, 0, 1, 31, 1000.0, rtScript), E_INVALIDARG, None),
    ((fqPoisson, [2.0], svMED, MED, 1e5, 0, 1, -1, 1000.0, rtScript), E_INVALIDARG, None),
    ((fqPoisson, [2.0], svOne, [], 0, 0, 1, 31, 1.0, rtScript), E_INVALIDARG, None),
    ((fqPoisson, [2.0], svMED, [1.0, 1.0], 8.0, 0, 1, 3, 1.0, rtScript), E_FAIL, "Invalid unit for size of layer"),
    ((fqPoisson, [2.0], svMED, [1.0, 1.0], -1.0, 0, 1, 3, 1.0, rtScript), E_INVALIDARG,
     "Layer limit must be > 0, got -1"),
    ((fqPoisson, [2.0], svBI, "x", 1e5, 0, 1, 10, 1000.0, rtScript), E_FAIL, "Input variant of the wrong type"),
    ((9, [2.0], svMED, MED, 1e5, 0, 1, 10, 1000.0, rtScript), E_FAIL, "Invalid freq dist"),
    ((fqPoisson, [2.0], svPareto, [2.5], 1e5, 0, 1, 10, 1000.0, rtScript), E_FAIL, "Insufficient Parameters"),
])
def test_bad_input(agg, args, hresult, description):
    fails(lambda: agg.CreateDist(*args), hresult, description)


def test_grid_severity_in_a_layer_of_three(agg):
    """A unit exponential in a layer of 3 on 8 buckets of 1: the top bucket is bucket 3."""
    e = np.exp(-np.array([0.5, 1.5, 2.5]))
    severity = agg.CreateDist(fqOne, [], svMED, [1.0, 1.0], 3.0, 0, 1, 3, 1.0, rtScript)[3]
    np.testing.assert_allclose(severity, [1 - e[0], e[0] - e[1], e[1] - e[2], e[2], 0, 0, 0, 0], rtol=1e-14, atol=0)


@pytest.mark.parametrize("name, dispid, args", [
    ("AggMoms", 3, ([2, 6, 22], [1, 2, 6], rtScript)),
    ("SumMoms", 4, ([1, 2, 6], [2, 6, 22], rtScript)),
    ("SumMoms1", 5, ([1, 2, 6], [2, 6, 22], rtScript)),
    ("EstimateUnit", 6, (from_stats(1000.0, 500.0, 1.5), 10, 0.0, 0.0)),
    ("EstimateUnitVar", 56, (from_stats(1000.0, 500.0, 1.5), 10, 0.0, 0.0)),
    ("TLNFit", 7, (1000.0, 0.5, 1.5)),
    ("TLNFitMoms", 8, (from_stats(1000.0, 500.0, 1.5),)),
    ("TLNFitVar", 34, (from_stats(1000.0, 500.0, 1.5), rtScript)),
    ("QuickStats", 58, (3, 10.0, [0.5, 0.3, 0.2])),
    ("CreateDist", 22, (fqPoisson, [2.0], svMED, MED, 1e5, 0.0, 1.0, 8, 1000.0, rtScript)),
])
def test_dispids(agg, name, dispid, args):
    assert agg._dispid_(name) == dispid
    by_dispid, by_name = agg._invoke_(dispid, "method", *args), getattr(agg, name)(*args)
    if not isinstance(by_name, tuple):
        by_dispid, by_name = (by_dispid,), (by_name,)
    assert len(by_dispid) == len(by_name)
    for a, b in zip(by_dispid, by_name):
        np.testing.assert_array_equal(a, b)
