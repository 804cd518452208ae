"""The control in a window on a virtual X server of the test's own, and printing through a CUPS
scheduler of the test's own. Each scenario runs once in a process of its own (visgraph_session.py)
with AUTOMATION_TRACE set; the tests read its screenshots, files and trace lines."""

import json
import os
import pathlib
import subprocess
import sys

import numpy as np
import pytest
from PIL import Image

import scripthost
import visgraph_session
import xserver
from graphs import REFERENCES, decode, difference, not_blank

pytestmark = pytest.mark.skipif(not xserver.have("Xvfb"), reason="needs Xvfb (package xvfb)")

E_INVALIDARG = 0x80070057
SESSION = pathlib.Path(visgraph_session.__file__)
PLACEHOLDER = REFERENCES / "visgraph_placeholder_300x200.png"
SNAPSHOT = REFERENCES / "visgraph_snapshot.jpg"
UPDATE = os.environ.get("LUMENAR_UPDATE_REFERENCES") == "1"


class Run:
    """A finished scenario: its results, trace lines per step and folder."""

    def __init__(self, scenario, folder, **env):
        full = dict(os.environ, AUTOMATION_TRACE="1", **env)
        done = subprocess.run([sys.executable, str(SESSION), scenario, str(folder)], env=full,
                              capture_output=True, text=True, timeout=180)
        assert done.returncode == 0, done.stderr
        self.results = json.loads(done.stdout.strip().splitlines()[-1])
        self.folder = folder
        self.steps = {}
        current = None
        for line in done.stderr.splitlines():
            if line.startswith("== "):
                current = self.steps.setdefault(line[3:], [])
            elif current is not None and line.strip():
                current.append(line.strip())

    def shot(self, name):
        return np.load(self.folder / f"{name}.npy")


@pytest.fixture(scope="module")
def display():
    x = xserver.Xvfb()
    yield x.display
    x.stop()


@pytest.fixture(scope="module")
def window_run(display, tmp_path_factory):
    return Run("window", tmp_path_factory.mktemp("window"), DISPLAY=display)


def graph3_picture(tmp_path, width, height):
    """The scene of the window tests rendered off-screen by Graph3 at width x height."""
    g = scripthost.CreateObject("Lumenar.Graph3")
    visgraph_session.set_scene(g)
    g.plotType = 11
    g.Width, g.Height = width, height
    path = tmp_path / f"graph3_{width}x{height}.jpg"
    g.CreateJPEG(str(path))
    return decode(path)[0]


def draw_lines(lines):
    """The trace lines a step wrote, without the ones an engine writes while it builds."""
    return [line for line in lines if not line.startswith("Rendering Engine")]


def test_placeholder_shows_the_viewer_lines_and_the_window_size(window_run):
    shot = window_run.shot("placeholder")
    if UPDATE:
        Image.fromarray(shot).save(PLACEHOLDER)
    reference = np.asarray(Image.open(PLACEHOLDER).convert("RGB"))
    assert difference(shot, reference)[0] < 1.0
    # The rectangle's outline is black and its inside white except for the two text lines.
    assert (shot[0, :] == 0).all() and (shot[-1, :] == 0).all() and (shot[:, 0] == 0).all()
    inside = shot[1:-1, 1:-1]
    dark_rows = np.nonzero((inside < 128).any(axis=(1, 2)))[0] + 1
    assert dark_rows.min() > 80 and dark_rows.max() <= 125  # the lines at y = 100 and 120
    trace = window_run.steps["placeholder"]
    assert trace[0].startswith("Starting Draw, hDC=") and "PlotType=0\tsetup=0\t(300,200)" in trace[0]
    assert "[New Device=Raster Display]" in trace and "Bounds 0, 0, 300, 200" in trace
    assert trace[-1].startswith("Done Draw, ticks=")


def test_the_placeholder_reads_the_new_size_after_a_resize(window_run):
    again = window_run.shot("placeholder_again")
    first = window_run.shot("placeholder")
    # The text lines sit at the new centre; the first line is the same text, the second is not.
    line1_new, line1_old = again[113:130, 120:280], first[88:105, 70:230]
    assert difference(line1_new, line1_old)[0] < 1.0
    assert difference(again[133:150, 150:250], first[108:125, 100:200])[0] > 5.0
    assert "Bounds 0, 0, 400, 250" in window_run.steps["placeholder_again"]


def test_a_plot_type_builds_once_and_the_window_shows_the_surface(window_run, tmp_path):
    shot = window_run.shot("build")
    assert not_blank(shot)
    mean, share = difference(shot, graph3_picture(tmp_path, 300, 200))
    assert mean < 3.0 and share < 0.01
    trace = draw_lines(window_run.steps["build"])
    assert trace.count("Prefobnicating") == 1
    assert "PlotType=11\tsetup=0\t(300,200)" in trace[0]


def test_repaints_of_a_built_control_build_nothing(window_run):
    trace = window_run.steps["repaint"]
    assert trace and all(line.startswith(("Starting Draw", "Done Draw")) for line in trace)
    assert all("setup=1" in line for line in trace if line.startswith("Starting Draw"))
    assert difference(window_run.shot("repaint"), window_run.shot("build"))[0] < 1.0


def test_resizing_resizes_the_render_window_without_a_rebuild(window_run, tmp_path):
    trace = window_run.steps["resize"]
    assert all(line.startswith(("Starting Draw", "Done Draw")) for line in trace)
    assert any("(400,250)" in line for line in trace)
    mean, share = difference(window_run.shot("resize"), graph3_picture(tmp_path, 400, 250))
    assert mean < 3.0 and share < 0.01


def test_snapshot_writes_the_scene_at_620_x_620(window_run, tmp_path):
    pixels, baseline = decode(window_run.folder / "snapshot.jpg")
    assert pixels.shape == (620, 620, 3) and baseline
    if UPDATE:
        (window_run.folder / "snapshot.jpg").replace(SNAPSHOT)
        pixels = decode(SNAPSHOT)[0]
    mean, share = difference(pixels, decode(SNAPSHOT)[0])
    assert mean < 2.0 and share < 0.01
    # The same scene as the off-screen graph renders at that size.
    assert difference(pixels, graph3_picture(tmp_path, 620, 620))[0] < 3.0
    # The window shows its picture at its own size again.
    assert difference(window_run.shot("after_snapshot"), window_run.shot("resize"))[0] < 1.0


def test_typed_characters_reach_vtk_without_a_rebuild(window_run):
    surface, wireframe = window_run.shot("resize"), window_run.shot("wireframe")
    assert difference(wireframe, surface)[0] > 5.0
    assert difference(window_run.shot("surface"), surface)[0] < 1.0
    for step in ("wireframe", "surface"):
        assert "Prefobnicating" not in window_run.steps[step]


def test_redraw_rebuilds_once_at_the_next_repaint(window_run):
    assert window_run.steps["redraw"].count("Prefobnicating") == 1


def test_snapshot_without_a_scene_writes_nothing(window_run):
    assert not (window_run.folder / "snapshot_without_scene.jpg").exists()


def test_a_failing_build_fails_the_pump_with_its_description(window_run):
    hresult, description = window_run.results["failing_build"]
    assert hresult == E_INVALIDARG and "exceeds the stored density" in description
    assert window_run.results["window_after_destroy"] == 0


def test_a_window_the_host_destroyed_first_is_let_go_and_a_missing_parent_refused(window_run):
    assert window_run.results["parent_gone"] == [E_INVALIDARG, "The parent window does not exist on the display"]


def test_the_tk_example_draws_and_writes_a_snapshot(display, tmp_path):
    example = pathlib.Path(__file__).resolve().parents[2] / "examples" / "visgraph_tk.py"
    done = subprocess.run([sys.executable, str(example), "--check", str(tmp_path)], env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True, timeout=120)
    assert done.returncode == 0, done.stderr
    pixels, baseline = decode(tmp_path / "visgraph_snapshot.jpg")
    assert pixels.shape == (620, 620, 3) and baseline and not_blank(pixels)


@pytest.fixture(scope="module")
def printed(display, tmp_path_factory):
    if not xserver.have("cupsd"):
        pytest.skip("needs the CUPS scheduler (package cups-daemon)")
    folder = tmp_path_factory.mktemp("cups")
    cups = xserver.Cups(folder, ["Alpha", "Beta"])
    try:
        run = Run("print", tmp_path_factory.mktemp("print"), DISPLAY=display, CUPS_SERVER=cups.socket)
        yield run, cups.job("Beta", 1), cups.job("Beta", 2), folder
    finally:
        cups.stop()


def pdf_text(tmp_path, document):
    path = tmp_path / "page.pdf"
    path.write_bytes(document)
    return subprocess.run(["pdftotext", str(path), "-"], capture_output=True, text=True, check=True).stdout


def pdf_images(tmp_path, document):
    path = tmp_path / "page.pdf"
    path.write_bytes(document)
    listing = subprocess.run(["pdfimages", "-list", str(path)], capture_output=True, text=True, check=True).stdout
    return [line.split()[3:5] for line in listing.splitlines()[2:]]


def test_print_sends_the_caption_and_the_picture_to_the_second_destination(printed, tmp_path):
    run, (document, title), _, folder = printed
    assert document.startswith(b"%PDF") and title == "Print1: Printing"
    assert "Here is my first printed picture" in pdf_text(tmp_path, document)
    assert pdf_images(tmp_path, document) == [["5000", "5000"]]
    assert not list(folder.glob("Alpha.*"))
    assert "Printing to: Beta" in run.steps["print"] and "Other Printing is: Alpha" in run.steps["print"]
    # The window shows its own picture again at its own size.
    assert not_blank(run.shot("after_print"))


def test_print_places_the_picture_centred_and_scaled_in_the_page(printed, tmp_path):
    document = printed[1][0]
    path = tmp_path / "page.pdf"
    path.write_bytes(document)
    subprocess.run(["pdftoppm", "-r", "20", "-gray", str(path), str(tmp_path / "page")], check=True)
    page = np.asarray(Image.open(next(tmp_path.glob("page*.pgm"))))
    # The picture's white background hides its edges; the scene sits in the middle of the page,
    # and the caption alone is in the top band.
    rows = np.nonzero((page < 200).any(axis=1))[0]
    height = page.shape[0]
    scene = rows[rows > height * 0.05]
    assert rows.min() < height * 0.03
    assert abs((scene.min() + scene.max()) / 2 - height / 2) < height * 0.12


def test_print_without_a_scene_prints_the_caption_alone(printed, tmp_path):
    document, title = printed[2]
    assert title == "Print1: Printing"
    assert "Here is my first printed picture" in pdf_text(tmp_path, document)
    assert pdf_images(tmp_path, document) == []


def test_print_without_a_destination_fails(tmp_path):
    run = Run("no_printer", tmp_path, CUPS_SERVER=str(tmp_path / "no-scheduler.sock"))
    assert run.results["error"] == [E_INVALIDARG, "No printer"]
