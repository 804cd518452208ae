"""The two-dimensional transform engine through the script host: its members, its shared block read
by name, the compounds and combinations checked against numpy, the read-outs and the refusals."""

import gc
import mmap
import os
import stat
import subprocess
import sys
import textwrap

import numpy as np
import pytest

from codes import *
from shm_blocks import blocks_left_behind
from scripthost import AutomationError, CreateObject

# stateEnum
stSpace, stTime, stFTU_U = 0, 1, 2

SHM = "/dev/shm"


@pytest.fixture(scope="module", autouse=True)
def no_block_outlives_the_tests():
    before = set(os.listdir(SHM))
    yield
    assert blocks_left_behind(before) == set()


# ---------------------------------------------------------------------------------------------
# Helpers: the block read by name, and numpy's side of every computation


def stored(ftu):
    """The block as another program reads it: num rows of num + 2 doubles."""
    n = ftu.NumAndUnit()[1]
    with open(os.path.join(SHM, ftu.ID), "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as view:
        return np.frombuffer(view, "<f8", n * (n + 2)).reshape(n, n + 2).copy()


def cells(ftu):
    n = ftu.NumAndUnit()[1]
    return stored(ftu)[:, :n]


def transform_of(g):
    """The stored transform-domain layout of grid g: rfft2, each row's complex values as pairs."""
    t = np.fft.rfft2(g)
    return np.stack([t.real, t.imag], axis=-1).reshape(len(g), -1)


PGF = {
    fqPoisson: lambda z, m: np.exp(m[0] * (z - 1)),
    fqNegBinVM: lambda z, m: (1 / m[1] / (1 - (1 - 1 / m[1]) * z)) ** (m[0] / (m[1] - 1)),
    fqPIGVM: lambda z, m: np.exp(-(m[0] / (m[1] - 1)) * (np.sqrt(1 + 2 * (m[1] - 1) * (1 - z)) - 1)),
}


def compound(g, fq, params):
    """The aggregate over the claim count of one claim distributed as g: rfft2, pgf, irfft2."""
    return np.fft.irfft2(PGF[fq](np.fft.rfft2(g), params), g.shape)


def counts_grid(n, p00, p10, p01, p11):
    """The engine's single claim: the first index of a name goes with the column, the second with the row."""
    g = np.zeros((n, n))
    g[0, 0], g[0, 1], g[1, 0], g[1, 1] = p00, p10, p01, p11
    return g


def circular_convolution(a, b):
    out = np.zeros_like(a)
    for i, j in zip(*np.nonzero(b)):
        out += b[i, j] * np.roll(np.roll(a, i, axis=0), j, axis=1)
    return out


def ratio_distribution(g, w):
    """Row 0 to bucket 0; a positive cell (r, c) below it to trunc((r/c)/w + 1/2), column 0 and every
    bucket beyond the grid to the last."""
    n = len(g)
    out = np.zeros(n)
    out[0] = g[0].sum()
    for r in range(1, n):
        for c in range(n):
            if g[r, c] > 0:
                out[n - 1 if c == 0 else min(int((r / c) / w + 0.5), n - 1)] += g[r, c]
    return out


def random_grid(rng, n, filled):
    """A distribution whose mass lies in the top-left filled x filled corner."""
    g = np.zeros((n, n))
    g[:filled, :filled] = rng.random((filled, filled))
    return g / g.sum()


COUNTS = (0.55, 0.2, 0.15, 0.1)  # p00, p10, p01, p11


@pytest.fixture
def counts16(agg):
    ftu = agg.CreateFTU(4)
    ftu.ExecuteCounts(1, *COUNTS, fqNegBinVM, [2.0, 1.5], stSpace)
    return ftu


# ---------------------------------------------------------------------------------------------
# Members by name and by DISPID


def comparable(value):
    if isinstance(value, tuple):
        return tuple(comparable(v) for v in value)
    if repr(value) == "<IFTUCo object>":
        return ("FTUCo", value.NumAndUnit(), value.Density(1, value.numL2, rtScript).tobytes())
    if repr(value) == "<IBivEmpCo object>":
        return ("BivEmpCo", value.unitX, value.unitY, value.TestData().tobytes())
    if isinstance(value, np.ndarray):
        return (value.shape, value.tobytes())
    return value


# Members that read and leave the engine as it is.
IFTUCO_READS = [
    ("numL2", 1, "get", ()),
    ("Marginal", 8, "method", (2, rtScript)),
    ("FTU", 9, "method", (rtExcelCol, 2.0)),
    ("Density", 11, "method", (1, 4, rtScript)),
    ("NumAndUnit", 12, "method", ()),
    ("Corr", 13, "method", (rtScript,)),
    ("Slice", 14, "method", (1.0, rtScript)),
]


@pytest.mark.parametrize("name, dispid, kind, args", IFTUCO_READS, ids=[m[0] for m in IFTUCO_READS])
def test_read_members_answer_by_name_and_by_dispid(counts16, name, dispid, kind, args):
    assert counts16._dispid_(name) == dispid
    by_name = getattr(counts16, name)(*args) if kind == "method" else getattr(counts16, name)
    assert comparable(counts16._invoke_(dispid, kind, *args)) == comparable(by_name)


def test_changing_members_answer_by_name_and_by_dispid(agg):
    """Each changing member run by name on one engine and by DISPID on a twin leaves the same grid."""
    partner = agg.CreateFTU(3)
    partner.ExecuteCounts(1, 0.7, 0.1, 0.1, 0.1, fqPoisson, [1.0], stSpace)
    steps = [
        ("ExecuteCounts", 16, (1, *COUNTS, fqPoisson, [2.0], stSpace)),
        ("ExecuteClosedClaimNoPP", 3, (1, [0.5, 0.3, 0.2, 0, 0, 0, 0, 0], [0.6, 0.4, 0, 0, 0, 0, 0, 0], 2.0, 0.25,
                                       0.5, fqPoisson, [1.5], stSpace)),
        ("State", 5, (1, stTime)),
        ("Accumulate", 4, (1, stSpace, partner)),
        ("Mix", 15, (1, 0.5, 0.5, partner)),
        ("Decimate", 6, (1, 2)),
        ("Transform", 10, (1, 3.0)),
    ]
    by_name, by_dispid = agg.CreateFTU(3), agg.CreateFTU(3)
    for name, dispid, args in steps:
        assert by_name._dispid_(name) == dispid
        getattr(by_name, name)(*args)
        assert by_dispid._invoke_(dispid, "method", *args) is None
        assert comparable(by_name.NumAndUnit()) == comparable(by_dispid.NumAndUnit())
        np.testing.assert_array_equal(cells(by_name), cells(by_dispid))
    assert by_name._dispid_("ID") == 7
    assert by_name._invoke_(7, "get") == by_name.ID != by_dispid.ID


def test_numl2_put_by_dispid_is_refused_once_allocated(counts16):
    fails(lambda: counts16._invoke_(1, "put", 5), E_UNEXPECTED)
    with pytest.raises(AutomationError) as e:
        counts16.numL2 = 5
    assert e.value.hresult == E_UNEXPECTED
    with pytest.raises(AutomationError):
        counts16.ID = "elsewhere"


def test_aggco_creators_answer_by_name_and_by_dispid(agg):
    for name, dispid, args in [("CreateFTU", 61, (3,)), ("CreateFTUVar", 62, (3,)),
                               ("CreateBivDistClaimDevel", 60, (fqPoisson, [2.0], 3, 0.4, 0.3, 0.2, 0.1))]:
        assert agg._dispid_(name) == dispid
        assert comparable(agg._invoke_(dispid, "method", *args)) == comparable(getattr(agg, name)(*args))


def test_engines_are_not_creatable():
    fails(lambda: CreateObject("Corvane.FTUCo.1"), CO_E_CLASSSTRING)
    fails(lambda: CreateObject("{F95AD51C-23B4-4925-A561-5FED97F98480}"), REGDB_E_CLASSNOTREG)


# ---------------------------------------------------------------------------------------------
# Allocation and the block


@pytest.mark.parametrize("creator", ["CreateFTU", "CreateFTUVar"])
def test_a_new_engine_and_its_block(agg, creator):
    ftu = getattr(agg, creator)(3)
    assert ftu.numL2 == 3
    assert ftu.NumAndUnit() == (3, 8, 0.0, 0.0)
    st = os.stat(os.path.join(SHM, ftu.ID))
    assert stat.S_IMODE(st.st_mode) == 0o600
    assert st.st_size == 8 * 10 * 8  # num rows of num + 2 doubles, nothing else
    assert not stored(ftu).any()
    np.testing.assert_array_equal(ftu.Density(1, 3, rtExcelCol), stored(ftu))


@pytest.mark.parametrize("num_l2", [0, -1, 14, 31])
def test_sizes_outside_the_range_are_refused(agg, num_l2):
    fails(lambda: agg.CreateFTU(num_l2), E_INVALIDARG)
    fails(lambda: agg.CreateFTUVar(num_l2), E_INVALIDARG)


def test_a_second_numl2_keeps_the_grid_and_id(counts16):
    before, name = stored(counts16), counts16.ID
    fails(lambda: setattr(counts16, "numL2", 3), E_UNEXPECTED)
    assert counts16.numL2 == 4 and counts16.ID == name
    np.testing.assert_array_equal(stored(counts16), before)


def test_every_engine_has_a_block_of_its_own_gone_with_it(agg):
    a, b = agg.CreateFTU(2), agg.CreateFTU(2)
    names = [a.ID, b.ID]
    assert names[0] != names[1]
    assert all(os.path.exists(os.path.join(SHM, n)) for n in names)
    del a, b
    gc.collect()
    assert not any(os.path.exists(os.path.join(SHM, n)) for n in names)


def test_a_failed_call_mid_way_leaves_no_block_behind(agg):
    """Engines dropped after refusals, and after a Transform that replaced their block."""
    names = []
    for _ in range(3):
        ftu = agg.CreateFTU(3)
        names.append(ftu.ID)
        fails(lambda: ftu.ExecuteCounts(1, "many", 0, 0, 0, fqPoisson, [1.0], stSpace), DISP_E_TYPEMISMATCH)
        ftu.ExecuteCounts(1, *COUNTS, fqPoisson, [1.0], stTime)
        ftu.Transform(1, 2.0)
        names.append(ftu.ID)
        fails(lambda: ftu.Accumulate(1, stSpace, ftu), E_UNEXPECTED)
        del ftu
    gc.collect()
    assert not any(os.path.exists(os.path.join(SHM, n)) for n in names)


# ---------------------------------------------------------------------------------------------
# The Execute operations


def test_counts_with_one_claim_are_the_four_probabilities(agg):
    ftu = agg.CreateFTU(3)
    ftu.ExecuteCounts(1, 0.4, 0.3, 0.2, 0.1, fqOne, None, stSpace)
    expected = np.zeros((8, 10))
    expected[0, 0], expected[0, 1], expected[1, 0], expected[1, 1] = 0.4, 0.3, 0.2, 0.1
    np.testing.assert_array_equal(stored(ftu), expected)
    assert ftu.NumAndUnit() == (3, 8, 1.0, 1.0)


@pytest.mark.parametrize("fq, params", [(fqNegBinVM, [3.0, 2.5]), (fqPoisson, [2.5]), (fqPIGVM, [2.0, 3.0])])
@pytest.mark.parametrize("num_l2", [4, 6])
def test_counts_compound_equals_numpy(agg, fq, params, num_l2):
    n = 1 << num_l2
    ftu = agg.CreateFTU(num_l2)
    ftu.ExecuteCounts(1, *COUNTS, fq, params, stSpace)
    expected = compound(counts_grid(n, *COUNTS), fq, params)
    got = stored(ftu)
    assert np.max(np.abs(got[:, :n] - expected)) <= 1e-13
    assert not got[:, n:].any()  # the padding after an inverse transform reads 0
    assert abs(got.sum() - 1.0) < 1e-13


def test_probabilities_may_be_texts_that_read_as_numbers(agg):
    ftu = agg.CreateFTU(2)
    ftu.ExecuteCounts(1, "0.25", 0.25, "0.25", 0.25, fqOne, None, stSpace)
    np.testing.assert_array_equal(cells(ftu)[:2, :2], [[0.25, 0.25], [0.25, 0.25]])


def test_counts_ending_in_the_transform_domain_hold_the_transform_of_the_aggregate(agg):
    ftu = agg.CreateFTU(4)
    ftu.ExecuteCounts(1, *COUNTS, fqNegBinVM, [2.0, 1.5], stTime)
    aggregate = compound(counts_grid(16, *COUNTS), fqNegBinVM, [2.0, 1.5])
    assert np.max(np.abs(stored(ftu) - transform_of(aggregate))) <= 1e-13
    ftu.State(1, stSpace)
    assert np.max(np.abs(cells(ftu) - aggregate)) <= 1e-13


def test_one_claim_ending_in_the_transform_domain(agg):
    ftu = agg.CreateFTU(3)
    ftu.ExecuteCounts(1, *COUNTS, fqOne, None, stTime)
    assert np.max(np.abs(stored(ftu) - transform_of(counts_grid(8, *COUNTS)))) <= 1e-15


def closed_claim_grid(cwp, cwop, pr_cwop, pr_closed):
    n = len(cwp)
    g = np.zeros((n, n))
    g[0, :] = pr_cwop * np.asarray(cwop)
    g[0, 0] += (1 - pr_cwop) * cwp[0]
    for r in range(1, n):
        g[r, 0] = (1 - pr_closed) * (1 - pr_cwop) * cwp[r]  # still open: no payment yet
        g[r, r] = pr_closed * (1 - pr_cwop) * cwp[r]
    return g


def test_closed_claims_paid_in_full_lie_on_the_diagonal(agg):
    cwp = np.array([0.1, 0.2, 0.3, 0.15, 0.1, 0.1, 0.05, 0.0])
    ftu = agg.CreateFTU(3)
    ftu.ExecuteClosedClaimNoPP(1, cwp, np.full(8, 0.125), 5.0, 0.0, 1.0, fqOne, None, stSpace)
    np.testing.assert_array_equal(cells(ftu), np.diag(cwp))
    assert ftu.NumAndUnit() == (3, 8, 5.0, 5.0)


def test_closed_claim_compound_equals_numpy(agg):
    rng = np.random.default_rng(3)
    n = 32
    cwp, cwop = np.zeros(n), np.zeros(n)
    cwp[:10], cwop[:6] = rng.random(10), rng.random(6)
    cwp, cwop = cwp / cwp.sum(), cwop / cwop.sum()
    ftu = agg.CreateFTU(5)
    ftu.ExecuteClosedClaimNoPP(2, cwp, cwop, 1.0, 0.3, 0.6, fqPoisson, [1.7], stSpace)
    expected = compound(closed_claim_grid(cwp, cwop, 0.3, 0.6), fqPoisson, [1.7])
    assert np.max(np.abs(cells(ftu) - expected)) <= 1e-13


def test_execute_clears_a_used_grid_and_works_from_any_state(agg):
    ftu = agg.CreateFTU(3)
    ftu.ExecuteCounts(1, *COUNTS, fqPoisson, [3.0], stTime)
    ftu.ExecuteClosedClaimNoPP(1, np.eye(8)[2], np.eye(8)[1], 1.0, 0.5, 1.0, fqOne, None, stSpace)
    expected = np.zeros((8, 8))
    expected[0, 1], expected[2, 2] = 0.5, 0.5
    np.testing.assert_array_equal(cells(ftu), expected)
    ftu.Transform(1, 7.0)
    ftu.ExecuteCounts(1, *COUNTS, fqOne, None, stSpace)
    np.testing.assert_array_equal(cells(ftu), counts_grid(8, *COUNTS))
    ftu.State(1, stTime)  # the grid is in an ordinary state again


def test_execute_refusals_leave_the_engine_as_it_was(counts16):
    before, units = stored(counts16), counts16.NumAndUnit()
    n = 16
    good = (np.full(n, 1 / n), np.full(n, 1 / n))
    for call, hresult in [
        (lambda: counts16.ExecuteCounts(1, *COUNTS, fqPoisson, [1.0], stFTU_U), E_INVALIDARG),
        (lambda: counts16.ExecuteCounts(1, *COUNTS, fqPoisson, [1.0], 3), E_INVALIDARG),
        (lambda: counts16.ExecuteCounts(1, 0.5, "half", 0.2, 0.3, fqPoisson, [1.0], stSpace), DISP_E_TYPEMISMATCH),
        (lambda: counts16.ExecuteCounts(1, 0.5, 0.2, 0.2, float("nan"), fqPoisson, [1.0], stSpace),
         DISP_E_TYPEMISMATCH),
        (lambda: counts16.ExecuteCounts(1, 0.5, 0.2, [0.2, 0.1], 0.1, fqPoisson, [1.0], stSpace),
         DISP_E_TYPEMISMATCH),
        (lambda: counts16.ExecuteCounts(1, *COUNTS, 8, [1.0], stSpace), E_FAIL),
        (lambda: counts16.ExecuteClosedClaimNoPP(1, *good, 1.0, 0.2, 0.5, fqPoisson, [1.0], stFTU_U), E_INVALIDARG),
        (lambda: counts16.ExecuteClosedClaimNoPP(1, good[0], good[1][:8], 1.0, 0.2, 0.5, fqPoisson, [1.0], stSpace),
         E_INVALIDARG),
        (lambda: counts16.ExecuteClosedClaimNoPP(1, good[0][:8], good[1][:8], 1.0, 0.2, 0.5, fqPoisson, [1.0],
                                                 stSpace), E_INVALIDARG),
        (lambda: counts16.ExecuteClosedClaimNoPP(1, *good, 1.0, 0.2, "closed", fqPoisson, [1.0], stSpace),
         DISP_E_TYPEMISMATCH),
        (lambda: counts16.ExecuteClosedClaimNoPP(1, *good, 1.0, 0.2, 0.5, 0, [1.0], stSpace), E_FAIL),
    ]:
        fails(call, hresult)
        np.testing.assert_array_equal(stored(counts16), before)
        assert counts16.NumAndUnit() == units


def test_refusal_descriptions_name_the_argument(counts16):
    for call, word in [
        (lambda: counts16.ExecuteCounts(1, 0.5, 0.2, "x", 0.1, fqPoisson, [1.0], stSpace), "p01"),
        (lambda: counts16.ExecuteClosedClaimNoPP(1, [1.0] * 16, [1.0] * 16, 1.0, 0.2, "x", fqOne, None, stSpace),
         "PrClosed"),
        (lambda: counts16.ExecuteCounts(1, *COUNTS, fqOne, None, stFTU_U), "outState"),
        (lambda: counts16.Marginal(0, rtScript), "XorY"),
        (lambda: counts16.Slice(99.0, rtScript), "obsLoss"),
        (lambda: counts16.FTU(rtScript, 0.0), "maxFTU"),
        (lambda: counts16.Transform(1, float("inf")), "maxU"),
        (lambda: counts16.Decimate(1, 5), "newNumL2"),
        (lambda: counts16.State(1, 7), "st"),
    ]:
        with pytest.raises(AutomationError) as e:
            call()
        assert word in e.value.description
    assert "Invalid freq dist" in _description(lambda: counts16.ExecuteCounts(1, *COUNTS, 0, None, stSpace))


def _description(call):
    with pytest.raises(AutomationError) as e:
        call()
    return e.value.description


@pytest.mark.parametrize("threads", [0, -3, 2, 64])
def test_any_thread_count_gives_the_single_threaded_result(agg, threads):
    one, other = agg.CreateFTU(6), agg.CreateFTU(6)
    one.ExecuteCounts(1, *COUNTS, fqNegBinVM, [4.0, 2.0], stSpace)
    other.ExecuteCounts(threads, *COUNTS, fqNegBinVM, [4.0, 2.0], stSpace)
    assert np.max(np.abs(cells(one) - cells(other))) <= 1e-16


# ---------------------------------------------------------------------------------------------
# States


def test_a_round_trip_returns_the_grid(counts16):
    before = cells(counts16)
    counts16.State(1, stSpace)  # already there: nothing happens
    np.testing.assert_array_equal(cells(counts16), before)
    counts16.State(2, stTime)
    assert np.max(np.abs(stored(counts16) - transform_of(before))) <= 1e-14
    counts16.State(1, stTime)
    counts16.State(1, stSpace)
    assert np.max(np.abs(cells(counts16) - before)) <= 1e-15
    assert not stored(counts16)[:, 16:].any()


def test_state_refusals(counts16):
    fails(lambda: counts16.State(1, stFTU_U), E_INVALIDARG)
    fails(lambda: counts16.State(1, -1), E_INVALIDARG)
    counts16.Transform(1, 2.0)
    fails(lambda: counts16.State(1, stSpace), E_UNEXPECTED)
    fails(lambda: counts16.State(1, stTime), E_UNEXPECTED)
    counts16.State(1, stFTU_U)  # already there


# ---------------------------------------------------------------------------------------------
# Accumulate and Mix


def test_accumulate_is_the_convolution_of_two_count_distributions(agg):
    a, b = agg.CreateFTU(4), agg.CreateFTU(4)
    a.ExecuteCounts(1, *COUNTS, fqPoisson, [1.2], stSpace)
    b.ExecuteCounts(1, 0.6, 0.1, 0.25, 0.05, fqNegBinVM, [1.5, 2.0], stSpace)
    ga, gb = cells(a), cells(b)
    a.Accumulate(1, stSpace, b)
    got = cells(a)
    assert np.max(np.abs(got - circular_convolution(ga, gb))) <= 1e-15
    assert abs(got.sum() - 1.0) <= 1e-14
    assert np.max(np.abs(stored(b) - transform_of(gb))) <= 1e-15  # the other engine is left in stTime
    b.State(1, stSpace)
    assert np.max(np.abs(cells(b) - gb)) <= 1e-15
    assert a.NumAndUnit() == (4, 16, 1.0, 1.0)


def test_accumulate_with_itself_squares_and_may_end_in_the_transform_domain(agg):
    a = agg.CreateFTU(4)
    a.ExecuteCounts(1, *COUNTS, fqPoisson, [0.8], stTime)
    a.State(1, stSpace)
    g = cells(a)
    a.Accumulate(2, stTime, a)
    assert np.max(np.abs(stored(a) - transform_of(circular_convolution(g, g)))) <= 1e-14


def test_mix_is_the_weighted_sum(agg):
    a, b = agg.CreateFTU(3), agg.CreateFTU(3)
    a.ExecuteCounts(1, *COUNTS, fqPoisson, [1.0], stSpace)
    b.ExecuteCounts(1, 0.9, 0.05, 0.05, 0.0, fqPoisson, [2.0], stSpace)
    ga, gb = cells(a), cells(b)
    a.State(1, stTime)  # Mix brings both to stSpace
    b.State(1, stTime)
    a.Mix(1, 0.25, 0.75, b)
    assert np.max(np.abs(cells(a) - (0.25 * ga + 0.75 * gb))) <= 1e-15
    before = cells(a)
    a.Mix(1, 1.0, 0.0, b)
    np.testing.assert_array_equal(cells(a), before)


def test_combining_engines_of_different_sizes_is_refused_before_any_transform(agg):
    a, b = agg.CreateFTU(3), agg.CreateFTU(4)
    a.ExecuteCounts(1, *COUNTS, fqPoisson, [1.0], stSpace)
    b.ExecuteCounts(1, *COUNTS, fqPoisson, [1.0], stTime)
    sa, sb = stored(a), stored(b)
    fails(lambda: a.Accumulate(1, stSpace, b), E_INVALIDARG)
    fails(lambda: b.Mix(1, 0.5, 0.5, a), E_INVALIDARG)
    np.testing.assert_array_equal(stored(a), sa)
    np.testing.assert_array_equal(stored(b), sb)


def test_combining_with_what_is_no_engine_is_refused(agg, counts16):
    bivariate = agg.CreateBivDistClaimDevel(fqPoisson, [1.0], 4, 0.4, 0.3, 0.2, 0.1)
    for other in (None, agg, bivariate):
        fails(lambda: counts16.Accumulate(1, stSpace, other), E_INVALIDARG)
        fails(lambda: counts16.Mix(1, 0.5, 0.5, other), E_INVALIDARG)
    fails(lambda: counts16.Accumulate(1, stFTU_U, counts16), E_INVALIDARG)


def test_a_ratio_grid_takes_no_part_in_combinations(agg, counts16):
    other = agg.CreateFTU(4)
    other.ExecuteCounts(1, *COUNTS, fqPoisson, [1.0], stSpace)
    other.Transform(1, 3.0)
    fails(lambda: counts16.Accumulate(1, stSpace, other), E_UNEXPECTED)
    fails(lambda: other.Mix(1, 0.5, 0.5, counts16), E_UNEXPECTED)


# ---------------------------------------------------------------------------------------------
# Decimate


@pytest.mark.parametrize("levels", [1, 3, 7])
def test_decimate_sums_blocks_and_keeps_the_mass(agg, levels):
    ftu = agg.CreateFTU(8)
    ftu.ExecuteCounts(1, *COUNTS, fqNegBinVM, [20.0, 3.0], stSpace)
    g, f = cells(ftu), 1 << levels
    ftu.Decimate(1, 8 - levels)
    m = 256 // f
    assert ftu.NumAndUnit() == (8 - levels, m, float(f), float(f))
    got = stored(ftu)
    expected = g.reshape(m, f, m, f).sum(axis=(1, 3))
    assert np.max(np.abs(got[:, :m] - expected)) <= 1e-15
    assert not got[:, m:].any()
    assert abs(got.sum() - g.sum()) <= 1e-14
    assert os.stat(os.path.join(SHM, ftu.ID)).st_size == 256 * 258 * 8  # the block keeps its size


def test_decimate_refusals_and_the_same_size(agg, counts16):
    before = stored(counts16)
    counts16.Decimate(1, 4)
    np.testing.assert_array_equal(stored(counts16), before)
    for new in (5, 0, -4):
        fails(lambda: counts16.Decimate(1, new), E_INVALIDARG)
    big = agg.CreateFTU(9)
    fails(lambda: big.Decimate(1, 1), E_INVALIDARG)  # 8 halvings
    big.Decimate(1, 2)
    counts16.State(1, stTime)
    fails(lambda: counts16.Decimate(1, 3), E_INVALIDARG)


def test_a_decimated_engine_transforms_and_combines_at_its_new_size(agg):
    a, b = agg.CreateFTU(5), agg.CreateFTU(4)
    a.ExecuteCounts(1, *COUNTS, fqPoisson, [0.5], stSpace)
    b.ExecuteCounts(1, *COUNTS, fqPoisson, [0.5], stSpace)
    ga, gb = cells(a).reshape(16, 2, 16, 2).sum(axis=(1, 3)), cells(b)
    a.Decimate(1, 4)
    a.Accumulate(1, stSpace, b)
    assert np.max(np.abs(cells(a) - circular_convolution(ga, gb))) <= 1e-15


def test_a_ratio_grid_can_be_decimated(counts16):
    counts16.Transform(1, 3.0)
    g = cells(counts16)
    counts16.Decimate(1, 3)
    np.testing.assert_allclose(cells(counts16), g.reshape(8, 2, 8, 2).sum(axis=(1, 3)), atol=1e-16)


# ---------------------------------------------------------------------------------------------
# Density and the read-outs


def test_density_refusals_and_shape(counts16):
    counts16.State(1, stTime)
    transform = stored(counts16)
    fails(lambda: counts16.Density(1, 11, rtScript), E_INVALIDARG)
    np.testing.assert_array_equal(stored(counts16), transform)  # refused before any transform
    fails(lambda: counts16.Density(1, 3, rtScript), E_UNEXPECTED)
    d = counts16.Density(1, 4, rtExcelCol)  # the previous call already moved it to stSpace
    assert d.shape == (16, 18)
    np.testing.assert_array_equal(d, stored(counts16))
    assert d.sum() == pytest.approx(1.0, abs=1e-14)


def test_marginals(counts16):
    g = cells(counts16)
    for xory, expected in [(1, g.sum(axis=1)), (2, g.sum(axis=0))]:
        unit, out = counts16.Marginal(xory, rtScript)
        assert unit == 1.0
        assert np.max(np.abs(out - expected)) <= 1e-15
    unit, column = counts16.Marginal(1, rtExcelCol)
    assert column.shape == (16, 1)
    for xory in (0, 3, -1):
        fails(lambda: counts16.Marginal(xory, rtScript), E_INVALIDARG)
    counts16.State(1, stTime)
    fails(lambda: counts16.Marginal(1, rtScript), E_UNEXPECTED)


def test_slice_is_the_conditional_distribution(agg):
    rng = np.random.default_rng(5)
    cwp, cwop = rng.random(16), rng.random(16)
    ftu = agg.CreateFTU(4)
    ftu.ExecuteClosedClaimNoPP(1, cwp / cwp.sum(), cwop / cwop.sum(), 2.0, 0.2, 0.7, fqPoisson, [1.0], stSpace)
    g = cells(ftu)
    for obs_loss, column in [(0.0, 0), (6.9, 3), (7.0, 4), (30.9, 15)]:
        out = ftu.Slice(obs_loss, rtScript)
        assert np.max(np.abs(out - g[:, column] / g[:, column].sum())) <= 1e-15
        assert out.sum() == pytest.approx(1.0, abs=1e-14)


def test_slice_refusals(agg, counts16):
    for obs_loss in (-0.6, 15.5, 1e300, float("nan"), float("-inf")):
        fails(lambda: counts16.Slice(obs_loss, rtScript), E_INVALIDARG)
    one = agg.CreateFTU(3)
    one.ExecuteCounts(1, 1.0, 0.0, 0.0, 0.0, fqOne, None, stSpace)
    fails(lambda: one.Slice(2.0, rtScript), E_INVALIDARG)  # a column without probability
    fails(lambda: agg.CreateFTU(3).Slice(0.0, rtScript), E_INVALIDARG)  # units 0: no column at all
    counts16.State(1, stTime)
    fails(lambda: counts16.Slice(1.0, rtScript), E_INVALIDARG)
    counts16.Transform(1, 2.0)
    fails(lambda: counts16.Slice(1.0, rtScript), E_INVALIDARG)


def test_corr_equals_numpy(agg):
    rng = np.random.default_rng(11)
    cwp, cwop = rng.random(32), rng.random(32)
    ftu = agg.CreateFTU(5)
    ftu.ExecuteClosedClaimNoPP(1, cwp / cwp.sum(), cwop / cwop.sum(), 2.5, 0.3, 0.4, fqPoisson, [0.7], stSpace)
    p = cells(ftu)
    x, y = np.meshgrid(np.arange(32) * 2.5, np.arange(32) * 2.5, indexing="ij")
    ex, ey = (x * p).sum(), (y * p).sum()
    vx, vy, cov = (x * x * p).sum() - ex ** 2, (y * y * p).sum() - ey ** 2, (x * y * p).sum() - ex * ey
    expected = [cov / np.sqrt(vx * vy), ex, ey, vx, vy, cov]
    np.testing.assert_allclose(ftu.Corr(rtScript), expected, rtol=1e-12)
    assert ftu.Corr(rtExcelCol).shape == (6, 1)


# ---------------------------------------------------------------------------------------------
# The ratio distribution and the ratio grid


def test_ftu_of_mass_in_row_zero(agg):
    ftu = agg.CreateFTU(3)
    ftu.ExecuteClosedClaimNoPP(1, np.eye(8)[0], np.full(8, 0.125), 1.0, 0.6, 0.5, fqOne, None, stSpace)
    unit, out = ftu.FTU(rtScript, 7.0)
    assert unit == 1.0
    np.testing.assert_allclose(out, np.eye(8)[0], atol=1e-16)


def test_ftu_sends_large_and_unbounded_ratios_to_the_last_bucket(agg):
    # Cell (7, 1): ratio 7 >= (num - 1.5) w = 6.5 w for w = 1; cell (3, 0): y = 0, no bound.
    cwp = np.zeros(8)
    cwp[7], cwp[3], cwp[2] = 0.5, 0.25, 0.25
    ftu = agg.CreateFTU(3)
    ftu.ExecuteClosedClaimNoPP(1, cwp, np.eye(8)[1], 1.0, 0.0, 0.5, fqOne, None, stSpace)
    # Cells: (7, 7) and (7, 0) 0.25 each, (3, 3) and (3, 0) 0.125, (2, 2) and (2, 0) 0.125.
    unit, out = ftu.FTU(rtScript, 7.0)
    expected = np.zeros(8)
    expected[1] = 0.5  # the diagonal: ratio 1
    expected[7] = 0.5  # column 0 below row 0
    np.testing.assert_allclose(out, expected, atol=1e-16)
    unit, out = ftu.FTU(rtScript, 1.4)  # w = 0.2: ratio 1 is bucket 5
    assert unit == pytest.approx(0.2)
    assert out[5] == pytest.approx(0.5) and out[7] == pytest.approx(0.5)


@pytest.mark.parametrize("max_ftu", [2.0, 5.5, 40.0])
def test_ftu_equals_the_ratio_distribution_in_numpy(agg, max_ftu):
    rng = np.random.default_rng(int(max_ftu))
    cwp, cwop = rng.random(32), rng.random(32)
    ftu = agg.CreateFTU(5)
    ftu.ExecuteClosedClaimNoPP(1, cwp / cwp.sum(), cwop / cwop.sum(), 1.0, 0.25, 0.6, fqPoisson, [2.0], stSpace)
    g = cells(ftu)
    unit, out = ftu.FTU(rtScript, max_ftu)
    assert unit == max_ftu / 31
    assert np.max(np.abs(out - ratio_distribution(g, max_ftu / 31))) <= 1e-15
    np.testing.assert_array_equal(cells(ftu), g)  # the grid does not change


def test_ftu_refusals(counts16):
    for max_ftu in (0.0, -1.0, float("nan"), float("inf")):
        fails(lambda: counts16.FTU(rtScript, max_ftu), E_INVALIDARG)
    counts16.State(1, stTime)
    fails(lambda: counts16.FTU(rtScript, 2.0), E_INVALIDARG)


def test_transform_makes_the_ratio_grid_in_a_new_block(agg):
    rng = np.random.default_rng(17)
    cwp, cwop = rng.random(16), rng.random(16)
    ftu = agg.CreateFTU(4)
    ftu.ExecuteClosedClaimNoPP(1, cwp / cwp.sum(), cwop / cwop.sum(), 2.0, 0.25, 0.6, fqPoisson, [1.5], stTime)
    ftu.State(1, stSpace)
    g = cells(ftu)
    ftu.State(1, stTime)  # Transform brings it back to stSpace first
    old = ftu.ID
    ftu.Transform(2, 4.5)
    w = 4.5 / 15
    assert ftu.ID != old and not os.path.exists(os.path.join(SHM, old))
    assert ftu.NumAndUnit() == (4, 16, 2.0, w)
    ratio = cells(ftu)
    assert np.max(np.abs(ratio.sum(axis=0) - ratio_distribution(g, w))) <= 1e-15  # columns: the ratio
    assert np.max(np.abs(ratio.sum(axis=1) - g.sum(axis=1))) <= 1e-15  # rows: x, nothing lost
    unit, out = ftu.FTU(rtScript, 99.0)  # in stFTU_U: the ratio marginal with its width
    assert unit == w
    assert np.max(np.abs(out - ratio.sum(axis=0))) <= 1e-15
    assert ftu.Marginal(2, rtScript)[0] == w
    name = ftu.ID
    ftu.Transform(1, 1.0)  # a ratio grid stays as it is
    assert ftu.ID == name
    np.testing.assert_array_equal(cells(ftu), ratio)


def test_transform_refusals_leave_the_grid(counts16):
    counts16.State(1, stTime)
    before, name = stored(counts16), counts16.ID
    for max_u in (0.0, -2.0, float("nan"), float("inf")):
        fails(lambda: counts16.Transform(1, max_u), E_INVALIDARG)
    assert counts16.ID == name
    np.testing.assert_array_equal(stored(counts16), before)


# ---------------------------------------------------------------------------------------------
# The bivariate object of claim-development counts


@pytest.mark.parametrize("fq, params", [(fqNegBinVM, [2.0, 1.5]), (fqPoisson, [3.0])])
def test_claim_development_object_equals_numpy_and_the_engine(agg, fq, params):
    p00, p01, p10, p11 = 0.5, 0.25, 0.15, 0.1
    biv = agg.CreateBivDistClaimDevel(fq, params, 5, p00, p01, p10, p11)
    assert (biv.NumX, biv.NumY, biv.unitX, biv.unitY) == (32, 32, 1.0, 1.0)
    g = np.zeros((32, 32))
    g[0, 0], g[0, 1], g[1, 0], g[1, 1] = p00, p01, p10, p11  # elements 0, 1, num and num + 1
    density = biv.BivDist(rtExcelCol, 0)
    assert np.max(np.abs(density - compound(g, fq, params))) <= 1e-13
    # The engine names the same cells the other way round: p10 at (0, 1), p01 at (1, 0).
    ftu = agg.CreateFTU(5)
    ftu.ExecuteCounts(1, p00, p01, p10, p11, fq, params, stSpace)
    assert np.max(np.abs(cells(ftu) - density)) <= 1e-13


def test_claim_development_object_with_one_claim_and_refusals(agg):
    biv = agg.CreateBivDistClaimDevel(fqOne, None, 1, 0.4, 0.3, 0.2, 0.1)
    np.testing.assert_array_equal(biv.BivDist(rtExcelCol, 0), [[0.4, 0.3], [0.2, 0.1]])
    fails(lambda: agg.CreateBivDistClaimDevel(fqPoisson, [1.0], 0, 0.4, 0.3, 0.2, 0.1), E_INVALIDARG)
    fails(lambda: agg.CreateBivDistClaimDevel(fqPoisson, [1.0], -2, 0.4, 0.3, 0.2, 0.1), E_INVALIDARG)
    fails(lambda: agg.CreateBivDistClaimDevel(9, [1.0], 3, 0.4, 0.3, 0.2, 0.1), E_FAIL, "Invalid freq dist")


# ---------------------------------------------------------------------------------------------
# Blocks that another program shortens, and blocks whose creator died


def run_python(code):
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], env=os.environ.copy(), capture_output=True,
                          text=True, timeout=120)


def test_a_block_shortened_by_another_program_fails_the_calls_that_use_it(agg, counts16):
    reader = agg.CreateFTU(4)
    reader.ExecuteCounts(1, *COUNTS, fqPoisson, [1.0], stSpace)
    os.truncate(os.path.join(SHM, counts16.ID), 0)
    shortened = "The shared block was shortened by another program"
    fails(lambda: reader.Mix(1, 0.5, 0.5, counts16), E_FAIL, "Could not map view of file")  # past its end
    fails(lambda: counts16.Corr(rtScript), E_FAIL, shortened)
    fails(lambda: counts16.State(1, stTime), E_FAIL, shortened)
    reader.Density(1, 4, rtScript)  # the reader's own block is whole
    assert agg.FreqMoms(fqPoisson, [2.0], rtScript)[0] == 2.0  # the process goes on


def test_the_block_of_a_dead_engine_is_swept_at_the_next_load(agg):
    live = agg.CreateFTU(2)
    run = run_python("""
        import os
        from scripthost import CreateObject
        ftu = CreateObject("Corvane.AggCo").CreateFTU(3)
        print(ftu.ID, flush=True)
        os._exit(3)
    """)
    orphan = os.path.join(SHM, run.stdout.strip())
    assert run.returncode == 3 and os.path.exists(orphan)
    loaded = run_python("""
        from scripthost import CreateObject
        CreateObject("Corvane.AggCo")
    """)
    assert loaded.returncode == 0, loaded.stderr
    assert not os.path.exists(orphan)
    assert os.path.exists(os.path.join(SHM, live.ID))  # a live engine's block stays
