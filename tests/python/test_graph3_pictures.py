"""One picture per engine at 320 x 240: for a Clayton loss-and-expense block read by name and for an
array, each a baseline JPEG of that size that is not blank; the array's picture matches the engine's
reference under tests/data/lumenar, and the block's the picture of the same values given as an array.

LUMENAR_UPDATE_REFERENCES=1 rewrites the references (look at each before keeping it)."""

import os
import shutil

import numpy as np
import pytest

from graphs import ENGINES, FORMULA_ENGINES, REFERENCES, clayton_block, decode, difference, hill, not_blank
from scripthost import CreateObject

WIDTH, HEIGHT = 320, 240
# Mean absolute difference per channel and share of visibly different pixels a picture may show
# against its reference (JPEG coding and rasterisation details; a changed pipeline shows far more).
MEAN_TOLERANCE, SHARE_TOLERANCE = 2.0, 0.01


def picture(graph, code, path):
    graph.plotType = code
    graph.CreateJPEG(str(path))
    pixels, baseline = decode(path)
    assert baseline
    assert pixels.shape == (HEIGHT, WIDTH, 3)
    assert not_blank(pixels), f"engine {code} drew a blank picture"
    return pixels


@pytest.fixture(scope="module")
def block(request):
    agg = CreateObject("Corvane.AggCo")
    return clayton_block(agg, 64)


def new_graph():
    g = CreateObject("Lumenar.Graph3")
    g.Width, g.Height = WIDTH, HEIGHT
    g.Decorations("Loss and ALAE", "loss", "ALAE", "p", 0)
    return g


@pytest.mark.parametrize("code", ENGINES)
def test_array_picture_matches_the_reference(code, tmp_path):
    graph = new_graph()
    graph.SetDensity(64, 48, hill(64, 48))
    pixels = picture(graph, code, tmp_path / "array.jpg")
    reference = REFERENCES / f"engine_{code}.jpg"
    if os.environ.get("LUMENAR_UPDATE_REFERENCES"):
        REFERENCES.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(tmp_path / "array.jpg", reference)
    mean, share = difference(pixels, decode(reference)[0])
    assert mean < MEAN_TOLERANCE and share < SHARE_TOLERANCE, (code, mean, share)


@pytest.mark.parametrize("code", ENGINES)
def test_block_picture_is_the_picture_of_its_values(block, code, tmp_path):
    graph = new_graph()
    graph.MappingName(block.ID)
    by_name = picture(graph, code, tmp_path / "block.jpg")
    if code == 20:
        return  # an array has no marginal, so engine 20 draws one curve less for it
    # a new graph: the bump rule appends its note to the title at every build
    graph = new_graph()
    graph.SetDensity(block.NumY, block.NumX, np.asarray(block.BivDist(1, 0)).T)
    as_array = picture(graph, code, tmp_path / "array.jpg")
    assert difference(by_name, as_array)[0] < 0.5, code
    if code not in FORMULA_ENGINES:
        graph.SetDensity(64, 48, hill(64, 48))
        assert difference(by_name, picture(graph, code, tmp_path / "other.jpg"))[1] > 0.01, code
