"""The main example: the default parameter file's curves and the claim-count families."""

import numpy as np

from scripthost import CreateObject

fqPoisson, fqNegBinVM, fqPIGVM = 2, 3, 5
rtScript = 1
SEVERITY_NAMES = {1: "mixed exponential", 3: "translated lognormal", 4: "Pareto"}

agg = CreateObject("Corvane.AggCo")
curves = agg.ParamFile()

print(f"Default parameter file: {agg.DefaultParamFile}")
print(f"{'#':>3}  {'name':<24} {'family':<21} parameters")
for i in range(curves.Count()):
    params = " ".join(f"{v:g}" for v in curves.params(i, rtScript))
    print(f"{i:>3}  {curves.name(i):<24} {SEVERITY_NAMES.get(curves.distType(i), '?'):<21} {params}")

print()
print("Claim counts with mean 10: raw moments and the variance multiplier they imply")
print(f"{'family':<34} {'E[N]':>8} {'E[N^2]':>10} {'E[N^3]':>12} {'Var/E':>7}")
for label, code, params in [("Poisson", fqPoisson, [10.0]),
                            ("negative binomial, vm 2", fqNegBinVM, [10.0, 2.0]),
                            ("Poisson inverse-Gaussian, vm 2", fqPIGVM, [10.0, 2.0])]:
    m1, m2, m3 = agg.FreqMoms(code, params, rtScript)
    print(f"{label:<34} {m1:>8.3f} {m2:>10.3f} {m3:>12.3f} {(m2 - m1 * m1) / m1:>7.3f}")

print()
print(f"Contagion of a negative binomial with mean 10 and vm 2: {agg.VMtoCont(fqNegBinVM, 10.0, 2.0):.3f}")

# The generating function applied to a claim-size transform gives the aggregate: one claim of 1
# or 2 units, equally likely, with a Poisson(3) count. Transforms use the halfcomplex order:
# real parts of frequencies 0 .. n/2, then imaginary parts of frequencies n/2 - 1 .. 1.
def to_halfcomplex(z, n):
    return np.concatenate([z.real, z.imag[n // 2 - 1:0:-1]])


def from_halfcomplex(x, n):
    imag = np.concatenate([[0.0], x[n - 1:n // 2:-1], [0.0]])
    return x[:n // 2 + 1] + 1j * imag


n = 32
severity = np.zeros(n)
severity[1:3] = 0.5
transform = agg.ApplyChF(fqPoisson, [3.0], to_halfcomplex(np.fft.rfft(severity), n), rtScript)
aggregate = np.fft.irfft(from_halfcomplex(transform, n), n)
print("Aggregate of Poisson(3) claims of 1 or 2 units:")
print("  " + "  ".join(f"P[S={k}]={p:.4f}" for k, p in enumerate(aggregate[:6])))
