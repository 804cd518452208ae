"""The triangle bootstrap through scripthost beside the same computation in numpy.

    PYTHONPATH=build/python /usr/bin/python3 bench/triangle.py

numpy runs the same linear congruential sequence (vectorised by jumping ahead: state_k =
A^k state_0 + c (1 + A + ... + A^(k-1)) mod 2^32), the same factor gather, product and histogram,
and each row checks that both give the same histogram. A bootstrap makes (nYears - 1) x nResamp
draws; the per-draw time is the call's time over that count.
"""

import threading

import numpy as np

from common import best_of, corvane

rtExcelCol = 0
A, C_INC = 214013, 2531011


def triangle(n, seed):
    rng = np.random.default_rng(seed)
    growth = 1.0 + rng.random((n, n)) / np.arange(1, n + 1)
    C = 1000.0 * np.cumprod(growth, axis=1)
    return np.where(np.add.outer(np.arange(n), np.arange(n)) < n, C, 0.0)


def numpy_bootstrap(C, n_resamp, xmaxpad, den_size_l2):
    n = C.shape[0]
    k = np.arange(1, (n - 1) * n_resamp + 1, dtype=np.uint64)
    powers = np.cumprod(np.full(k.size, A, dtype=np.uint64))  # A^k mod 2^64
    sums = np.cumsum(np.concatenate(([np.uint64(1)], powers[:-1])))  # 1 + A + ... + A^(k-1)
    states = (powers * np.uint64(1) + sums * np.uint64(C_INC)) & np.uint64(0xFFFFFFFF)
    draws = ((states >> np.uint64(16)) & np.uint64(0x7FFF)).astype(np.int64).reshape(n - 1, n_resamp)
    products = None
    for t in range(1, n):
        prev = C[:n - t, t - 1]
        f = np.where(prev > 0, C[:n - t, t] / np.where(prev > 0, prev, 1.0), 0.0)
        chosen = f[draws[t - 1] % (n - t)]
        products = chosen if products is None else products * chosen
    unit = max(0.0, products.max()) * xmaxpad / 2 ** den_size_l2
    counts = np.bincount(np.floor(products / unit + 0.5).astype(np.int64), minlength=2 ** den_size_l2)
    return counts / n_resamp, unit


def on_fresh_thread(call):
    out = []
    t = threading.Thread(target=lambda: out.append(call()))
    t.start()
    t.join()
    return out[0]


def main():
    trg = corvane("Corvane.Triangle.1")
    n_resamp, xmaxpad, den_size_l2 = 10 ** 6, 1.25, 12
    print(f"{'triangle':>9} {'draws':>9} {'ours ms':>9} {'numpy ms':>9} {'ours/numpy':>11} {'ns/draw':>8} {'same':>5}")
    for n in (10, 30):
        C = triangle(n, n)
        ours = lambda: trg.TrgBootstrap(n, C, 0, 0, xmaxpad, n_resamp, den_size_l2, rtExcelCol)
        theirs = lambda: numpy_bootstrap(C, n_resamp, xmaxpad, den_size_l2)
        density, unit = on_fresh_thread(ours)
        expected, expected_unit = theirs()
        same = unit == expected_unit and np.array_equal(np.rint(density.ravel() * n_resamp),
                                                        np.rint(expected * n_resamp))
        t_ours, t_np = best_of(5, ours), best_of(3, theirs)
        draws = (n - 1) * n_resamp
        print(f"{'%dx%d' % (n, n):>9} {draws:>9} {t_ours:>9.1f} {t_np:>9.1f} {t_ours / t_np:>11.3f} "
              f"{t_ours * 1e6 / draws:>8.2f} {str(same):>5}")


if __name__ == "__main__":
    main()
