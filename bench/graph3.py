"""Graph3.CreateJPEG at 640 x 480 per engine for a 256 x 256 and a 1024 x 1024 density, beside numpy
colour-mapping the same density into a flat picture written as JPEG by PIL; and, first, the time of
the process's first CreateJPEG, which starts the private X server when no display is reachable.

    PYTHONPATH=build/python AUTOMATION_REGISTRY=build/registry /usr/bin/python3 bench/graph3.py
"""

import os
import sys
import tempfile
import time

import numpy as np
from PIL import Image

from common import best_of
from scripthost import CreateObject

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "python"))
from graphs import ENGINES, hill  # noqa: E402

WIDTH, HEIGHT = 640, 480


def numpy_picture(density, path):
    """The density as a flat blue-to-red picture of 640 x 480, written as JPEG."""
    t = density / density.max()
    rgb = np.stack([t, np.zeros_like(t), 1 - t], axis=-1)
    image = Image.fromarray((rgb[::-1] * 255).astype(np.uint8)).resize((WIDTH, HEIGHT))
    image.save(path, "JPEG")


def main():
    out = tempfile.mkdtemp(prefix="graph3-bench-")
    path = os.path.join(out, "p.jpg")
    graph = CreateObject("Lumenar.Graph3")
    graph.Width, graph.Height = WIDTH, HEIGHT
    graph.SetDensity(64, 64, hill(64, 64))
    graph.plotType = 11
    t0 = time.perf_counter()
    graph.CreateJPEG(path)
    first = (time.perf_counter() - t0) * 1e3
    display = os.environ.get("DISPLAY") or "none (private Xvfb)"
    print(f"first CreateJPEG (display {display}): {first:.0f} ms")

    for n, repeats in [(256, 3), (1024, 2)]:
        density = hill(n, n)
        graph.SetDensity(n, n, density)
        numpy_ms = best_of(repeats, lambda: numpy_picture(density, path))
        print(f"\n{n} x {n} density, {WIDTH} x {HEIGHT} picture; numpy + PIL flat picture {numpy_ms:.1f} ms")
        print(f"  {'engine':>6} {'CreateJPEG ms':>14} {'ratio to numpy':>15}")
        for code in ENGINES:
            graph.plotType = code
            ms = best_of(repeats, lambda: graph.CreateJPEG(path))
            print(f"  {code:>6} {ms:>14.1f} {ms / numpy_ms:>15.1f}")


if __name__ == "__main__":
    main()
