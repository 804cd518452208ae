"""The two-dimensional transform engine: ExecuteCounts with a negative binomial claim count on one and
two threads beside the same compound in numpy (rfft2, generating function, irfft2), and the memory
one engine costs.

    PYTHONPATH=build/python AUTOMATION_REGISTRY=build/registry /usr/bin/python3 bench/ftu.py
"""

import mmap
import os
import subprocess
import sys
import textwrap

import numpy as np

from common import aggco, best_of

fqNegBinVM, stSpace = 3, 0
MEAN = 40.0
P00, P10, P01, P11 = 0.5, 0.2, 0.2, 0.1


def numpy_counts(n, vm):
    g = np.zeros((n, n))
    g[0, 0], g[0, 1], g[1, 0], g[1, 1] = P00, P10, P01, P11
    p, r = 1 / vm, MEAN / (vm - 1)
    return np.fft.irfft2((p / (1 - (1 - p) * np.fft.rfft2(g))) ** r, g.shape)


def cells(ftu, n):
    """The engine's grid, read by name from its block as another engine reads it."""
    with open("/dev/shm/" + ftu.ID, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as view:
        return np.frombuffer(view, "<f8", n * (n + 2)).reshape(n, n + 2)[:, :n].copy()


def execute_counts(agg, n, repeats, vm):
    """vm 2.5 gives r = 26.7; an integer r (vm 3: r = 20) lets numpy raise to the power by multiplying."""
    ftu = agg.CreateFTU(n.bit_length() - 1)
    times = {}
    for threads in (1, 2):
        times[threads] = best_of(repeats, ftu.ExecuteCounts, threads, P00, P10, P01, P11, fqNegBinVM, [MEAN, vm],
                                 stSpace)
    theirs = best_of(repeats, numpy_counts, n, vm)
    difference = np.max(np.abs(cells(ftu, n) - numpy_counts(n, vm)))
    print(f"{n} x {n} ExecuteCounts, negative binomial (mean {MEAN}, vm {vm}): 1 thread {times[1]:7.1f} ms, "
          f"2 threads {times[2]:7.1f} ms, numpy {theirs:7.1f} ms; ours/numpy {times[1] / theirs:4.2f} (1 thread), "
          f"{times[2] / theirs:4.2f} (2 threads); speed-up of 2 threads {times[1] / times[2]:4.2f}; "
          f"max |difference| {difference:.1e}{'' if difference <= 1e-13 else '  (DISAGREES)'}")


# Peak and current resident set of the probe's own process image (VmHWM, VmRSS): ru_maxrss would start
# from the parent's peak, which a child keeps across fork and exec.
MEMORY_PROBE = textwrap.dedent("""
    import os, sys
    sys.path.insert(0, sys.argv[2])
    from common import aggco

    def resident_kib():
        with open("/proc/self/status") as f:
            fields = dict(line.split(":", 1) for line in f)
        return int(fields["VmHWM"].split()[0]), int(fields["VmRSS"].split()[0])

    n = int(sys.argv[1])
    agg = aggco()
    small = agg.CreateFTU(2)
    for threads in (1, 2):  # everything loaded, FFTW's threads started
        small.ExecuteCounts(threads, 0.5, 0.2, 0.2, 0.1, 3, [2.0, 3.0], 0)
    peak0, rss0 = resident_kib()
    ftu = agg.CreateFTU(n.bit_length() - 1)
    for threads in (1, 2):
        ftu.ExecuteCounts(threads, 0.5, 0.2, 0.2, 0.1, 3, [40.0, 3.0], 0)
    peak1, rss1 = resident_kib()
    print(peak1 - peak0, rss1 - rss0, os.stat("/dev/shm/" + ftu.ID).st_size // 1024)
""")


def memory(n):
    out = subprocess.run([sys.executable, "-c", MEMORY_PROBE, str(n), os.path.dirname(os.path.abspath(__file__))],
                         capture_output=True, text=True, check=True, env=os.environ.copy()).stdout
    peak, held, block = (int(v) for v in out.split())
    print(f"one {n} x {n} engine in a fresh process (ExecuteCounts on 1 and 2 threads): peak resident growth "
          f"{peak / 1024:.1f} MiB, resident while held {held / 1024:.1f} MiB; its block {block / 1024:.1f} MiB")


def main():
    load = ", ".join(f"{v:.2f}" for v in os.getloadavg())
    print(f"{os.cpu_count()} processors, load average {load} (other work on the machine slows both sides)")
    agg = aggco()
    for n, repeats in ((1024, 7), (2048, 5)):
        execute_counts(agg, n, repeats, 2.5)
    execute_counts(agg, 2048, 5, 3.0)
    memory(2048)


if __name__ == "__main__":
    main()
