"""A newer build is published: the running copies stop, the executable is replaced by the
published bytes, the build is recorded and started from the program folder, and the run ends
quietly."""
from dataclasses import dataclass, field
from typing import Dict, Optional

import pytest


RUN_BOUND = 20  # seconds from process start to exit


@dataclass
class Case:
    name: str
    exe: str = "app.exe"
    installed: Optional[int] = 1           # build of the sample installed beforehand; None: no file
    settings: Optional[Dict[str, str]] = field(default_factory=lambda: {"ID_PROGRAM": "7", "Version_7": "1"})
    program: int = 7
    leftover_backup: bool = False
    twin_row: bool = False                 # a second row with the largest ID_VERSION, build 3
    expect_id: int = 5
    expect_name: str = "Сборка 2 — весенняя"
    copies: int = 2                        # running copies: in the program folder, then another one


CASES = [
    Case("two running copies replaced"),
    Case("Cyrillic file name", exe="Касса.exe"),
    Case("negative installed version", settings={"ID_PROGRAM": "7", "Version_7": "-3"}, copies=1),
    Case("first installation", installed=None, copies=0),
    Case("leftover backup deleted", leftover_backup=True, copies=1),
    Case("two rows share the largest ID_VERSION", twin_row=True, copies=1),
    Case("no settings key means program 0", settings=None, program=0, copies=1),
]


def publish(world, builds, case: Case) -> None:
    catalogue = world.catalogue
    catalogue.publish(case.program, "Сборка 1", case.exe, builds.file(1), id_version=2)
    # Another program's newer build must not be taken.
    catalogue.publish(case.program + 1, "Чужая сборка", case.exe, builds.file(3), id_version=9)
    catalogue.publish(case.program, case.expect_name, case.exe, builds.file(2), id_version=case.expect_id)
    if case.twin_row:
        catalogue.publish(case.program, "Сборка-близнец", case.exe, builds.file(3), id_version=case.expect_id)


@pytest.mark.parametrize("case", CASES, ids=lambda c: c.name)
def test_newer_build_replaces_and_starts(world, builds, case: Case):
    prog, other = world.folder("prog"), world.folder("other")
    if case.installed is not None:
        prog.install(case.exe, builds.file(case.installed))
    other.install(case.exe, builds.file(1))
    if case.leftover_backup:
        (prog.unix / f"bak_{case.exe}").write_bytes(b"a backup left by an earlier failed run")
    world.settings(case.settings)
    publish(world, builds, case)
    for folder in [prog, other][: case.copies]:
        world.start_copy(folder, case.exe)
    assert len(world.running()) == case.copies

    world.install_updater(prog)
    with world.serve():
        run = world.start_updater(prog)
        assert world.finish(run, RUN_BOUND) == 0

    records = world.wait_started(prog, case.exe, count=(1 if case.copies else 0) + 1)
    assert records[-1].build == 2
    assert records[-1].path.lower() == prog.win(case.exe).lower()
    assert records[-1].cwd.lower() == prog.windows_path.lower()
    assert world.running() == [prog.win(case.exe).lower()], "old copies stopped, only the new build runs"

    files = prog.snapshot()
    assert files[case.exe] == builds.sha(2)
    assert sorted(files) == sorted([case.exe, f"{case.exe}.started", "DozevedAzovu.exe"]), "no backup or download left"
    assert other.snapshot()[case.exe] == builds.sha(1), "a copy elsewhere is stopped, not replaced"
    assert len(other.started(case.exe)) == (1 if case.copies > 1 else 0), "nothing started from elsewhere"

    expected = {k: {"type": "REG_SZ", "data": v} for k, v in (case.settings or {}).items()}
    expected[f"Version_{case.program}"] = {"type": "REG_SZ", "data": str(case.expect_id)}
    expected["NameVersion"] = {"type": "REG_SZ", "data": case.expect_name}
    assert world.registry() == expected
