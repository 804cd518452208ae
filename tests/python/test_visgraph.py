"""VisGraph through the script host, without a window: identity, registration, members, the
persistence of its extent to streams and property bags, and what needs no scene."""

import os
import struct

import pytest

import scripthost
from scripthost import AutomationError, ControlSite, CreateObject

VISGRAPH_CLSID = "{0D35372E-12AA-42FC-B91E-22F575A2E378}"
E_FAIL, E_INVALIDARG, E_UNEXPECTED = 0x80004005, 0x80070057, 0x8000FFFF
VT_UI4 = 19
DEFAULT = struct.pack("<III", 0x0300, 5080, 5080)


@pytest.fixture
def graph():
    return CreateObject("Lumenar.VisGraph")


def test_created_by_progid_and_clsid():
    assert repr(CreateObject("Lumenar.VisGraph.1")) == "<IVisGraph object>"
    assert CreateObject(VISGRAPH_CLSID)._dispid_("Print") == 15


def test_registration_marks_a_control():
    text = open(os.environ["AUTOMATION_REGISTRY"], encoding="utf-8").read()
    key = "CLSID\\" + VISGRAPH_CLSID
    for line in (key + "\\Control", key + "\\Insertable", key + "\\MiscStatus\\1", key + "\\Version"):
        assert line in text
    assert "131473" in text and "Apartment" in text


@pytest.mark.parametrize("name, dispid", [
    ("Redraw", 10), ("Snapshot", 14), ("Print", 15), ("SetDensity", 6), ("MappingName", 220),
    ("plotType", 224), ("GetPosterior", 227), ("scaleX", 203), ("Elevation", 1000),
])
def test_members_by_name_and_dispid(graph, name, dispid):
    assert graph._dispid_(name) == dispid


def test_properties_by_dispid(graph):
    graph._invoke_(203, "put", 2.5)
    assert graph.scaleX == 2.5 and graph._invoke_(224, "get") == 0


def test_the_graph_state_is_the_common_one(graph):
    graph.SetDensity(2, 3, [[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]])
    assert (graph.nx, graph.ny, graph.plotType) == (2, 3, 0)
    graph.plotType = 11  # without a window the view-changed hook has nothing to repaint
    with pytest.raises(AutomationError) as e:
        graph.plotType = 99
    assert e.value.description == "Unknown Engine ID"


def test_without_a_window_there_is_nothing_to_draw(graph, tmp_path):
    graph.SetDensity(2, 2, [[1.0, 2.0], [3.0, 4.0]])
    graph.plotType = 11
    path = tmp_path / "snap.jpg"
    graph.Snapshot(str(path))
    graph.Redraw()
    assert not path.exists()
    site = ControlSite(graph)
    assert site.window == 0 and site.display == ""
    site.pump()
    site.destroy()
    for call in (lambda: site.show(True), lambda: site.resize(10, 10)):
        with pytest.raises(AutomationError) as e:
            call()
        assert e.value.hresult == E_UNEXPECTED


def test_only_controls_have_a_site():
    with pytest.raises(TypeError):
        ControlSite(CreateObject("Lumenar.Graph3"))


def test_stream_record_is_the_version_and_the_extent(graph):
    assert scripthost.save_stream(graph) == DEFAULT
    record = struct.pack("<III", 0x0300, 1234, 98765)
    scripthost.load_stream(graph, record)
    assert scripthost.save_stream(graph) == record
    older = struct.pack("<III", 0x0200, 7, 8)
    scripthost.load_stream(graph, older)
    assert scripthost.save_stream(graph) == struct.pack("<III", 0x0300, 7, 8)


@pytest.mark.parametrize("record", [
    struct.pack("<III", 0x0301, 1, 2),
    struct.pack("<III", 0xFFFFFFFF, 1, 2),
])
def test_a_later_version_does_not_load(graph, record):
    with pytest.raises(AutomationError) as e:
        scripthost.load_stream(graph, record)
    assert e.value.hresult == E_FAIL
    assert scripthost.save_stream(graph) == DEFAULT


@pytest.mark.parametrize("record", [b"", struct.pack("<I", 0x0300), struct.pack("<IIH", 0x0300, 5, 6)])
def test_a_short_record_fails_and_changes_nothing(graph, record):
    with pytest.raises(AutomationError):
        scripthost.load_stream(graph, record)
    assert scripthost.save_stream(graph) == DEFAULT


def test_property_bag_holds_cx_and_cy_as_ui4(graph):
    assert scripthost.save_properties(graph) == {"_cx": (VT_UI4, 5080), "_cy": (VT_UI4, 5080)}
    scripthost.load_properties(graph, {"_cx": (VT_UI4, 4000000000), "_cy": (VT_UI4, 1)})
    assert scripthost.save_properties(graph) == {"_cx": (VT_UI4, 4000000000), "_cy": (VT_UI4, 1)}
    assert scripthost.save_stream(graph) == struct.pack("<III", 0x0300, 4000000000, 1)


def test_property_bag_values_convert_and_missing_ones_keep_the_default(graph):
    scripthost.load_properties(graph, {"_cx": 2540})  # an I4 value, read as VT_UI4
    assert scripthost.save_properties(graph) == {"_cx": (VT_UI4, 2540), "_cy": (VT_UI4, 5080)}
    with pytest.raises(AutomationError):
        scripthost.load_properties(graph, {"_cx": "wide"})
