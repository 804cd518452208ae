"""Results and arguments in the script shape (rtScript, arrays of variants holding doubles) beside
the column shape (rtExcelCol) and numpy, in one run:

    PYTHONPATH=build/python /usr/bin/python3 bench/script_shape.py

FFT of 2^20 values, CreateDist on 2^20 buckets, and passing a script-shaped result back in
(SumConvDist of two script results). The script shape should cost at most 1.2 x the column shape.
"""

import os

import numpy as np

from common import aggco, best_of
from scripthost import constants as c


def main():
    agg = aggco()
    n = 2 ** 20
    x = np.random.default_rng(1).random(n)
    p_col, p_script = agg.FFT(x, c.rtExcelCol), agg.FFT(x, c.rtScript)
    dist = [c.fqPoisson, [5.0], c.svMED, [0.6, 1000.0, 0.4, 10000.0], 1e6, 0.0, 1.0, 20, 2.0]
    rows = [
        ("FFT 2^20", lambda rt: agg.FFT(x, rt), lambda: np.fft.rfft(x)),
        ("CreateDist 2^20", lambda rt: agg.CreateDist(*dist, rt), None),
        ("SumConvDist 2^20 in", lambda rt: agg.SumConvDist(p_col if rt == c.rtExcelCol else p_script,
                                                           p_col if rt == c.rtExcelCol else p_script, rt),
         lambda: np.fft.irfft(np.fft.rfft(x) * np.fft.rfft(x), n)),
    ]
    print(f"load average {os.getloadavg()[0]:.2f}")
    print(f"{'operation':<20} {'rt=0 ms':>9} {'rt=1 ms':>9} {'numpy ms':>9} {'rt1/rt0':>8}")
    for name, ours, numpy_way in rows:
        t0 = best_of(20, ours, c.rtExcelCol)
        t1 = best_of(20, ours, c.rtScript)
        tn = best_of(20, numpy_way) if numpy_way else float("nan")
        print(f"{name:<20} {t0:>9.2f} {t1:>9.2f} {tn:>9.2f} {t1 / t0:>8.2f}")


if __name__ == "__main__":
    main()
