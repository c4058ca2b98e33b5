"""One run of the updater from a program folder, timed from process start to exit."""
import subprocess
import time
from pathlib import Path

from .wine import Wine


class UpdaterRun:
    def __init__(self, wine: Wine, program: str, cwd: Path):
        self.started_at = time.monotonic()
        self._process = wine.start(program, cwd=cwd)

    def wait(self, bound: float) -> int:
        """The exit status; fails when the run takes longer than `bound` seconds (a dialog waits forever)."""
        try:
            status = self._process.wait(timeout=max(0.0, self.started_at + bound - time.monotonic()))
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the updater was still running after {bound:g} s") from None
        self.seconds = time.monotonic() - self.started_at
        return status

    def running(self) -> bool:
        return self._process.poll() is None

    def stop(self) -> None:
        if self._process.poll() is None:
            self._process.kill()
            self._process.wait()
