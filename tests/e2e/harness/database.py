"""The test database: a catalogue of published builds and its server on the updater's fixed port."""
import contextlib
import os
import signal
import socket
import subprocess
import time
from pathlib import Path
from typing import Iterator, Sequence

PORT = 17521


class Catalogue:
    """One SQLite file holding LIST_VERSION, filled through the test database's own commands."""

    def __init__(self, testdb: Path, path: Path):
        self._testdb = str(testdb)
        self.path = path

    def _run(self, *args) -> str:
        done = subprocess.run([self._testdb, *args, "--db", str(self.path)], capture_output=True, timeout=60)
        if done.returncode != 0:
            raise RuntimeError(f"testdb {args[0]} failed: {done.stderr.decode(errors='replace').strip()}")
        return done.stdout.decode("utf-8")

    def publish(self, program: int, version_name: str, file_name: str, file: Path, id_version: int = None) -> int:
        """Publishes `file` as a build of `program`; gives its ID_VERSION (`id_version` when given)."""
        out = self._run("publish", "--program", str(program), "--version", version_name, "--name", file_name,
                        "--file", str(file))
        published = int(out.split("ID_VERSION=")[1].split()[0])
        if id_version is not None and id_version != published:
            self.sql(f"UPDATE LIST_VERSION SET ID_VERSION={id_version} WHERE ID_VERSION={published}")
            return id_version
        return published

    def sql(self, statement: str) -> str:
        return self._run("sql", statement)

    def rows(self) -> list:
        """Every row of LIST_VERSION without the BLOB, in the table's order, as tuples of text."""
        out = self.sql("SELECT ID_VERSION, ID_PROGRAM, NAME_FILE, NAME_VERSION FROM LIST_VERSION")
        return [tuple(line.split("\t")) for line in out.splitlines()[1:]]


def _port_is_free() -> bool:
    with socket.socket() as probe:
        probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            probe.bind(("127.0.0.1", PORT))
            return True
        except OSError:
            return False


@contextlib.contextmanager
def serving(testdb: Path, catalogue: Catalogue, log: Path, faults: Sequence[str] = ()) -> Iterator[subprocess.Popen]:
    """Runs `testdb serve` on 127.0.0.1:17521 over the catalogue until the block ends."""
    deadline = time.monotonic() + 10
    while not _port_is_free():
        if time.monotonic() > deadline:
            raise RuntimeError(f"port {PORT} stays taken; is another test database running?")
        time.sleep(0.1)
    port_file = log.with_suffix(".port")
    with contextlib.suppress(FileNotFoundError):
        port_file.unlink()
    log.parent.mkdir(parents=True, exist_ok=True)
    with open(log, "ab") as log_file:
        server = subprocess.Popen([str(testdb), "serve", "--db", str(catalogue.path), "--port", str(PORT),
                                   "--port-file", str(port_file), *faults],
                                  stdin=subprocess.DEVNULL, stdout=log_file, stderr=log_file)
    try:
        while not port_file.exists():
            if server.poll() is not None:
                raise RuntimeError(f"testdb serve ended with {server.returncode}; see {log}")
            if time.monotonic() > deadline:
                raise RuntimeError(f"testdb serve did not start listening; see {log}")
            time.sleep(0.05)
        yield server
    finally:
        if server.poll() is None:
            server.send_signal(signal.SIGTERM)
            try:
                server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                server.kill()
                server.wait()
        with contextlib.suppress(FileNotFoundError):
            os.unlink(port_file)
