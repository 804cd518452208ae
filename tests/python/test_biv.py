"""BivEmpCo objects: construction from marginals, the shared block, files and layer analyses."""

import gc
import os
import stat
import struct

import numpy as np
import pytest

from codes import *
from scripthost import CreateObject

bvIndep, bvMin, bvMax, bvClayton, bvFrank, bvFGM, bvGumbel, bvCook = range(8)
bvGrossNet, bvGrossCeded, bvNetCeded, bvXXplusY = 8, 9, 10, 11
alaeIncluded, alaeProRata = 1, 2



@pytest.fixture(scope="module", autouse=True)
def no_blocks_left_behind():
    before = set(os.listdir("/dev/shm"))
    yield
    gc.collect()
    assert set(os.listdir("/dev/shm")) - before == set()


def read_block(path):
    data = open(path, "rb").read()
    flags = list(data[:5])
    nx, ny = struct.unpack_from("<i", data, 64)[0], struct.unpack_from("<i", data, 72)[0]
    units = struct.unpack_from("<2d", data, 128)
    return flags, nx, ny, units, np.frombuffer(data, dtype="<f8", offset=1024)


def build(agg, mx, my, dep=bvIndep, tau=0.0, fq=fqOne, fqParams=(), units=(1.0, 1.0)):
    nx, ny = len(mx), len(my)
    moms, obj = agg.CreateBivDistEmp1D(fq, list(fqParams), mx, my, dep, tau, int(np.log2(nx)), int(np.log2(ny)),
                                       *units)
    return moms, obj


def density(obj):
    return obj.BivDist(rtScript, 0)


def test_block_layout_and_lifetime(agg):
    mx, my = np.array([0.5, 0.5, 0, 0]), np.array([0.25, 0.25, 0.5, 0])
    moms, obj = build(agg, mx, my, units=(2.0, 3.0))
    path = "/dev/shm/" + obj.ID
    assert stat.S_IMODE(os.stat(path).st_mode) == 0o600
    flags, nx, ny, units, data = read_block(path)
    assert (flags, nx, ny, units, len(data)) == ([1, 0, 0, 1, 1], 4, 4, (2.0, 3.0), 52)
    np.testing.assert_array_equal(data[:16], np.outer(mx, my).ravel())
    np.testing.assert_array_equal(data[36:40], mx)
    np.testing.assert_array_equal(data[40:44], my)
    x, y = np.arange(4) * 2.0, np.arange(4) * 3.0
    p = np.outer(mx, my)
    expected = [x @ p.sum(1), x ** 2 @ p.sum(1), x ** 3 @ p.sum(1), y @ p.sum(0), y ** 2 @ p.sum(0),
                y ** 3 @ p.sum(0), x @ p @ y]
    np.testing.assert_allclose(moms, expected)
    np.testing.assert_allclose(obj.Moms(rtScript), expected)
    del obj
    gc.collect()
    assert not os.path.exists(path)


def test_save_and_reopen(agg, tmp_path):
    _, obj = build(agg, np.full(8, 1 / 8), np.full(4, 0.25), dep=bvClayton, tau=0.4, units=(1.0, 2.0))
    path = tmp_path / "biv.blk"
    path.write_bytes(b"\xff" * 100000)
    obj.SaveAs(str(path))
    assert path.stat().st_size == 1024 + 8 * (2 * 32 + 24 + 8)
    copy = agg.CreateBivDistFromFile(str(path))
    assert (copy.NumX, copy.NumY, copy.unitX, copy.unitY) == (8, 4, 1.0, 2.0)
    assert copy.ID != obj.ID
    np.testing.assert_array_equal(density(copy), density(obj))
    assert read_block(path)[0] == [1, 1, 1, 1, 1]
    fails(lambda: obj.SaveAs(""), E_INVALIDARG)


@pytest.mark.parametrize("header", [(3, 4), (4, 1 << 20), (-4, 4)])
def test_lying_headers_are_refused(agg, tmp_path, header):
    _, obj = build(agg, np.full(4, 0.25), np.full(4, 0.25))
    path = tmp_path / "lying.blk"
    obj.SaveAs(str(path))
    data = bytearray(path.read_bytes())
    struct.pack_into("<i", data, 64, header[0])
    struct.pack_into("<i", data, 72, header[1])
    path.write_bytes(bytes(data))
    fails(lambda: agg.CreateBivDistFromFile(str(path)), E_INVALIDARG)


def test_missing_file(agg, tmp_path):
    fails(lambda: agg.CreateBivDistFromFile(str(tmp_path / "none.blk")), E_FAIL, "Could not create mapping object")


def test_diagonal_and_quadrants(agg):
    _, obj = build(agg, [0.5, 0.5, 0, 0], [0.5, 0.5, 0, 0])
    np.testing.assert_allclose(obj.DiagonalVar(rtScript), [0.25, 0.5, 0.25, 0])
    np.testing.assert_allclose(obj.Diagonal().Density(2, rtScript), [0.25, 0.5, 0.25, 0])
    _, wrap = build(agg, [0, 0, 0, 1.0], [0, 1.0, 0, 0])
    np.testing.assert_allclose(wrap.DiagonalVar(rtScript), [1, 0, 0, 0])
    _, obj = build(agg, np.arange(1, 5) / 10, np.arange(1, 5) / 10)
    np.testing.assert_allclose(obj.BivDist(rtScript, 1), density(obj)[:2, :2])
    for q in (2, 3, 4):
        fails(lambda: obj.BivDist(rtScript, q), E_NOTIMPL)
    _, oblong = build(agg, np.full(8, 1 / 8), np.full(4, 0.25))
    fails(lambda: oblong.DiagonalVar(rtScript), E_INVALIDARG)
    assert oblong.TestData().shape == (8, 4)


def rectangle_probabilities(C, u, v):
    grid = C(u[:, None], v[None, :])
    return np.diff(np.pad(np.diff(np.pad(grid, ((1, 0), (0, 0))), axis=0), ((0, 0), (1, 0))), axis=1)


COPULAS = {
    bvClayton: (0.5, lambda u, v, t: (u ** -(2 * t / (1 - t)) + v ** -(2 * t / (1 - t)) - 1) ** (-(1 - t) / (2 * t))),
    bvFrank: (2.0, lambda u, v, t: np.log1p(np.expm1(t * u) * np.expm1(t * v) / np.expm1(t)) / t),
    bvFGM: (0.1, lambda u, v, t: u * v * (1 + 4.5 * t * (1 - u) * (1 - v))),
    bvGumbel: (0.4, lambda u, v, t: np.exp(-((-np.log(u)) ** (1 / (1 - t)) + (-np.log(v)) ** (1 / (1 - t))) ** (1 - t))),
}


@pytest.mark.parametrize("dep", sorted(COPULAS))
def test_copulas_are_rectangle_probabilities(agg, dep):
    rng = np.random.default_rng(dep)
    mx, my = rng.random(64), rng.random(64)
    mx, my = mx / mx.sum(), my / my.sum()
    tau, C = COPULAS[dep]
    _, obj = build(agg, mx, my, dep=dep, tau=tau)
    u, v = np.minimum(np.cumsum(mx), 1.0), np.minimum(np.cumsum(my), 1.0)
    with np.errstate(divide="ignore"):
        expected = rectangle_probabilities(lambda a, b: C(a, b, tau), u, v)
    np.testing.assert_allclose(density(obj), expected, atol=1e-13)


def test_poisson_compound_matches_numpy_and_one_dimensional_aggregates(agg):
    n, lam = 64, 2.0
    mx, my = np.zeros(n), np.zeros(n)
    mx[1:4], my[1:3] = [0.5, 0.3, 0.2], [0.6, 0.4]
    _, obj = build(agg, mx, my, dep=bvClayton, tau=0.5, fq=fqPoisson, fqParams=[lam])
    _, single = build(agg, mx, my, dep=bvClayton, tau=0.5)
    compound = np.fft.irfft2(np.exp(lam * (np.fft.rfft2(density(single)) - 1)), (n, n))
    np.testing.assert_allclose(density(obj), compound, atol=1e-14)
    for marginal, m in ((obj.MargX(), mx), (obj.MargY(), my)):
        one_d = agg.CreateDist(fqPoisson, [lam], svEmp, m, 0, 0, 1, 6, 1.0, rtScript)[2]
        p = marginal.Density(6, rtScript)
        p = np.where(p < 1e-16, 0, p)
        np.testing.assert_allclose(p / p.sum(), one_d, atol=1e-12)


def test_marginals_as_objects(agg):
    emp = agg.CreateEmpCoFromDensity(np.full(16, 1 / 16), 16, 1.0)
    coarse = emp.Density(3, rtScript)  # an object with more buckets is coarsened
    _, from_objects = agg.CreateBivDistEmp1D(fqOne, [], emp, emp, bvIndep, 0.0, 3, 3, 1.0, 1.0)
    np.testing.assert_allclose(density(from_objects), np.outer(coarse, coarse))
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, [], emp, emp, bvIndep, 0.0, 5, 5, 1.0, 1.0), E_FAIL,
          "Cannot interpolate...")
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, [], [0.5, 0.5], emp, bvIndep, 0.0, 3, 3, 1.0, 1.0), E_INVALIDARG)
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, [], agg, emp, bvIndep, 0.0, 3, 3, 1.0, 1.0), E_INVALIDARG)
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, [], emp, emp, 12, 0.0, 3, 3, 1.0, 1.0), E_INVALIDARG)


@pytest.mark.parametrize("dep, pairs", [
    (bvNetCeded, lambda i: (min(i, 2) + max(i - 5, 0), min(max(i - 2, 0), 3))),
    (bvGrossNet, lambda i: (i, min(i, 2) + max(i - 5, 0))),
    (bvGrossCeded, lambda i: (i, min(max(i - 2, 0), 3))),
])
def test_layer_splits(agg, dep, pairs):
    gross = np.arange(1, 9) / 36.0
    _, obj = agg.CreateBivDistEmp1D(fqOne, [], gross, None, dep, [3.0, 2.0, 1.0], 3, 3, 1.0, 1.0)
    expected = np.zeros((8, 8))
    for i, p in enumerate(gross):
        expected[pairs(i)] += p
    np.testing.assert_allclose(density(obj), expected)
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, [], gross, None, dep, [3.0, 2.0, 1.0], 3, 1, 1.0, 1.0),
          E_INVALIDARG)
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, [], gross, None, dep, [3.0, 2.0], 3, 3, 1.0, 1.0), E_INVALIDARG)


def test_loss_and_expense(agg):
    rng = np.random.default_rng(7)
    mx, my = rng.random(32), rng.random(32)
    _, obj = build(agg, mx / mx.sum(), my / my.sum(), dep=bvGumbel, tau=0.3)
    one, two = (obj.LossALAE(rtScript, 10.0, 5.0, alaeProRata, t) for t in (1, 2))
    np.testing.assert_array_equal(one, two)
    assert one.sum() == pytest.approx(1.0)
    included = obj.LossALAE(rtScript, 10.0, 5.0, alaeIncluded, 1)
    assert included.sum() == pytest.approx(1.0)
    fails(lambda: obj.LossALAE(rtScript, 10.0, 5.0, 3, 1), E_INVALIDARG)
    ratios = obj.FTUVar(6, 0.5, rtScript)
    assert ratios.shape == (64,) and ratios.sum() <= 1.0 + 1e-12


def test_compound_of_a_joint_density(agg):
    p1 = np.zeros((8, 4))
    p1[1, 1], p1[2, 1], p1[1, 2] = 0.5, 0.3, 0.2
    moms, aggregate, diagonal = agg.CreateBivDistEmp2D(fqPoisson, [1.5], p1, 3, 2, 1.0, 1.0, rtScript)
    expected = np.fft.irfft2(np.exp(1.5 * (np.fft.rfft2(p1) - 1)), (8, 4))
    np.testing.assert_allclose(aggregate, expected, atol=1e-14)
    assert diagonal is None and moms.shape == (7,)
    square = np.zeros((8, 8))
    square[:8, :4] = p1
    _, _, diagonal = agg.CreateBivDistEmp2D(fqOne, [], square, 3, 3, 1.0, 1.0, rtScript)
    np.testing.assert_allclose(diagonal[:5], [0, 0, 0.5, 0.5, 0])
    fails(lambda: agg.CreateBivDistEmp2D(fqOne, [], p1, 3, 3, 1.0, 1.0, rtScript), E_INVALIDARG)


def test_dispids(agg):
    _, obj = build(agg, [1.0, 0.0], [1.0, 0.0])
    expected = {"MargX": 1, "MargY": 2, "Diagonal": 3, "unitX": 4, "unitY": 5, "NumX": 6, "NumY": 7, "Moms": 8,
                "TestData": 10, "SaveAs": 13, "ID": 14, "BivDist": 15, "DiagonalVar": 16, "LossALAE": 17,
                "FTUVar": 18}
    assert {name: obj._dispid_(name) for name in expected} == expected
    assert obj._invoke_(6, "get") == 2
    creators = {"CreateBivDistEmp1D": 23, "CreateBivDistEmp2D": 24, "CreateBivDistEmp1DVar": 31,
                "CreateBivDistFromFile": 32}
    assert {name: agg._dispid_(name) for name in creators} == creators
    _, by_var = agg._invoke_(31, "method", fqOne, [], [1.0, 0.0], [1.0, 0.0], bvIndep, 0.0, 1, 1, 1.0, 1.0)
    assert by_var.NumX == 2
    fails(lambda: CreateObject("Corvane.BivEmpCo.1"), CO_E_CLASSSTRING)
