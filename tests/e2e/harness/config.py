"""Where the programs under test and the tests' own helpers are, as CTest passes them."""
import os
from dataclasses import dataclass
from pathlib import Path
from typing import Optional


@dataclass(frozen=True)
class Paths:
    build_dir: Path
    emulator: Path
    updater: Path
    updater_quick: Optional[Path]
    testdb: Path
    probe: Path
    wintool: Path
    samples: Path
    data: Path
    artifacts: Path

    def sample(self, build: int) -> Path:
        return self.samples / f"e2e_sample_{build}.exe"


def _required(name: str) -> Path:
    value = os.environ.get(name)
    if not value:
        raise RuntimeError(f"{name} is not set; run the end-to-end tests through ctest")
    return Path(value)


def from_environment() -> Paths:
    quick = os.environ.get("E2E_UPDATER_QUICK")
    return Paths(
        build_dir=_required("WINE_BUILD_DIR"),
        emulator=_required("E2E_EMULATOR"),
        updater=_required("E2E_UPDATER"),
        updater_quick=Path(quick) if quick else None,
        testdb=_required("E2E_TESTDB"),
        probe=_required("E2E_PROBE"),
        wintool=_required("E2E_WINTOOL"),
        samples=_required("E2E_SAMPLES"),
        data=_required("E2E_DATA"),
        artifacts=_required("E2E_ARTIFACTS"),
    )
