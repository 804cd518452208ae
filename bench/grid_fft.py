"""FFT, IFFT and SumConvDist through scripthost beside numpy's rfft/irfft on the same data.

    PYTHONPATH=build/python /usr/bin/python3 bench/grid_fft.py
"""

import numpy as np

from common import aggco, best_of

rtExcelCol = 0  # column results reach numpy without a copy


def main():
    agg = aggco()
    print(f"{'n':>8} {'operation':<12} {'ours ms':>9} {'numpy ms':>9} {'ours/numpy':>11}")
    for l2 in (16, 20, 22):
        n = 2 ** l2
        rng = np.random.default_rng(l2)
        x = rng.random(n)
        p, q = rng.random(n), rng.random(n)
        repeats = 10 if l2 < 22 else 4
        hc = agg.FFT(x, rtExcelCol).ravel()  # the transform in our halfcomplex order
        z = np.fft.rfft(x)  # the same transform in numpy's complex layout
        rows = [
            ("FFT", lambda: agg.FFT(x, rtExcelCol), lambda: np.fft.rfft(x)),
            ("IFFT", lambda: agg.IFFT(hc, rtExcelCol), lambda: np.fft.irfft(z, n)),
            ("SumConvDist", lambda: agg.SumConvDist(p, q, rtExcelCol),
             lambda: np.fft.irfft(np.fft.rfft(p) * np.fft.rfft(q), n)),
        ]
        for name, ours, theirs in rows:
            t_ours, t_np = best_of(repeats, ours), best_of(repeats, theirs)
            print(f"{'2^%d' % l2:>8} {name:<12} {t_ours:>9.2f} {t_np:>9.2f} {t_ours / t_np:>11.2f}")


if __name__ == "__main__":
    main()
