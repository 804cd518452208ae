"""Correlated lines of business: three risks in a portfolio, sampled jointly with a target rank
correlation by the Iman-Conover shuffle; the total's quantiles beside those of independent lines,
the portfolio saved to a file and reopened, and a scatter plot of two lines.

    PYTHONPATH=build/python AUTOMATION_REGISTRY=build/registry /usr/bin/python3 examples/portfolio.py
"""

import os
import sys

import numpy as np

import scripthost
from scripthost import CreateObject, constants

fqPoisson, svBI = constants.fqPoisson, constants.svBI
rtExcelCol, scNormal = constants.rtExcelCol, constants.scNormal

out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join("build", "demo")
os.makedirs(out_dir, exist_ok=True)

# Each line is a built-in curve of the default parameter file with its claim count and a limit
# per claim. Parameters are single values (a count's mean, a curve's index), so the risks can be
# saved to a stream.
LINES = [("general liability", fqPoisson, 12.0, 0, 1_000_000.0),
         ("auto liability", fqPoisson, 30.0, 1, 500_000.0),
         ("property", fqPoisson, 20.0, 3, 250_000.0)]
book = CreateObject("Corvane.Portfolio.1")
for name, fq, mean, curve, limit in LINES:
    book.AddNew(name).CreateDist(name, fq, mean, svBI, curve, limit, 0.0, 1.0)

target = np.array([[1.0, 0.6, 0.3],
                   [0.6, 1.0, 0.4],
                   [0.3, 0.4, 1.0]])
numL2, num = 14, 20_000
joint, total, corr, stats = book.MultiVariateSample(numL2, num, target, scNormal, rtExcelCol)
# The same lines joined independently: an identity target. (UncorrelMultiVariateSample gives each
# line's sample in ascending order, so its rows are not a joint sample.)
independent = book.MultiVariateSample(numL2, num, np.eye(3), scNormal, rtExcelCol)[1][:, 0]

print(f"{'line':<20} {'mean':>12} {'CV':>7} {'skewness':>9}")
for (name, *_), row in zip(LINES + [("total",)], stats):
    print(f"{name:<20} {row[0]:>12,.0f} {row[2]:>7.3f} {row[3]:>9.3f}")

ranks = np.argsort(np.argsort(joint, axis=0), axis=0)
print("\nRank correlation of the joint sample (target in brackets):")
achieved = np.corrcoef(ranks, rowvar=False)
for i in range(3):
    print("  " + "  ".join(f"{achieved[i, j]:5.2f} ({target[i, j]:4.2f})" for j in range(3)))

print(f"\n{'quantile':>9} {'correlated total':>17} {'independent total':>18}")
for p in (0.5, 0.9, 0.99, 0.995):
    print(f"{p:>9.3f} {np.quantile(total[:, 0], p):>17,.0f} {np.quantile(independent, p):>18,.0f}")

path = os.path.join(out_dir, "portfolio.bin")
scripthost.save(book, path)
reopened = scripthost.load(path)
print(f"\nSaved to {path} and reopened: " + ", ".join(f"{r.SequenceNumber}: {r.name}" for r in reopened))

try:
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
except ImportError:
    print("\n(matplotlib is not installed: no plot)")
else:
    fig, ax = plt.subplots(figsize=(6, 6))
    ax.scatter(joint[:, 0] / 1e6, joint[:, 1] / 1e6, s=2, alpha=0.3)
    ax.set_xlabel(f"{LINES[0][0]} (millions)")
    ax.set_ylabel(f"{LINES[1][0]} (millions)")
    ax.set_title(f"Joint sample, target rank correlation {target[0, 1]:.1f}")
    fig.tight_layout()
    png = os.path.join(out_dir, "portfolio_scatter.png")
    fig.savefig(png, dpi=100)
    print(f"Scatter plot of two lines in {png}")
