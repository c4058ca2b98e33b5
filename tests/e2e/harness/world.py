"""The state one case works in: program folders under C:\\e2e, the settings key, a catalogue and
the processes started from there. Each case gets it fresh; the Wine prefix is the session's."""
import contextlib
import re
import shutil
import subprocess
import time
from pathlib import Path
from typing import Iterator, List, Optional

from . import database
from .config import Paths
from .desktop import Desktop
from .folder import ProgramFolder, StartRecord
from .probe import Probe, RegistryValues
from .updater import UpdaterRun
from .wine import Wine

ROOT = "C:\\e2e"
RAVER = "C:\\raver"
UPDATER_NAME = "DozevedAzovu.exe"


class World:
    def __init__(self, paths: Paths, wine: Wine, probe: Probe, desktop: Desktop, scratch: Path, case: str):
        self.paths = paths
        self.wine = wine
        self.probe = probe
        self.desktop = desktop
        self._scratch = scratch
        self._case = re.sub(r"[^A-Za-z0-9_.-]+", "_", case)
        self._started: List[subprocess.Popen] = []
        self._runs: List[UpdaterRun] = []
        self._frozen: List[Path] = []
        self.catalogue = database.Catalogue(paths.testdb, scratch / "catalogue.db")
        self.clear()

    # --- state -------------------------------------------------------------------------------
    def clear(self) -> None:
        """Nothing of ours running, no folders under C:\\e2e or C:\\raver, no settings key."""
        for run in self._runs:
            run.stop()
        for prefix in (ROOT + "\\", RAVER + "\\"):
            self.probe.kill(prefix)
        for process in self._started:
            process.wait(timeout=10)
        self._runs.clear()
        self._started.clear()
        for path in self._frozen:
            self.thaw(path)
        for windows_path in (ROOT, RAVER):
            shutil.rmtree(self.wine.unix_path(windows_path), ignore_errors=True)
        self.probe.reset_registry(None)

    def folder(self, name: str = "prog") -> ProgramFolder:
        return ProgramFolder(self.wine, f"{ROOT}\\{name}")

    def raver_folder(self) -> ProgramFolder:
        return ProgramFolder(self.wine, RAVER)

    def settings(self, values: Optional[RegistryValues]) -> None:
        self.probe.reset_registry(values)

    def registry(self):
        return self.probe.registry()

    def freeze(self, folder: ProgramFolder) -> None:
        """Makes the folder refuse new names, renames and deletions, also for root."""
        self._frozen.append(folder.unix)
        if subprocess.run(["chattr", "+i", str(folder.unix)], capture_output=True).returncode != 0:
            folder.unix.chmod(0o555)

    @staticmethod
    def thaw(path: Path) -> None:
        subprocess.run(["chattr", "-i", str(path)], capture_output=True)
        path.chmod(0o755)

    # --- processes ---------------------------------------------------------------------------
    def start_copy(self, folder: ProgramFolder, name: str, timeout: float = 20) -> StartRecord:
        """Starts the sample program `name` of `folder` and waits for its start record."""
        before = len(folder.started(name))
        self._started.append(self.wine.start(folder.win(name), cwd=folder.unix))
        deadline = time.monotonic() + timeout
        while len(folder.started(name)) == before:
            if time.monotonic() > deadline:
                raise AssertionError(f"{folder.win(name)} did not start")
            time.sleep(0.05)
        return folder.started(name)[-1]

    def running(self) -> List[str]:
        """The executables running from C:\\e2e and C:\\raver, sorted, without case."""
        paths = [p["path"].lower() for prefix in (ROOT + "\\", RAVER + "\\") for p in self.probe.processes(prefix)]
        return sorted(paths)

    def wait_started(self, folder: ProgramFolder, name: str, count: int, timeout: float = 20) -> List[StartRecord]:
        deadline = time.monotonic() + timeout
        while len(folder.started(name)) < count and time.monotonic() < deadline:
            time.sleep(0.05)
        return folder.started(name)

    def install_updater(self, folder: ProgramFolder, quick: bool = False) -> None:
        """Puts the updater (or its build with the short network time-out) beside the managed program."""
        folder.install(UPDATER_NAME, self.paths.updater_quick if quick else self.paths.updater)

    def start_updater(self, folder: ProgramFolder) -> UpdaterRun:
        """Starts the updater installed in `folder`, from another working folder."""
        run = UpdaterRun(self.wine, folder.win(UPDATER_NAME), cwd=self.wine.unix_path(ROOT))
        self._runs.append(run)
        return run

    def finish(self, run: UpdaterRun, bound: float) -> int:
        """The run's exit status; when it outlasts `bound`, fails naming the windows left on screen."""
        try:
            return run.wait(bound)
        except AssertionError as late:
            windows = [(w["class"], w["title"]) for w in self.desktop.windows()]
            for index, window in enumerate(self.desktop.windows()):
                self.shot(window, f"left-on-screen-{index}")
            raise AssertionError(f"{late}; windows on screen: {windows}\n{self.server_log()}") from None

    # --- database and desktop ----------------------------------------------------------------
    def serve(self, *faults: str):
        return database.serving(self.paths.testdb, self.catalogue, self._scratch / "testdb.log", faults)

    def server_log(self) -> str:
        log = self._scratch / "testdb.log"
        return log.read_text(errors="replace") if log.exists() else ""

    def message_box(self, label: str, timeout: float = 20) -> dict:
        return self.desktop.message_box(timeout=timeout, shot=f"{self._case}-{label}")

    def shot(self, window: dict, label: str) -> None:
        self.desktop.screenshot(window, f"{self._case}-{label}")


@contextlib.contextmanager
def world(paths: Paths, wine: Wine, probe: Probe, desktop: Desktop, scratch: Path, case: str) -> Iterator[World]:
    state = World(paths, wine, probe, desktop, scratch, case)
    try:
        yield state
    finally:
        state.clear()
