"""Graph3 through the script host: identity and members, the density from arrays and named blocks,
plot types, picture sizes and files, the posterior, the camera turn and the private X server."""

import math
import os
import pathlib
import struct
import subprocess
import sys
import textwrap
import time
import uuid

import numpy as np
import pytest

from codes import *
from graphs import ENGINES, bvClayton, clayton_block, decode, difference, hill, not_blank
from scripthost import AutomationError, CreateObject, constants

LUMENAR_CLSID = "{74B94983-0BB2-4278-9755-AF593D070BAC}"
NO_SUCH_FILE = os.strerror(2)


@pytest.fixture
def graph():
    g = CreateObject("Lumenar.Graph3")
    g.Width, g.Height = 320, 240
    return g


@pytest.fixture
def hill_graph(graph):
    graph.SetDensity(48, 40, hill(48, 40))
    graph.plotType = 11
    return graph


@pytest.fixture
def blocks():
    """Makes blocks by hand in /dev/shm (where the POSIX shared-memory objects live): header nx at 64,
    ny at 72, doubles from byte 1024."""
    names = []

    def make(nx, ny, size, values=()):
        name = f"lumenar-test-{uuid.uuid4()}"
        data = bytearray(max(size, 80))
        struct.pack_into("<i", data, 64, nx)
        struct.pack_into("<i", data, 72, ny)
        for k, v in enumerate(values):
            struct.pack_into("<d", data, 1024 + 8 * k, v)
        pathlib.Path("/dev/shm", name).write_bytes(bytes(data[:size]))
        names.append(name)
        return name

    yield make
    for n in names:
        pathlib.Path("/dev/shm", n).unlink()


def jpeg(graph, path):
    graph.CreateJPEG(str(path))
    return decode(path)[0]


# ---------------------------------------------------------------------------------------------
# Identity and members

IGRAPH3 = [
    ("Redraw", 1, "method", ()),
    ("Width", 3, "get", ()),
    ("Height", 4, "get", ()),
    ("scaleX", 203, "get", ()),
    ("scaleY", 204, "get", ()),
    ("scaleZ", 205, "get", ()),
    ("nx", 206, "get", ()),
    ("ny", 207, "get", ()),
    ("SetDensity", 6, "method", (2, 2, np.eye(2))),
    ("SetScaleXYZ", 221, "method", (1.0, 2.0, 3.0)),
    ("SetResolution", 222, "method", (2, 1)),
    ("CutLineSlope", 223, "get", ()),
    ("plotType", 224, "get", ()),
    ("Decorations", 225, "method", ("t", "x", "y", "z", 0)),
    ("Options", 226, "method", (1,)),
    ("GetPosterior", 227, "method", ()),
    ("SetWindowAndLevel", 228, "method", (1.0, 0.5)),
    ("Elevation", 1000, "get", ()),
    ("Azimuth", 1001, "get", ()),
]
PUTS = [("Width", 3, 320), ("Height", 4, 240), ("scaleX", 203, 2.0), ("scaleY", 204, 3.0), ("scaleZ", 205, 4.0),
        ("CutLineSlope", 223, 0.5), ("plotType", 224, 13), ("Elevation", 1000, -30.0), ("Azimuth", 1001, 45.0)]


def test_created_by_progid_and_clsid():
    for name in ("Lumenar.Graph3", "Lumenar.Graph3.1", LUMENAR_CLSID):
        assert CreateObject(name).plotType == 0
    fails(lambda: CreateObject("Lumenar.NoSuchGraph"), CO_E_CLASSSTRING)


@pytest.mark.parametrize("name, dispid, kind, args", IGRAPH3, ids=[m[0] for m in IGRAPH3])
def test_members_answer_by_name_and_by_dispid(graph, name, dispid, kind, args):
    assert graph._dispid_(name) == dispid
    by_name = getattr(graph, name)(*args) if kind == "method" else getattr(graph, name)
    assert graph._invoke_(dispid, kind, *args) == by_name


@pytest.mark.parametrize("name, dispid, value", PUTS, ids=[m[0] for m in PUTS])
def test_properties_put_by_name_and_by_dispid(name, dispid, value):
    a, b = CreateObject("Lumenar.Graph3"), CreateObject("Lumenar.Graph3")
    setattr(a, name, value)
    b._invoke_(dispid, "put", value)
    assert getattr(a, name) == getattr(b, name) == value
    assert a._dispid_(name.upper()) == dispid


def test_a_new_graph():
    g = CreateObject("Lumenar.Graph3")
    assert (g.plotType, g.nx, g.ny, g.Width, g.Height) == (0, 0, 0, 0, 0)
    assert (g.scaleX, g.scaleY, g.scaleZ, g.CutLineSlope) == (1.0, 1.0, 1.0, 1.0)
    assert (g.Elevation, g.Azimuth) == (0.0, 0.0)
    assert g.GetPosterior() is None


def test_unknown_names_and_wrong_counts(graph):
    fails(lambda: graph._dispid_("CreateJPG"), DISP_E_UNKNOWNNAME)
    fails(lambda: graph._invoke_(206, "put", 3), DISP_E_MEMBERNOTFOUND)
    fails(lambda: graph._invoke_(6, "method", 2, 2), DISP_E_PARAMNOTOPTIONAL)
    fails(lambda: graph.SetDensity(2, 2, np.eye(2), 1), DISP_E_BADPARAMCOUNT)


# ---------------------------------------------------------------------------------------------
# Densities


def test_set_density_checks_its_array(graph, tmp_path):
    graph.plotType = 11
    for nx, ny, v in [(3, 2, np.ones((2, 3))), (4, 1, np.ones(4)), (0, 3, np.ones((0, 3))), (-2, 2, np.ones((2, 2))),
                      (2 ** 31 - 1, 2, np.ones((2, 2))), (2, 2, 1.0)]:
        graph.SetDensity(2, 2, np.eye(2))
        fails(lambda: graph.SetDensity(nx, ny, v), E_INVALIDARG)
        # a failed SetDensity leaves no density to draw
        fails(lambda: graph.CreateJPEG(str(tmp_path / "x.jpg")), E_INVALIDARG,
              "The graph has no density: call SetDensity or MappingName first")
    fails(lambda: graph.SetDensity(2, 2, [["a", "b"], ["c", "d"]]), DISP_E_TYPEMISMATCH)
    assert not (tmp_path / "x.jpg").exists()


def test_resolution_changes_what_is_read_not_what_is_stored(graph, tmp_path):
    graph.plotType = 11
    graph.SetDensity(4, 3, hill(4, 3))
    graph.SetResolution(2, 6)
    assert (graph.nx, graph.ny) == (2, 6)
    assert not_blank(jpeg(graph, tmp_path / "a.jpg"))
    for nx, ny in [(4, 4), (0, 12), (-1, -12), (2 ** 16, 2 ** 16)]:
        graph.SetResolution(nx, ny)
        fails(lambda: graph.CreateJPEG(str(tmp_path / "b.jpg")), E_INVALIDARG,
              "The resolution nx x ny exceeds the stored density")
    graph.SetDensity(5, 5, hill(5, 5))
    assert (graph.nx, graph.ny) == (5, 5)


def test_mapping_name_of_a_corvane_block_reads_it_by_id(agg, graph):
    biv = clayton_block(agg, 16)
    graph.MappingName(biv.ID)
    assert (graph.nx, graph.ny) == (16, 16)


def test_non_square_blocks_read_transposed(agg, graph, tmp_path):
    """nx from the writer's ny: grid point (i, j) is the writer's element (x = j, y = i)."""
    mx, my = hill(8, 1)[:, 0], hill(16, 1)[:, 0]
    _, biv = agg.CreateBivDistEmp1D(fqPoisson, [1.5], mx, my, bvClayton, 0.4, 3, 4, 1.0, 1.0)
    assert (biv.NumX, biv.NumY) == (8, 16)
    graph.plotType = 11
    graph.MappingName(biv.ID)
    assert (graph.nx, graph.ny) == (16, 8)
    by_name = jpeg(graph, tmp_path / "by_name.jpg")
    writer = biv.BivDist(rtScript, 0)
    graph.SetDensity(16, 8, np.asarray(writer).T)
    assert difference(by_name, jpeg(graph, tmp_path / "array.jpg"))[0] < 0.5
    # engine 20's cut line has ny = writer's nx points, and its marginal is the writer's X marginal
    graph.MappingName(biv.ID)
    graph.plotType = 20
    graph.CreateJPEG(str(tmp_path / "posterior.jpg"))
    assert graph.GetPosterior().shape == (8,)


def test_mapping_name_failures_leave_no_density(graph, blocks, tmp_path):
    graph.plotType = 11
    cases = [
        ("no-such-lumenar-block", NO_SUCH_FILE),
        ("", None),
        ("a/b", None),
        (blocks(4, 4, 1024 + 8 * 40 - 8), "The block's header describes a grid larger than the block"),
        (blocks(-3, 4, 4096), "The block's header describes a grid larger than the block"),
        (blocks(2 ** 30, 2 ** 30, 4096), "The block's header describes a grid larger than the block"),
        (blocks(4, 4, 100), "The block is too small to hold a bivariate header"),
    ]
    for name, description in cases:
        graph.SetDensity(2, 2, np.eye(2))
        fails(lambda: graph.MappingName(name), E_INVALIDARG, description)
        fails(lambda: graph.CreateJPEG(str(tmp_path / "x.jpg")), E_INVALIDARG)


def test_a_3_by_4_header_reads_12_values_from_byte_1024(graph, blocks):
    name = blocks(3, 4, 1024 + 8 * (2 * 12 + 9 + 8), values=range(12))
    graph.MappingName(name)
    assert (graph.nx, graph.ny) == (4, 3)


def test_densities_replace_each_other(agg, graph, tmp_path):
    biv = clayton_block(agg, 32)
    graph.plotType = 11
    graph.MappingName(biv.ID)
    block_picture = jpeg(graph, tmp_path / "block.jpg")
    graph.SetDensity(32, 32, hill(32, 32))
    array_picture = jpeg(graph, tmp_path / "array.jpg")
    assert difference(block_picture, array_picture)[1] > 0.05
    graph.MappingName(biv.ID)
    assert difference(block_picture, jpeg(graph, tmp_path / "again.jpg"))[0] < 0.5


def test_a_block_outlives_its_writer_while_mapped(agg, graph, tmp_path):
    biv = clayton_block(agg, 16)
    graph.plotType = 11
    graph.MappingName(biv.ID)
    del biv
    assert not_blank(jpeg(graph, tmp_path / "kept.jpg"))


# ---------------------------------------------------------------------------------------------
# Plot types


def test_unknown_plot_types_fail_and_keep_the_code(graph, tmp_path):
    graph.SetDensity(8, 8, hill(8, 8))
    for code in [2, 10, 23, 99, 2 ** 31 - 1]:
        fails(lambda: setattr(graph, "plotType", code), E_FAIL, "Unknown Engine ID")
        assert graph.plotType == code
        fails(lambda: graph.CreateJPEG(str(tmp_path / "x.jpg")), E_FAIL, "Invalid preparation in CRenderer")
    for code in [0, -5]:
        graph.plotType = code
        fails(lambda: graph.CreateJPEG(str(tmp_path / "x.jpg")), E_FAIL, "Invalid preparation in CRenderer")
    assert not (tmp_path / "x.jpg").exists()


def test_the_published_codes_are_the_registered_engines(graph):
    assert {int(c) for c in constants.plotEngine} == {0, *ENGINES}
    for code in constants.plotEngine:
        graph.plotType = code
        assert graph.plotType == code
    assert constants.pePosterior == 20


def test_formula_scenes_need_no_density(graph, tmp_path):
    graph.plotType = 18
    assert not_blank(jpeg(graph, tmp_path / "spotty.jpg"))


# ---------------------------------------------------------------------------------------------
# Picture sizes and files


@pytest.mark.parametrize("width, height, expected", [
    (640, 480, (640, 480)), (10, 300, (100, 100)), (300, 19, (100, 100)), (0, 0, (100, 100)),
    (-5, 240, (100, 100)), (30, 20, (30, 20)), (4096, 20, (4096, 20)),
])
def test_picture_sizes(hill_graph, tmp_path, width, height, expected):
    hill_graph.Width, hill_graph.Height = width, height
    hill_graph.CreateJPEG(str(tmp_path / "p.jpg"))
    pixels, baseline = decode(tmp_path / "p.jpg")
    assert (pixels.shape[1], pixels.shape[0]) == expected
    assert baseline
    assert (hill_graph.Width, hill_graph.Height) == expected


@pytest.mark.parametrize("width, height", [(4097, 240), (320, 100000), (2 ** 31 - 1, 2 ** 31 - 1)])
def test_huge_pictures_are_refused(hill_graph, tmp_path, width, height):
    hill_graph.Width, hill_graph.Height = width, height
    fails(lambda: hill_graph.CreateJPEG(str(tmp_path / "p.jpg")), E_INVALIDARG,
          "Width and Height may not exceed 4096 pixels")
    assert not (tmp_path / "p.jpg").exists()


def test_files_that_cannot_be_written(hill_graph, tmp_path):
    for name in ["", str(tmp_path / "no" / "such" / "dir.jpg"), str(tmp_path), "/proc/version"]:
        fails(lambda: hill_graph.CreateJPEG(name), E_INVALIDARG, "Could not write the JPEG file")
    assert list(tmp_path.iterdir()) == []
    fails(lambda: hill_graph.CreateJPEG(), DISP_E_PARAMNOTOPTIONAL)


def test_file_names_in_unicode(hill_graph, tmp_path):
    path = tmp_path / "Schäden – 損害.jpg"
    hill_graph.CreateJPEG(str(path))
    assert decode(path)[1]


def test_redraw_changes_nothing_and_new_data_shows_at_once(hill_graph, tmp_path):
    hill_graph.CreateJPEG(str(tmp_path / "a.jpg"))
    hill_graph.Redraw()
    hill_graph.CreateJPEG(str(tmp_path / "b.jpg"))
    assert (tmp_path / "a.jpg").read_bytes() == (tmp_path / "b.jpg").read_bytes()
    hill_graph.SetDensity(48, 40, hill(48, 40, centre=(0.7, 0.7)))
    c = jpeg(hill_graph, tmp_path / "c.jpg")
    assert difference(decode(tmp_path / "a.jpg")[0], c)[1] > 0.01


def test_the_picture_is_the_way_up_the_scene_shows(graph, tmp_path):
    """A bump near grid point (0, ny) shows in the picture's top left, one near (nx, 0) bottom right."""
    graph.plotType = 11
    graph.Width = graph.Height = 200
    i, j = np.meshgrid(np.arange(40) / 40, np.arange(40) / 40, indexing="ij")
    for (cx, cy), corner in [((0.15, 0.85), (slice(0, 100), slice(0, 100))),
                             ((0.85, 0.15), (slice(100, 200), slice(100, 200)))]:
        graph.SetDensity(40, 40, np.exp(-((i - cx) ** 2 + (j - cy) ** 2) / 0.005))
        pixels = jpeg(graph, tmp_path / "p.jpg").astype(int)
        red = pixels[..., 0] > pixels[..., 2] + 40
        assert red[corner].sum() > 0.9 * red.sum() > 0


def test_camera_turn(hill_graph, tmp_path):
    top = jpeg(hill_graph, tmp_path / "top.jpg")
    hill_graph.Elevation, hill_graph.Azimuth = -60.0, 30.0
    turned = jpeg(hill_graph, tmp_path / "turned.jpg")
    assert difference(top, turned)[1] > 0.1
    hill_graph.Elevation, hill_graph.Azimuth = 0.0, 0.0
    assert difference(top, jpeg(hill_graph, tmp_path / "back.jpg"))[0] < 0.5
    for bad in [math.nan, math.inf, -math.inf]:
        fails(lambda: setattr(hill_graph, "Elevation", bad), E_INVALIDARG)
        fails(lambda: setattr(hill_graph, "Azimuth", bad), E_INVALIDARG)


# ---------------------------------------------------------------------------------------------
# The posterior


def test_posterior_is_the_normalised_density_along_the_cut_line(graph, tmp_path):
    """On a density linear in (i, j) interpolation along the line is exact: with slope 2 on a 9 x 9
    grid the cut line runs from (0, 0) to (4.5, 9) through 9 points (9k/16, 9k/8), where i + j =
    27k/16; the last lies beyond the grid and reads 0."""
    i, j = np.meshgrid(np.arange(9.0), np.arange(9.0), indexing="ij")
    graph.SetDensity(9, 9, i + j)
    graph.CutLineSlope = 2.0
    graph.plotType = 20
    assert graph.GetPosterior() is None
    graph.CreateJPEG(str(tmp_path / "p.jpg"))
    expected = np.array([27 * k / 16 for k in range(8)] + [0.0])
    np.testing.assert_allclose(graph.GetPosterior(), expected / expected.sum(), rtol=1e-6)
    np.testing.assert_allclose(graph.GetPosterior(), expected / expected.sum(), rtol=1e-6)


def test_posterior_of_zero_density_is_zeros(graph, tmp_path):
    graph.SetDensity(6, 6, np.zeros((6, 6)))
    graph.plotType = 20
    assert not_blank(jpeg(graph, tmp_path / "p.jpg"))
    np.testing.assert_array_equal(graph.GetPosterior(), np.zeros(6))


def test_posterior_of_a_block_and_the_window_level_of_the_image(agg, graph, tmp_path):
    biv = clayton_block(agg, 32)
    graph.MappingName(biv.ID)
    graph.plotType = 20
    graph.CreateJPEG(str(tmp_path / "p.jpg"))
    assert graph.GetPosterior().sum() == pytest.approx(1.0)
    graph.plotType = 21
    fixed = jpeg(graph, tmp_path / "fixed.jpg")
    graph.SetWindowAndLevel(400.0, 200.0)
    assert difference(fixed, jpeg(graph, tmp_path / "set.jpg"))[0] > 0.5


# ---------------------------------------------------------------------------------------------
# The private X server

RENDER = textwrap.dedent("""
    import os, sys
    import numpy as np
    from scripthost import CreateObject
    g = CreateObject("Lumenar.Graph3")
    g.SetDensity(8, 8, np.eye(8))
    g.plotType = 11
    try:
        g.CreateJPEG(sys.argv[1])
    except Exception as e:
        print("failed:", e.description)
        sys.exit(0)
    def parent(pid):
        try:
            return open(f"/proc/{pid}/stat").read().rsplit(") ", 1)[1].split()[1]
        except OSError:  # a process that ended meanwhile
            return None
    xvfb = [p for p in os.listdir("/proc") if p.isdigit() and parent(p) == str(os.getpid())]
    print("xvfb:", " ".join(xvfb))
""")


def run_render(tmp_path, **env):
    environ = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    environ.update(env)
    out = subprocess.run([sys.executable, "-c", RENDER, str(tmp_path / "p.jpg")], env=environ, capture_output=True,
                         text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    return out.stdout.strip()


def alive(pid):
    try:
        return pathlib.Path(f"/proc/{pid}/stat").read_text().rsplit(") ", 1)[1][0] != "Z"
    except OSError:
        return False


def test_without_a_display_a_private_server_serves_the_process_and_ends_with_it(tmp_path):
    out = run_render(tmp_path)
    assert out.startswith("xvfb: "), out
    pids = out.split()[1:]
    assert len(pids) == 1
    assert decode(tmp_path / "p.jpg")[1]
    deadline = time.monotonic() + 10
    while alive(pids[0]) and time.monotonic() < deadline:
        time.sleep(0.05)
    assert not alive(pids[0])


def test_without_xvfb_the_failure_says_what_is_missing(tmp_path):
    out = run_render(tmp_path, PATH=str(tmp_path / "empty"))
    assert out == ("failed: No X display is reachable and the virtual X server Xvfb is not installed "
                   "(package xvfb)")
    assert not (tmp_path / "p.jpg").exists()


def test_vtk_messages_go_to_the_trace_only(tmp_path):
    """A degenerate scene (a 1 x 1 grid cut by a plane) makes VTK complain; the host sees nothing."""
    script = textwrap.dedent("""
        import sys
        import numpy as np
        from scripthost import CreateObject
        g = CreateObject("Lumenar.Graph3")
        g.SetDensity(1, 1, np.ones((1, 1)))
        g.plotType = 14
        g.CreateJPEG(sys.argv[1])
    """)
    for trace in (False, True):
        env = {k: v for k, v in os.environ.items() if k != "AUTOMATION_TRACE"}
        if trace:
            env["AUTOMATION_TRACE"] = "1"
        out = subprocess.run([sys.executable, "-c", script, str(tmp_path / "p.jpg")], env=env, capture_output=True,
                             text=True, timeout=120)
        assert out.returncode == 0
        assert ("vtkElevationFilter" in out.stderr) == trace, out.stderr
