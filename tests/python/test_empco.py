"""EmpCo objects: made from data by AggCo, read back, sampled and cut by layers."""

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
    e.SaveAs("/nonexistent/dir/file.emp")
    assert (e.Description, e.fileName) == ("losses", "/nonexistent/dir/file.emp")
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


def test_open_is_not_implemented(agg):
    fails(lambda: agg.OpenEmpCo("anything.emp"), E_NOTIMPL)


def test_not_creatable():
    fails(lambda: CreateObject("Corvane.EmpCo.1"), CO_E_CLASSSTRING)


def test_dispids(agg):
    e = agg.CreateEmpCoFromDensity([0.25, 0.75], 2, 1.0)
    members = {"ApplyReins": 1, "Density": 2, "Sample": 3, "SaveAs": 5, "numL2": 9, "num": 10, "unit": 11,
               "Description": 12, "SpaceTime": 13, "fileName": 14, "_Density": 15, "_Sample": 16}
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
