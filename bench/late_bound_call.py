"""Cost of one late-bound call from Python, and of moving a large array through a variant.

    PYTHONPATH=build/python /usr/bin/python3 bench/late_bound_call.py
"""

import numpy as np

from common import aggco, best_of

fqOne, fqPoisson, rtExcelCol, rtScript = 1, 2, 0, 1


def calls(agg, n):
    for _ in range(n):
        agg.FreqMoms(fqPoisson, 2.0, rtScript)


def main():
    agg = aggco()
    n = 20000
    per_call = best_of(5, calls, agg, n) / n
    print(f"late-bound FreqMoms call by name: {per_call * 1e3:.2f} us")

    member = agg.FreqMoms
    looked_up = best_of(5, lambda: [member(fqPoisson, 2.0, rtScript) for _ in range(n)]) / n
    print(f"late-bound FreqMoms call, method looked up once: {looked_up * 1e3:.2f} us")

    x = np.random.default_rng(0).random(2 ** 20)
    round_trip = best_of(10, agg.ApplyChF, fqOne, None, x, rtExcelCol)
    copy = best_of(10, np.copy, x)
    mb = x.nbytes / 2 ** 20
    print(f"2^20 doubles in and out through variants (ApplyChF with one claim): {round_trip:.2f} ms, "
          f"{2 * mb / round_trip * 1e3:.0f} MB/s moved; one numpy copy of the array takes {copy:.2f} ms "
          f"(ratio {round_trip / copy:.1f} copies)")


if __name__ == "__main__":
    main()
