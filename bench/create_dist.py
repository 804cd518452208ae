"""CreateDist through scripthost beside a vectorised numpy implementation of the same computation.

    PYTHONPATH=build/python /usr/bin/python3 bench/create_dist.py

Poisson(10) claims of a five-component mixed exponential limited to 1,000,000 per claim, the layer
spanning an eighth of the grid. The numpy version discretises with the library's midpoint rule,
transforms with rfft, applies the Poisson generating function, transforms back, clamps below
1e-16 and renormalises. The memory column is the growth of the peak resident set of a fresh
process over one call, in grids of n doubles (results included).
"""

import subprocess
import sys

import numpy as np

from common import aggco, best_of, peak_rss_mb

fqPoisson, svMED, rtExcelCol = 2, 1, 0
LAMBDA, LIMIT = 10.0, 1e6
MED = [2000.0, 0.3, 10000.0, 0.3, 50000.0, 0.2, 250000.0, 0.15, 1000000.0, 0.05]


def numpy_create_dist(numL2, unit):
    n = 2 ** numL2
    theta, w = np.array(MED[0::2]), np.array(MED[1::2])
    m = int(LIMIT / unit)
    x = (np.arange(m) + 0.5) * unit
    survival = np.exp(-x[:, None] / theta[None, :]) @ w / w.sum()
    p = np.zeros(n)
    p[0] = 1.0 - survival[0]
    p[1:m] = survival[:-1] - survival[1:]
    p[m] = survival[-1]
    z = np.fft.rfft(p)
    a = np.fft.irfft(np.exp(LAMBDA * (z - 1.0)), n)
    a[a < 1e-16] = 0.0
    return a / a.sum()


def ours(agg, numL2, unit):
    return agg.CreateDist(fqPoisson, [LAMBDA], svMED, MED, LIMIT, 0.0, 1.0, numL2, unit, rtExcelCol)[2].ravel()


def memory_of_one_call(numL2):
    """Run in a fresh process: peak growth of one call, in grids of n doubles."""
    agg = aggco()
    unit = LIMIT / 2 ** (numL2 - 3)
    ours(agg, numL2 - 4, unit * 16)  # load and plan outside the measurement
    before = peak_rss_mb()
    result = ours(agg, numL2, unit)
    grown = peak_rss_mb() - before
    print(grown * 2 ** 20 / (8 * len(result)))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--memory":
        memory_of_one_call(int(sys.argv[2]))
        return
    # A child's peak resident set starts at its parent's, so the children run while this one is small.
    grids = {numL2: float(subprocess.run([sys.executable, __file__, "--memory", str(numL2)], capture_output=True,
                                         text=True, check=True).stdout) for numL2 in (16, 20, 22)}
    agg = aggco()
    print(f"{'numL2':>6} {'ours ms':>9} {'numpy ms':>9} {'ours/numpy':>11} {'max |diff|':>11} {'memory (grids)':>15}")
    for numL2 in (16, 20, 22):
        unit = LIMIT / 2 ** (numL2 - 3)
        a, b = ours(agg, numL2, unit), numpy_create_dist(numL2, unit)
        repeats = 10 if numL2 < 22 else 4
        t_ours = best_of(repeats, ours, agg, numL2, unit)
        t_np = best_of(repeats, numpy_create_dist, numL2, unit)
        print(f"{numL2:>6} {t_ours:>9.2f} {t_np:>9.2f} {t_ours / t_np:>11.2f} {np.max(np.abs(a - b)):>11.1e} "
              f"{grids[numL2]:>15.1f}")


if __name__ == "__main__":
    main()
