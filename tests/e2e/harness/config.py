"""Where the programs under test and the tests' own helpers are (a file the build writes), and
the build folder whose Wine session they run in."""
import json
import os
from dataclasses import dataclass
from pathlib import Path


@dataclass(frozen=True)
class Paths:
    build_dir: Path          # holds wine/session.env of the session to run in
    emulator: Path
    updater: Path
    updater_quick: Path     # built with a short network inactivity time-out
    testdb: Path
    probe: Path
    wintool: Path
    samples: Path
    data: Path

    @property
    def artifacts(self) -> Path:
        return self.build_dir / "wine" / "artifacts" / "e2e"

    def sample(self, build: int) -> Path:
        return self.samples / f"e2e_sample_{build}.exe"


def load(paths_file: Path, build_dir: Path) -> Paths:
    programs = json.loads(Path(paths_file).read_text())
    return Paths(build_dir=Path(build_dir), **{name: Path(value) for name, value in programs.items()})


def from_environment() -> Paths:
    missing = [name for name in ("E2E_PATHS", "WINE_BUILD_DIR") if not os.environ.get(name)]
    if missing:
        raise RuntimeError(f"{' and '.join(missing)} not set; run the end-to-end tests through ctest")
    return load(Path(os.environ["E2E_PATHS"]), Path(os.environ["WINE_BUILD_DIR"]))
