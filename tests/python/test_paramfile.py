"""ParamFile objects and AggCo's default parameter file."""

import os
import struct

import numpy as np
import pytest

from codes import *
from scripthost import AutomationError, CreateObject

FILE_SIZE = 262144


@pytest.fixture
def pf(tmp_path):
    f = CreateObject("Corvane.ParamFile.1")
    f.New(str(tmp_path / "curves.prm"))
    return f


def med(*pairs):
    return [v for p in pairs for v in p]


def test_new_file_is_empty_and_sized(pf, tmp_path):
    assert os.path.getsize(tmp_path / "curves.prm") == FILE_SIZE
    assert pf.Count() == 0
    assert pf.SizeofParamEntry() == 512


def test_add_then_read_back(pf):
    pf.Add(0, svMED, "GL", "general liability", med((1000, 0.6), (5000, 0.4)))
    assert pf.Count() == 1
    assert (pf.name(0), pf.desc(0), pf.distType(0), pf.DistTypeName(0)) == \
        ("GL", "general liability", svMED, "Mixed Exponential")
    np.testing.assert_array_equal(pf.params(0, rtScript), [1000, 0.6, 5000, 0.4])
    assert pf.params(0, rtExcelCol).shape == (4, 1)


def test_add_stores_at_most_24_parameters(pf):
    pf.Add(0, svMED, "wide", "", list(range(1, 31)))
    np.testing.assert_array_equal(pf.params(0, rtScript), np.arange(1, 25))


def test_names_and_descriptions_are_cut(pf):
    pf.Add(0, svPareto, "N" * 40, "D" * 150, [2.0, 1000.0])
    assert pf.name(0) == "N" * 24
    assert pf.desc(0) == "D" * 100


def test_overwriting_does_not_inflate_the_count(pf):
    pf.Add(0, svPareto, "a", "", [2.0, 1.0])
    pf.Add(1, svPareto, "b", "", [2.0, 1.0])
    pf.Add(0, svPareto, "c", "", [3.0, 1.0])
    assert pf.Count() == 2
    pf.Add(9, svPareto, "far", "", [3.0, 1.0])
    assert pf.Count() == 10


@pytest.mark.parametrize("index", [-1, 511, 100000, 2**31 - 1])
def test_indices_outside_the_file(pf, index):
    for call in (lambda: pf.name(index), lambda: pf.params(index, rtScript),
                 lambda: pf.Add(index, svMED, "x", "", [1.0, 1.0])):
        with pytest.raises(AutomationError) as e:
            call()
        assert e.value.hresult == E_INVALIDARG


def test_two_objects_see_the_same_file(pf, tmp_path):
    other = CreateObject("Corvane.ParamFile.1")
    other.Open(str(tmp_path / "curves.prm"))
    pf.Add(3, svTLognormal, "tln", "", [9.0, 1.5, 100.0])
    assert other.Count() == 4 and other.name(3) == "tln"


def test_closed_file(pf):
    pf.Close()
    with pytest.raises(AutomationError) as e:
        pf.Count()
    assert e.value.hresult == E_UNEXPECTED


def test_open_missing_file(tmp_path):
    f = CreateObject("Corvane.ParamFile.1")
    with pytest.raises(AutomationError) as e:
        f.Open(str(tmp_path / "missing.prm"))
    assert (e.value.hresult, e.value.description) == (E_FAIL, "Cant find file")
    with pytest.raises(AutomationError) as e:
        f.Count()
    assert e.value.hresult == E_UNEXPECTED


def test_short_file_is_extended(tmp_path):
    path = tmp_path / "short.prm"
    path.write_bytes(struct.pack("<i", 0) + b"\0" * 100)
    f = CreateObject("Corvane.ParamFile.1")
    f.Open(str(path))
    assert f.Count() == 0
    f.Add(0, svPareto, "p", "", [2.0, 10.0])
    f.Save()
    assert os.path.getsize(path) == FILE_SIZE


def test_damaged_parameter_count_is_refused(pf, tmp_path):
    pf.Add(0, svMED, "x", "", [1.0, 1.0])
    pf.Close()
    path = tmp_path / "curves.prm"
    data = bytearray(path.read_bytes())
    data[512 + 256:512 + 260] = struct.pack("<i", 1000)
    path.write_bytes(bytes(data))
    pf.Open(str(path))
    with pytest.raises(AutomationError) as e:
        pf.params(0, rtScript)
    assert e.value.hresult == E_FAIL


def test_unterminated_name_stops_at_its_field(pf, tmp_path):
    pf.Add(0, svMED, "x", "", [1.0, 1.0])
    pf.Close()
    path = tmp_path / "curves.prm"
    data = bytearray(path.read_bytes())
    data[512:512 + 50] = "A".encode("utf-16-le") * 25
    data[512 + 50:512 + 252] = "B".encode("utf-16-le") * 101
    path.write_bytes(bytes(data))
    pf.Open(str(path))
    # The last slot of each field is its terminator's: 24 and 100 characters at most.
    assert pf.name(0) == "A" * 24
    assert pf.desc(0) == "B" * 100


def test_default_param_file_put_then_get(tmp_registry, tmp_path):
    agg = CreateObject("Corvane.AggCo")
    original = agg.DefaultParamFile
    assert os.path.exists(original)
    other = tmp_path / "other.prm"
    CreateObject("Corvane.ParamFile.1").New(str(other))
    agg.DefaultParamFile = str(other)
    assert agg.DefaultParamFile == str(other)
    assert agg.ParamFile().Count() == 0
    assert agg._invoke_(57, "get") == str(other)


def test_a_default_that_does_not_open_is_refused(tmp_registry, tmp_path, monkeypatch):
    agg = CreateObject("Corvane.AggCo")
    before = tmp_registry.read_text()
    text = tmp_path / "notes.txt"
    text.write_text("not a parameter file\n")
    big = tmp_path / "big.prm"
    big.write_bytes(bytes(262145))
    cases = [(str(tmp_path / "absent.prm"), "Cant find file"), (str(tmp_path), "Cant find file"),
             ("", "Cant find file"), (str(text), f"Not a parameter file: '{text}' has an entry count of 544501614"),
             (str(big), f"Not a parameter file: '{big}' holds 262145 bytes, more than 262144")]
    for value, description in cases:
        fails(lambda: setattr(agg, "DefaultParamFile", value), E_INVALIDARG, description)
    assert tmp_registry.read_text() == before
    assert text.read_text() == "not a parameter file\n"
    assert CreateObject("Corvane.AggCo").ParamFile().Count() >= 7


def test_a_relative_default_is_kept_absolute(tmp_registry, tmp_path, monkeypatch):
    CreateObject("Corvane.ParamFile.1").New(str(tmp_path / "here.prm"))
    monkeypatch.chdir(tmp_path)
    agg = CreateObject("Corvane.AggCo")
    agg.DefaultParamFile = "here.prm"
    assert agg.DefaultParamFile == str(tmp_path / "here.prm")


def test_default_file_serves_the_shipped_curves(agg):
    f = agg.ParamFile()
    assert f.Count() >= 7
    codes = {f.distType(i) for i in range(f.Count())}
    assert {svMED, svPareto, svTLognormal} <= codes


def test_aggco_creation_needs_the_default_file(tmp_registry, tmp_path):
    agg = CreateObject("Corvane.AggCo")
    gone = tmp_path / "gone.prm"
    CreateObject("Corvane.ParamFile.1").New(str(gone))
    agg.DefaultParamFile = str(gone)
    gone.unlink()
    with pytest.raises(AutomationError) as e:
        CreateObject("Corvane.AggCo")
    assert (e.value.hresult, e.value.description) == (E_FAIL, "Cant find file")
    with pytest.raises(AutomationError) as e:
        agg.ParamFile()
    assert e.value.description == "Cant find file"


def test_aggco_creation_without_the_registry_value(tmp_registry):
    text = tmp_registry.read_text().splitlines()
    keep, skip = [], False
    for line in text:
        if line.startswith("["):
            skip = line.lower() == "[corvane.aggco.1\\paramfile]"
        if not skip:
            keep.append(line)
    tmp_registry.write_text("\n".join(keep) + "\n")
    with pytest.raises(AutomationError) as e:
        CreateObject("Corvane.AggCo")
    assert e.value.hresult == E_INVALIDARG
