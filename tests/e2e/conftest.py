"""Fixtures of the end-to-end tests. One Wine prefix serves the whole run (the CTest fixture
starts it); each case gets a fresh world in it."""
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))

from harness import config  # noqa: E402
from harness.builds import Builds  # noqa: E402
from harness.desktop import Desktop  # noqa: E402
from harness.probe import Probe  # noqa: E402
from harness.wine import Wine  # noqa: E402
from harness.world import world as make_world  # noqa: E402


@pytest.fixture(scope="session")
def paths():
    return config.from_environment()


@pytest.fixture(scope="session")
def wine(paths):
    return Wine(paths)


@pytest.fixture(scope="session")
def probe(paths, wine):
    return Probe(wine, paths.probe)


@pytest.fixture(scope="session")
def desktop(paths, wine):
    return Desktop(wine, paths.wintool, paths.artifacts)


@pytest.fixture(scope="session")
def builds(paths):
    return Builds(paths)


def case_label(node) -> str:
    """Names the case's artifacts: its group and its row of the table."""
    group = node.module.__name__.removeprefix("test_")
    callspec = getattr(node, "callspec", None)
    return f"{group}-{callspec.id}" if callspec else group


@pytest.fixture
def world(paths, wine, probe, desktop, tmp_path, request):
    with make_world(paths, wine, probe, desktop, tmp_path, case_label(request.node)) as state:
        yield state
