"""EmpCo objects: made from data by AggCo, read back, sampled and cut by layers."""

import math
import struct

import numpy as np
import pytest

from codes import *
from scripthost import CreateObject

rNet, rCeded, rGross = 0, 1, 2
stSpace = 0



@pytest.fixture
def emp1024(agg):
    p = np.random.default_rng(4).random(1024)
    return agg.CreateEmpCoFromDensity(p / p.sum(), 1024, 2.5), p / p.sum()


def test_properties(agg):
    e = agg.CreateEmpCoFromDensity(np.full(1000, 0.001), 1000, 10.0)
    assert (e.num, e.numL2, e.unit, e.SpaceTime, e.fileName, e.Description) == (1000, 9, 10.0, stSpace, "", "")
    e.Description = "losses"
    fails(lambda: e.SaveAs("/nonexistent/dir/file.emp"), E_FAIL)
    assert (e.Description, e.fileName) == ("losses", "")
    assert repr(e) == "<IEmpCo object>"


def test_density_at_full_and_coarser_resolution(emp1024):
    e, p = emp1024
    np.testing.assert_array_equal(e.Density(10, rtScript), p)
    coarse = e.Density(9, rtScript)
    assert coarse.shape == (512,) and coarse.sum() == pytest.approx(1.0, rel=1e-14)
    fails(lambda: e.Density(11, rtScript), E_FAIL, "Cannot interpolate...")


def test_raw_density_fills_the_callers_array(emp1024):
    e, p = emp1024
    xs = np.zeros(512)
    out = e._Density(512, xs)
    assert out is xs
    np.testing.assert_array_equal(xs, e.Density(9, rtScript))
    guard = np.full(1024 + 1, -7.0)
    e._Density(1024, guard[:1024])
    assert guard[1024] == -7.0
    for bad in (600, 0, -4):
        fails(lambda: e._Density(bad, np.zeros(4096)), E_INVALIDARG)
    fails(lambda: e._Density(2048, np.zeros(4096)), E_FAIL, "Cannot interpolate...")
    fails(lambda: e._Density(512, np.zeros(100)), E_INVALIDARG)


def test_samples(agg):
    e = agg.CreateEmpCoFromDensity([0.5, 0.5], 2, 1.0)
    np.testing.assert_array_equal(e.Sample(3, rtScript), [0, 0, 0.5])
    xs = np.zeros(3)
    e._Sample(3, xs)
    np.testing.assert_array_equal(xs, [0, 0, 0.5])
    big = agg.CreateEmpCoFromDensity(np.random.default_rng(1).random(256), 256, 1.0)
    assert np.all(np.diff(big.Sample(1000, rtScript)) >= 0)


def test_sample_beyond_total_mass_takes_the_top_amount(agg):
    e = agg.CreateEmpCoFromDensity([0.1, 0.1, 0.1, 0.1], 4, 2.0)
    assert e.Sample(9, rtScript)[-1] == 6.0


def test_apply_reins(agg):
    e = agg.CreateEmpCoFromDensity(np.arange(1, 9) / 36.0, 8, 1.0)
    net = e.ApplyReins(3.0, 2.0, 1.0, rNet)
    ceded = e.ApplyReins(3.0, 2.0, 1.0, rCeded)
    p = np.arange(1, 9) / 36.0
    expected_net = np.bincount([0, 1, 2, 2, 2, 2, 3, 4], p, 8)
    expected_ceded = np.bincount([0, 0, 0, 1, 2, 3, 3, 3], p, 8)
    np.testing.assert_allclose(net.Density(3, rtScript), expected_net)
    np.testing.assert_allclose(ceded.Density(3, rtScript), expected_ceded)
    gross = e.ApplyReins(3.0, 2.0, 1.0, rGross)
    del e
    np.testing.assert_array_equal(gross.Density(3, rtScript), p)
    fails(lambda: gross.ApplyReins(3.0, 2.0, 0.5, rNet), E_FAIL, "Partial shares NYI")
    fails(lambda: gross.ApplyReins(3.0, 2.0, 1.0, 3), E_FAIL, "Wrong input")


def test_from_sample_and_points(agg):
    e = agg.CreateEmpCoFromSample([0.4, 0.6, 1.49, 1.5], 2, 1.0)
    np.testing.assert_array_equal(e.Density(2, rtScript), [0.25, 0.5, 0.25, 0])
    r = agg.CreateEmpCoFromRMS([0.0, 2.0], [1.0, 1.0], 2, 1.0)
    np.testing.assert_array_equal(r.Density(2, rtScript), [0.5, 0, 0.5, 0])
    fails(lambda: agg.CreateEmpCoFromRMS([1.0, 2.0, 3.0], [1.0, 1.0, 1.0, 1.0], 2, 1.0), E_INVALIDARG)
    fails(lambda: agg.CreateEmpCoFromSample([1.0, float("nan")], 2, 1.0), E_INVALIDARG)
    fails(lambda: agg.CreateEmpCoFromSample([1.0], 2, 0.0), E_INVALIDARG)
    fails(lambda: agg.CreateEmpCoFromSample([1.0], 40, 1.0), E_INVALIDARG)


def test_from_density_checks_its_length(agg):
    fails(lambda: agg.CreateEmpCoFromDensity([0.5, 0.5], 4, 1.0), E_INVALIDARG)


def test_save_and_open_round_trip_every_value(agg, tmp_path):
    rng = np.random.default_rng(11)
    p = rng.random(4096) ** 3
    p /= p.sum()
    e = agg.CreateEmpCoFromDensity(p, 4096, 0.1 + 1 / 3)
    e.Description = "Motor \u00e9t\u00e9 2026"
    path = str(tmp_path / "motor.emp")
    e.SaveAs(path)
    assert e.fileName == path
    back = agg.OpenEmpCo(path)
    assert (back.num, back.unit, back.Description, back.fileName) == (4096, e.unit, e.Description, path)
    assert back.Density(12, rtScript).tobytes() == e.Density(12, rtScript).tobytes()
    assert sorted(f.name for f in tmp_path.iterdir()) == ["motor.emp"]  # no temporary left behind
    e.Description = "replaced"
    e.SaveAs(path)
    assert agg.OpenEmpCo(path).Description == "replaced"


def test_open_refuses_what_is_not_a_whole_distribution_file(agg, tmp_path):
    e = agg.CreateEmpCoFromDensity([0.25, 0.75], 2, 1.0)
    good = tmp_path / "good.emp"
    e.SaveAs(str(good))
    data = good.read_bytes()
    for name, content in [("short", data[:-3]), ("long", data + b"\0"), ("magic", b"X" + data[1:]),
                          ("count", data[:16] + (3).to_bytes(8, "little") + data[24:]),
                          ("nan", data[:-8] + struct.pack("<d", math.nan)), ("empty", b"")]:
        path = tmp_path / name
        path.write_bytes(content)
        fails(lambda: agg.OpenEmpCo(str(path)), E_INVALIDARG)
    fails(lambda: agg.OpenEmpCo(str(tmp_path / "missing.emp")), E_INVALIDARG)


@pytest.fixture
def losses(agg):
    rng = np.random.default_rng(5)
    p = rng.gamma(2.0, size=512) * np.exp(-np.arange(512) / 80)
    p /= p.sum()
    return agg.CreateEmpCoFromDensity(p, 512, 250.0), p, 250.0 * np.arange(512)


def test_risk_measures_equal_numpy(losses):
    e, p, s = losses
    F = np.cumsum(p)
    xs = np.array([-5.0, 0.0, 249.9, 250.0, 12345.6, 1e9])
    np.testing.assert_allclose(e.CDF(xs), [p[s <= x].sum() for x in xs], rtol=1e-13, atol=1e-16)
    np.testing.assert_allclose(e.LEV(xs), [np.sum(p * np.minimum(s, x)) for x in xs], rtol=1e-13)
    np.testing.assert_allclose(e.ExcessMean(xs), [np.sum(p * np.maximum(s - x, 0)) for x in xs], rtol=1e-13,
                               atol=1e-9)
    levels = np.array([0.0, 0.1, 0.5, 0.9, 0.99, 0.995])
    var = np.array([s[np.argmax(F >= q - 1e-15)] for q in levels])
    np.testing.assert_array_equal(e.Quantile(levels), var)
    tvar = [(np.sum(p[s > v] * s[s > v]) + v * (F[s <= v][-1] - q)) / (1 - q) for q, v in zip(levels, var)]
    np.testing.assert_allclose(e.TVaR(levels), tvar, rtol=1e-12)
    mean = np.sum(p * s)
    sd = np.sqrt(np.sum(p * (s - mean) ** 2))
    skew = np.sum(p * (s - mean) ** 3) / sd ** 3
    np.testing.assert_allclose(e.Stats(rtScript), [mean, sd, sd / mean, skew], rtol=1e-12)
    assert e.CDF(1000.0) == pytest.approx(p[s <= 1000.0].sum(), rel=1e-13) and isinstance(e.CDF(1000.0), float)
    assert e.Quantile(1.0) == s[np.argmax(F >= 1 - 1e-15)]


def test_risk_measures_refuse_levels_outside_their_ranges(losses):
    e = losses[0]
    fails(lambda: e.Quantile(1.5), E_INVALIDARG, "The probability level p must be in [0, 1], got 1.5")
    fails(lambda: e.TVaR(1.0), E_INVALIDARG, "The tail level p must be in [0, 1), got 1")
    fails(lambda: e.CDF(math.nan), E_INVALIDARG, "The amount x must be finite, got nan")


def test_not_creatable():
    fails(lambda: CreateObject("Corvane.EmpCo.1"), CO_E_CLASSSTRING)


def test_dispids(agg):
    e = agg.CreateEmpCoFromDensity([0.25, 0.75], 2, 1.0)
    members = {"ApplyReins": 1, "Density": 2, "Sample": 3, "SaveAs": 5, "numL2": 9, "num": 10, "unit": 11,
               "Description": 12, "SpaceTime": 13, "fileName": 14, "_Density": 15, "_Sample": 16, "CDF": 1000,
               "Quantile": 1001, "TVaR": 1002, "LEV": 1003, "ExcessMean": 1004, "Stats": 1005}
    assert {name: e._dispid_(name) for name in members} == members
    np.testing.assert_array_equal(e._invoke_(2, "method", 1, rtScript), e.Density(1, rtScript))
    assert e._invoke_(10, "get") == e.num == 2
    e._invoke_(12, "put", "by dispid")
    assert e.Description == "by dispid"
    creators = {"FFT": 14, "IFFT": 15, "SumConvDist": 16, "SumConvDist1": 17, "ComplexProduct": 18,
                "CreateEmpCoFromDensity": 25, "CreateEmpCoFromSample": 26, "OpenEmpCo": 27, "CreateEmpCoFromRMS": 28,
                "AddNoise": 35, "DistCompare": 37, "Smooth": 63}
    assert {name: agg._dispid_(name) for name in creators} == creators
    np.testing.assert_array_equal(agg._invoke_(14, "method", [1.0, 0.0, 0.0, 0.0], rtScript),
                                  agg.FFT([1.0, 0.0, 0.0, 0.0], rtScript))
    assert agg._invoke_(25, "method", [0.5, 0.5], 2, 1.0).num == 2
