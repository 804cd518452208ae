"""Claim development counts with the two-dimensional transform engine: for each of two accident years,
the joint distribution of the number of claims reported (y) and the number closed with payment (x),
then the two years together and the distribution of the ratio paid / reported."""

import numpy as np

from scripthost import CreateObject

fqNegBinVM = 3
rtScript = 1
stSpace = 0

agg = CreateObject("Corvane.AggCo")

# Each claim of a year is not yet reported (p00), reported and open (p10: column y = 1, row x = 0) or
# reported and closed with payment (p11); a claim is never paid before it is reported (p01 = 0).
# Claim counts are negative binomial; a grid of 256 x 256 cells holds up to 255 claims of each kind.
years = [
    ("2023", [40.0, 2.0], (0.15, 0.35, 0.0, 0.50)),
    ("2024", [45.0, 2.5], (0.40, 0.45, 0.0, 0.15)),
]
engines = []
for label, counts, (p00, p10, p01, p11) in years:
    ftu = agg.CreateFTU(8)
    ftu.ExecuteCounts(2, p00, p10, p01, p11, fqNegBinVM, counts, stSpace)
    corr, paid, reported, *_ = ftu.Corr(rtScript)
    print(f"{label}: on average {reported:5.1f} claims reported, {paid:5.1f} paid; correlation {corr:.3f}")
    engines.append(ftu)

# The years are independent: the joint distribution of the sums is the product of the transforms.
both, other = engines
both.Accumulate(2, stSpace, other)
corr, paid, reported, var_paid, var_reported, _ = both.Corr(rtScript)
print(f"both years: on average {reported:5.1f} claims reported (sd {np.sqrt(var_reported):4.1f}), "
      f"{paid:5.1f} paid (sd {np.sqrt(var_paid):4.1f}); correlation {corr:.3f}")

# The ratio paid / reported on 256 buckets from 0 to 1; with no claim reported the ratio is 0.
width, ratio = both.FTU(rtScript, 1.0)
cdf = np.cumsum(ratio)
print(f"ratio paid / reported in buckets of {width:.4f}: mean {np.dot(np.arange(256) * width, ratio):.3f}")
for q in (0.05, 0.25, 0.5, 0.75, 0.95):
    print(f"  {q:4.0%} quantile {np.searchsorted(cdf, q) * width:.3f}")

# Given 60 claims reported, the distribution of the number paid.
given = both.Slice(60.0, rtScript)
print(f"with 60 claims reported: on average {np.dot(np.arange(256), given):.1f} paid, "
      f"90% of the time at most {np.searchsorted(np.cumsum(given), 0.9)}")
