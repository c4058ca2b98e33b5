"""Nothing newer is published for the installed program: nothing is stopped, written or started,
and the run ends quietly."""
from dataclasses import dataclass

import pytest

RUN_BOUND = 15


@dataclass
class Case:
    name: str
    installed: str          # Version_7 as stored
    published: tuple        # ID_VERSIONs of program 7's builds


CASES = [
    Case("equal version", installed="5", published=(3, 5)),
    Case("lower version published", installed="9", published=(3, 5)),
    Case("no row for the program", installed="0", published=()),
    Case("largest version installed", installed="2147483647", published=(5,)),
]


@pytest.mark.parametrize("case", CASES, ids=lambda c: c.name)
def test_nothing_newer_touches_nothing(world, builds, case: Case):
    prog = world.folder("prog")
    prog.install("app.exe", builds.file(1))
    world.settings({"ID_PROGRAM": "7", "Version_7": case.installed, "NameVersion": "Сборка 1"})
    for id_version in case.published:
        world.catalogue.publish(7, f"Сборка {id_version}", "app.exe", builds.file(2), id_version=id_version)
    world.catalogue.publish(8, "Чужая сборка", "app.exe", builds.file(3), id_version=40)
    world.install_updater(prog)
    copy = world.start_copy(prog, "app.exe")
    registry, files, running = world.registry(), prog.snapshot(), world.running()

    with world.serve():
        run = world.start_updater(prog)
        assert world.finish(run, RUN_BOUND) == 0

    assert prog.snapshot() == files
    assert world.registry() == registry
    assert world.running() == running
    assert prog.started("app.exe") == [copy], "the running copy was left alone and nothing new started"

