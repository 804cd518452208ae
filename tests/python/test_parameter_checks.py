"""Parameters are checked where they enter: a value outside its family's range fails with E_INVALIDARG
and a description naming the family, the parameter, the value and the range; values at the edges of
each range still compute."""

import math

import numpy as np
import pytest

from codes import *

bvIndep, bvMin, bvMax, bvClayton, bvFrank, bvFGM, bvGumbel, bvCook = range(8)
bvNetCeded = 10
nan, inf = math.nan, math.inf
MED = [2000.0, 0.5, 10000.0, 0.3, 60000.0, 0.2]
PARETO = [2.5, 2e5]


def create_dist(agg, fq=fqPoisson, fq_params=(2.0,), sv=svPareto, sev_params=PARETO, layer=1e6, attach=0.0,
                share=1.0, num_l2=10, unit=2000.0):
    return agg.CreateDist(fq, list(fq_params), sv, list(sev_params), layer, attach, share, num_l2, unit, rtScript)


@pytest.mark.parametrize("fq, params, description", [
    (fqPoisson, [-3.0], "Poisson mean must be >= 0, got -3"),
    (fqPoisson, [nan], "Poisson mean must be >= 0, got nan"),
    (fqPoisson, [inf], "Poisson mean must be finite, got inf"),
    (fqNegBinVM, [10.0, 0.5], "Negative binomial variance/mean must be >= 1, got 0.5"),
    (fqNegBinVM, [-10.0, 2.0], "Negative binomial mean must be >= 0, got -10"),
    (fqNegBinCt, [10.0, -0.2], "Negative binomial contagion must be >= 0, got -0.2"),
    (fqPIGVM, [3.0, 0.5], "Poisson inverse-Gaussian variance/mean must be >= 1, got 0.5"),
    (fqPIGCt, [3.0, nan], "Poisson inverse-Gaussian beta must be >= 0, got nan"),
    (fqEmp, [0.5, -0.5, 1.0], "Empirical claim count probability at index 1 must be >= 0, got -0.5"),
    (fqEmp, [0.0, 0.0], "Empirical claim count probability total must be > 0, got 0"),
])
def test_frequency_parameters(agg, fq, params, description):
    fails(lambda: create_dist(agg, fq=fq, fq_params=params), E_INVALIDARG, description)
    fails(lambda: agg.FreqMoms(fq, params, rtScript), E_INVALIDARG, description)


@pytest.mark.parametrize("sv, params, description", [
    (svPareto, [-2.5, 2e5], "Pareto alpha must be > 0, got -2.5"),
    (svPareto, [2.5, 0.0], "Pareto theta must be > 0, got 0"),
    (svPareto, [nan, 2e5], "Pareto alpha must be > 0, got nan"),
    (svTLognormal, [9.0, -1.8], "Translated lognormal sigma must be > 0, got -1.8"),
    (svTLognormal, [nan, 1.8, 500.0], "Translated lognormal mu must be finite, got nan"),
    (svTLognormal, [9.0, 1.8, inf], "Translated lognormal T must be finite, got inf"),
    (svMED, [-1000.0, 1.0], "Mixed exponential mean 1 must be > 0, got -1000"),
    (svMED, [1000.0, 0.5, 2000.0, -0.5], "Mixed exponential weight 2 must be >= 0, got -0.5"),
    (svMED, [1000.0, 0.0], "Mixed exponential weights must have a positive total, got 0"),
])
def test_severity_parameters(agg, sv, params, description):
    fails(lambda: create_dist(agg, sv=sv, sev_params=params), E_INVALIDARG, description)
    fails(lambda: agg.SevMoms(sv, params, 1e6, 0.0, 1.0, rtScript), E_INVALIDARG, description)
    fails(lambda: agg.CreateSevDist(sv, params, 1e6, 0.0, 1.0, 1024, 2000.0, rtScript), E_INVALIDARG, description)
    fails(lambda: agg.F(sv, params, 1000.0), E_INVALIDARG, description)


@pytest.mark.parametrize("layer, attach, share, unit, description", [
    (0.0, 0.0, 1.0, 2000.0, "Layer limit must be > 0, got 0"),
    (inf, 0.0, 1.0, 2000.0, "Layer limit must be finite, got inf"),
    (nan, 0.0, 1.0, 2000.0, "Layer limit must be > 0, got nan"),
    (1e6, -1.0, 1.0, 2000.0, "Layer attachment must be >= 0, got -1"),
    (1e6, 0.0, 0.0, 2000.0, "Layer share must be in (0, 1], got 0"),
    (1e6, 0.0, 1.25, 2000.0, "Layer share must be in (0, 1], got 1.25"),
    (1e6, 0.0, 1.0, -2000.0, "Bucket width unit must be >= 0, got -2000"),
    (1e6, 0.0, 1.0, nan, "Bucket width unit must be >= 0, got nan"),
])
def test_layer_and_unit(agg, layer, attach, share, unit, description):
    fails(lambda: create_dist(agg, layer=layer, attach=attach, share=share, unit=unit), E_INVALIDARG, description)


def test_layer_and_unit_of_a_severity_grid(agg):
    fails(lambda: agg.SevMoms(svPareto, PARETO, 1e6, -1.0, 1.0, rtScript), E_INVALIDARG,
          "Layer attachment must be >= 0, got -1")
    fails(lambda: agg.CreateSevDist(svPareto, PARETO, 1e6, 0.0, 1.0, 1024, 0.0, rtScript), E_INVALIDARG,
          "Bucket width unit must be > 0, got 0")


@pytest.mark.parametrize("density, description", [
    ([nan, 0.5, 0.0, 0.0], "Density at index 0 must be >= 0, got nan"),
    ([0.5, -0.1, 0.6, 0.0], "Density at index 1 must be >= 0, got -0.1"),
    ([0.5, inf, 0.0, 0.0], "Density at index 1 must be finite, got inf"),
    ([0.0, 0.0, 0.0, 0.0], "Density total must be > 0, got 0"),
])
def test_grid_densities(agg, density, description):
    fails(lambda: agg.CreateEmpCoFromDensity(density, 4, 1.0), E_INVALIDARG, description)
    fails(lambda: agg.CreateDist(fqPoisson, [2.0], svEmp, density, 0, 0, 1, 2, 1.0, rtScript), E_INVALIDARG,
          "Severity " + description[0].lower() + description[1:])
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, None, density, [0.25] * 4, bvIndep, 0.0, 2, 2, 1.0, 1.0),
          E_INVALIDARG, "X marginal " + description[0].lower() + description[1:])
    fails(lambda: agg.CreateEmpCoFromDensity([0.5] * 4, 4, -1.0), E_INVALIDARG, "Bucket width unit must be > 0, got -1")


@pytest.mark.parametrize("dep, tau, description", [
    (bvClayton, -0.2, "Clayton tau must be in [0, 1), got -0.2"),
    (bvClayton, 1.0, "Clayton tau must be in [0, 1), got 1"),
    (bvCook, 1.5, "Cook tau must be in [0, 1), got 1.5"),
    (bvGumbel, 1.0, "Gumbel tau must be in [0, 1), got 1"),
    (bvGumbel, 1.5, "Gumbel tau must be in [0, 1), got 1.5"),
    (bvGumbel, nan, "Gumbel tau must be in [0, 1), got nan"),
    (bvFGM, 0.9, "FGM tau must be in [-2/9, 2/9] (theta = 9 tau/2 in [-1, 1]), got 0.9"),
    (bvFrank, 701.0, "Frank theta must be in [-700, 700], got 701"),
    (bvFrank, -inf, "Frank theta must be finite, got -inf"),
])
def test_copula_parameters(agg, dep, tau, description):
    m = [0.25] * 4
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, None, m, m, dep, tau, 2, 2, 1.0, 1.0), E_INVALIDARG, description)


@pytest.mark.parametrize("dep, tau", [
    (bvClayton, 0.0), (bvClayton, 0.95), (bvCook, 0.95), (bvGumbel, 0.0), (bvGumbel, 0.95), (bvFGM, 2 / 9 - 1e-15),
    (bvFGM, -2 / 9 + 1e-15), (bvFrank, 0.0), (bvFrank, 700.0), (bvFrank, -700.0), (bvFrank, -3.0),
])
def test_copulas_at_the_edges_of_their_ranges_are_distributions(agg, dep, tau):
    rng = np.random.default_rng(7)
    mx, my = rng.uniform(size=32), rng.uniform(size=32)
    mx, my = mx / mx.sum(), my / my.sum()
    _, obj = agg.CreateBivDistEmp1D(fqOne, None, mx, my, dep, tau, 5, 5, 1.0, 1.0)
    p = obj.BivDist(rtScript, 0)
    assert p.min() >= -1e-15 and p.sum() == pytest.approx(1.0, abs=1e-12)
    np.testing.assert_allclose(p.sum(axis=1), mx, atol=1e-13)
    np.testing.assert_allclose(p.sum(axis=0), my, atol=1e-13)


def test_negative_binomial_with_variance_mean_one_is_poisson(agg):
    poisson = create_dist(agg, fq=fqPoisson, fq_params=[2.0])
    for fq, params in [(fqNegBinVM, [2.0, 1.0]), (fqNegBinCt, [2.0, 0.0]), (fqPIGVM, [2.0, 1.0])]:
        limit = create_dist(agg, fq=fq, fq_params=params)
        np.testing.assert_array_equal(limit[2], poisson[2])
        assert limit[2][0] < 1.0


def test_parameters_at_the_edges_compute(agg):
    for kwargs in [dict(fq_params=[0.0]), dict(fq=fqNegBinVM, fq_params=[2.0, 1.0 + 1e-9]), dict(attach=0.0),
                   dict(share=1.0), dict(share=1e-3), dict(sv=svPareto, sev_params=[1e-3, 2e5]),
                   dict(sv=svTLognormal, sev_params=[9.0, 1e-6, 500.0]), dict(sv=svMED, sev_params=[1e-3, 1.0])]:
        unit, moms, aggregate, _ = create_dist(agg, **kwargs)
        assert np.all(np.isfinite(moms)) and aggregate.sum() == pytest.approx(1.0, abs=1e-12), kwargs
