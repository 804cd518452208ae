"""Distribution functions, layer moments and severity grids to full double precision, against an
independent evaluation of the same mathematics in arbitrary precision (mpmath: its normal
distribution function and numerical integration of the survival function)."""

import math

import mpmath as mp
import numpy as np
import pytest

from codes import *

mp.mp.dps = 40
TLN = [9.0, 1.8, 500.0]  # mu, sigma, T


def tln_survival(mu, sigma, T):
    return lambda x: mp.mpf(1) if x <= T else mp.ncdf((mu - mp.log(x - T)) / sigma)


def med_survival(params):
    pairs = list(zip(params[0::2], params[1::2]))
    return lambda x: mp.fsum(w * mp.exp(-mp.mpf(x) / theta) for theta, w in pairs)


def pareto_survival(alpha, theta):
    return lambda x: (mp.mpf(theta) / (theta + mp.mpf(x))) ** alpha


def layer_moments(S, layer, attach, T=0.0):
    """m_k = (k / S(A)) integral_0^L y^(k-1) S(A + y) dy, split where S starts to fall (T) and by decades."""
    SA = S(attach)
    nodes = sorted({0.0, min(max(T - attach, 0.0), layer), layer / 1000, layer / 100, layer / 10, layer})
    return [float(k * mp.quad(lambda y: y ** (k - 1) * S(attach + y), nodes) / SA) for k in (1, 2, 3)]


def test_normal_distribution_function_at_its_centre(agg):
    assert agg.F(svTLognormal, [0.0, 1.0, 0.0], 1.0) == 0.5


@pytest.mark.parametrize("x", [500.0, 500.001, 600.0, 8103.0, 1e5, 3e6, 1e8])
def test_translated_lognormal_distribution_function(agg, x):
    want = 1 - tln_survival(*TLN)(x)
    assert agg.F(svTLognormal, TLN, x) == pytest.approx(float(want), rel=1e-13, abs=1e-300)


@pytest.mark.parametrize("sv, params, S, layer, attach, rel", [
    (svTLognormal, TLN, tln_survival(*TLN), 1e6, 0.0, 1e-13),
    (svTLognormal, TLN, tln_survival(*TLN), 1e6, 400.0, 1e-13),
    (svTLognormal, TLN, tln_survival(*TLN), 2e5, 5e4, 1e-13),
    (svTLognormal, [7.0, 0.6, 0.0], tln_survival(7.0, 0.6, 0.0), 5000.0, 2000.0, 1e-13),
    (svMED, [2000.0, 0.5, 1e4, 0.3, 6e4, 0.2], med_survival([2000.0, 0.5, 1e4, 0.3, 6e4, 0.2]), 5e4, 1e5, 1e-14),
    (svMED, [1000.0, 1.0], med_survival([1000.0, 1.0]), 1000.0, 500.0, 1e-14),
    (svMED, [2000.0, 0.5, 1e4, 0.5], med_survival([2000.0, 0.5, 1e4, 0.5]), 10.0, 3e4, 1e-14),
    (svPareto, [2.5, 1000.0], pareto_survival(2.5, 1000.0), 2000.0, 500.0, 1e-13),
])
def test_layer_moments(agg, sv, params, S, layer, attach, rel):
    np.testing.assert_allclose(agg.SevMoms(sv, params, layer, attach, 1.0, rtScript),
                               layer_moments(S, layer, attach, params[2] if sv == svTLognormal and len(params) == 3
                                             else 0.0), rtol=rel)


@pytest.mark.parametrize("sv, params, S, layer, attach, unit", [
    (svTLognormal, TLN, tln_survival(*TLN), 2e6, 0.0, 2000.0),
    (svTLognormal, TLN, tln_survival(*TLN), 3e5, 1e4, 500.0),
    (svMED, [2000.0, 0.5, 1e4, 0.5], med_survival([2000.0, 0.5, 1e4, 0.5]), 2e5, 0.0, 250.0),
    (svPareto, [2.5, 2e5], pareto_survival(2.5, 2e5), 1e6, 0.0, 1000.0),
])
def test_severity_grid(agg, sv, params, S, layer, attach, unit):
    """Bucket j holds c (S(x_{j-1}) - S(x_j)) with x_j = A + (j + 1/2) unit, and the top bucket the rest:
    to 1e-13 relative, and within 1e-15 where a small bucket is the difference of two larger survivals
    (the difference itself is only as exact as they are)."""
    severity = agg.CreateDist(fqPoisson, [1.0], sv, params, layer, attach, 1.0, 10, unit, rtScript)[3]
    m = int(layer / unit)
    SA = S(attach)
    points = [S(attach + (j + 0.5) * unit) for j in range(m)]
    want = [float((SA - points[0]) / SA)] + [float((points[j - 1] - points[j]) / SA) for j in range(1, m)]
    want.append(float(points[m - 1] / SA))
    np.testing.assert_allclose(severity[:m + 1], want, rtol=1e-13, atol=1e-15)
    assert not severity[m + 1:].any()
