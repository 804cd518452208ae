"""Bivariate construction and LossALAE through scripthost, beside numpy.

    PYTHONPATH=build/python /usr/bin/python3 bench/bivariate.py

CreateBivDistEmp1D with a Clayton copula (tau 0.5) and Poisson(3) claims on n x n grids, beside
a vectorised numpy computation of the same density (rectangle differences of the copula,
rfft2 / irfft2); LossALAE pro rata with one and two threads; and the growth of the peak resident
set of a fresh process over one construction, in blocks of the object's size (1024 + 8 m bytes).
"""

import subprocess
import sys

import numpy as np

from common import aggco, best_of, peak_rss_mb

fqPoisson, bvClayton, alaeProRata, rtExcelCol = 2, 3, 2, 0
TAU, LAMBDA = 0.5, 3.0


def marginals(n):
    k = np.arange(n)
    mx = np.exp(-k / (n / 32)) * (k > 0)
    my = np.exp(-k / (n / 64)) * (k > 0)
    return mx / mx.sum(), my / my.sum()


def numpy_density(mx, my):
    theta = 2 * TAU / (1 - TAU)
    u, v = np.minimum(np.cumsum(mx), 1.0), np.minimum(np.cumsum(my), 1.0)
    with np.errstate(divide="ignore"):
        c = (u[:, None] ** -theta + v[None, :] ** -theta - 1) ** (-1 / theta)
    p = np.diff(np.diff(c, axis=0, prepend=0), axis=1, prepend=0)
    return np.fft.irfft2(np.exp(LAMBDA * (np.fft.rfft2(p) - 1)), p.shape)


def ours(agg, mx, my):
    l2 = int(np.log2(len(mx)))
    return agg.CreateBivDistEmp1D(fqPoisson, [LAMBDA], mx, my, bvClayton, TAU, l2, l2, 1.0, 1.0)[1]


def memory_of_one_object(n):
    agg = aggco()
    mx, my = marginals(n)
    ours(agg, *marginals(64))
    before = peak_rss_mb()
    obj = ours(agg, mx, my)
    block_mb = (1024 + 8 * (2 * n * n + 5 * n)) / 2 ** 20
    print((peak_rss_mb() - before) / block_mb)
    del obj


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--memory":
        memory_of_one_object(int(sys.argv[2]))
        return
    # A child's peak resident set starts at its parent's, so the children run while this one is small.
    blocks = {n: float(subprocess.run([sys.executable, __file__, "--memory", str(n)], capture_output=True, text=True,
                                      check=True).stdout) for n in (512, 1024)}
    agg = aggco()
    print(f"{'grid':>10} {'ours ms':>9} {'numpy ms':>9} {'ours/numpy':>11} {'max |diff|':>11} {'memory (blocks)':>16}")
    for n in (512, 1024):
        mx, my = marginals(n)
        diff = np.max(np.abs(ours(agg, mx, my).BivDist(rtExcelCol, 0) - numpy_density(mx, my)))
        t_ours = best_of(5, ours, agg, mx, my)
        t_np = best_of(5, numpy_density, mx, my)
        print(f"{'%dx%d' % (n, n):>10} {t_ours:>9.1f} {t_np:>9.1f} {t_ours / t_np:>11.2f} {diff:>11.1e} "
              f"{blocks[n]:>16.2f}")
    obj = ours(agg, *marginals(1024))
    one = best_of(5, obj.LossALAE, rtExcelCol, 200.0, 50.0, alaeProRata, 1)
    two = best_of(5, obj.LossALAE, rtExcelCol, 200.0, 50.0, alaeProRata, 2)
    print(f"LossALAE pro rata on 1024x1024: one thread {one:.1f} ms, two threads {two:.1f} ms "
          f"(speed-up {one / two:.2f})")


if __name__ == "__main__":
    main()
