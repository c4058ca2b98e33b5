"""The settings key and the running processes, through the tests' own probe program."""
import contextlib
import json
import tempfile
import time
from dataclasses import dataclass
from typing import Dict, Iterator, List, Optional, Union

from .wine import Wine


@dataclass(frozen=True)
class Dword:
    """A REG_DWORD value to store; plain strings are stored as REG_SZ."""
    value: int


RegistryValues = Dict[str, Union[str, Dword]]


class Probe:
    def __init__(self, wine: Wine, program):
        self._wine = wine
        self._program = program

    def _lines(self, *args) -> List[dict]:
        return [json.loads(line) for line in self._wine.run(self._program, *args).splitlines() if line.strip()]

    def registry(self) -> Optional[Dict[str, dict]]:
        """The values of HKCU\\SOFTWARE\\RAVER as {name: {"type": ..., "data": ...}}; None without the key."""
        state = self._lines("registry")[0]
        return state["values"] if state["exists"] else None

    def reset_registry(self, values: Optional[RegistryValues]) -> None:
        """Deletes the settings key; unless `values` is None, creates it again holding them."""
        args = []
        for name, value in (values or {}).items():
            args += [name, "dword", str(value.value)] if isinstance(value, Dword) else [name, "sz", value]
        if values is not None and not args:
            raise ValueError("an empty settings key cannot be made this way")
        self._wine.run(self._program, "registry-reset", *args)

    def processes(self, prefix: str) -> List[dict]:
        """The processes whose executable path starts with `prefix`: [{"pid": ..., "path": ...}]."""
        return self._lines("processes", prefix)

    def kill(self, prefix: str) -> None:
        self._wine.run(self._program, "kill", prefix)

    @contextlib.contextmanager
    def holding(self, windows_path: str) -> Iterator[None]:
        """Keeps the file open without sharing, from a process that is not the managed program."""
        with tempfile.TemporaryFile() as out:
            holder = self._wine.start(self._program, "hold", windows_path, stdout=out)
            try:
                deadline = time.monotonic() + 20
                while out.tell() == 0 and holder.poll() is None and time.monotonic() < deadline:
                    time.sleep(0.05)
                    out.seek(0, 2)
                if out.tell() == 0:
                    raise RuntimeError(f"could not hold {windows_path} open")
                yield
            finally:
                # Ended from the Windows side and waited for there: killing only the Unix process
                # leaves Wine to tidy up behind the next probe's back.
                self.kill("Z:" + str(self._program).replace("/", "\\"))
                holder.wait(timeout=20)
