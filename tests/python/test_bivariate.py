"""Bivariate distributions through the script host: the shared block read by name, its file image,
the builders checked against numpy, and the layer analyses."""

import gc
import mmap
import os
import stat
import struct
import subprocess
import sys
import textwrap

import numpy as np
import pytest

from codes import *
from shm_blocks import blocks_left_behind
from scripthost import AutomationError, CreateObject

# depType
bvIndep, bvMin, bvMax, bvClayton, bvFrank, bvFGM, bvGumbel, bvCook = range(8)
bvGrossNet, bvGrossCeded, bvNetCeded, bvXXplusY = range(8, 12)
# alaeType
alaeIncluded, alaeProRata = 1, 2

SHM = "/dev/shm"
HEADER = 1024


@pytest.fixture(scope="module", autouse=True)
def no_block_outlives_the_tests():
    before = set(os.listdir(SHM))
    yield
    assert blocks_left_behind(before) == set()


# ---------------------------------------------------------------------------------------------
# The block, read by name as another program would


def element_count(nx, ny):
    return 2 * nx * ny + 3 * nx + 2 * ny


def regions(nx, ny):
    """(offset, length) in doubles of each region of the data area."""
    m = element_count(nx, ny)
    reserved = 2 * nx * ny + 2 * ny + nx
    return {"density": (0, nx * ny), "transform": (nx * ny, nx * (ny + 1)), "x": (2 * nx * ny + ny, nx),
            "y": (2 * nx * ny + ny + nx, ny), "reserved": (reserved, min(nx + ny, m - reserved))}


class Image:
    """The bytes of a block or of its file: flags, header and data area."""

    def __init__(self, raw):
        self.raw = raw
        self.flags = list(raw[:5])
        self.header = struct.unpack_from("<4i", raw, 64)
        self.units = struct.unpack_from("<2d", raw, 128)
        self.data = np.frombuffer(raw, "<f8", offset=HEADER)

    def region(self, name):
        offset, length = regions(self.header[0], self.header[2])[name]
        return self.data[offset:offset + length]


def unused(block):
    """The doubles of the data area outside the density and the two marginals (the transform and
    reserved regions; for nx > ny the transform region's tail is the X marginal)."""
    used = np.zeros(len(block.data), bool)
    for name in ("density", "x", "y"):
        offset, length = regions(block.header[0], block.header[2])[name]
        used[offset:offset + length] = True
    return block.data[~used]


def block_path(obj):
    return os.path.join(SHM, obj.ID)


def read_block(obj):
    with open(block_path(obj), "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as view:
        return Image(bytes(view))


def l2(n):
    return int(n).bit_length() - 1


def build(agg, mx, my, dep=bvIndep, tau=0.0, fq=fqOne, fq_params=None, units=(1.0, 1.0), ny=None):
    """CreateBivDistEmp1D; ny defaults to the length of my. Returns (momsOut, object)."""
    ny = len(my) if ny is None else ny
    return agg.CreateBivDistEmp1D(fq, fq_params, mx, my, dep, tau, l2(len(mx)), l2(ny), *units)


def density(obj):
    return obj.BivDist(rtScript, 0)


def normalised(p):
    return np.asarray(p, float) / np.sum(p)


# ---------------------------------------------------------------------------------------------
# numpy references


def copula(dep, tau):
    """C(u, v) by the textbook formula of each dependency code."""
    if dep == bvMin:
        return lambda u, v: np.maximum(u + v - 1, 0)
    if dep == bvMax:
        return np.minimum
    if dep == bvClayton:
        t = 2 * tau / (1 - tau)
        return lambda u, v: (u ** -t + v ** -t - 1) ** (-1 / t)
    if dep == bvFrank:
        return lambda u, v: np.log(1 + (np.exp(tau * u) - 1) * (np.exp(tau * v) - 1) / (np.exp(tau) - 1)) / tau
    if dep == bvFGM:
        t = 9 * tau / 2
        return lambda u, v: u * v * (1 + t * (1 - u) * (1 - v))
    if dep == bvGumbel:
        t = 1 / (1 - tau)
        return lambda u, v: np.exp(-((-np.log(u)) ** t + (-np.log(v)) ** t) ** (1 / t))
    if dep == bvCook:
        t = (1 / tau - 1) / 2
        return lambda u, v: (u ** (-1 / t) + v ** (-1 / t) - 1) ** -t
    raise ValueError(dep)


def copula_density(dep, tau, mx, my):
    """Rectangle probabilities of the copula at u = F_X(x), v = F_Y(y) (inclusive cumulative sums)."""
    u, v = np.clip(np.cumsum(mx), 0, 1), np.clip(np.cumsum(my), 0, 1)
    with np.errstate(divide="ignore"):
        C = copula(dep, tau)(u[:, None], v[None, :])
    return np.diff(np.diff(C, axis=0, prepend=0), axis=1, prepend=0)


def poisson_compound(p1, lam):
    return np.fft.irfft2(np.exp(lam * (np.fft.rfft2(p1) - 1)), p1.shape)


def joint_moments(p, ux, uy):
    x, y = np.arange(p.shape[0]) * ux, np.arange(p.shape[1]) * uy
    px, py = p.sum(1), p.sum(0)
    return [x @ px, x ** 2 @ px, x ** 3 @ px, y @ py, y ** 2 @ py, y ** 3 @ py, x @ p @ y]


def sum_density(p):
    """X + Y on n buckets, sums of n or more wrapped, values below 1e-16 cleared, renormalised."""
    n = p.shape[0]
    s = np.bincount((np.arange(n)[:, None] + np.arange(n)[None, :]).ravel() % n, p.ravel(), n)
    s[s < 1e-16] = 0
    return s / s.sum()


def ceded_layer(d, u, layer, attach):
    """The layer's share min(max(S - A, 0), L) of d, bucket k judged by its upper edge (k + 1/2) u."""
    out, a, l, edge = np.zeros(len(d)), 0, 0, u / 2
    for k, pk in enumerate(d):
        if edge < attach:
            out[0] += pk
            a += 1
        elif edge < attach + layer:
            out[k - a] += pk
            l += 1
        else:
            out[l] += pk
        edge += u
    return out


def pro_rata(p, u, layer, attach):
    """Loss x u in the layer, the expense paid in the proportion of the loss paid."""
    n = p.shape[0]
    out = np.zeros(n)
    out[0] = p[0].sum()
    loss = np.arange(1, n)[:, None] * u
    c = np.where(loss < attach, 0.0, np.where(loss <= attach + layer, loss - attach, layer))
    t = c * (np.arange(n)[None, :] * u / loss + 1)
    bucket = np.minimum(np.trunc(t / u + 0.5), n - 1).astype(int)
    np.add.at(out, bucket.ravel(), p[1:].ravel())
    return out


def ratio_buckets(p, num_l2, width):
    f = 2 ** num_l2
    x, y = np.meshgrid(np.arange(p.shape[0]), np.arange(p.shape[1]), indexing="ij")
    keep = (x >= 1) & (p > 1e-16)
    with np.errstate(divide="ignore", invalid="ignore"):
        b = np.where(y == 0, f, np.trunc(x / y / width + 0.5))
    return np.bincount(np.minimum(b[keep], f - 1).astype(int), p[keep], f)


def random_marginal(rng, n, zeros_below=0, zeros_above=None):
    m = rng.random(n)
    m[:zeros_below] = 0
    if zeros_above is not None:
        m[zeros_above:] = 0
    return m / m.sum()


# ---------------------------------------------------------------------------------------------
# Members by name and by DISPID


def comparable(value):
    """What a result holds, so that two calls can be compared."""
    if isinstance(value, tuple):
        return tuple(comparable(v) for v in value)
    if repr(value) == "<IEmpCo object>":
        return ("EmpCo", value.unit, tuple(value.Density(value.numL2, rtScript)))
    if repr(value) == "<IBivEmpCo object>":
        return ("BivEmpCo", value.unitX, value.unitY, value.TestData().tobytes())
    if isinstance(value, np.ndarray):
        return (value.shape, value.tobytes())
    return value


IBIVEMPCO = [
    ("MargX", 1, "method", ()),
    ("MargY", 2, "method", ()),
    ("Diagonal", 3, "method", ()),
    ("unitX", 4, "get", ()),
    ("unitY", 5, "get", ()),
    ("NumX", 6, "get", ()),
    ("NumY", 7, "get", ()),
    ("Moms", 8, "method", (rtScript,)),
    ("TestData", 10, "method", ()),
    ("ID", 14, "get", ()),
    ("BivDist", 15, "method", (rtExcelCol, 1)),
    ("DiagonalVar", 16, "method", (rtScript,)),
    ("LossALAE", 17, "method", (rtScript, 6.0, 2.0, alaeProRata, 2)),
    ("FTUVar", 18, "method", (3, 0.5, rtScript)),
]


@pytest.fixture
def clayton8(agg):
    rng = np.random.default_rng(8)
    return build(agg, random_marginal(rng, 8), random_marginal(rng, 8), bvClayton, 0.5, fqPoisson, [1.5])[1]


@pytest.mark.parametrize("name, dispid, kind, args", IBIVEMPCO, ids=[m[0] for m in IBIVEMPCO])
def test_members_answer_by_name_and_by_dispid(clayton8, name, dispid, kind, args):
    assert clayton8._dispid_(name) == dispid
    by_name = getattr(clayton8, name)(*args) if kind == "method" else getattr(clayton8, name)
    assert comparable(clayton8._invoke_(dispid, kind, *args)) == comparable(by_name)


def test_save_as_by_name_and_by_dispid(clayton8, tmp_path):
    assert clayton8._dispid_("SaveAs") == 13
    clayton8.SaveAs(str(tmp_path / "by_name"))
    assert clayton8._invoke_(13, "method", str(tmp_path / "by_dispid")) is None
    assert (tmp_path / "by_name").read_bytes() == (tmp_path / "by_dispid").read_bytes()


def test_properties_are_read_only(clayton8):
    fails(lambda: clayton8._invoke_(4, "put", 2.0), DISP_E_MEMBERNOTFOUND)
    with pytest.raises(AutomationError):
        clayton8.NumX = 16


def test_aggco_creators_answer_by_name_and_by_dispid(agg, tmp_path):
    mx, my = [0.25, 0.5, 0.25, 0], [0.5, 0.25, 0.25, 0]
    one_d = (fqPoisson, [2.0], mx, my, bvFrank, 3.0, 2, 2, 1.0, 2.0)
    two_d = (fqPoisson, [2.0], np.outer(mx, my), 2, 2, 1.0, 1.0, rtScript)
    _, saved = agg.CreateBivDistEmp1D(*one_d)
    saved.SaveAs(str(tmp_path / "saved"))
    for name, dispid, args in [("CreateBivDistEmp1D", 23, one_d), ("CreateBivDistEmp2D", 24, two_d),
                               ("CreateBivDistEmp1DVar", 31, one_d),
                               ("CreateBivDistFromFile", 32, (str(tmp_path / "saved"),))]:
        assert agg._dispid_(name) == dispid
        assert comparable(agg._invoke_(dispid, "method", *args)) == comparable(getattr(agg, name)(*args))


def test_the_var_creator_returns_what_the_object_creator_returns(agg):
    args = (fqPoisson, [1.0], [0.5, 0.5], [0.25, 0.75], bvGumbel, 0.3, 1, 1, 2.0, 2.0)
    assert comparable(agg.CreateBivDistEmp1DVar(*args)) == comparable(agg.CreateBivDistEmp1D(*args))
    fails(lambda: agg.CreateBivDistEmp1DVar(fqOne, None, [1.0], [1.0], 12, 0.0, 0, 0, 1.0, 1.0), E_INVALIDARG)


def test_bivariate_objects_are_not_creatable():
    fails(lambda: CreateObject("Corvane.BivEmpCo.1"), CO_E_CLASSSTRING)


# ---------------------------------------------------------------------------------------------
# The shared block


@pytest.mark.parametrize("nx, ny", [(4, 4), (4, 8), (8, 2)])
def test_block_layout_after_a_single_claim_independent_build(agg, nx, ny):
    rng = np.random.default_rng(nx + ny)
    mx, my = random_marginal(rng, nx), random_marginal(rng, ny)
    _, obj = build(agg, mx, my, units=(2.5, 0.75))
    st = os.stat(block_path(obj))
    assert stat.S_IMODE(st.st_mode) == 0o600
    m = element_count(nx, ny)
    assert st.st_size == HEADER + 8 * m
    block = read_block(obj)
    assert block.flags == [1, 0, 0, 1, 1]
    assert block.header == (nx, 0, ny, 0) and block.units == (2.5, 0.75)
    assert not any(block.raw[5:64]) and not any(block.raw[80:128]) and not any(block.raw[144:HEADER])
    assert len(block.data) == m
    np.testing.assert_array_equal(block.region("density"), np.outer(mx, my).ravel())
    np.testing.assert_array_equal(block.region("x"), mx)
    np.testing.assert_array_equal(block.region("y"), my)
    assert not unused(block).any()


def test_four_by_four_block_offsets(agg):
    mx, my = [0.5, 0.5, 0, 0], [0.25, 0.75, 0, 0]
    _, obj = build(agg, mx, my)
    data = read_block(obj).data
    assert len(data) == 52
    np.testing.assert_array_equal(data[36:40], mx)
    np.testing.assert_array_equal(data[40:44], my)
    assert not data[16:36].any() and not data[44:].any()


def test_the_x_marginal_survives_compounding(agg):
    rng = np.random.default_rng(3)
    mx, my = random_marginal(rng, 16), random_marginal(rng, 8)
    _, obj = build(agg, mx, my, bvClayton, 0.5, fqPoisson, [4.0])
    block = read_block(obj)
    np.testing.assert_array_equal(block.region("x"), mx)
    np.testing.assert_array_equal(block.region("y"), my)
    np.testing.assert_array_equal(block.region("density"), density(obj).ravel())
    assert not unused(block).any()


def test_a_released_block_leaves_its_name_but_not_a_readers_view(agg):
    _, obj = build(agg, [0.5, 0.5], [0.25, 0.75])
    path = block_path(obj)
    with open(path, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as view:
        margx = obj.MargX()
        del obj
        gc.collect()
        assert not os.path.exists(path)
        with pytest.raises(FileNotFoundError):
            open(path, "rb")
        np.testing.assert_array_equal(Image(bytes(view)).region("density"), [0.125, 0.375, 0.125, 0.375])
    np.testing.assert_array_equal(margx.Density(1, rtScript), [0.5, 0.5])


# ---------------------------------------------------------------------------------------------
# Files


def test_save_and_reopen_round_trip(agg, tmp_path):
    rng = np.random.default_rng(11)
    _, obj = build(agg, random_marginal(rng, 8), random_marginal(rng, 4), bvFGM, 0.2, fqPoisson, [2.0], (1.5, 4.0))
    path = tmp_path / "biv.blk"
    path.write_bytes(b"\xab" * 100000)  # a longer existing file is shortened
    obj.SaveAs(str(path))
    size = HEADER + 8 * element_count(8, 4)
    assert path.stat().st_size == size
    assert path.read_bytes() == read_block(obj).raw  # the image of the block, unused regions zero
    copy = agg.CreateBivDistFromFile(str(path))
    assert (copy.NumX, copy.NumY, copy.unitX, copy.unitY) == (8, 4, 1.5, 4.0)
    assert copy.ID != obj.ID and len(copy.ID) == len(obj.ID)
    np.testing.assert_array_equal(density(copy), density(obj))
    np.testing.assert_array_equal(copy.Moms(rtScript), obj.Moms(rtScript))
    np.testing.assert_array_equal(copy.MargY().Density(2, rtScript), obj.MargY().Density(2, rtScript))
    saved = Image(path.read_bytes())
    assert saved.flags == [1, 1, 1, 1, 1] and path.stat().st_size == size
    del copy
    gc.collect()
    assert Image(path.read_bytes()).region("density").tobytes() == density(obj).tobytes()


def test_saving_into_a_shorter_file_grows_it(agg, tmp_path):
    _, obj = build(agg, [0.5, 0.5, 0, 0], [0.5, 0.5, 0, 0])
    path = tmp_path / "short.blk"
    path.write_bytes(b"\x01" * 10)
    obj.SaveAs(str(path))
    assert path.read_bytes() == read_block(obj).raw


def write_block_file(path, nx, ny, length):
    raw = bytearray(length)
    struct.pack_into("<4i", raw, 64, nx, 0, ny, 0)
    struct.pack_into("<2d", raw, 128, 1.0, 1.0)
    path.write_bytes(bytes(raw))


@pytest.mark.parametrize("nx, ny, length", [
    (3, 4, HEADER + 8 * element_count(4, 4)),    # nx not a power of two
    (4, 12, HEADER + 8 * element_count(4, 16)),  # ny not a power of two
    (0, 4, HEADER + 8 * element_count(4, 4)),
    (-4, 4, HEADER + 8 * element_count(4, 4)),
    (64, 64, HEADER + 8 * element_count(4, 4)),  # m larger than the file
    (1 << 30, 1 << 30, HEADER + 8 * element_count(4, 4)),  # 8 m beyond any file size
    (4, 4, HEADER + 8 * element_count(4, 4) - 8),
    (4, 4, 512),                                 # not even a header
], ids=["nx3", "ny12", "nx0", "nx-4", "m-beyond-file", "m-overflows", "one-double-short", "half-header"])
def test_files_whose_header_lies_are_refused(agg, tmp_path, nx, ny, length):
    path = tmp_path / "lying.blk"
    write_block_file(path, nx, ny, length)
    fails(lambda: agg.CreateBivDistFromFile(str(path)), E_INVALIDARG)


@pytest.mark.parametrize("units", [(0.0, 1.0), (1.0, -2.0), (float("nan"), 1.0), (1.0, float("inf")),
                                   (-float("inf"), 1.0), (-0.0, 1.0)])
def test_files_whose_units_are_not_positive_and_finite_are_refused(agg, tmp_path, units):
    path = tmp_path / "units.blk"
    write_block_file(path, 4, 2, HEADER + 8 * element_count(4, 2))
    with open(path, "r+b") as f:
        f.seek(128)
        f.write(struct.pack("<2d", *units))
    fails(lambda: agg.CreateBivDistFromFile(str(path)), E_INVALIDARG)


def test_a_file_with_a_truthful_header_opens(agg, tmp_path):
    path = tmp_path / "made.blk"
    write_block_file(path, 4, 2, HEADER + 8 * element_count(4, 2) + 100)  # extra bytes are allowed
    obj = agg.CreateBivDistFromFile(str(path))
    assert (obj.NumX, obj.NumY) == (4, 2)
    np.testing.assert_array_equal(density(obj), np.zeros((4, 2)))


def test_missing_and_unusable_file_names(agg, tmp_path):
    missing = tmp_path / "none.blk"
    fails(lambda: agg.CreateBivDistFromFile(str(missing)), E_FAIL, "Could not create mapping object")
    assert missing.exists() and missing.stat().st_size == 0
    fails(lambda: agg.CreateBivDistFromFile(str(missing)), E_FAIL, "Could not create mapping object")
    for bad in ("", str(tmp_path / "no" / "dir.blk")):
        fails(lambda: agg.CreateBivDistFromFile(bad), E_FAIL, "Invalid file handle")
    _, obj = build(agg, [1.0, 0], [1.0, 0])
    fails(lambda: obj.SaveAs(""), E_INVALIDARG)
    fails(lambda: obj.SaveAs(str(tmp_path / "no" / "dir.blk")), E_FAIL, "Invalid file handle")


def test_saving_over_a_file_another_object_has_open_keeps_the_process_alive(agg, tmp_path):
    big, small = tmp_path / "big.blk", tmp_path / "small.blk"
    build(agg, np.full(64, 1 / 64), np.full(64, 1 / 64))[1].SaveAs(str(big))
    build(agg, [0.5, 0.5, 0, 0], [0.5, 0.5, 0, 0])[1].SaveAs(str(small))
    # Both objects of the child are file-backed, so a crash leaves no shared block behind.
    child = textwrap.dedent(f"""
        from scripthost import CreateObject
        agg = CreateObject("Corvane.AggCo")
        opened = agg.CreateBivDistFromFile({str(big)!r})
        agg.CreateBivDistFromFile({str(small)!r}).SaveAs({str(big)!r})
        opened.TestData()
    """)
    run = subprocess.run([sys.executable, "-c", child], env=os.environ.copy(), capture_output=True, timeout=60)
    assert run.returncode == 0, run.stderr.decode()


# ---------------------------------------------------------------------------------------------
# Read operations


@pytest.mark.parametrize("mx, my, expected", [
    ([0.5, 0.5, 0, 0], [0.5, 0.5, 0, 0], [0.25, 0.5, 0.25, 0]),
    ([0, 0, 0, 1.0], [0, 1.0, 0, 0], [1.0, 0, 0, 0]),  # X + Y = 4 wraps onto bucket 0
])
def test_diagonal_is_the_distribution_of_the_sum(agg, mx, my, expected):
    _, obj = build(agg, mx, my)
    np.testing.assert_array_equal(obj.DiagonalVar(rtScript), expected)
    diagonal = obj.Diagonal()
    assert (diagonal.num, diagonal.unit) == (4, 1.0)
    np.testing.assert_array_equal(diagonal.Density(2, rtScript), expected)
    assert obj.DiagonalVar(rtExcelCol).shape == (4, 1)


def test_diagonal_of_a_compound_wraps_and_renormalises(agg):
    rng = np.random.default_rng(5)
    _, obj = build(agg, random_marginal(rng, 32), random_marginal(rng, 32), bvGumbel, 0.5, fqPoisson, [3.0],
                   (2.0, 2.0))
    np.testing.assert_allclose(obj.DiagonalVar(rtScript), sum_density(density(obj)), rtol=0, atol=1e-15)
    assert obj.Diagonal().unit == 2.0


def test_diagonal_needs_a_square_grid_with_equal_units(agg):
    _, oblong = build(agg, np.full(8, 1 / 8), np.full(4, 0.25))
    _, unequal = build(agg, np.full(4, 0.25), np.full(4, 0.25), units=(1.0, 2.0))
    for obj in (oblong, unequal):
        fails(lambda: obj.DiagonalVar(rtScript), E_INVALIDARG)
        fails(lambda: obj.Diagonal(), E_INVALIDARG)


def test_quadrants(agg):
    _, square = build(agg, normalised([1, 2, 3, 4]), normalised([4, 3, 2, 1]))
    whole = np.outer(normalised([1, 2, 3, 4]), normalised([4, 3, 2, 1]))
    np.testing.assert_array_equal(square.BivDist(rtScript, 0), whole)
    np.testing.assert_array_equal(square.BivDist(rtExcelCol, 1), whole[:2, :2])
    np.testing.assert_array_equal(square.TestData(), whole)
    for quadrant in (2, 3, 4, -1):
        fails(lambda: square.BivDist(rtScript, quadrant), E_NOTIMPL)
    _, oblong = build(agg, np.full(8, 1 / 8), np.full(4, 0.25))
    assert oblong.BivDist(rtScript, 0).shape == (8, 4) and oblong.TestData().shape == (8, 4)
    np.testing.assert_array_equal(oblong.BivDist(rtScript, 1), np.full((4, 2), 1 / 32))


def test_moms_are_the_seven_joint_moments(agg):
    rng = np.random.default_rng(9)
    moms, obj = build(agg, random_marginal(rng, 32), random_marginal(rng, 16), bvClayton, 0.6, fqPoisson, [2.0],
                      (2.0, 0.5))
    expected = joint_moments(density(obj), 2.0, 0.5)
    np.testing.assert_allclose(obj.Moms(rtScript), expected, rtol=1e-13)
    np.testing.assert_array_equal(moms, obj.Moms(rtScript))
    assert obj.Moms(rtExcelCol).shape == (7, 1)
    fails(lambda: obj.Moms(5), E_INVALIDARG)


def test_marginals_of_the_joint_density(agg):
    rng = np.random.default_rng(2)
    _, obj = build(agg, random_marginal(rng, 16), random_marginal(rng, 8), bvFrank, -4.0, fqPoisson, [1.0],
                   (3.0, 0.25))
    p = density(obj)
    mx, my = obj.MargX(), obj.MargY()
    assert (mx.num, mx.unit, my.num, my.unit) == (16, 3.0, 8, 0.25)
    np.testing.assert_allclose(mx.Density(4, rtScript), p.sum(1), rtol=0, atol=1e-16)
    np.testing.assert_allclose(my.Density(3, rtScript), p.sum(0), rtol=0, atol=1e-16)


# ---------------------------------------------------------------------------------------------
# Building from marginals


def test_marginals_as_numbers_or_objects(agg):
    fine = normalised(np.arange(1, 17))
    emp16 = agg.CreateEmpCoFromDensity(fine, 16, 1.0)
    emp4 = agg.CreateEmpCoFromDensity([0.25] * 4, 4, 1.0)
    _, same = agg.CreateBivDistEmp1D(fqOne, None, emp16, fine, bvIndep, 0.0, 4, 4, 1.0, 1.0)
    np.testing.assert_array_equal(density(same), np.outer(fine, fine))
    _, coarser = agg.CreateBivDistEmp1D(fqOne, None, list(fine[:8] * 2), emp16, bvIndep, 0.0, 3, 3, 1.0, 1.0)
    np.testing.assert_array_equal(read_block(coarser).region("y"), emp16.Density(3, rtScript))
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, None, emp4, fine[:8], bvIndep, 0.0, 3, 3, 1.0, 1.0), E_FAIL,
          "Cannot interpolate...")
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, None, fine[:8], emp4, bvIndep, 0.0, 3, 3, 1.0, 1.0), E_FAIL,
          "Cannot interpolate...")
    for mx, my in [(fine[:5], fine[:4]), (fine[:4], fine[:5]), (fine[:4], fine[:3]), ([], fine[:4]),
                   (fine[:4], None), (same, fine[:4]), (fine[:4], agg)]:
        fails(lambda: agg.CreateBivDistEmp1D(fqOne, None, mx, my, bvIndep, 0.0, 2, 2, 1.0, 1.0), E_INVALIDARG)


def test_small_dependency_structures(agg):
    half = [0.5, 0.5, 0, 0]
    _, comonotonic = build(agg, half, half, bvMax)
    _, countermonotonic = build(agg, half, half, bvMin)
    along, across = np.zeros((4, 4)), np.zeros((4, 4))
    along[0, 0] = along[1, 1] = across[0, 1] = across[1, 0] = 0.5
    np.testing.assert_array_equal(density(comonotonic), along)  # tau 0 leaves these two copulas as they are
    np.testing.assert_array_equal(density(countermonotonic), across)
    _, x_and_sum = build(agg, [0, 1.0, 0, 0], half, bvXXplusY)
    expected = np.zeros((4, 4))
    expected[1, 1] = expected[1, 2] = 0.5
    np.testing.assert_array_equal(density(x_and_sum), expected)
    rng = np.random.default_rng(1)
    mx, my = random_marginal(rng, 16), random_marginal(rng, 16)
    independent = density(build(agg, mx, my)[1])
    for dep in (bvClayton, bvFrank, bvFGM, bvGumbel, bvCook):
        np.testing.assert_array_equal(density(build(agg, mx, my, dep, 0.0)[1]), independent)
    np.testing.assert_allclose(density(build(agg, mx, my, bvCook, 0.4)[1]),
                               density(build(agg, mx, my, bvClayton, 0.4)[1]), rtol=0, atol=1e-15)


COPULA_CASES = [(bvClayton, 0.5), (bvClayton, 0.2), (bvFrank, 2.5), (bvFrank, -6.0), (bvFGM, 0.2),
                (bvFGM, -0.2), (bvGumbel, 0.4), (bvGumbel, 0.75), (bvMin, 0.3), (bvMax, 0.3), (bvCook, 0.6)]


@pytest.mark.parametrize("dep, tau", COPULA_CASES, ids=[f"{d}-{t}" for d, t in COPULA_CASES])
def test_copula_densities_are_the_copulas_rectangle_probabilities(agg, dep, tau):
    rng = np.random.default_rng(dep)
    # Empty low buckets of X give u = 0, empty high buckets of Y give v = 1.
    mx, my = random_marginal(rng, 64, zeros_below=3), random_marginal(rng, 64, zeros_above=54)
    _, obj = build(agg, mx, my, dep, tau)
    expected = copula_density(dep, tau, mx, my)
    np.testing.assert_allclose(density(obj), expected, rtol=0, atol=1e-13)
    np.testing.assert_allclose(read_block(obj).region("density"), expected.ravel(), rtol=0, atol=1e-13)


@pytest.mark.parametrize("dep, tau, nx, ny", [(bvIndep, 0.0, 64, 64), (bvClayton, 0.5, 64, 64),
                                               (bvFrank, 3.0, 64, 32), (bvGumbel, 0.3, 16, 64)])
def test_poisson_compound_equals_a_two_dimensional_fft_in_numpy(agg, dep, tau, nx, ny):
    rng = np.random.default_rng(nx * ny + dep)
    mx, my = random_marginal(rng, nx, zeros_above=nx // 4), random_marginal(rng, ny, zeros_above=ny // 4)
    lam = 2.5
    p1 = np.outer(mx, my) if dep == bvIndep else copula_density(dep, tau, mx, my)
    _, obj = build(agg, mx, my, dep, tau, fqPoisson, [lam], (1.0, 2.0))
    np.testing.assert_allclose(density(obj), poisson_compound(p1, lam), rtol=0, atol=1e-13)


def clamped(p):
    p = np.where(p < 1e-16, 0.0, p)
    return p / p.sum()


@pytest.mark.parametrize("dep, tau", [(bvIndep, 0.0), (bvClayton, 0.5), (bvFGM, -0.2)])
def test_marginals_of_the_compound_are_the_one_dimensional_aggregates(agg, dep, tau):
    rng = np.random.default_rng(20 + dep)
    lam, nx, ny, ux, uy = 3.0, 64, 32, 1.5, 4.0
    mx, my = random_marginal(rng, nx, zeros_above=10), random_marginal(rng, ny, zeros_above=5)
    _, obj = build(agg, mx, my, dep, tau, fqPoisson, [lam], (ux, uy))
    for marginal, m, unit in ((obj.MargX(), mx, ux), (obj.MargY(), my, uy)):
        assert marginal.unit == unit
        aggregate = agg.CreateDist(fqPoisson, [lam], svEmp, m, 0.0, 0.0, 1.0, l2(len(m)), unit, rtScript)[2]
        np.testing.assert_allclose(clamped(marginal.Density(l2(len(m)), rtScript)), aggregate, rtol=0, atol=1e-12)


GROSS = np.arange(1, 9) / 36.0
NET = [0, 1, 2, 2, 2, 2, 3, 4]      # layer 3 xs 2 on buckets of 1: a = 2, e = 5, l = 3
CEDED = [0, 0, 0, 1, 2, 3, 3, 3]


@pytest.mark.parametrize("dep, first, second, ny", [
    (bvNetCeded, NET, CEDED, 4), (bvGrossNet, range(8), NET, 8), (bvGrossCeded, range(8), CEDED, 4),
    (bvNetCeded, NET, CEDED, 16),
])
def test_layer_splits(agg, dep, first, second, ny):
    moms, obj = agg.CreateBivDistEmp1D(fqOne, None, GROSS, None, dep, [3.0, 2.0, 1.0], 3, l2(ny), 1.0, 1.0)
    expected = np.zeros((8, ny))
    np.add.at(expected, (list(first), list(second)), GROSS)
    np.testing.assert_array_equal(density(obj), expected)
    if dep == bvNetCeded:
        assert all(x + y == i for i, (x, y) in enumerate(zip(first, second)))
    block = read_block(obj)
    assert block.flags == [1, 0, 0, 1, 0]  # the Y marginal is never read
    np.testing.assert_array_equal(block.region("x"), GROSS)
    np.testing.assert_array_equal(moms, obj.Moms(rtScript))


@pytest.mark.parametrize("dep, params, nyl2, units", [
    (bvNetCeded, [3.0, 2.0, 0.5], 3, (1.0, 1.0)),   # share other than 1
    (bvGrossNet, [3.0, 2.0, 0.5], 3, (1.0, 1.0)),
    (bvNetCeded, [3.0, 2.0, 1.0], 3, (1.0, 2.0)),   # unequal units
    (bvGrossCeded, [3.0, 2.0, 1.0], 3, (1.0, 2.0)),
    (bvNetCeded, [8.0, 2.0, 1.0], 3, (1.0, 1.0)),   # the layer ends beyond the grid
    (bvNetCeded, [3.0, 2.0], 3, (1.0, 1.0)),        # two values
    (bvGrossNet, [3.0, 2.0, 1.0, 0.0], 3, (1.0, 1.0)),
    (bvNetCeded, [3.0, 2.0, 1.0], 1, (1.0, 1.0)),   # ceded coordinate needs 4 buckets
    (bvGrossCeded, [3.0, 2.0, 1.0], 1, (1.0, 1.0)),
    (bvGrossNet, [3.0, 2.0, 1.0], 2, (1.0, 1.0)),   # net coordinate needs 5 buckets
])
def test_layer_split_refusals(agg, dep, params, nyl2, units):
    fails(lambda: agg.CreateBivDistEmp1D(fqOne, None, GROSS, None, dep, params, 3, nyl2, *units), E_INVALIDARG)


def test_dependency_code_and_parameter_refusals(agg):
    q = [0.25] * 4
    for dep, tau, nyl2 in [(12, 0.0, 2), (-1, 0.0, 2), (bvClayton, "abc", 2), (bvGumbel, [0.5, 0.5], 2),
                           (bvXXplusY, None, 3)]:
        fails(lambda: agg.CreateBivDistEmp1D(fqOne, None, q, q, dep, tau, 2, nyl2, 1.0, 1.0), E_INVALIDARG)
    fails(lambda: agg.CreateBivDistEmp1D(99, None, q, q, bvIndep, 0.0, 2, 2, 1.0, 1.0), E_FAIL, "Invalid freq dist")
    for l2x in (-1, 31):
        fails(lambda: agg.CreateBivDistEmp1D(fqOne, None, q, q, bvIndep, 0.0, l2x, 2, 1.0, 1.0), E_INVALIDARG)


# ---------------------------------------------------------------------------------------------
# Loss and expense, ratios


@pytest.fixture
def loss_and_expense(agg):
    rng = np.random.default_rng(17)
    _, obj = build(agg, random_marginal(rng, 32, zeros_above=12), random_marginal(rng, 32, zeros_above=8),
                   bvClayton, 0.5, fqPoisson, [1.5], (2.0, 2.0))
    return obj


@pytest.mark.parametrize("layer, attach", [(20.0, 9.0), (7.3, 4.2), (1e9, 0.0), (0.0, 5.0), (10.0, 200.0)])
def test_loss_alae_pro_rata(loss_and_expense, layer, attach):
    results = [loss_and_expense.LossALAE(rtScript, layer, attach, alaeProRata, t) for t in (1, 2, 0, -3, 7)]
    np.testing.assert_allclose(results[0], pro_rata(density(loss_and_expense), 2.0, layer, attach), rtol=0,
                               atol=1e-15)
    for other in results[1:]:
        np.testing.assert_allclose(other, results[0], rtol=0, atol=1e-15)


def test_loss_alae_pro_rata_with_the_whole_grid_as_layer_adds_loss_and_expense(agg):
    rng = np.random.default_rng(4)
    _, obj = build(agg, random_marginal(rng, 8), random_marginal(rng, 8), bvGumbel, 0.5, fqPoisson, [0.7])
    p = density(obj)
    expected = np.zeros(8)
    expected[0] = p[0].sum()
    for x in range(1, 8):
        for y in range(8):
            expected[min(x + y, 7)] += p[x, y]
    np.testing.assert_allclose(obj.LossALAE(rtScript, 1e9, 0.0, alaeProRata, 2), expected, rtol=0, atol=1e-15)


@pytest.mark.parametrize("layer, attach", [(20.0, 9.0), (7.3, 4.2), (1e9, 0.0), (10.0, 200.0)])
def test_loss_alae_included(loss_and_expense, layer, attach):
    got = loss_and_expense.LossALAE(rtScript, layer, attach, alaeIncluded, 2)
    expected = ceded_layer(sum_density(density(loss_and_expense)), 2.0, layer, attach)
    np.testing.assert_allclose(got, expected, rtol=0, atol=1e-15)
    if (layer, attach) == (1e9, 0.0):
        np.testing.assert_allclose(got, loss_and_expense.DiagonalVar(rtScript), rtol=0, atol=1e-15)


def test_loss_alae_refusals(agg, loss_and_expense):
    _, oblong = build(agg, np.full(8, 1 / 8), np.full(4, 0.25))
    _, unequal = build(agg, np.full(4, 0.25), np.full(4, 0.25), units=(1.0, 2.0))
    for obj in (oblong, unequal):
        for aT in (alaeIncluded, alaeProRata):
            fails(lambda: obj.LossALAE(rtScript, 10.0, 0.0, aT, 1), E_INVALIDARG)
    for aT in (0, 3):
        fails(lambda: loss_and_expense.LossALAE(rtScript, 10.0, 0.0, aT, 1), E_INVALIDARG)


@pytest.mark.parametrize("num_l2, width", [(6, 0.25), (3, 1.0), (2, 0.1)])
def test_ratio_distribution(loss_and_expense, num_l2, width):
    p = density(loss_and_expense)
    got = loss_and_expense.FTUVar(num_l2, width, rtScript)
    np.testing.assert_allclose(got, ratio_buckets(p, num_l2, width), rtol=0, atol=1e-15)
    assert got.sum() == pytest.approx(p[1:][p[1:] > 1e-16].sum(), abs=1e-15)


def test_ratio_distribution_sends_zero_expense_to_the_last_bucket_and_skips_zero_loss(agg):
    _, obj = build(agg, [0.25, 0.75, 0, 0], [0.5, 0.5, 0, 0])
    np.testing.assert_allclose(obj.FTUVar(2, 1.0, rtScript), [0, 0.375, 0, 0.375])
    _, oblong = build(agg, np.full(8, 1 / 8), np.full(4, 0.25))
    fails(lambda: oblong.FTUVar(2, 1.0, rtScript), E_INVALIDARG)


# ---------------------------------------------------------------------------------------------
# A joint single-claim density given as a grid


def test_two_dimensional_density_is_compounded(agg):
    rng = np.random.default_rng(6)
    p1 = rng.random((16, 8)) * (rng.random((16, 8)) < 0.3)
    p1 /= p1.sum()
    moms, aggregate, diagonal = agg.CreateBivDistEmp2D(fqPoisson, [2.0], p1, 4, 3, 1.5, 0.5, rtScript)
    expected = poisson_compound(p1, 2.0)
    assert aggregate.shape == (16, 8) and diagonal is None
    np.testing.assert_allclose(aggregate, expected, rtol=0, atol=1e-14)
    np.testing.assert_allclose(moms, joint_moments(expected, 1.5, 0.5), rtol=1e-12)
    moms, aggregate, _ = agg.CreateBivDistEmp2D(fqOne, None, p1, 4, 3, 1.5, 0.5, rtExcelCol)
    np.testing.assert_array_equal(aggregate, p1)
    assert moms.shape == (7, 1)


def test_two_dimensional_density_on_a_square_grid_gives_the_sum(agg):
    rng = np.random.default_rng(12)
    p1 = normalised(rng.random((16, 16)))
    moms, aggregate, diagonal = agg.CreateBivDistEmp2D(fqPoisson, [0.8], p1, 4, 4, 2.0, 2.0, rtScript)
    np.testing.assert_allclose(aggregate, poisson_compound(p1, 0.8), rtol=0, atol=1e-14)
    np.testing.assert_allclose(diagonal, sum_density(aggregate), rtol=0, atol=1e-15)
    assert agg.CreateBivDistEmp2D(fqPoisson, [0.8], p1, 4, 4, 2.0, 1.0, rtScript)[2] is None
    single = np.zeros((4, 4))
    single[3, 2] = 1.0
    np.testing.assert_array_equal(agg.CreateBivDistEmp2D(fqOne, None, single, 2, 2, 1.0, 1.0, rtScript)[2],
                                  [0, 1.0, 0, 0])


def test_two_dimensional_density_of_the_wrong_shape_is_refused(agg):
    p1 = np.full((8, 4), 1 / 32)
    for wrong in (p1.T, p1.ravel(), np.full((8, 8), 1 / 64), [0.5, 0.5]):
        fails(lambda: agg.CreateBivDistEmp2D(fqPoisson, [1.0], wrong, 3, 2, 1.0, 1.0, rtScript), E_INVALIDARG)
    fails(lambda: agg.CreateBivDistEmp2D(99, None, p1, 3, 2, 1.0, 1.0, rtScript), E_FAIL, "Invalid freq dist")
