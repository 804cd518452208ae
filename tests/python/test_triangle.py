"""The loss-triangle bootstrap through the script host: the resampling against a numpy evaluation
of the same sequence, the edge cases, the failures and the published members."""

import os
import subprocess
import sys
import threading

import numpy as np
import pytest

from codes import *
from scripthost import AutomationError, CreateObject

smCustom = 0

# A 5-year cumulative triangle; accident years down the rows. Below the diagonal: whatever a
# spreadsheet holds there.
TRG = np.array([[100.0, 130.0, 140.0, 142.0, 143.0],
                [90.0, 135.0, 150.0, 151.0, 0.0],
                [120.0, 150.0, 170.0, 0.0, 0.0],
                [80.0, 110.0, 0.0, 0.0, 0.0],
                [95.0, 0.0, 0.0, 0.0, 0.0]])


@pytest.fixture
def trg():
    return CreateObject("Corvane.Triangle.1")


def on_fresh_thread(call):
    """The call's result on a thread that has drawn no random numbers yet."""
    out = {}

    def run():
        try:
            out["value"] = call()
        except BaseException as e:  # re-raised on the test's thread
            out["error"] = e

    t = threading.Thread(target=run)
    t.start()
    t.join()
    if "error" in out:
        raise out["error"]
    return out["value"]


def crt_draws(count, state=1):
    """The C runtime generator's draws: state = 214013 state + 2531011 mod 2^32, (state >> 16) & 0x7FFF."""
    out = np.empty(count, dtype=np.int64)
    for i in range(count):
        state = (state * 214013 + 2531011) & 0xFFFFFFFF
        out[i] = (state >> 16) & 0x7FFF
    return out


def reference_bootstrap(C, s, n_resamp, xmaxpad, den_size_l2, skip=0):
    """Counts per bucket and bucket width of the bootstrap of C (C[a, k], accident year a), after
    `skip` draws of the fresh generator."""
    n = C.shape[0]
    draws = crt_draws(skip + (n - s) * n_resamp)[skip:].reshape(n - s, n_resamp)
    products = np.ones(n_resamp)
    for t in range(s, n):
        prev, cur = C[:n - t, t - 1], C[:n - t, t]
        factors = np.where(prev > 0, cur / np.where(prev > 0, prev, 1.0), 0.0)
        products = factors[draws[t - s] % (n - t)] if t == s else products * factors[draws[t - s] % (n - t)]
    unit = max(0.0, products.max()) * xmaxpad / 2 ** den_size_l2
    counts = np.bincount(np.floor(products / unit + 0.5).astype(int), minlength=2 ** den_size_l2)
    return counts, unit


@pytest.mark.parametrize("s, n_resamp, xmaxpad, den_size_l2", [(1, 5000, 1.25, 8), (2, 777, 3.0, 5), (4, 100, 1.1, 3)])
def test_histogram_matches_a_numpy_evaluation_of_the_sequence(trg, s, n_resamp, xmaxpad, den_size_l2):
    density, unit, stats = on_fresh_thread(
        lambda: trg.TrgBootstrapEx(5, s, TRG, 0, 0, xmaxpad, n_resamp, den_size_l2, rtScript))
    counts, expected_unit = reference_bootstrap(TRG, s, n_resamp, xmaxpad, den_size_l2)
    assert unit == expected_unit
    np.testing.assert_array_equal(np.rint(density * n_resamp), counts)
    np.testing.assert_allclose(density, counts / n_resamp, rtol=1e-15)
    assert density.sum() == pytest.approx(1.0, abs=1e-12)


def test_the_sequence_continues_from_call_to_call(trg):
    def twice():
        return [trg.TrgBootstrapEx(5, 3, TRG, 0, 0, 1.5, 300, 6, rtScript)[0] for _ in range(2)]

    first, second = on_fresh_thread(twice)
    np.testing.assert_array_equal(np.rint(first * 300), reference_bootstrap(TRG, 3, 300, 1.5, 6)[0])
    # The second call starts with the generator's output number 2 x 300 + 1.
    np.testing.assert_array_equal(np.rint(second * 300), reference_bootstrap(TRG, 3, 300, 1.5, 6, skip=600)[0])


def test_first_factors_chosen_on_a_fresh_thread(trg):
    # Step 1 has the factors 1.1 ... 1.5 (accident years 0 ... 4); later steps all 1. The fresh
    # generator's first outputs are 41 and 18467: factors number 41 mod 5 = 1 and 18467 mod 5 = 2.
    C = np.zeros((6, 6))
    C[:, 0] = 100.0
    C[:5, 1:] = 100.0 * np.array([1.1, 1.2, 1.3, 1.4, 1.5])[:, None]
    density, unit, _ = on_fresh_thread(lambda: trg.TrgBootstrapEx(6, 1, C, 0, 0, 2.0, 2, 10, rtScript))
    assert unit == pytest.approx(1.3 * 2.0 / 1024)
    assert list(np.nonzero(density)[0]) == [int(np.floor(1.2 / unit + 0.5)), 512]
    np.testing.assert_array_equal(density[density > 0], [0.5, 0.5])


def test_equal_factors_give_one_bucket(trg):
    C = np.outer([100.0, 50.0, 20.0, 80.0], [1.0, 1.5, 1.8, 1.98])
    density, unit, stats = trg.TrgBootstrapEx(4, 1, C, 0, 0, 2.0, 1000, 7, rtScript)
    F = 1.5 * (1.8 / 1.5) * (1.98 / 1.8)
    assert unit == pytest.approx(F * 2.0 / 128, rel=1e-14)
    np.testing.assert_array_equal(np.nonzero(density)[0], [64])
    assert density[64] == 1.0
    np.testing.assert_allclose(stats, [64 * unit, (64 * unit) ** 2, (64 * unit) ** 3], rtol=1e-13)


def test_a_zero_cell_puts_products_in_bucket_0(trg):
    C = TRG.copy()
    C[1, 2] = 0.0  # accident year 1's factors of steps 2 and 3 become 0
    density, _ = on_fresh_thread(lambda: trg.TrgBootstrap(5, C, 0, 0, 1.5, 4000, 6, rtScript))
    np.testing.assert_array_equal(np.rint(density * 4000), reference_bootstrap(C, 1, 4000, 1.5, 6)[0])
    # A product is non-zero when step 2 misses year 1 (2/3) and step 3 misses it (1/2).
    assert density[0] == pytest.approx(1 - 2 / 3 * 1 / 2, abs=0.03)
    assert density.sum() == pytest.approx(1.0, abs=1e-12)


def test_trg_bootstrap_is_the_ex_form_from_step_1(trg):
    short = on_fresh_thread(lambda: trg.TrgBootstrap(5, TRG, 2, 2, 1.5, 3000, 7, rtScript))
    ex = on_fresh_thread(lambda: trg.TrgBootstrapEx(5, 1, TRG, 2, 2, 1.5, 3000, 7, rtScript))
    assert len(short) == 2
    np.testing.assert_array_equal(short[0], ex[0])
    assert short[1] == ex[1]


def test_moments_are_those_of_the_returned_density(trg):
    for forward, order in [(0, 0), (3, 2)]:
        density, unit, stats = trg.TrgBootstrapEx(5, 1, TRG, forward, order, 1.5, 5000, 8, rtScript)
        x = np.arange(256) * unit
        np.testing.assert_allclose(stats, [(x * density).sum(), (x ** 2 * density).sum(), (x ** 3 * density).sum()],
                                   rtol=1e-12)


def test_smoothing_is_the_savitzky_golay_smoother_of_the_histogram(trg, agg):
    raw = on_fresh_thread(lambda: trg.TrgBootstrapEx(5, 1, TRG, 0, 0, 1.5, 5000, 8, rtScript))[0]
    smoothed = on_fresh_thread(lambda: trg.TrgBootstrapEx(5, 1, TRG, 3, 2, 1.5, 5000, 8, rtScript))[0]
    np.testing.assert_allclose(smoothed, agg.Smooth(raw, smCustom, rtScript, 3, 2), rtol=1e-12, atol=1e-15)
    # An interior point is the value at its centre of the least-squares quadratic over 7 points.
    k = 100
    coef = np.polyfit(np.arange(-3, 4), raw[k - 3:k + 4], 2)
    assert smoothed[k] == pytest.approx(np.polyval(coef, 0.0), abs=1e-14)


def test_cells_below_the_diagonal_are_ignored_whatever_they_hold(trg):
    below = np.add.outer(np.arange(5), np.arange(5)) >= 5
    spreadsheet = [[None if below[a, k] and (a + k) % 2 else "n/a" if below[a, k] else TRG[a, k] for k in range(5)]
                   for a in range(5)]
    ours = on_fresh_thread(lambda: trg.TrgBootstrapEx(5, 1, TRG, 0, 0, 1.5, 500, 6, rtScript))
    for other in (np.where(below, np.nan, TRG), np.where(below, -7.0, TRG), spreadsheet):
        theirs = on_fresh_thread(lambda: trg.TrgBootstrapEx(5, 1, other, 0, 0, 1.5, 500, 6, rtScript))
        np.testing.assert_array_equal(ours[0], theirs[0])


def test_result_shapes(trg):
    density, unit, stats = trg.TrgBootstrapEx(5, 1, TRG, 0, 0, 1.5, 100, 4, rtExcelCol)
    assert density.shape == (16, 1) and stats.shape == (3, 1) and isinstance(unit, float)
    density, unit = trg.TrgBootstrap(5, TRG, 0, 0, 1.5, 100, 4, rtEDCo)
    assert density.shape == (16,)


INF, NAN = float("inf"), float("nan")


@pytest.mark.parametrize("change, hresult, text", [
    ({"nYears": 0}, E_INVALIDARG, "nYears"),
    ({"firstBSYear": 0}, E_INVALIDARG, "firstBSYear"),
    ({"firstBSYear": 5}, E_INVALIDARG, "firstBSYear"),
    ({"nResamp": 0}, E_INVALIDARG, "nResamp"),
    ({"nResamp": -3}, E_INVALIDARG, "nResamp"),
    ({"xmaxpad": 1.0}, E_INVALIDARG, "xmaxpad"),
    ({"xmaxpad": 0.0}, E_INVALIDARG, "xmaxpad"),
    ({"xmaxpad": -1.5}, E_INVALIDARG, "xmaxpad"),
    ({"xmaxpad": INF}, E_INVALIDARG, "xmaxpad"),
    ({"xmaxpad": NAN}, E_INVALIDARG, "xmaxpad"),
    ({"denSizeL2": -1}, E_INVALIDARG, "denSizeL2"),
    ({"denSizeL2": 31}, E_INVALIDARG, "denSizeL2"),
    ({"forward": -2}, E_INVALIDARG, "forward"),
    ({"forward": 2, "order": 5}, E_INVALIDARG, "order"),
    ({"rt": 7}, E_INVALIDARG, None),
    ({"varTrg": TRG[:, :4]}, E_INVALIDARG, None),
    ({"varTrg": TRG.ravel()}, E_INVALIDARG, None),
    ({"nYears": 4}, E_INVALIDARG, None),
    ({"varTrg": np.where(TRG == 170.0, NAN, TRG)}, E_INVALIDARG,
     "varTrg: the cell of accident year 2, development period 2"),
    ({"varTrg": np.where(TRG == 95.0, INF, TRG)}, E_INVALIDARG,
     "varTrg: the cell of accident year 4, development period 0"),
    ({"varTrg": np.zeros((5, 5))}, E_INVALIDARG, "varTrg"),
    ({"varTrg": np.where(TRG == 143.0, -143.0, TRG)}, E_INVALIDARG, "varTrg: a negative product"),
    ({"varTrg": np.where(TRG == 110.0, -110.0, TRG)}, E_INVALIDARG, "varTrg: a negative product"),
    ({"varTrg": [[1.0, "x"], ["y", 0.0]], "nYears": 2}, DISP_E_TYPEMISMATCH, None),
])
def test_bad_input_fails_with_a_clear_status(trg, change, hresult, text):
    args = {"nYears": 5, "firstBSYear": 1, "varTrg": TRG, "forward": 0, "order": 0, "xmaxpad": 1.5,
            "nResamp": 100, "denSizeL2": 6, "rt": rtScript}
    args.update(change)
    fails(lambda: trg.TrgBootstrapEx(*args.values()), hresult)
    if text is not None:
        with pytest.raises(AutomationError) as e:
            trg.TrgBootstrapEx(*args.values())
        assert e.value.description.startswith(text), e.value.description


def test_members_answer_by_name_and_by_dispid(trg):
    assert {name: trg._dispid_(name) for name in ("TrgBootstrap", "TrgBootstrapEx")} == \
           {"TrgBootstrap": 1, "TrgBootstrapEx": 2}
    by_dispid = on_fresh_thread(lambda: trg._invoke_(1, "method", 5, TRG, 0, 0, 1.5, 200, 5, rtScript))
    by_name = on_fresh_thread(lambda: trg.trgbootstrap(5, TRG, 0, 0, 1.5, 200, 5, rtScript))
    np.testing.assert_array_equal(by_dispid[0], by_name[0])
    by_dispid = on_fresh_thread(lambda: trg._invoke_(2, "method", 5, 2, TRG, 0, 0, 1.5, 200, 5, rtScript))
    by_name = on_fresh_thread(lambda: trg.TrgBootstrapEx(5, 2, TRG, 0, 0, 1.5, 200, 5, rtScript))
    np.testing.assert_array_equal(by_dispid[2], by_name[2])


def test_trace_lines(tmp_path):
    script = ("import numpy as np\n"
              "from scripthost import CreateObject\n"
              "t = CreateObject('Corvane.Triangle.1')\n"
              "t.TrgBootstrapEx(3, 1, np.array([[100., 150., 165.], [200., 260., 0.], [50., 0., 0.]]),"
              " 0, 0, 2.0, 10, 4, 1)\n")
    env = dict(os.environ, AUTOMATION_TRACE="1")
    err = subprocess.run([sys.executable, "-c", script], env=env, capture_output=True, text=True, check=True).stderr
    store = ["0\t100.000000", "1\t150.000000", "2\t165.000000", "3\t200.000000", "4\t260.000000",
             "5\t1.100000", "6\t50.000000", "7\t1.500000", "8\t1.300000"]
    assert err.splitlines() == store + ["1.500000", "1.300000", "1.100000"]


def test_the_example_bootstraps_the_raa_triangle(tmp_path):
    example = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "triangle_bootstrap.py")
    out = subprocess.run([sys.executable, example, str(tmp_path)], capture_output=True, text=True, check=True).stdout
    # Mack's volume-weighted chain-ladder factors of the RAA triangle.
    weighted = [float(line.split()[-1]) for line in out.splitlines() if "months " in line and "-" in line]
    assert weighted == [2.999, 1.624, 1.271, 1.172, 1.113, 1.042, 1.033, 1.017, 1.009]
    assert (tmp_path / "triangle_bootstrap.png").stat().st_size > 10000
