"""Bootstrapping a loss-development triangle: the RAA triangle of Mack's papers (cumulative
incurred losses of the Reinsurance Association of America, accident years 1981-1990, in thousands).
Prints the age-to-age factors, the mean and quantiles of the bootstrapped cumulative development
factor to the last period, and plots its distribution.

    PYTHONPATH=build/python AUTOMATION_REGISTRY=build/registry /usr/bin/python3 examples/triangle_bootstrap.py
"""

import os
import sys

import numpy as np

from scripthost import CreateObject

rtScript = 1

# Accident years down the rows, development periods (12, 24, ... 120 months) across; the cells
# below the diagonal are not known yet and are left at 0.
RAA = np.array([
    [5012, 8269, 10907, 11805, 13539, 16181, 18009, 18608, 18662, 18834],
    [106, 4285, 5396, 10666, 13782, 15599, 15496, 16169, 16704, 0],
    [3410, 8992, 13873, 16141, 18735, 22214, 22863, 23466, 0, 0],
    [5655, 11555, 15766, 21266, 23425, 26083, 27067, 0, 0, 0],
    [1092, 9565, 15836, 22169, 25955, 26180, 0, 0, 0, 0],
    [1513, 6445, 11702, 12935, 15852, 0, 0, 0, 0, 0],
    [557, 4020, 10946, 12314, 0, 0, 0, 0, 0, 0],
    [1351, 6947, 13112, 0, 0, 0, 0, 0, 0, 0],
    [3133, 5395, 0, 0, 0, 0, 0, 0, 0, 0],
    [2063, 0, 0, 0, 0, 0, 0, 0, 0, 0],
], dtype=float)
N_YEARS = 10
N_RESAMP, DEN_SIZE_L2, XMAXPAD = 1_000_000, 9, 1.02
# The Savitzky-Golay window (points each side) and degree of the smoothed curve in the plot.
FORWARD, ORDER = 4, 2
QUANTILES = (0.5, 0.75, 0.95, 0.99)


def quantile(density, unit, q):
    """The smallest bucket amount at which the distribution function reaches q."""
    return np.searchsorted(np.cumsum(density), q - 1e-12) * unit


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join("build", "examples")
    os.makedirs(out_dir, exist_ok=True)
    trg = CreateObject("Corvane.Triangle.1")

    print("Age-to-age factors of the RAA triangle (simple average, volume-weighted):")
    averages = []
    for k in range(1, N_YEARS):
        rows = slice(0, N_YEARS - k)
        f = RAA[rows, k] / RAA[rows, k - 1]
        averages.append(f.mean())
        print(f"  {12 * k:>3}-{12 * (k + 1):<3} months  {f.mean():7.3f}  {RAA[rows, k].sum() / RAA[rows, k - 1].sum():7.3f}")

    # From 12 months (the first step) and from 24 months, each draw multiplies one randomly chosen
    # factor per step; the mean of the products is the product of the simple averages.
    results = []
    for first in (1, 2):
        density, unit, stats = trg.TrgBootstrapEx(N_YEARS, first, RAA, 0, 0, XMAXPAD, N_RESAMP, DEN_SIZE_L2,
                                                  rtScript)
        mean, second = stats[0], stats[1]
        qs = [quantile(density, unit, q) for q in QUANTILES]
        smoothed = trg.TrgBootstrapEx(N_YEARS, first, RAA, FORWARD, ORDER, XMAXPAD, N_RESAMP, DEN_SIZE_L2,
                                      rtScript)[0]
        results.append((first, density, smoothed, unit, mean, qs))
        print(f"\nCumulative factor from {12 * first} months to {12 * N_YEARS} months, {N_RESAMP:,} resamples, "
              f"{2 ** DEN_SIZE_L2} buckets of {unit:.4f}:")
        print(f"  mean {mean:.3f} (product of the average factors {np.prod(averages[first - 1:]):.3f}), "
              f"standard deviation {np.sqrt(second - mean ** 2):.3f}")
        print("  " + ", ".join(f"{int(100 * q)}% {v:.3f}" for q, v in zip(QUANTILES, qs)))

    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("\n(matplotlib is not installed: no plot)")
        return
    fig, axes = plt.subplots(1, 2, figsize=(12, 4.5))
    colours = ("#55a868", "#dd8452", "#c44e52", "#8172b3")
    for ax, (first, density, smoothed, unit, mean, qs) in zip(axes, results):
        x = np.arange(density.size) * unit
        top = quantile(density, unit, 0.995)
        shown = x <= top * 1.05
        # Probability per unit of the factor: the histogram as bars, its smoothed form as a curve.
        ax.bar(x[shown], density[shown] / unit, width=unit, color="#a1c0e0", label="histogram")
        ax.plot(x[shown], smoothed[shown] / unit, color="#2a4d7a", linewidth=1.2,
                label=f"smoothed ({FORWARD}, {ORDER})")
        ax.axvline(mean, color="black", linewidth=1.5, label=f"mean {mean:.2f}")
        for q, v, colour in zip(QUANTILES, qs, colours):
            ax.axvline(v, color=colour, linestyle="--", linewidth=1.3, label=f"{int(100 * q)}% {v:.2f}")
        ax.set_title(f"RAA: development factor from {12 * first} to {12 * N_YEARS} months")
        ax.set_xlabel("cumulative development factor")
        ax.set_ylabel("probability per unit of the factor")
        ax.set_xlim(0, top * 1.05)
        ax.legend(frameon=False)
    fig.tight_layout()
    path = os.path.join(out_dir, "triangle_bootstrap.png")
    fig.savefig(path, dpi=100)
    print(f"\nPlot: {path}")


if __name__ == "__main__":
    main()
