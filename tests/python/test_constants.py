"""The published codes by name, from the type libraries of the server modules."""

import enum
import os
import subprocess
import sys

import pytest

from codes import PUBLISHED_CODES
from scripthost import constants


@pytest.mark.parametrize("enumeration", sorted(PUBLISHED_CODES))
def test_every_published_code_by_name(enumeration):
    codes = getattr(constants, enumeration)
    assert issubclass(codes, enum.IntEnum)
    assert {c.name: c.value for c in codes} == PUBLISHED_CODES[enumeration]
    for name, value in PUBLISHED_CODES[enumeration].items():
        assert getattr(constants, name) == value and isinstance(getattr(constants, name), int)
        assert getattr(constants, name) is codes[name]


def test_unknown_names_and_dir():
    with pytest.raises(AttributeError):
        constants.fqNoSuchCode
    assert {"fqPoisson", "rtScript", "bvClayton", "scGamma", "freqDist"} <= set(dir(constants))


def test_codes_pass_as_numbers(agg):
    assert list(agg.FreqMoms(constants.fqPoisson, [2.0], constants.rtScript)) == [2, 6, 22]
    assert agg.FreqMoms(constants.fqPoisson, [2.0], constants.rtExcelCol).shape == (3, 1)


def test_a_fresh_process_finds_the_codes_in_the_registered_libraries():
    # No object created yet: the codes come from the type libraries the registry names.
    script = "from scripthost import constants; print(repr(constants.svSimpleMixture), constants.rtScript + 0)"
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, env=os.environ, timeout=120)
    assert out.returncode == 0, out.stderr
    assert out.stdout.split() == ["<sevDist.svSimpleMixture:", "16>", "1"]
