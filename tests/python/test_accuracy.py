"""Wrap-around made visible: every aggregate notes the mass its circular transform folded back, the
grid mean's error and the buckets its layer spans; a doubtful one raises scripthost.AccuracyWarning;
AggCo.Padding computes on a longer grid so that nothing wraps onto small losses."""

import warnings

import numpy as np
import pytest

from codes import *
from scripthost import AccuracyWarning, last_note

bvClayton = 3
# Poisson inverse-Gaussian claims (mean 2.5, beta 1.5) of a translated lognormal in a layer of 2e6 on
# 4096 buckets of 537.109375: the grid reaches 2.2e6, short of the aggregate's tail.
WRAPS = (fqPIGCt, [2.5, 1.5], svTLognormal, [9.0, 1.8, 500.0], 2e6, 0.0, 1.0, 12, 537.109375, rtScript)
UNIT, N = 537.109375, 4096


def pig(z, mu=2.5, beta=1.5):
    return np.exp(-(mu / beta) * (np.sqrt(1 + 2 * beta * (1 - z)) - 1))


def independent_aggregate(severity, length):
    """The compound on a grid `length` long, by numpy's transforms."""
    s = np.zeros(length)
    s[:len(severity)] = severity
    return np.fft.irfft(pig(np.fft.rfft(s)), length)


def quiet(call):
    with warnings.catch_warnings():
        warnings.simplefilter("error", AccuracyWarning)
        return call()


def test_a_grid_too_short_warns_and_notes_the_wrapped_mass(agg):
    with pytest.warns(AccuracyWarning, match="wrapped around the grid") as record:
        _, moms, aggregate, severity = agg.CreateDist(*WRAPS)
    figures = record[0].message.figures
    longer = independent_aggregate(severity, 4 * N)
    assert figures["wrapped"] == pytest.approx(longer[N:].sum(), rel=0.1)
    assert figures["wrapped"] > 1e-6 and figures["mean_error"] > 1e-4
    assert last_note()[1] == figures


def test_padding_keeps_small_losses_and_the_quantile(agg):
    _, _, short, severity = agg.CreateDist(*WRAPS)
    exact = independent_aggregate(severity, 16 * N)
    q995 = np.argmax(np.cumsum(exact) >= 0.995)
    agg.Padding = 2
    assert agg.Padding == 2
    with pytest.warns(AccuracyWarning) as record:  # the tail past the grid is still noted
        _, _, padded, _ = agg.CreateDist(*WRAPS)
    figures = record[0].message.figures
    assert figures["wrapped"] < 1e-6
    assert figures["beyond"] == pytest.approx(exact[N:].sum(), rel=1e-3)
    assert abs(int(np.argmax(np.cumsum(padded) >= 0.995)) - q995) <= 1
    assert abs(int(np.argmax(np.cumsum(short) >= 0.995)) - q995) > 100  # the unpadded quantile is far off
    np.testing.assert_allclose(padded[:N - 1], exact[:N - 1], rtol=1e-9, atol=1e-15)
    assert padded.sum() == pytest.approx(1.0, abs=1e-12)


def test_a_well_sized_grid_raises_nothing(agg):
    unit, moms, aggregate, _ = quiet(lambda: agg.CreateDist(fqPoisson, [2.0], svPareto, [2.5, 2e5], 1e6, 0.0, 1.0,
                                                            14, 500.0, rtScript))
    text, figures = last_note()
    assert figures["wrapped"] < 1e-9 and figures["mean_error"] < 1e-4 and figures["layer_buckets"] == 2000
    agg.Padding = 1
    quiet(lambda: agg.CreateDist(fqPoisson, [2.0], svPareto, [2.5, 2e5], 1e6, 0.0, 1.0, 14, 500.0, rtScript))


def test_a_layer_in_a_single_bucket_warns(agg):
    with pytest.warns(AccuracyWarning, match="spans only 0 bucket") as record:
        unit = agg.CreateDist(fqPoisson, [1e6], svPareto, [2.5, 2e5], 1e6, 0, 1, 12, 0.0, rtScript)[0]
    assert unit > 1e6 and record[0].message.figures["layer_buckets"] == 0


def test_the_warning_is_filtered_like_any_other(agg):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", AccuracyWarning)
        agg.CreateDist(*WRAPS)
    with warnings.catch_warnings():
        warnings.simplefilter("error", AccuracyWarning)
        with pytest.raises(AccuracyWarning):
            agg.CreateDist(*WRAPS)


def test_padding_zero_is_the_published_default(agg):
    before = agg.CreateDist(*WRAPS)[2]
    agg.Padding = 3
    agg.Padding = 0
    np.testing.assert_array_equal(agg.CreateDist(*WRAPS)[2], before)
    assert agg._dispid_("Padding") == 1000


@pytest.mark.parametrize("padding, num_l2", [(-1, 12), (31, 0), (19, 12)])
def test_padding_out_of_range(agg, padding, num_l2):
    def call():
        agg.Padding = padding
        args = list(WRAPS)
        args[7] = num_l2
        agg.CreateDist(*args)
    fails(call, E_INVALIDARG)


def test_bivariate_aggregates_note_their_wrap(agg):
    rng = np.random.default_rng(3)
    wide = np.zeros(32)
    wide[:24] = rng.uniform(size=24)
    wide /= wide.sum()
    with pytest.warns(AccuracyWarning, match="wrapped"):
        agg.CreateBivDistEmp1D(fqPoisson, [4.0], wide, wide, bvClayton, 0.5, 5, 5, 1.0, 1.0)
    narrow = np.zeros(256)
    narrow[:4] = [0.1, 0.4, 0.3, 0.2]
    quiet(lambda: agg.CreateBivDistEmp1D(fqPoisson, [4.0], narrow, narrow, bvClayton, 0.5, 8, 8, 1.0, 1.0))
    assert last_note()[1]["wrapped"] < 1e-12
