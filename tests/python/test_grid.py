"""Grid arithmetic offered by AggCo: transforms, products, convolution, noise, smoothing, comparison."""

import numpy as np
import pytest

from codes import *

smCustom, smNone, smLight, smLightMedium, smModerate, smMaximum = range(6)



@pytest.mark.parametrize("v, expected", [([1, 0, 0, 0], [1, 1, 1, 0]), ([0, 1, 0, 0], [1, 0, -1, -1]),
                                         ([2.0], [2.0]), ([1, 2, 3], [6, -1.5, 0.8660254037844386])])
def test_fft_halfcomplex(agg, v, expected):
    np.testing.assert_allclose(agg.FFT(v, rtScript), expected, atol=1e-15)


def test_fft_round_trip(agg):
    rng = np.random.default_rng(11)
    for n in (1, 2, 7, 64, 1000, 4096):
        v = rng.random(n)
        np.testing.assert_allclose(agg.IFFT(agg.FFT(v, rtScript), rtScript), v, rtol=1e-12, atol=1e-15)


def test_ifft_clamps_tiny_values(agg):
    out = agg.IFFT(agg.FFT([0.5, 0.5, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0], rtScript), rtScript)
    np.testing.assert_array_equal(out[2:], 0.0)
    assert np.all(out >= 0)


def test_fft_shapes_and_empty_input(agg):
    assert agg.FFT([1.0, 2.0], rtExcelCol).shape == (2, 1)
    fails(lambda: agg.FFT([], rtScript), E_INVALIDARG)
    fails(lambda: agg.IFFT([], rtScript), E_INVALIDARG)


@pytest.mark.parametrize("v1, v2, expected", [
    ([0.5, 0.5, 0, 0], [0.5, 0.5, 0, 0], [0.25, 0.5, 0.25, 0]),
    ([0, 0, 0, 1], [0, 1, 0, 0], [1, 0, 0, 0]),
])
def test_sum_conv_dist(agg, v1, v2, expected):
    np.testing.assert_allclose(agg.SumConvDist(v1, v2, rtScript), expected, atol=1e-15)
    np.testing.assert_allclose(agg.SumConvDist1(v1, v2, rtScript), expected, atol=1e-15)


def test_sum_conv_dist_is_the_direct_convolution(agg):
    rng = np.random.default_rng(5)
    a = np.zeros(256)
    b = np.zeros(256)
    a[:100] = rng.random(100)
    b[:100] = rng.random(100)
    a /= a.sum()
    b /= b.sum()
    np.testing.assert_allclose(agg.SumConvDist(a, b, rtScript), np.convolve(a, b)[:256], atol=1e-15)


def test_complex_product_matches_numpy(agg):
    rng = np.random.default_rng(6)
    a, b = rng.random(16), rng.random(16)
    product = agg.IFFT(agg.ComplexProduct(agg.FFT(a, rtScript), agg.FFT(b, rtScript), rtScript), rtScript)
    circular = np.fft.irfft(np.fft.rfft(a) * np.fft.rfft(b), 16)
    np.testing.assert_allclose(product, np.where(circular < 1e-16, 0, circular), atol=1e-14)


@pytest.mark.parametrize("method", ["ComplexProduct", "SumConvDist"])
def test_different_lengths(agg, method):
    fails(lambda: getattr(agg, method)(np.ones(8), np.ones(16), rtScript), E_FAIL, "Invalid input vector lengths")


@pytest.mark.parametrize("method", ["ComplexProduct", "SumConvDist"])
def test_odd_lengths(agg, method):
    fails(lambda: getattr(agg, method)(np.ones(5), np.ones(5), rtScript), E_INVALIDARG)


def test_add_noise(agg):
    fails(lambda: agg.AddNoise([0, 1, 0, 0], 1.0, 0.0, rtScript), E_INVALIDARG)
    fails(lambda: agg.AddNoise([0, 1, 0], 1.0, 1.0, rtScript), E_INVALIDARG)
    v = np.zeros(64)
    v[32] = 1.0
    np.testing.assert_allclose(agg.AddNoise(v, 1.0, 1e-6, rtScript), v, atol=1e-14)
    noisy = agg.AddNoise(v, 1.0, 2.0, rtScript)
    k = np.arange(64)
    assert noisy.sum() == pytest.approx(1.0)
    assert np.sum(k * noisy) == pytest.approx(32.0)
    assert np.sum((k - 32.0) ** 2 * noisy) == pytest.approx(4.0, rel=1e-9)


def test_smooth(agg):
    x = np.linspace(0, 1, 64)
    cubic = 1 + 2 * x - 3 * x ** 3
    np.testing.assert_allclose(agg.Smooth(cubic, smMaximum, rtScript), cubic, atol=1e-12)
    np.testing.assert_allclose(agg.Smooth(cubic, smCustom, rtScript, 5, 3), cubic, atol=1e-12)
    noisy = cubic + np.random.default_rng(1).normal(0, 0.1, 64)
    assert np.std(agg.Smooth(noisy, smModerate, rtScript) - cubic) < np.std(noisy - cubic)
    assert agg.Smooth(cubic, smNone, rtScript) is None
    assert agg.Smooth(cubic, smCustom, rtScript, 0, 2) is None
    assert agg.Smooth([3.0], smLight, rtScript).tolist() == [3.0]
    fails(lambda: agg.Smooth(np.ones(6), smLight, rtScript), E_INVALIDARG)
    fails(lambda: agg.Smooth(cubic, smCustom, rtScript), DISP_E_TYPEMISMATCH)
    fails(lambda: agg.Smooth(cubic, smCustom, rtScript, 2, 5), E_INVALIDARG)
    fails(lambda: agg.Smooth(cubic, smCustom, rtScript, -1, 2), E_INVALIDARG)


def test_dist_compare(agg):
    rng = np.random.default_rng(3)
    sample = rng.exponential(4.0, 5000)
    k = np.arange(64)
    thy = np.exp(-(k - 0.5).clip(0) / 4.0) - np.exp(-(k + 0.5) / 4.0)
    thy[-1] += 1 - thy.sum()
    den, Fe, Ft, Se, St, XSe, XSt, QQe, QQt = agg.DistCompare(sample, 6, 1.0, thy, rtScript)
    assert den.sum() == pytest.approx(1.0)
    np.testing.assert_allclose(Fe, np.cumsum(den))
    np.testing.assert_allclose(St, 1 - np.cumsum(thy), atol=1e-15)
    assert XSe[-1] == 0 and XSt[-1] == 0
    assert len(QQe) == len(QQt) == 99 and np.all(np.diff(QQt) >= 0)
    # The discretised exponential is memoryless: its mean excess is the same in every bucket.
    assert XSt[0] == pytest.approx(1 / (1 - np.exp(-0.25)), rel=1e-6)
    assert XSt[10] == pytest.approx(XSt[0], rel=1e-5)
    fails(lambda: agg.DistCompare(sample, 5, 1.0, thy, rtScript), E_INVALIDARG)
    fails(lambda: agg.DistCompare([1.0, float("nan")], 6, 1.0, thy, rtScript), E_INVALIDARG)


def test_values_outside_the_grid_are_clamped(agg):
    thy = np.full(4, 0.25)
    den = agg.DistCompare([-5.0, 0.4, 100.0, 2.0], 2, 1.0, thy, rtScript)[0]
    np.testing.assert_array_equal(den, [0.5, 0, 0.25, 0.25])
