"""Files and shared blocks that several objects or programs use at once: a file written over while
another object has it mapped, a file shortened by another program, the blocks of a creator that
died, and requests refused before they allocate."""

import os
import shutil
import signal
import struct
import subprocess
import sys
import textwrap

import numpy as np
import pytest

from codes import *
from scripthost import CreateObject

SHM = "/dev/shm"
bvIndep = 0


def biv(agg, nx=2, ny=2):
    """A small bivariate object of nx x ny (its marginals put their mass on buckets 0 and 1)."""
    mx = [0.5, 0.5] + [0.0] * (2 ** nx - 2)
    my = [0.5, 0.5] + [0.0] * (2 ** ny - 2)
    return agg.CreateBivDistEmp1D(fqOne, [], mx, my, bvIndep, 0.0, nx, ny, 1.0, 1.0)[1]


def run_python(code, **kw):
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], env=os.environ.copy(),
                          capture_output=True, text=True, timeout=120, **kw)


# ---------------------------------------------------------------------------------------------
# Writing over a file another object has mapped replaces it: the mapping keeps the old file


def test_saving_a_block_over_a_mapped_parameter_file(agg, tmp_path):
    path = str(tmp_path / "x.prm")
    pf = CreateObject("Corvane.ParamFile.1")
    pf.New(path)
    pf.Add(8, svMED, "m", "d", [1e3, 1.0])
    biv(agg).SaveAs(path)
    assert (pf.name(8), pf.desc(8), pf.Count()) == ("m", "d", 9)
    np.testing.assert_array_equal(pf.params(8, rtScript), [1e3, 1.0])
    assert os.path.getsize(path) == 1024 + 8 * (2 * 4 * 4 + 3 * 4 + 2 * 4)


def test_saving_a_block_over_the_default_parameter_file(tmp_registry, tmp_path):
    copy = tmp_path / "default.prm"
    shutil.copy(CreateObject("Corvane.AggCo").DefaultParamFile, copy)
    CreateObject("Corvane.AggCo").DefaultParamFile = str(copy)
    agg = CreateObject("Corvane.AggCo")
    before = agg.SevMoms(svBI, 0, 1e5, 0.0, 1.0, rtScript)
    biv(agg).SaveAs(str(copy))
    np.testing.assert_array_equal(agg.SevMoms(svBI, 0, 1e5, 0.0, 1.0, rtScript), before)


def test_a_new_parameter_file_over_a_mapped_bivariate_file(agg, tmp_path):
    path = str(tmp_path / "b.blk")
    original = biv(agg, 3, 2)
    original.SaveAs(path)
    opened = agg.CreateBivDistFromFile(path)
    CreateObject("Corvane.ParamFile.1").New(path)
    assert os.path.getsize(path) == 262144
    np.testing.assert_array_equal(opened.BivDist(rtScript, 0), original.BivDist(rtScript, 0))
    np.testing.assert_array_equal(opened.Moms(rtScript), original.Moms(rtScript))


def test_replacing_keeps_the_mode_and_leaves_no_temporary_file(agg, tmp_path):
    path = tmp_path / "kept.prm"
    CreateObject("Corvane.ParamFile.1").New(str(path))
    os.chmod(path, 0o640)
    biv(agg).SaveAs(str(path))
    assert os.stat(path).st_mode & 0o777 == 0o640
    CreateObject("Corvane.ParamFile.1").New(str(path))
    assert os.stat(path).st_mode & 0o777 == 0o640
    assert os.listdir(tmp_path) == ["kept.prm"]


# ---------------------------------------------------------------------------------------------
# Another program shortening a file under a live mapping fails the calls that read it


def test_a_bivariate_file_shortened_by_another_program(agg, tmp_path):
    path = str(tmp_path / "short.blk")
    biv(agg, 8, 4).SaveAs(path)
    opened = agg.CreateBivDistFromFile(path)
    os.truncate(path, 1024)
    fails(lambda: opened.Moms(rtScript), E_FAIL, "The block's file was shortened by another program")
    fails(lambda: opened.BivDist(rtScript, 0), E_FAIL)
    assert agg.FreqMoms(fqPoisson, [2.0], rtScript)[0] == 2.0  # the process goes on


def test_a_shared_block_shortened_by_another_program(agg):
    obj = biv(agg, 8, 4)
    os.truncate(os.path.join(SHM, obj.ID), 0)
    fails(lambda: obj.Moms(rtScript), E_FAIL, "The shared block was shortened by another program")
    fails(lambda: obj.SaveAs(os.devnull), E_FAIL)


def test_a_parameter_file_shortened_by_another_program(tmp_path):
    path = str(tmp_path / "short.prm")
    pf = CreateObject("Corvane.ParamFile.1")
    pf.New(path)
    pf.Add(400, svMED, "far", "", [1.0, 1.0])
    pf.Flush()
    os.truncate(path, 4096)
    fails(lambda: pf.name(400), E_FAIL, "The parameter file was shortened by another program")
    fails(lambda: pf.Count(), E_FAIL)
    pf.Open(path)  # a fresh mapping of the file as it now is: extended again with zeros
    assert (pf.Count(), pf.name(400)) == (401, "")


# ---------------------------------------------------------------------------------------------
# The blocks of a creator that died go when the module is next loaded


@pytest.mark.parametrize("death", ["os.kill(os.getpid(), signal.SIGKILL)", "os._exit(3)"])
def test_blocks_of_a_dead_creator_are_swept_at_the_next_load(agg, death):
    mine = biv(agg)
    run = run_python(f"""
        import os, signal, sys
        from scripthost import CreateObject
        agg = CreateObject("Corvane.AggCo")
        m = [0.5, 0.5, 0, 0]
        obj = agg.CreateBivDistEmp1D(1, [], m, m, 0, 0.0, 2, 2, 1.0, 1.0)[1]
        print(obj.ID, flush=True)
        {death}
    """)
    # The child died holding its block; a sweep of another process may remove it at any time now.
    assert run.returncode != 0 and run.stdout.strip()
    orphan = os.path.join(SHM, run.stdout.strip())
    loaded = run_python("""
        from scripthost import CreateObject
        CreateObject("Corvane.AggCo")
    """)
    assert loaded.returncode == 0, loaded.stderr
    assert not os.path.exists(orphan)
    assert os.path.exists(os.path.join(SHM, mine.ID))  # a live creator's block stays


# ---------------------------------------------------------------------------------------------
# Requests are checked before their grids are allocated


def test_wrong_shapes_are_refused_before_the_grid_is_allocated():
    """With the address space capped a little above what the process already uses, a grid of
    2 GiB or more can only be refused, never allocated first."""
    run = run_python("""
        import resource
        from scripthost import CreateObject, AutomationError
        agg = CreateObject("Corvane.AggCo")
        agg.FreqMoms(2, [2.0], 1)
        with open("/proc/self/status") as f:
            used = next(int(l.split()[1]) for l in f if l.startswith("VmSize:")) * 1024
        resource.setrlimit(resource.RLIMIT_AS, (used + (256 << 20), resource.RLIM_INFINITY))
        calls = [lambda: agg.CreateBivDistEmp2D(1, [], [[1.0]], 14, 14, 1, 1, 1),
                 lambda: agg.CreateBivDistEmp2D(1, [], [[1.0]], 25, 6, 1, 1, 1),
                 lambda: agg.CreateBivDistEmp1D(1, [], [.5, .5], [1.0], 0, 0, 28, 0, 1, 1),
                 lambda: agg.CreateBivDistEmp1D(1, [], [.5, .5], [1.0], 8, [1, 2], 28, 0, 1, 1),
                 lambda: agg.CreateBivDistEmp1D(99, [], [.5, .5], [], 8, [1, 0, 1], 1, 28, 1, 1)]
        for call in calls:
            try:
                call()
            except AutomationError as e:
                print(hex(e.hresult))
    """)
    assert run.returncode == 0, run.stderr
    assert run.stdout.split() == [hex(E_INVALIDARG)] * 4 + [hex(E_FAIL)]
