"""Every test session registers the freshly built modules in a registry of its own."""

import os
import pathlib
import tempfile

import pytest

_session_dir = tempfile.TemporaryDirectory(prefix="corvane-tests-")
os.environ["AUTOMATION_REGISTRY"] = os.path.join(_session_dir.name, "registry")

import scripthost  # noqa: E402  (the registry path must be set first)

MODULE = pathlib.Path(os.environ.get("CORVANE_MODULE", "build/lib/libcorvane.so")).resolve()
LUMENAR_MODULE = pathlib.Path(os.environ.get("LUMENAR_MODULE", "build/lib/liblumenar.so")).resolve()
scripthost.register(str(MODULE))
scripthost.register(str(LUMENAR_MODULE))


@pytest.fixture
def agg():
    return scripthost.CreateObject("Corvane.AggCo")


@pytest.fixture
def tmp_registry(tmp_path, monkeypatch):
    """A registry of the test's own, with the module registered in it."""
    path = tmp_path / "registry"
    monkeypatch.setenv("AUTOMATION_REGISTRY", str(path))
    scripthost.register(str(MODULE))
    return path
