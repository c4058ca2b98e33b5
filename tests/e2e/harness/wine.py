"""Windows programs run in the test session's Wine prefix and X display."""
import os
import subprocess
from pathlib import Path, PureWindowsPath
from typing import Sequence

from .config import Paths


def _session_environment(build_dir: Path) -> dict:
    env = dict(os.environ)
    session = build_dir / "wine" / "session.env"
    if not session.exists():
        raise RuntimeError(f"no Wine session at {session}; the 'wine' CTest fixture starts it")
    for line in session.read_text().splitlines():
        if line.startswith("export ") and "=" in line:
            name, value = line[len("export "):].split("=", 1)
            env[name] = value
    env["WINE_BUILD_DIR"] = str(build_dir)
    # File names and arguments cross into Wine as UTF-8 only under a UTF-8 locale.
    env["LC_ALL"] = "C.UTF-8"
    return env


class Wine:
    def __init__(self, paths: Paths):
        self._emulator = str(paths.emulator)
        self.env = _session_environment(paths.build_dir)
        self.drive_c = Path(self.env["WINEPREFIX"]) / "drive_c"

    def unix_path(self, windows_path: str) -> Path:
        """The file behind a path on drive C:."""
        path = PureWindowsPath(windows_path)
        if path.drive.upper() != "C:":
            raise ValueError(f"{windows_path} is not on drive C:")
        return self.drive_c.joinpath(*path.parts[1:])

    def command(self, program, args: Sequence[str]) -> list:
        return [self._emulator, str(program), *[str(a) for a in args]]

    def run(self, program, *args, timeout: float = 30) -> str:
        """Runs a console program to its end and gives its output; a failure raises."""
        done = subprocess.run(self.command(program, args), env=self.env, capture_output=True, timeout=timeout,
                              cwd=self.drive_c)
        if done.returncode != 0:
            raise RuntimeError(f"{program} {' '.join(map(str, args))} exited with {done.returncode}: "
                               f"{done.stderr.decode(errors='replace').strip()}")
        return done.stdout.decode("utf-8")

    def start(self, program, *args, cwd: Path = None, stdout=subprocess.DEVNULL) -> subprocess.Popen:
        """Starts a program and leaves it running; `cwd` (a Unix path) becomes its working folder."""
        return subprocess.Popen(self.command(program, args), env=self.env, cwd=cwd or self.drive_c,
                                stdin=subprocess.DEVNULL, stdout=stdout, stderr=subprocess.DEVNULL)
