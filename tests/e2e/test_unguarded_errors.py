"""Errors before the guarded stage of the run: the toolkit's standard error box with the error's
message, then the update window stays with its two buttons; Button2 starts the managed program
from its fixed folder and closing the window ends the run with status 0. Nothing is changed."""
from dataclasses import dataclass
from typing import Callable, Dict, Union

import pytest

from harness.probe import Dword

WINDOW_CLASS = "TfDozevedAzovu"


@dataclass
class Case:
    name: str
    settings: Dict[str, Union[str, Dword]]
    message: str
    break_catalogue: Callable = lambda catalogue: None


CASES = [
    Case("ID_PROGRAM stored as REG_DWORD", {"ID_PROGRAM": Dword(7), "Version_7": "1"},
         "Неверный тип данных значения «ID_PROGRAM»"),
    Case("ID_PROGRAM not an integer", {"ID_PROGRAM": "abc", "Version_7": "1"},
         "'abc' не является допустимым целым числом"),
    Case("Version_ not an integer", {"ID_PROGRAM": "7", "Version_7": "1.0"},
         "'1.0' не является допустимым целым числом"),
    Case("table missing on the server", {"ID_PROGRAM": "7", "Version_7": "1"},
         "ORA-00942: table or view does not exist",
         lambda catalogue: catalogue.sql("DROP TABLE LIST_VERSION")),
    Case("column missing on the server", {"ID_PROGRAM": "7", "Version_7": "1"},
         'ORA-00904: "NAME_VERSION": invalid identifier',
         lambda catalogue: catalogue.sql("ALTER TABLE LIST_VERSION DROP COLUMN NAME_VERSION")),
]


@pytest.mark.parametrize("case", CASES, ids=lambda c: c.name)
def test_unguarded_error_leaves_the_window_open(world, builds, desktop, case: Case):
    prog, raver = world.folder("prog"), world.raver_folder()
    prog.install("app.exe", builds.file(1))
    raver.install("raver.exe", builds.file(3))
    world.settings(case.settings)
    world.catalogue.publish(7, "Сборка 2", "app.exe", builds.file(2), id_version=5)
    case.break_catalogue(world.catalogue)
    world.install_updater(prog)
    copy = world.start_copy(prog, "app.exe")
    registry, files = world.registry(), prog.snapshot()

    with world.serve():
        run = world.start_updater(prog)
        box = world.message_box("error-box")
        assert (box["caption"], box["text"], box["icon"], box["buttons"]) == \
            ("DozevedAzovu", case.message, "stop", ["OK"])
        desktop.press("OK")

        window = desktop.wait_window(WINDOW_CLASS)
        world.shot(window, "window")
        assert window["title"] == "Обновление системы"
        assert [c["text"] for c in window["children"] if c["class"].lower() == "button"] == ["Button1", "Button2"]
        assert run.running()

        desktop.click("Button2", WINDOW_CLASS)
        started = world.wait_started(raver, "raver.exe", count=1)
        assert [(r.build, r.path.lower(), r.cwd.lower()) for r in started] == \
            [(3, "c:\\raver\\raver.exe", "c:\\raver")]

        desktop.close(WINDOW_CLASS)
        assert world.finish(run, 10) == 0

    assert prog.snapshot() == files
    assert world.registry() == registry
    assert prog.started("app.exe") == [copy]
    assert world.running() == sorted([prog.win("app.exe").lower(), "c:\\raver\\raver.exe"])
