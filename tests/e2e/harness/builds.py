"""The sample program's builds that cases publish, and a large build made from one of them."""
import random
import shutil
from pathlib import Path

from .config import Paths
from .folder import sha256


class Builds:
    def __init__(self, paths: Paths):
        self._paths = paths

    def file(self, build: int) -> Path:
        return self._paths.sample(build)

    def sha(self, build: int) -> str:
        return sha256(self.file(build))

    def large(self, build: int, size: int) -> Path:
        """Build `build` grown to `size` bytes with data after the image (it still runs).
        Made once and kept in the data folder while the build is unchanged."""
        source = self.file(build)
        target = self._paths.data / f"e2e_sample_{build}_{size}.exe"
        if target.exists() and target.stat().st_mtime >= source.stat().st_mtime and target.stat().st_size == size:
            return target
        target.parent.mkdir(parents=True, exist_ok=True)
        partial = target.with_suffix(".partial")
        shutil.copyfile(source, partial)
        filler = random.Random(size)
        with open(partial, "ab") as f:
            left = size - source.stat().st_size
            while left > 0:
                chunk = min(left, 1 << 20)
                f.write(filler.randbytes(chunk))
                left -= chunk
        partial.replace(target)
        return target
