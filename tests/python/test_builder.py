"""The aggregate builder through AggCo.CreateDist, checked against a direct evaluation of the compound."""

import numpy as np
import pytest

from codes import *

MED = [2000.0, 0.5, 10000.0, 0.3, 60000.0, 0.2]
TLN = [8.5, 1.2, 500.0]
PARETO = [2.5, 20000.0]



def clamp_normalise(p):
    p = np.where(p < 1e-16, 0.0, p)
    return p / p.sum()


def count_probabilities(fq, params, kmax):
    """P(N = k), k = 0 .. kmax, by the families' own recursions."""
    p = np.zeros(kmax + 1)
    if fq == fqPoisson:
        lam = params[0]
        p[0] = np.exp(-lam)
        for k in range(1, kmax + 1):
            p[k] = p[k - 1] * lam / k
    elif fq == fqNegBinVM:
        mean, vm = params
        q, r = 1 / vm, mean / (vm - 1)
        p[0] = q ** r
        for k in range(1, kmax + 1):
            p[k] = p[k - 1] * (r + k - 1) / k * (1 - q)
    else:  # fqPIGVM: Poisson mixed over an inverse Gaussian of mean mu and variance mu beta
        mu, beta = params[0], params[1] - 1
        p[0] = np.exp(-mu / beta * (np.sqrt(1 + 2 * beta) - 1))
        p[1] = mu * (1 + 2 * beta) ** -0.5 * p[0]
        # From P'(z) s(z) = mu P(z) with s = sqrt(1 + 2 beta (1 - z)).
        for k in range(2, kmax + 1):
            p[k] = (beta * (k - 1) * (2 * k - 3) * p[k - 1] + mu ** 2 * p[k - 2]) / ((1 + 2 * beta) * k * (k - 1))
    return p


def compound_by_convolution_powers(counts, severity):
    """sum_k P(N = k) f^{*k}, truncated to the grid."""
    n = len(severity)
    support = severity[:np.flatnonzero(severity)[-1] + 1]
    total = counts[0] * np.eye(1, n, 0)[0]
    power = np.eye(1, n, 0)[0]
    for pk in counts[1:]:
        power = np.convolve(power, support)[:n]
        total = total + pk * power
    return total


@pytest.mark.parametrize("fq, fqParams", [(fqPoisson, [3.0]), (fqNegBinVM, [3.0, 2.0]), (fqPIGVM, [3.0, 2.5])])
@pytest.mark.parametrize("sv, sevParams", [(svMED, MED), (svTLognormal, TLN), (svPareto, PARETO), (svBI, 0)])
def test_aggregate_equals_the_compound_of_its_severity(agg, fq, fqParams, sv, sevParams):
    numL2, unit, layer = 12, 500.0, 100000.0  # at most 200 buckets a claim; the sum fits the grid
    _, moms, aggregate, severity = agg.CreateDist(fq, fqParams, sv, sevParams, layer, 0.0, 1.0, numL2, unit,
                                                  rtScript)
    counts = count_probabilities(fq, fqParams, 120)
    assert counts[-1] < 1e-16  # the truncated tail is negligible
    reference = clamp_normalise(compound_by_convolution_powers(counts, severity))
    np.testing.assert_allclose(aggregate, reference, rtol=0, atol=1e-12)
    np.testing.assert_allclose(moms[9:12], moms[15:18], rtol=1e-9)


def test_unit_zero_writes_back_the_estimate(agg):
    unit, moms, first, _ = agg.CreateDist(fqPoisson, [5.0], svMED, MED, 250000.0, 0.0, 1.0, 12, 0.0, rtScript)
    assert unit > 0
    again = agg.CreateDist(fqPoisson, [5.0], svMED, MED, 250000.0, 0.0, 1.0, 12, unit, rtScript)
    assert again[0] == unit
    np.testing.assert_array_equal(again[2], first)


def test_one_claim_of_one_unit(agg):
    unit, moms, aggregate, severity = agg.CreateDist(fqOne, [], svOne, [], 0, 0, 1, 3, 1.0, rtScript)
    np.testing.assert_array_equal(aggregate, [0, 1, 0, 0, 0, 0, 0, 0])
    np.testing.assert_array_equal(moms, np.ones(18))
    assert severity is None


def test_poisson_claims_of_one_unit(agg):
    _, moms, aggregate, _ = agg.CreateDist(fqPoisson, [2.0], svOne, [], 0, 0, 1, 5, 1.0, rtScript)
    k = np.arange(32)
    poisson = np.exp(-2.0) * 2.0 ** k / np.array([np.math.factorial(i) for i in k], dtype=float)
    np.testing.assert_allclose(aggregate, clamp_normalise(poisson), atol=1e-15)
    assert np.all(aggregate[aggregate < 1e-16] == 0)
    np.testing.assert_allclose(moms[:6], [2, 6, 22, 1, 1, 1])


def test_sample_and_points_give_the_same_severity(agg):
    air = agg.CreateDist(fqOne, [], svAIR, [1.0, 1.0, 3.0], 0, 0, 1, 3, 1.0, rtScript)
    rms = agg.CreateDist(fqOne, [], svRMS, [1.0, 3.0, 2.0, 1.0], 0, 0, 1, 3, 1.0, rtScript)
    for result in (air, rms):
        np.testing.assert_allclose(result[3], [0, 2 / 3, 0, 1 / 3, 0, 0, 0, 0])
        np.testing.assert_allclose(result[1][3:6], [5 / 3, 11 / 3, 29 / 3])
        np.testing.assert_allclose(result[1][12:15], [5 / 3, 11 / 3, 29 / 3])


def test_density_severity(agg):
    p = np.zeros(16)
    p[2:5] = [0.2, 0.5, 0.3]
    _, _, aggregate, severity = agg.CreateDist(fqOne, [], svEmp, p, 0, 0, 1, 4, 1.0, rtScript)
    np.testing.assert_array_equal(aggregate, p)
    np.testing.assert_array_equal(severity, p)
    fails(lambda: agg.CreateDist(fqOne, [], svEmp, np.ones(17) / 17, 0, 0, 1, 4, 1.0, rtScript), E_FAIL,
          "Wrong number of inputs")


def test_results_as_an_empco(agg):
    unit, moms, aggregate, severity = agg.CreateDist(fqPoisson, [2.0], svMED, MED, 1e5, 0, 1, 10, 0.0, rtEDCo)
    assert (aggregate.num, aggregate.unit) == (1024, unit)
    assert severity is None and moms.shape == (18,)


def test_codes_that_compute_nothing(agg):
    assert agg.CreateDist(fqPoisson, [2.0], svFPP, [], 0, 0, 1, 4, 2.5, rtScript) == (2.5, None, None, None)
    fails(lambda: agg.CreateDist(fqPoisson, [2.0], svEDCo, [], 0, 0, 1, 4, 1.0, rtScript), E_FAIL,
          "Not ready for this yet")


@pytest.mark.parametrize("args, hresult", [
    ((fqPoisson, [2.0], svMED, MED, 1e5, 0, 1, 10, "abc", rtScript), DISP_E_TYPEMISMATCH),
    ((fqPoisson, [2.0], svOne, [], 0, 0, 1, 4, 0.0, rtScript), E_INVALIDARG),
    ((fqPoisson, [2.0], svEmp, np.ones(16) / 16, 0, 0, 1, 4, -1.0, rtScript), E_INVALIDARG),
    ((fqPoisson, [2.0], svAIR, [1.0], 0, 0, 1, 4, float("inf"), rtScript), E_INVALIDARG),
    ((fqPoisson, [2.0], svOne, [], 0, 0, 1, 0, 1.0, rtScript), E_INVALIDARG),
    ((fqPoisson, [2.0], svMED, MED, 1e5, 0, 1, 31, 1.0, rtScript), E_INVALIDARG),
    ((fqPoisson, [2.0], svSimpleMixture, [0.0, 0.5, 1.0], 1e5, 0, 1, 10, 0.0, rtScript), E_INVALIDARG),
    ((fqPoisson, [2.0], svSimpleMixture, [600.0, 1.0], 1e5, 0, 1, 10, 0.0, rtScript), E_INVALIDARG),
    ((fqPoisson, [2.0], svBI, "x", 1e5, 0, 1, 10, 0.0, rtScript), E_FAIL),
])
def test_bad_input(agg, args, hresult):
    fails(lambda: agg.CreateDist(*args), hresult)


def test_user_mixture_of_built_in_curves(agg):
    pf = agg.ParamFile()
    pairs = [0.0, 0.5, 1.0, 0.5]
    mixed = agg.CreateDist(fqOne, [], svSimpleMixture, pairs, 1e5, 0, 1, 10, 200.0, rtScript)[3]
    by_hand = pf.params(0, rtScript), pf.params(1, rtScript)
    med = np.concatenate([np.column_stack([p[0::2], p[1::2] * 0.5]).ravel() for p in by_hand])
    np.testing.assert_allclose(mixed, agg.CreateDist(fqOne, [], svMED, med, 1e5, 0, 1, 10, 200.0, rtScript)[3],
                               atol=1e-15)


def test_dispids(agg):
    expected = {"SevMoms": 2, "AggMoms": 3, "SumMoms": 4, "SumMoms1": 5, "EstimateUnit": 6, "TLNFit": 7,
                "TLNFitMoms": 8, "CreateDist": 22, "CreateSevDist": 33, "TLNFitVar": 34, "EstimateUnitVar": 56,
                "QuickStats": 58, "F": 59}
    assert {name: agg._dispid_(name) for name in expected} == expected
    by_dispid = agg._invoke_(22, "method", fqOne, [], svOne, [], 0, 0, 1, 3, 1.0, rtScript)
    np.testing.assert_array_equal(by_dispid[2], [0, 1, 0, 0, 0, 0, 0, 0])
