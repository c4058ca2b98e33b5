"""Failures inside the guarded stage of the run: the plain box "Ошибка при обновлении", then the
old executable is back byte for byte, the settings are as they were, no temporary file is left
and the run ends with status 0."""
import contextlib
import threading
import time
from dataclasses import dataclass, field
from typing import Callable, List, Optional

import pytest

LARGE_BUILD = 4 << 20   # bytes; percentages of the download are taken of this
BOX_BOUND = 20          # seconds from process start to the box
# The client's EXECUTE calls on one connection, counted by the server: the latest-build query
# is the first, the build-content query the second.
CONTENT_QUERY_EXECUTE = 2


@dataclass
class Case:
    name: str
    faults: Callable[[int], List[str]] = lambda size: []
    large: bool = False                 # publish the large build
    file_name: str = "app.exe"          # NAME_FILE as published
    installed: str = "1"                # Version_7 before the run
    publish: bool = True                # program 7 has its newer build published
    catalogue: Callable = lambda catalogue: None
    locked: bool = False                # the executable is held open without sharing
    read_only: bool = False             # the program folder takes no new names
    quick: bool = False                 # the updater built with the short network time-out
    content_row_vanishes: bool = False  # the row is deleted between the two queries
    stops_copy: bool = True             # the running copy has been stopped when the failure comes
    outside: List[str] = field(default_factory=list)  # files the run must not create


CASES = [
    Case("connection dropped at 0 % of the BLOB", lambda size: ["--drop-at", "lob-read"], large=True),
    Case("connection dropped at 50 % of the BLOB", lambda size: ["--drop-after-bytes", str(size // 2)], large=True),
    Case("connection dropped at 99 % of the BLOB", lambda size: ["--drop-after-bytes", str(size * 99 // 100)],
         large=True),
    Case("server stalls during the BLOB", lambda size: ["--stall-at", "lob-read", "--stall-seconds", "60"],
         large=True, quick=True),
    Case("LOB read error half way", lambda size: ["--lob-error-after", str(size // 2)], large=True),
    Case("executable held open by another process", locked=True, stops_copy=False),
    Case("program folder read-only", read_only=True),
    Case("NAME_FILE climbs out of the folder", file_name="..\\app.exe", stops_copy=False,
         outside=["C:\\e2e\\app.exe"]),
    Case("NAME_FILE is an absolute path", file_name="C:\\e2e\\elsewhere.exe", stops_copy=False,
         outside=["C:\\e2e\\elsewhere.exe"]),
    Case("NAME_FILE is a reserved device name", file_name="CON", stops_copy=False),
    Case("NAME_FILE is a reserved name with an extension", file_name="nul.exe", stops_copy=False),
    Case("FILE_EXE is NULL", stops_copy=False,
         catalogue=lambda catalogue: catalogue.sql("UPDATE LIST_VERSION SET FILE_EXE=NULL WHERE ID_VERSION=5")),
    Case("content row gone between the queries", content_row_vanishes=True, stops_copy=False,
         faults=lambda size: ["--stall-at", f"execute@{CONTENT_QUERY_EXECUTE}", "--stall-seconds", "3"]),
    Case("no build published and installed version below 0", installed="-1", publish=False, stops_copy=False),
]


def delete_rows_after_first_query(world) -> threading.Thread:
    """Deletes program 7's rows once the server has answered the latest-build query."""
    def watch():
        deadline = time.monotonic() + BOX_BOUND
        while "select ID_VERSION,Name_File,Name_Version" not in world.server_log():
            if time.monotonic() > deadline:
                return
            time.sleep(0.02)
        world.catalogue.sql("DELETE FROM LIST_VERSION WHERE ID_PROGRAM=7")
    watcher = threading.Thread(target=watch, daemon=True)
    watcher.start()
    return watcher


@pytest.mark.parametrize("case", CASES, ids=lambda c: c.name)
def test_guarded_failure_restores_the_old_build(world, builds, desktop, case: Case):
    prog = world.folder("prog")
    prog.install("app.exe", builds.file(1))
    world.settings({"ID_PROGRAM": "7", "Version_7": case.installed, "NameVersion": "Сборка 1"})
    published = builds.large(2, LARGE_BUILD) if case.large else builds.file(2)
    if case.publish:
        world.catalogue.publish(7, "Сборка 2", case.file_name, published, id_version=5)
    world.catalogue.publish(8, "Чужая сборка", "app.exe", builds.file(3), id_version=1)
    case.catalogue(world.catalogue)
    world.install_updater(prog, quick=case.quick)
    copy = None if case.locked else world.start_copy(prog, "app.exe")
    if case.read_only:
        world.freeze(prog)
    registry, files = world.registry(), prog.snapshot()
    expected_running = [] if case.stops_copy or case.locked else [prog.win("app.exe").lower()]

    with world.serve(*case.faults(published.stat().st_size)), \
            (world.probe.holding(prog.win("app.exe")) if case.locked else contextlib.nullcontext()):
        watcher = delete_rows_after_first_query(world) if case.content_row_vanishes else None
        run = world.start_updater(prog)
        box = world.message_box("failure-box", timeout=BOX_BOUND)
        assert (box["caption"], box["text"], box["icon"], box["buttons"]) == \
            ("DozevedAzovu", "Ошибка при обновлении", "none", ["OK"]), world.server_log()
        desktop.press("OK")
        assert world.finish(run, 30) == 0
        if watcher:
            watcher.join()

    assert prog.snapshot() == files, "the old executable is back and nothing else is left"
    assert world.registry() == registry
    assert world.running() == expected_running
    assert prog.started("app.exe") == ([copy] if copy else []), "nothing was started"
    for path in case.outside:
        assert not world.wine.unix_path(path).exists(), f"{path} was written"

