"""ImancCo: rank matrices of the Iman-Conover shuffle, their shapes, and the target they reach."""

import os
import subprocess
import sys

import numpy as np
import pytest

from codes import *
from scripthost import CreateObject

TARGET = np.array([[1.0, 0.6, -0.3], [0.6, 1.0, 0.2], [-0.3, 0.2, 1.0]])


@pytest.fixture
def imanc():
    return CreateObject("Corvane.ImancCo.1")


def spearman(r):
    """Pearson's coefficients of the rank columns, computed independently of the shuffle."""
    return np.corrcoef(r.astype(float), rowvar=False)


def assert_permutation_columns(r):
    n = r.shape[0]
    for j in range(r.shape[1]):
        np.testing.assert_array_equal(np.sort(r[:, j]), np.arange(n))


def test_members_by_name_and_dispid(imanc):
    for name, dispid in (("Shuffle", 1), ("ShuffleEx", 2), ("_RawShuffleEx", 3)):
        assert imanc._dispid_(name) == dispid
    shapes = {(m["name"], m["dispid"]) for m in imanc._interface_()["members"]}
    assert shapes == {("Shuffle", 1), ("ShuffleEx", 2), ("_RawShuffleEx", 3)}
    r = imanc._invoke_(2, "method", TARGET, 3, 50, rtExcelCol, scUniform, 0.0, 0.0)
    assert r.shape == (50, 3)


def test_ranks_reach_the_target(imanc):
    r = imanc.Shuffle(TARGET, 3, 10000, rtExcelCol)
    assert r.dtype == np.int32 and r.shape == (10000, 3)
    assert_permutation_columns(r)
    np.testing.assert_allclose(spearman(r), TARGET, atol=0.03)


def test_joint_sample_from_the_ranks_keeps_the_marginals(imanc):
    rng = np.random.default_rng(5)
    own = np.sort(np.column_stack([rng.lognormal(0, 1, 10000), rng.pareto(3, 10000), rng.random(10000)]), axis=0)
    r = imanc.ShuffleEx(TARGET, 3, 10000, rtExcelCol, scNormal, 0.0, 0.0)
    joint = np.take_along_axis(own, r, axis=0)
    np.testing.assert_array_equal(np.sort(joint, axis=0), own)
    ranks_of_joint = np.argsort(np.argsort(joint, axis=0), axis=0)
    np.testing.assert_allclose(spearman(ranks_of_joint), TARGET, atol=0.03)


@pytest.mark.parametrize("st, p1, p2", [(scNormal, 0.0, 0.0), (scUniform, 0.0, 0.0), (scExponential, 0.0, 0.0),
                                        (scBeta, 2.0, 5.0), (scGamma, 3.0, 0.0)])
def test_every_score_type_in_both_shapes(imanc, st, p1, p2):
    column = imanc.ShuffleEx(TARGET, 3, 400, rtExcelCol, st, p1, p2)
    script = imanc.ShuffleEx(TARGET, 3, 400, rtScript, st, p1, p2)
    assert column.dtype == np.int32 and script.dtype == np.float64
    assert column.shape == script.shape == (400, 3)
    assert_permutation_columns(column)
    assert_permutation_columns(script.astype(np.int32))
    assert np.all(spearman(column)[np.triu_indices(3, 1)] * TARGET[np.triu_indices(3, 1)] > 0)


def test_one_line_and_the_plain_shuffle(imanc):
    r = imanc.Shuffle([[1.0]], 1, 100, rtScript)
    assert r.shape == (100, 1)
    assert_permutation_columns(r.astype(np.int32))


@pytest.mark.parametrize("call", [
    lambda o: o.ShuffleEx(TARGET, 3, 100, rtScript, scBeta, 0.0, 0.0),   # Beta needs both parameters
    lambda o: o.ShuffleEx(TARGET, 3, 100, rtScript, 5, 0.0, 0.0),
    lambda o: o.ShuffleEx(TARGET, 3, 100, rtScript, -1, 0.0, 0.0),
    lambda o: o.ShuffleEx(TARGET, 3, 100, rtScript, scGamma, 0.0, 0.0),  # gamma of mean 0
    lambda o: o.Shuffle([[1.0, 1.5], [1.5, 1.0]], 2, 100, rtScript),     # not positive definite
    lambda o: o.Shuffle(TARGET, 3, 2, rtScript),                         # fewer samples than lines
    lambda o: o.Shuffle(TARGET, 2, 100, rtScript),                       # 3 x 3 for two lines
    lambda o: o.Shuffle(TARGET[:2], 3, 100, rtScript),
    lambda o: o.Shuffle(TARGET.ravel(), 3, 100, rtScript),
    lambda o: o.Shuffle(TARGET, 0, 100, rtScript),
    lambda o: o.Shuffle(TARGET, 3, 0, rtScript),
])
def test_invalid_arguments(imanc, call):
    fails(lambda: call(imanc), E_INVALIDARG)


def test_target_must_be_a_correlation(imanc):
    skew = TARGET.copy()
    skew[0, 1] = 0.5
    fails(lambda: imanc.Shuffle(skew, 3, 100, rtScript), E_INVALIDARG, "Target correlation matrix is not symmetric")
    cov = TARGET * 4.0
    fails(lambda: imanc.Shuffle(cov, 3, 100, rtScript), E_INVALIDARG,
          "Target correlation matrix needs a unit diagonal")


def test_raw_shuffle_needs_raw_memory(imanc):
    fails(lambda: imanc._RawShuffleEx(3, TARGET.ravel().copy(), 10, scNormal, 0.0, 0.0), DISP_E_TYPEMISMATCH)


def test_one_timing_line_per_successful_call():
    script = (
        "import scripthost, numpy as np\n"
        "o = scripthost.CreateObject('Corvane.ImancCo.1')\n"
        "o.Shuffle(np.eye(2), 2, 100, 0)\n"
        "try:\n    o.Shuffle(np.eye(2), 2, 1, 0)\nexcept scripthost.AutomationError:\n    pass\n"
    )
    env = dict(os.environ, AUTOMATION_TRACE="1")
    run = subprocess.run([sys.executable, "-c", script], env=env, capture_output=True, text=True, check=True)
    assert run.stderr.count("Elapsed time  = ") == 1
    assert "\n\n\nElapsed time  = " in run.stderr
