"""Windows programs run in the test session's Wine prefix and X display."""
import os
import subprocess
import tempfile
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
        """Runs a console program to its end and gives its output; a failure raises.
        The output goes through files, not pipes: a Wine process may start the prefix's desktop
        process, which inherits them and would hold a pipe open long after the program ended."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            status = subprocess.run(self.command(program, args), env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=err, timeout=timeout, cwd=self.drive_c).returncode
            out.seek(0)
            err.seek(0)
            if status != 0:
                raise RuntimeError(f"{program} {' '.join(map(str, args))} exited with {status}: "
                                   f"{err.read().decode(errors='replace').strip()}")
            return out.read().decode("utf-8")

    def start(self, program, *args, cwd: Path = None, stdout=subprocess.DEVNULL) -> subprocess.Popen:
        """Starts a program and leaves it running; `cwd` (a Unix path) becomes its working folder."""
        return subprocess.Popen(self.command(program, args), env=self.env, cwd=cwd or self.drive_c,
                                stdin=subprocess.DEVNULL, stdout=stdout, stderr=subprocess.DEVNULL)
