"""The main example: an aggregate loss distribution from a built-in curve of the default parameter
file, a claim count and a per-claim limit; its moments, quantiles, an aggregate reinsurance split
and a plot of the density."""

import os
import sys

import numpy as np

from scripthost import CreateObject, constants

fqPoisson, fqNegBinVM = constants.fqPoisson, constants.fqNegBinVM
svBI = constants.svBI
rtScript, rtEDCo = constants.rtScript, constants.rtEDCo
rNet, rCeded = constants.rNet, constants.rCeded

out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join("build", "demo")
os.makedirs(out_dir, exist_ok=True)

agg = CreateObject("Corvane.AggCo")
curves = agg.ParamFile()
print(f"Curves of the default parameter file {agg.DefaultParamFile}:")
for i in range(curves.Count()):
    print(f"  {i}  {curves.name(i):<24} {curves.DistTypeName(i)}")

print("\nClaim counts with mean 25:")
print(f"  {'family':<32} {'E[N]':>8} {'Var[N]':>9}")
for label, code, params in [("Poisson", fqPoisson, [25.0]), ("negative binomial, vm 2", fqNegBinVM, [25.0, 2.0])]:
    m1, m2, _ = agg.FreqMoms(code, params, rtScript)
    print(f"  {label:<32} {m1:>8.2f} {m2 - m1 * m1:>9.2f}")

# Curve 0 with a limit of 500,000 per claim, 25 claims a year on average (negative binomial, vm 2),
# on 2^16 buckets; a unit of 0 lets the builder choose the bucket width.
curve, limit, attach, share, numL2 = 0, 500_000.0, 0.0, 1.0, 16
unit, moms, aggregate, severity = agg.CreateDist(fqNegBinVM, [25.0, 2.0], svBI, curve, limit, attach, share,
                                                 numL2, 0.0, rtEDCo)
print(f"\nAggregate of '{curves.name(curve)}' limited to {limit:,.0f} per claim, "
      f"{aggregate.num} buckets of {unit:,.2f}")


def stats(m):
    mean = m[0]
    var = m[1] - mean ** 2
    skew = (m[2] - 3 * mean * m[1] + 2 * mean ** 3) / var ** 1.5
    return mean, np.sqrt(var) / mean, skew


print(f"  {'':<22} {'mean':>14} {'CV':>9} {'skewness':>9}")
for label, first in [("claim size, exact", 3), ("claim size, grid", 12), ("aggregate, exact", 6),
                     ("aggregate, grid", 9)]:
    mean, cv, skew = stats(moms[first:first + 3])
    print(f"  {label:<22} {mean:>14,.2f} {cv:>9.5f} {skew:>9.5f}")

quantiles = aggregate.Sample(999, rtScript)  # at 0.1%, 0.2%, ..., 99.9%
print("  quantiles: " + ", ".join(f"{p:g}%: {quantiles[int(p * 10) - 1]:,.0f}" for p in (50, 90, 99, 99.5)))

# An aggregate excess-of-loss cover of 1,000,000 above 1,500,000 of annual loss.
cover, retention = 1_000_000.0, 1_500_000.0
net = aggregate.ApplyReins(cover, retention, 1.0, rNet)
ceded = aggregate.ApplyReins(cover, retention, 1.0, rCeded)
amounts = np.arange(aggregate.num) * unit
expected = {name: float(np.dot(amounts, obj.Density(numL2, rtScript))) for name, obj in
            [("gross", aggregate), ("net", net), ("ceded", ceded)]}
p_attach = float(1 - np.cumsum(aggregate.Density(numL2, rtScript))[int(retention / unit)])
print(f"\nAggregate cover {cover:,.0f} xs {retention:,.0f}: expected gross {expected['gross']:,.0f} = "
      f"net {expected['net']:,.0f} + ceded {expected['ceded']:,.0f}; "
      f"probability of reaching the cover {p_attach:.4f}")

try:
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
except ImportError:
    print("\n(matplotlib is not installed: no plot)")
else:
    density = aggregate.Density(numL2 - 6, rtScript)  # coarsened 64-fold for the picture
    width = unit * 64
    x = np.arange(len(density)) * width
    top = np.searchsorted(np.cumsum(density), 0.9999)
    fig, ax = plt.subplots(figsize=(8, 4.5))
    ax.plot(x[:top] / 1e6, density[:top] / width * 1e6)
    ax.axvspan(retention / 1e6, (retention + cover) / 1e6, color="tab:orange", alpha=0.2, label="aggregate cover")
    ax.set_xlabel("annual loss (millions)")
    ax.set_ylabel("density (per million)")
    ax.set_title(f"Aggregate loss: {curves.name(curve)}, 500,000 per claim limit, 25 claims (vm 2)")
    ax.legend()
    fig.tight_layout()
    path = os.path.join(out_dir, "aggregate.png")
    fig.savefig(path, dpi=100)
    print(f"\nDensity plotted in {path}")

# Loss and expense (ALAE) per claim, tied by a Gumbel copula (Kendall's tau 0.5), compounded over a
# Poisson claim count of mean 6 on a 128 x 128 grid; Lumenar reads the distribution's shared block
# by its ID and renders it off-screen as a 3-D picture.
bvGumbel, n_l2 = 6, 7
n = 2 ** n_l2
k = np.arange(n, dtype=float)
loss = k ** 2 * np.exp(-k / 4.0)
alae = k * np.exp(-k / 4.0)
_, biv = agg.CreateBivDistEmp1D(fqPoisson, [6.0], loss / loss.sum(), alae / alae.sum(), bvGumbel, 0.5, n_l2, n_l2,
                                10_000.0, 1_000.0)
graph = CreateObject("Lumenar.Graph3")
graph.MappingName(biv.ID)
graph.Width, graph.Height = 800, 600
graph.Elevation, graph.Azimuth = -60.0, 30.0
graph.Decorations("Loss and ALAE, Gumbel copula tau 0.5, 6 claims", "ALAE", "loss", "", 1)
graph.plotType = 11
path = os.path.join(out_dir, "loss_alae.jpg")
graph.CreateJPEG(os.path.abspath(path))
print(f"\nJoint distribution of aggregate loss and ALAE ({biv.NumX} x {biv.NumY} buckets) drawn in {path}")
