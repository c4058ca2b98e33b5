"""Nothing listens on the database port when the updater starts: the session fails while the
window loads, the unhandled-error report is shown, the window never appears and the process ends
with status 1. Nothing is changed, and the run is not reported as postponed."""

WINDOW_CLASS = "TfDozevedAzovu"


def test_unreachable_database_reports_and_exits_1(world, builds, desktop):
    prog = world.folder("prog")
    prog.install("app.exe", builds.file(1))
    world.settings({"ID_PROGRAM": "7", "Version_7": "1", "NameVersion": "Сборка 1"})
    world.install_updater(prog)
    copy = world.start_copy(prog, "app.exe")
    registry, files = world.registry(), prog.snapshot()

    run = world.start_updater(prog)
    box = world.message_box("unhandled-error")
    assert desktop.windows(WINDOW_CLASS) == [], "the window is never shown"
    assert (box["caption"], box["text"], box["icon"], box["buttons"]) == \
        ("DozevedAzovu", "Исключение EOraNetworkError: connection refused to 127.0.0.1:17521", "stop", ["OK"])
    desktop.press("OK")
    assert world.finish(run, 10) == 1

    assert prog.snapshot() == files
    assert world.registry() == registry
    assert prog.started("app.exe") == [copy]
    assert world.running() == [prog.win("app.exe").lower()]
