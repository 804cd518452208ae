"""FFT, IFFT and SumConvDist through scripthost beside numpy's rfft/irfft on the same data.

    PYTHONPATH=build/python /usr/bin/python3 bench/grid_fft.py

Our results come back as spreadsheet columns (rtExcelCol), which reach numpy without a copy. Each
row also shows the largest difference between the two results relative to the largest value, so the
times compare the same computation.
"""

import numpy as np

from common import aggco, best_of, print_load

rtExcelCol = 0


def halfcomplex(z, n):
    """numpy's rfft output in the halfcomplex order of our transforms."""
    x = np.empty(n)
    x[:n // 2 + 1] = z.real
    x[n // 2 + 1:] = z.imag[n // 2 - 1:0:-1]
    return x


def relative_difference(ours, theirs):
    return np.max(np.abs(ours.ravel() - theirs)) / np.max(np.abs(theirs))


def main():
    print_load()
    agg = aggco()
    print(f"{'n':>6} {'operation':<12} {'ours ms':>9} {'numpy ms':>9} {'ours/numpy':>11} {'rel. diff':>10}")
    for l2 in (16, 20, 22):
        n = 2 ** l2
        rng = np.random.default_rng(l2)
        x = rng.random(n)
        p, q = rng.random(n), rng.random(n)
        repeats = 10 if l2 < 22 else 4
        hc = agg.FFT(x, rtExcelCol).ravel()  # the transform in our halfcomplex order
        z = np.fft.rfft(x)  # the same transform in numpy's complex layout
        rows = [
            ("FFT", lambda: agg.FFT(x, rtExcelCol), lambda: halfcomplex(np.fft.rfft(x), n), lambda: np.fft.rfft(x)),
            ("IFFT", lambda: agg.IFFT(hc, rtExcelCol), lambda: np.fft.irfft(z, n), lambda: np.fft.irfft(z, n)),
            ("SumConvDist", lambda: agg.SumConvDist(p, q, rtExcelCol),
             lambda: np.fft.irfft(np.fft.rfft(p) * np.fft.rfft(q), n),
             lambda: np.fft.irfft(np.fft.rfft(p) * np.fft.rfft(q), n)),
        ]
        for name, ours, reference, theirs in rows:
            diff = relative_difference(ours(), reference())
            t_ours, t_np = best_of(repeats, ours), best_of(repeats, theirs)
            print(f"{'2^%d' % l2:>6} {name:<12} {t_ours:>9.2f} {t_np:>9.2f} {t_ours / t_np:>11.2f} {diff:>10.1e}")


if __name__ == "__main__":
    main()
