"""Risks and portfolios: the collection, enumeration, joint sampling, and records saved to files."""

import os
import struct
import subprocess
import sys
import uuid

import numpy as np
import pytest

import scripthost
from codes import *
from scripthost import CreateObject

CLSID_Risk = uuid.UUID("{801A4148-EB7C-43A1-A5AA-E21DA7F4645D}").bytes_le
CLSID_Portfolio = uuid.UUID("{D187F160-5EC8-47A8-B68F-CE4C762ED68A}").bytes_le
STG_E_FILENOTFOUND = 0x80030002
STG_E_READFAULT = 0x8003001E
DISP_E_BADVARTYPE = 0x80020008
E_NOINTERFACE = 0x80004002
VT_EMPTY, VT_I4, VT_R8, VT_BSTR, VT_DISPATCH = 0, 3, 5, 8, 9

IRISK = {"SequenceNumber": 1610743808, "name": 1610743809, "IsLessThan": 1610743811, "IsEqual": 1610743812,
         "CreateDist": 7, "_Sample": 8}
IPORTFOLIO = {"Add": 1610743808, "AddNew": 1610743809, "Change": 1610743810, "Contains": 1610743811,
              "Find": 1610743812, "Count": 1610743813, "Value": 0, "Remove": 1610743815, "Clone": 1610743816,
              "Clear": 1610743817, "_NewEnum": -4, "TypedAdd": 1610809344, "TypedAddNew": 1610809345,
              "TypedContains": 1610809346, "TypedFind": 1610809347, "TypedValue": 1610809348,
              "TypedRemove": 1610809349, "_TypedNewEnum": 1610809350, "_NewEnumNoCopy": 1610809351,
              "UncorrelMultiVariateSample": 10, "MultiVariateSample": 11}


def new_risk(name="", fq=fqPoisson, fq_params=2.0, sv=svBI, sev_params=0, layer=1e6, attach=0.0, share=1.0):
    r = CreateObject("Corvane.Risk.1")
    r.CreateDist(name, fq, fq_params, sv, sev_params, layer, attach, share)
    return r


@pytest.fixture
def lines():
    """A portfolio of three lines of business, built-in curves with Poisson claims."""
    p = CreateObject("Corvane.Portfolio.1")
    for j, (lam, curve) in enumerate(((3.0, 0), (5.0, 3), (1.5, 5))):
        p.AddNew(f"line {j}").CreateDist(f"line {j}", fqPoisson, lam, svBI, curve, 1e6, 0.0, 1.0)
    return p


def test_members_by_name_and_dispid():
    for obj, table in ((CreateObject("Corvane.Risk.1"), IRISK), (CreateObject("Corvane.Portfolio.1"), IPORTFOLIO)):
        for name, dispid in table.items():
            assert obj._dispid_(name) == dispid, name
        assert {m["name"] for m in obj._interface_()["members"]} == set(table)


def test_sequence_numbers_start_at_one_in_a_process():
    script = ("import scripthost\n"
              "a, b = (scripthost.CreateObject('Corvane.Risk.1') for _ in range(2))\n"
              "print(a.SequenceNumber, b.SequenceNumber, a.IsLessThan(b), b.IsLessThan(a))\n")
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, check=True).stdout
    assert out.split() == ["1", "2", "True", "False"]


def test_comparisons():
    a, b = new_risk("same"), new_risk("same")
    assert b.SequenceNumber == a.SequenceNumber + 1
    assert a.IsEqual(a) and not a.IsEqual(b) and a.IsLessThan(b)
    a.name = "renamed"
    assert a.name == "renamed"
    fails(lambda: a.IsEqual(None), 0x80004003)
    fails(lambda: a.IsLessThan(None), 0x80004003)


def test_collection_order_and_duplicates():
    p = CreateObject("Corvane.Portfolio.1")
    a, b, c = new_risk("a"), new_risk("b"), new_risk("c")
    for r in (c, a, b, a):
        p.Add(r)
    assert p.Count == 3
    assert [r.name for r in p] == ["a", "b", "c"]
    assert p.Value(-1) == c and p.Value(0) == a and p.TypedValue(-3) == a
    fails(lambda: p.Value(3), E_INVALIDARG, "Index out of range")
    fails(lambda: p.Value(-4), E_INVALIDARG, "Index out of range")
    fails(lambda: p.Change(0, a), E_NOTIMPL)
    fails(lambda: p.Add(3.0), DISP_E_TYPEMISMATCH)
    fails(lambda: p.Add(CreateObject("Corvane.ImancCo.1")), E_NOINTERFACE)
    assert p.Contains(b) and p.TypedContains(b) and p.Find(b) == b and p.TypedFind(b) == b
    stranger = new_risk("b")
    assert not p.Contains(stranger) and p.Find(stranger) is None and p.TypedFind(stranger) is None
    p.Remove(0)
    p.TypedRemove(c)
    assert [r.name for r in p] == ["b"]
    fails(lambda: p.TypedRemove(c), E_INVALIDARG)
    p.Clear()
    assert p.Count == 0 and list(p) == []


def test_add_new_names_and_clones_share_risks():
    p = CreateObject("Corvane.Portfolio.1")
    named, unnamed, number = p.AddNew("gl"), p.AddNew(), p.AddNew(2.5)
    typed = p.TypedAddNew("auto")
    assert [r.name for r in p] == ["gl", "", "2.5", "auto"]
    copy = p.Clone()
    typed.name = "auto liability"
    assert copy.Count == 4 and copy[-1].name == "auto liability"
    copy.Remove(0)
    assert p.Count == 4 and named in list(p) and unnamed in list(p) and number in list(p)


def test_platform_conventions_reach_value_and_new_enum(lines):
    assert lines[1] == lines(1) == lines.Value(1) == lines._invoke_(0, "method", 1)
    seen = []
    for risk in lines:
        seen.append(risk.name)
        lines.Clear()  # the loop walks a copy of the list
    assert seen == ["line 0", "line 1", "line 2"]
    enumerator = CreateObject("Corvane.Portfolio.1")._NewEnum()
    assert list(enumerator) == []
    for typed in (lines._TypedNewEnum(), lines._NewEnumNoCopy()):
        assert isinstance(typed, scripthost._scripthost.Unknown)  # a custom interface: held, not called


def test_objects_without_the_members_refuse_the_conventions(agg):
    with pytest.raises(TypeError):
        iter(agg)
    with pytest.raises(TypeError):
        agg(0)
    with pytest.raises(TypeError):
        agg[0]


def test_a_risk_samples_the_quantiles_of_its_aggregate(agg):
    r = new_risk("gl", fqNegBinVM, [4.0, 2.0], svPareto, [2.5, 50000.0], 1e6, 10000.0, 0.5)
    xs = np.zeros(500)
    r._Sample(12, 500, xs)
    emp = agg.CreateDist(fqNegBinVM, [4.0, 2.0], svPareto, [2.5, 50000.0], 1e6, 10000.0, 0.5, 12, 0.0, rtEDCo)[2]
    expected = np.zeros(500)
    emp._Sample(500, expected)
    np.testing.assert_array_equal(xs, expected)
    assert np.all(np.diff(xs) >= 0)
    fails(lambda: CreateObject("Corvane.Risk.1")._Sample(12, 10, np.zeros(10)), E_UNEXPECTED)


def test_uncorrelated_sample_is_the_risks_samples_side_by_side(lines):
    u = lines.UncorrelMultiVariateSample(12, 1000, rtExcelCol)
    assert u.shape == (1000, 3)
    for j, risk in enumerate(lines):
        xs = np.zeros(1000)
        risk._Sample(12, 1000, xs)
        np.testing.assert_array_equal(u[:, j], xs)
    empty = CreateObject("Corvane.Portfolio.1").UncorrelMultiVariateSample(12, 100, rtScript)
    assert empty.shape == (100, 0)
    fails(lambda: lines.UncorrelMultiVariateSample(12, 0, rtScript), E_INVALIDARG)


def test_joint_sample_reorders_the_columns(lines):
    target = np.array([[1.0, 0.7, 0.3], [0.7, 1.0, -0.2], [0.3, -0.2, 1.0]])
    u = lines.UncorrelMultiVariateSample(12, 20000, rtExcelCol)
    joint, total, corr, stats = lines.MultiVariateSample(12, 20000, target, scNormal, rtExcelCol)
    assert joint.shape == (20000, 3) and total.shape == (20000, 1) and corr.shape == (3, 3)
    np.testing.assert_array_equal(np.sort(joint, axis=0), u)
    np.testing.assert_allclose(total[:, 0], joint.sum(axis=1), rtol=1e-15)
    np.testing.assert_allclose(corr, np.corrcoef(joint, rowvar=False), atol=1e-12)
    # Average ranks for ties, then Pearson: Spearman's coefficient of the joint sample.
    def ranks(col):
        order = np.argsort(col, kind="stable")
        r = np.empty(len(col))
        r[order] = np.arange(len(col))
        for v in np.unique(col):
            tie = col == v
            r[tie] = r[tie].mean()
        return r
    spearman = np.corrcoef(np.column_stack([ranks(joint[:, j]) for j in range(3)]), rowvar=False)
    assert np.all(np.sign(spearman[np.triu_indices(3, 1)]) == np.sign(target[np.triu_indices(3, 1)]))
    both = np.column_stack([joint, total[:, 0]])
    mean, sd = both.mean(axis=0), both.std(axis=0)
    skew = ((both - mean) ** 3).mean(axis=0) / sd ** 3
    expected = np.column_stack([mean, sd, sd / mean, skew, both.min(axis=0), both.max(axis=0)])
    assert stats.shape == (4, 6)
    np.testing.assert_allclose(stats, expected, rtol=1e-9)


@pytest.mark.parametrize("st", [scNormal, scUniform, scExponential, scGamma])
def test_identity_target_gives_permutations_for_every_score_type(lines, st):
    u = lines.UncorrelMultiVariateSample(10, 2000, rtScript)
    joint, total, corr, stats = lines.MultiVariateSample(10, 2000, np.eye(3), st, rtScript)
    assert joint.shape == (2000, 3) and total.shape == (2000, 1)
    np.testing.assert_array_equal(np.sort(joint, axis=0), u)


@pytest.mark.parametrize("target, st", [
    (np.eye(3), scBeta), (np.eye(3), 5), (np.eye(2), scNormal), (np.eye(3)[:2], scNormal),
    (np.array([[1.0, 1.5, 0.0], [1.5, 1.0, 0.0], [0.0, 0.0, 1.0]]), scNormal), (2.0 * np.eye(3), scNormal),
])
def test_joint_sample_refuses_bad_targets_and_scores(lines, target, st):
    fails(lambda: lines.MultiVariateSample(10, 100, target, st, rtScript), E_INVALIDARG)


def risk_record(seq, name, fq, sv, layer, attach, share, fq_form, sev_form):
    text = name.encode("utf-16-le") + b"\0\0" if name else b""
    return (struct.pack("<hdddii", seq, layer, attach, share, fq, sv) + struct.pack("<I", len(text)) + text
            + fq_form + sev_form)


def form_r8(x):
    return struct.pack("<Hd", VT_R8, x)


def form_text(vt, s):
    text = s.encode("utf-16-le") + b"\0\0" if s else b""
    return struct.pack("<HI", vt, len(text)) + text


def test_risk_file_matches_the_record_layout(tmp_path):
    r = new_risk("Ümlaut GL", fqNegBinVM, 4.0, svBI, "3", 1e6, 25000.0, 0.75)
    path = tmp_path / "risk.bin"
    scripthost.save(r, str(path))
    reference = CLSID_Risk + risk_record(r.SequenceNumber, "Ümlaut GL", fqNegBinVM, svBI, 1e6, 25000.0, 0.75,
                                         form_r8(4.0), form_text(VT_BSTR, "3"))
    assert path.read_bytes() == reference
    loaded = scripthost.load(str(path))
    assert (loaded.SequenceNumber, loaded.name) == (r.SequenceNumber, "Ümlaut GL")
    assert loaded.IsEqual(r)
    scripthost.save(loaded, str(tmp_path / "again.bin"))
    assert (tmp_path / "again.bin").read_bytes() == reference


def test_unset_risk_record_is_38_bytes_plus_two_empty_forms(tmp_path):
    r = CreateObject("Corvane.Risk.1")
    scripthost.save(r, str(tmp_path / "r.bin"))
    body = (tmp_path / "r.bin").read_bytes()[16:]
    empty = struct.pack("<HI", VT_EMPTY, 0)
    assert body == risk_record(r.SequenceNumber, "", 0, 0, 0.0, 0.0, 1.0, empty, empty)
    assert len(body) == 38 + 2 * len(empty)


def test_array_parameters_cannot_be_saved_and_the_old_file_stays(tmp_path):
    path = tmp_path / "risk.bin"
    scripthost.save(new_risk("ok"), str(path))
    before = path.read_bytes()
    fails(lambda: scripthost.save(new_risk("bad", sev_params=[2.5, 5e4]), str(path)), DISP_E_TYPEMISMATCH)
    assert path.read_bytes() == before
    assert sorted(os.listdir(tmp_path)) == ["risk.bin"]


def test_portfolio_file_matches_the_record_layout(tmp_path, lines):
    path = tmp_path / "book.bin"
    scripthost.save(lines, str(path))
    expected = CLSID_Portfolio + struct.pack("<I", 3)
    for j, (lam, curve) in enumerate(((3.0, 0), (5.0, 3), (1.5, 5))):
        expected += CLSID_Risk + risk_record(lines[j].SequenceNumber, f"line {j}", fqPoisson, svBI, 1e6, 0.0, 1.0,
                                             form_r8(lam), struct.pack("<Hi", VT_I4, curve))
    assert path.read_bytes() == expected


def test_a_portfolio_reopens_in_another_session(tmp_path, lines):
    path = tmp_path / "book.bin"
    scripthost.save(lines, str(path))
    expected = lines.UncorrelMultiVariateSample(11, 300, rtScript)
    script = ("import sys, numpy as np, scripthost\n"
              "p = scripthost.load(sys.argv[1])\n"
              "print([(r.SequenceNumber, r.name) for r in p])\n"
              "np.save(sys.argv[2], p.UncorrelMultiVariateSample(11, 300, 1))\n")
    out = subprocess.run([sys.executable, "-c", script, str(path), str(tmp_path / "u.npy")], capture_output=True,
                         text=True, check=True).stdout
    assert out.strip() == str([(r.SequenceNumber, r.name) for r in lines])
    np.testing.assert_array_equal(np.load(tmp_path / "u.npy"), expected)


def test_nested_objects_in_parameters(tmp_path):
    inner = new_risk("inner")
    outer = new_risk("outer", sev_params=inner)
    scripthost.save(outer, str(tmp_path / "nested.bin"))
    data = (tmp_path / "nested.bin").read_bytes()
    assert data.count(CLSID_Risk) == 2
    at = data.rindex(CLSID_Risk)
    assert data[at - 2:at] == struct.pack("<H", VT_DISPATCH)
    assert data[at + 16:at + 18] == struct.pack("<h", inner.SequenceNumber)
    assert scripthost.load(str(tmp_path / "nested.bin")).name == "outer"


def test_loading_bad_files(tmp_path):
    fails(lambda: scripthost.load(str(tmp_path / "missing.bin")), STG_E_FILENOTFOUND)
    scripthost.save(new_risk("x"), str(tmp_path / "r.bin"))
    data = (tmp_path / "r.bin").read_bytes()
    (tmp_path / "short.bin").write_bytes(data[:-3])
    fails(lambda: scripthost.load(str(tmp_path / "short.bin")), STG_E_READFAULT)
    bad_type = bytearray(data)
    bad_type[-6:-4] = struct.pack("<H", 0x2005)  # an array type code in the last variant form
    (tmp_path / "type.bin").write_bytes(bytes(bad_type))
    fails(lambda: scripthost.load(str(tmp_path / "type.bin")), DISP_E_BADVARTYPE)
    (tmp_path / "null.bin").write_bytes(bytes(16))
    assert scripthost.load(str(tmp_path / "null.bin")) is None


def test_the_portfolio_example_runs(tmp_path):
    example = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "portfolio.py")
    out = subprocess.run([sys.executable, example, str(tmp_path)], capture_output=True, text=True, check=True).stdout
    assert "reopened: " in out and "correlated total" in out
    assert (tmp_path / "portfolio.bin").stat().st_size > 0
    assert (tmp_path / "portfolio_scatter.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_persistence_operations_trace_their_names(tmp_path):
    script = ("import sys, scripthost\n"
              "p = scripthost.CreateObject('Corvane.Portfolio.1')\n"
              "p.AddNew('a')\n"
              "scripthost.save(p, sys.argv[1])\n"
              "scripthost.load(sys.argv[1])\n")
    env = dict(os.environ, AUTOMATION_TRACE="1")
    err = subprocess.run([sys.executable, "-c", script, str(tmp_path / "p.bin")], env=env, capture_output=True,
                         text=True, check=True).stderr.splitlines()
    assert err.count("IPersistStreamImpl::Save") == 2  # the portfolio, then its risk
    assert err.count("IPersistStreamImpl::Load") == 2
    assert err.count("IPersistStreamImpl::GetClassID") == 2
