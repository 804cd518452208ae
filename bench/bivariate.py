"""Bivariate construction (Clayton copula, Poisson claim count) beside numpy, LossALAE on one and two
threads, and the memory one object costs.

    PYTHONPATH=build/python AUTOMATION_REGISTRY=build/registry /usr/bin/python3 bench/bivariate.py
"""

import mmap
import os
import subprocess
import sys
import textwrap
import time

import numpy as np

from scripthost import CreateObject

fqPoisson, rtScript, bvClayton, alaeProRata = 2, 1, 3, 2
TAU, LAM = 0.5, 3.0


def best_of(repeats, f):
    best, result = float("inf"), None
    for _ in range(repeats):
        t0 = time.perf_counter()
        result = f()
        best = min(best, time.perf_counter() - t0)
    return best, result


def marginal(n, scale, shape):
    """A discretised gamma-like severity on n buckets, its mass in the lower part of the grid."""
    k = np.arange(n, dtype=float)
    p = k ** (shape - 1) * np.exp(-k / scale)
    return p / p.sum()


def numpy_density(mx, my):
    """Clayton rectangle probabilities at u = F_X(x), v = F_Y(y), then the Poisson compound by 2-D FFT."""
    theta = 2 * TAU / (1 - TAU)
    u, v = np.clip(np.cumsum(mx), 0, 1), np.clip(np.cumsum(my), 0, 1)
    with np.errstate(divide="ignore"):
        C = (u[:, None] ** -theta + v[None, :] ** -theta - 1) ** (-1 / theta)
    p1 = np.diff(np.diff(C, axis=0, prepend=0), axis=1, prepend=0)
    return np.fft.irfft2(np.exp(LAM * (np.fft.rfft2(p1) - 1)), p1.shape)


def block_density(obj, nx, ny):
    """The density region of the object's shared block, read by name."""
    with open("/dev/shm/" + obj.ID, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as view:
        return np.frombuffer(view, "<f8", nx * ny, offset=1024).reshape(nx, ny).copy()


def construction(agg, n, repeats):
    l2 = n.bit_length() - 1
    mx, my = marginal(n, n / 40, 2.0), marginal(n, n / 60, 1.5)
    ours, (_, obj) = best_of(repeats, lambda: agg.CreateBivDistEmp1D(fqPoisson, [LAM], mx, my, bvClayton, TAU, l2,
                                                                      l2, 1.0, 1.0))
    theirs, expected = best_of(repeats, lambda: numpy_density(mx, my))
    difference = np.max(np.abs(block_density(obj, n, n) - expected))
    print(f"{n} x {n} Clayton (tau {TAU}) + Poisson ({LAM}): CreateBivDistEmp1D {ours * 1e3:8.1f} ms, "
          f"numpy {theirs * 1e3:8.1f} ms, ours/numpy {ours / theirs:5.2f}, max |difference| {difference:.1e}"
          f"{'' if difference <= 1e-12 else '  (DISAGREES)'}")
    return obj


def loss_alae(obj, repeats):
    layer, attach = 400.0, 100.0
    times = {}
    results = {}
    for threads in (1, 2):
        times[threads], results[threads] = best_of(
            repeats, lambda: obj.LossALAE(rtScript, layer, attach, alaeProRata, threads))
    same = np.max(np.abs(results[1] - results[2]))
    print(f"LossALAE pro rata {obj.NumX} x {obj.NumY}: 1 thread {times[1] * 1e3:7.1f} ms, 2 threads "
          f"{times[2] * 1e3:7.1f} ms, speed-up {times[1] / times[2]:4.2f} (max |1 - 2 threads| {same:.1e})")


# Peak and current resident set of the probe's own process image (VmHWM, VmRSS): ru_maxrss would
# start from the parent's peak, which a child keeps across fork and exec.
MEMORY_PROBE = textwrap.dedent("""
    import os, sys
    import numpy as np
    from scripthost import CreateObject

    def resident_kib():
        with open("/proc/self/status") as f:
            fields = dict(line.split(":", 1) for line in f)
        return int(fields["VmHWM"].split()[0]), int(fields["VmRSS"].split()[0])

    n = int(sys.argv[1])
    l2 = n.bit_length() - 1
    agg = CreateObject("Corvane.AggCo")
    mx = np.full(n, 1.0 / n)
    agg.CreateBivDistEmp1D(2, [1.0], [0.25] * 4, [0.25] * 4, 3, 0.5, 2, 2, 1.0, 1.0)  # everything loaded
    peak0, rss0 = resident_kib()
    _, obj = agg.CreateBivDistEmp1D(2, [3.0], mx, mx, 3, 0.5, l2, l2, 1.0, 1.0)
    peak1, rss1 = resident_kib()
    st = os.stat("/dev/shm/" + obj.ID)
    print(peak1 - peak0, rss1 - rss0, st.st_size // 1024, st.st_blocks // 2)
""")


def memory(n):
    out = subprocess.run([sys.executable, "-c", MEMORY_PROBE, str(n)], capture_output=True, text=True, check=True,
                         env=os.environ.copy()).stdout
    peak, held, block, allocated = (int(v) for v in out.split())
    print(f"one {n} x {n} object in a fresh process: peak resident growth {peak / 1024:.1f} MiB, resident while "
          f"held {held / 1024:.1f} MiB; its block {block / 1024:.1f} MiB of which {allocated / 1024:.1f} MiB "
          f"allocated")


def main():
    load = ", ".join(f"{v:.2f}" for v in os.getloadavg())
    print(f"{os.cpu_count()} processors, load average {load} (other work on the machine slows both sides)")
    agg = CreateObject("Corvane.AggCo")
    construction(agg, 512, 5)
    big = construction(agg, 1024, 3)
    loss_alae(big, 5)
    del big
    for n in (512, 1024):
        memory(n)


if __name__ == "__main__":
    main()
