"""A program folder under C:\\ in the prefix: what it holds, byte for byte."""
import hashlib
import shutil
from pathlib import Path
from typing import Dict, List, NamedTuple

from .wine import Wine


def sha256(path: Path) -> str:
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 20), b""):
            digest.update(chunk)
    return digest.hexdigest()


class StartRecord(NamedTuple):
    """What a sample program wrote when it started: its build, its path and its working folder."""
    build: int
    path: str
    cwd: str


class ProgramFolder:
    def __init__(self, wine: Wine, windows_path: str):
        self.windows_path = windows_path.rstrip("\\")
        self.unix = wine.unix_path(self.windows_path)
        self.unix.mkdir(parents=True, exist_ok=True)

    def win(self, name: str) -> str:
        """The Windows path of the file `name` in this folder."""
        return f"{self.windows_path}\\{name}"

    def install(self, name: str, source: Path) -> Path:
        target = self.unix / name
        shutil.copyfile(source, target)
        return target

    def snapshot(self) -> Dict[str, str]:
        """{file name: SHA-256} of every file in the folder."""
        return {p.name: sha256(p) for p in sorted(self.unix.iterdir()) if p.is_file()}

    def started(self, name: str) -> List[StartRecord]:
        """The starts the sample program `name` in this folder has recorded, oldest first."""
        record = self.unix / f"{name}.started"
        if not record.exists():
            return []
        lines = record.read_text(encoding="utf-8").splitlines()
        return [StartRecord(int(b), p, c) for b, p, c in (line.split("\t") for line in lines)]
