"""CreateDist through scripthost beside a vectorised numpy implementation of the same computation.

    PYTHONPATH=build/python /usr/bin/python3 bench/create_dist.py

Poisson(10) claims of a five-component mixed exponential in the layer 1,000,000 xs 5,000, the grid
spanning sixteen limits so the aggregate fits (less than 1e-15 of it would wrap around). The numpy
version discretises with the library's midpoint rule conditioned on X > A (interior buckets from the
survival function at the midpoints, the top bucket collecting every claim that reaches it),
transforms with rfft, applies the Poisson generating function exp(lam (z - 1)), transforms back,
clamps below 1e-16 and renormalises. The two densities must agree to 1e-12 in every bucket.

The memory columns are the growth of the peak resident set of a fresh process over one call, in MB
(results included).
"""

import json
import os
import subprocess
import sys

import numpy as np

from common import aggco, best_of, print_load, peak_rss_mb

fqPoisson, svMED, rtExcelCol = 2, 1, 0
LAMBDA, LIMIT, ATTACH = 10.0, 1e6, 5000.0
MED = [2000.0, 0.3, 10000.0, 0.3, 50000.0, 0.2, 250000.0, 0.15, 1000000.0, 0.05]
SIZES = (16, 20, 22)
TOLERANCE = 1e-12


def unit_of(numL2):
    return LIMIT / 2 ** (numL2 - 4)


def survival(x):
    return sum(w * np.exp(-x / theta) for theta, w in zip(MED[0::2], MED[1::2]))


def numpy_create_dist(numL2, unit):
    n = 2 ** numL2
    m = int(LIMIT / unit)  # interior buckets 0..m-1, top bucket m
    s = survival(ATTACH + (np.arange(m) + 0.5) * unit) / survival(ATTACH)
    p = np.zeros(n)
    p[0] = 1.0 - s[0]
    p[1:m] = s[:-1] - s[1:]
    p[m] = s[-1]
    a = np.fft.irfft(np.exp(LAMBDA * (np.fft.rfft(p) - 1.0)), n)
    a[a < 1e-16] = 0.0
    return a / a.sum()


def ours(agg, numL2, unit):
    return agg.CreateDist(fqPoisson, [LAMBDA], svMED, MED, LIMIT, ATTACH, 1.0, numL2, unit, rtExcelCol)[2].ravel()


def memory_of_one_call(which, numL2):
    """Run in a fresh process: peak growth of one call, in MB."""
    agg = aggco()
    ours(agg, 10, unit_of(10))  # load the module and numpy outside the measurement
    numpy_create_dist(10, unit_of(10))
    before = peak_rss_mb()
    result = ours(agg, numL2, unit_of(numL2)) if which == "ours" else numpy_create_dist(numL2, unit_of(numL2))
    grown = peak_rss_mb() - before
    del result
    print(grown)


def measured(which, numL2):
    return float(subprocess.run([sys.executable, __file__, "--memory", which, str(numL2)], capture_output=True,
                                text=True, check=True).stdout)


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--memory":
        memory_of_one_call(sys.argv[2], int(sys.argv[3]))
        return
    # A child's peak resident set starts at its parent's, so the children run while this one is small.
    memory = {(which, numL2): measured(which, numL2) for numL2 in SIZES for which in ("ours", "numpy")}
    print_load()
    agg = aggco()
    print(f"{'numL2':>6} {'ours ms':>9} {'numpy ms':>9} {'ours/numpy':>11} {'max |diff|':>11} "
          f"{'ours MB':>8} {'numpy MB':>9} {'grid MB':>8}")
    worst = 0.0
    for numL2 in SIZES:
        unit = unit_of(numL2)
        diff = np.max(np.abs(ours(agg, numL2, unit) - numpy_create_dist(numL2, unit)))
        worst = max(worst, diff)
        repeats = 10 if numL2 < 22 else 4
        t_ours = best_of(repeats, ours, agg, numL2, unit)
        t_np = best_of(repeats, numpy_create_dist, numL2, unit)
        print(f"{numL2:>6} {t_ours:>9.2f} {t_np:>9.2f} {t_ours / t_np:>11.2f} {diff:>11.1e} "
              f"{memory['ours', numL2]:>8.1f} {memory['numpy', numL2]:>9.1f} {8 * 2 ** numL2 / 2 ** 20:>8.1f}")
    checks_beside_the_builder()
    if worst > TOLERANCE:
        sys.exit(f"the two densities differ by {worst:.1e}, more than {TOLERANCE:.0e}")


def checks_beside_the_builder():
    """The parameter checks and the accuracy note, timed by the numerics benchmark beside the build they
    belong to, at 2^20: their share of it, in processor time (steadier than wall time on a shared machine).
    A density severity is checked as it is copied onto the grid: its check is the checked copy less the
    plain copy it replaces."""
    program = os.path.join(os.path.dirname(__file__), "..", "build", "bin", "numerics_bench")
    out = subprocess.run([program, "--benchmark_filter=(ChecksAndNote|DensityCopy|BuildPoissonAggregate|"
                                   "BuildDensityAggregate)/20$", "--benchmark_format=json",
                          "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"],
                         capture_output=True, text=True, check=True).stdout
    ms = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ms": 1.0, "us": 1e-3, "ns": 1e-6}[b["time_unit"]]
            ms[b["run_name"].split("/")[0]] = b["cpu_time"] * scale
    rows = [("checks and note, mixed exponential", ms["ChecksAndNote"], ms["BuildPoissonAggregate"]),
            ("density check, svEmp", ms["CheckedDensityCopy"] - ms["PlainDensityCopy"], ms["BuildDensityAggregate"])]
    for what, check, build in rows:
        print(f"{what:>36} at 2^20: {check:8.4f} ms of a {build:7.2f} ms build = {100 * check / build:6.3f} % "
              "(processor time)")


if __name__ == "__main__":
    main()
