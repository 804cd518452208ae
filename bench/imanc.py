"""The Iman-Conover shuffle through scripthost beside a numpy implementation of the same steps.

    PYTHONPATH=build/python /usr/bin/python3 bench/imanc.py

numpy: normal scores, column 0 the scores and columns 1 ... k-1 permutations of them, the score
correlation, the two Cholesky factors (numpy.linalg.cholesky), M = F^-1 P, T = X M, and the ranks
of each column of T by argsort of argsort. Both results are checked for permutation columns and a
rank correlation within 0.03 of the target.

MultiVariateSample: a portfolio of ten risks (Poisson claims of Pareto severities, one risk per
line), 2^16 joint samples from 2^12-bucket aggregates. The numpy column runs the same Iman-Conover
steps on the portfolio's own uncorrelated sample (UncorrelMultiVariateSample, timed with it) and
reorders it by the ranks.
"""

import numpy as np

from common import aggco, best_of
import scripthost

rtExcelCol, scNormal = 0, 0
fqPoisson, svPareto = 2, 4


def target(k):
    idx = np.arange(k)
    return 0.6 ** np.abs(idx[:, None] - idx[None, :])


def numpy_ranks(c, n, rng):
    k = c.shape[0]
    x = np.empty((n, k))
    x[:, 0] = rng.standard_normal(n).astype(np.float32)
    for j in range(1, k):
        x[:, j] = rng.permutation(x[:, 0])
    e = np.corrcoef(x, rowvar=False)
    p = np.linalg.cholesky(c).T
    f = np.linalg.cholesky(e).T
    t = x @ np.linalg.solve(f, p)
    return np.argsort(np.argsort(t, axis=0), axis=0)


def check(r, c):
    n = r.shape[0]
    assert np.all(np.sort(r, axis=0) == np.arange(n)[:, None])
    assert np.allclose(np.corrcoef(r.astype(float), rowvar=False), c, atol=0.03)


def numpy_joint(port, c, numL2, n, rng):
    sample = port.UncorrelMultiVariateSample(numL2, n, rtExcelCol)
    return np.take_along_axis(sample, numpy_ranks(c, n, rng), axis=0)


def main():
    aggco()  # a registry holding the module
    imanc = scripthost.CreateObject("Corvane.ImancCo.1")
    rng = np.random.default_rng(1)
    print(f"{'call':<22} {'rows':>7} {'k':>3} {'ours ms':>9} {'numpy ms':>9} {'ours/numpy':>11}")
    for n in (10000, 100000):
        c = target(10)
        check(imanc.ShuffleEx(c, 10, n, rtExcelCol, scNormal, 0.0, 0.0), c)
        check(numpy_ranks(c, n, rng), c)
        t_ours = best_of(10, imanc.ShuffleEx, c, 10, n, rtExcelCol, scNormal, 0.0, 0.0)
        t_np = best_of(10, numpy_ranks, c, n, rng)
        print(f"{'ShuffleEx':<22} {n:>7} {10:>3} {t_ours:>9.2f} {t_np:>9.2f} {t_ours / t_np:>11.2f}")

    port = scripthost.CreateObject("Corvane.Portfolio.1")
    for j in range(10):
        risk = port.AddNew(f"line {j}")
        risk.CreateDist(f"line {j}", fqPoisson, [2.0 + j], svPareto, [3.0, 10.0 * (j + 1)], 1e6, 0.0, 1.0)
    c, numL2, n = target(10), 12, 2 ** 16
    joint, total, corr, stats = port.MultiVariateSample(numL2, n, c, scNormal, rtExcelCol)
    assert joint.shape == (n, 10) and np.allclose(total[:, 0], joint.sum(axis=1))
    t_ours = best_of(5, port.MultiVariateSample, numL2, n, c, scNormal, rtExcelCol)
    t_np = best_of(5, numpy_joint, port, c, numL2, n, rng)
    print(f"{'MultiVariateSample':<22} {n:>7} {10:>3} {t_ours:>9.2f} {t_np:>9.2f} {t_ours / t_np:>11.2f}")


if __name__ == "__main__":
    main()
