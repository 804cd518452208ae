"""Shared pieces of the benchmark scripts: timing and a registry with the built module."""

import os
import resource
import tempfile
import time

import scripthost


def best_of(repeats, f, *args):
    """The fastest of `repeats` runs, in milliseconds."""
    best = float("inf")
    for _ in range(repeats):
        t0 = time.perf_counter()
        f(*args)
        best = min(best, time.perf_counter() - t0)
    return best * 1e3


def peak_rss_mb():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024


def corvane(progid):
    """An object of the registry in AUTOMATION_REGISTRY, or of a fresh one holding build/lib."""
    if "AUTOMATION_REGISTRY" not in os.environ:
        os.environ["AUTOMATION_REGISTRY"] = os.path.join(tempfile.mkdtemp(), "registry")
        scripthost.register(os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "build", "lib",
                                                         "libcorvane.so")))
    return scripthost.CreateObject(progid)


def aggco():
    return corvane("Corvane.AggCo")


def print_load():
    """The machine's processors and load average: other work slows both sides of a comparison."""
    load = ", ".join(f"{v:.2f}" for v in os.getloadavg())
    print(f"{os.cpu_count()} processors, load average {load}")
