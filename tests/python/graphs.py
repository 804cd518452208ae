"""What the graph tests share: densities, a Clayton block from Corvane, JPEG decoding and the
comparison of a picture with its reference."""

import pathlib

import numpy as np
from PIL import Image

from codes import fqPoisson

REFERENCES = pathlib.Path(__file__).resolve().parents[1] / "data" / "lumenar"
ENGINES = [1, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22]
FORMULA_ENGINES = {1, 16, 17, 18, 19}
bvClayton = 3


def hill(nx, ny, centre=(0.3, 0.45), width=0.12):
    """A smooth bump on an nx x ny grid, element (i, j) at grid point (i, j), summing to 1."""
    i, j = np.meshgrid(np.arange(nx) / nx, np.arange(ny) / ny, indexing="ij")
    d = np.exp(-((i - centre[0]) ** 2 + (j - centre[1]) ** 2) / (2 * width ** 2)) + 0.3 * np.exp(
        -((i - 0.7) ** 2 + (j - 0.25) ** 2) / (2 * (width / 2) ** 2))
    return d / d.sum()


def clayton_block(agg, n=64, tau=0.5):
    """A compounded loss-and-expense distribution (Clayton copula, Poisson 2 claims) on n x n."""
    x = np.arange(n)
    mx = np.exp(-x / (n / 10.0))
    my = np.exp(-x / (n / 16.0))
    moms, biv = agg.CreateBivDistEmp1D(fqPoisson, [2.0], mx / mx.sum(), my / my.sum(), bvClayton, tau,
                                       int(np.log2(n)), int(np.log2(n)), 1.0, 1.0)
    return biv


def decode(path):
    """(pixels as an h x w x 3 uint8 array, whether the file is a baseline JPEG)."""
    data = pathlib.Path(path).read_bytes()
    assert data[:2] == b"\xff\xd8", "not a JPEG file"
    with Image.open(path) as im:
        assert im.format == "JPEG" and im.mode == "RGB"
        pixels = np.asarray(im.convert("RGB"))
    return pixels, b"\xff\xc0" in data and b"\xff\xc2" not in data


def not_blank(pixels):
    """More than one colour over a fair part of the picture."""
    flat = pixels.reshape(-1, 3).astype(int)
    background = np.median(flat, axis=0)
    return np.mean(np.abs(flat - background).sum(axis=1) > 30) > 0.005


def difference(a, b):
    """Mean absolute difference per channel and the share of pixels that differ visibly."""
    d = np.abs(a.astype(int) - b.astype(int))
    return d.mean(), np.mean(d.max(axis=2) > 64)
