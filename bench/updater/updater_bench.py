"""Speed of the updater under Wine, end to end (process start to exit), beside peers measured in
the same run: an empty Wine process, and the native Linux client doing the same database work.

  no update:   the updater finds nothing newer   | peer: native session + latest-build query
  update:      the updater installs a 64 MiB build | peer: native session + saving that BLOB

Usage: updater_bench.py PATHS_JSON SESSION_DIR NATIVE_RELEASE_DIR [RUNS]
SESSION_DIR gets a Wine session of the benchmark's own; the test database and the native client
come from the optimised native build in NATIVE_RELEASE_DIR."""
import dataclasses
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "e2e"))

from harness import config, database  # noqa: E402
from harness.builds import Builds  # noqa: E402
from harness.folder import ProgramFolder, sha256  # noqa: E402
from harness.probe import Probe  # noqa: E402
from harness.updater import UpdaterRun  # noqa: E402
from harness.wine import Wine  # noqa: E402

SIZE = 64 << 20
PROGRAM = 7       # the native client bench asks for this program's builds
FOLDER = "C:\\bench"
EXE = "app.exe"


def timed(action) -> float:
    started = time.monotonic()
    action()
    return time.monotonic() - started


class Bench:
    def __init__(self, paths: config.Paths, native_client: Path, runs: int, scratch: Path):
        self.paths, self.native_client, self.runs, self.scratch = paths, native_client, runs, scratch
        self.wine = Wine(paths)
        self.probe = Probe(self.wine, paths.probe)
        self.folder = ProgramFolder(self.wine, FOLDER)
        self.builds = Builds(paths)

    def updater_run(self) -> float:
        run = UpdaterRun(self.wine, self.folder.win("DozevedAzovu.exe"), cwd=self.wine.drive_c)
        if run.wait(300) != 0:
            raise RuntimeError("the updater failed")
        return run.seconds

    def install(self, version: str) -> None:
        self.probe.kill(FOLDER + "\\")
        self.folder.install(EXE, self.builds.file(1))
        for leftover in self.folder.unix.glob("*.started"):
            leftover.unlink()
        self.probe.reset_registry({"ID_PROGRAM": str(PROGRAM), f"Version_{PROGRAM}": version})

    def native(self, *args) -> None:
        subprocess.run([str(self.native_client), *args], check=True, capture_output=True, timeout=300)

    def median_of(self, prepare, measure) -> list:
        """`self.runs` timings of `measure`, each after `prepare`; a first, untimed run warms the
        prefix's caches up (the first GUI start in a fresh prefix takes seconds)."""
        prepare()
        measure()
        samples = []
        for _ in range(self.runs):
            prepare()
            samples.append(measure())
        return samples

    def main(self) -> None:
        # No window manager runs on the session's display; unmanaged windows spare Wine its 2 s
        # wait for one whenever a window goes, which is not the updater's time.
        self.wine.run("reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f")
        large = self.builds.large(2, SIZE)
        catalogue = database.Catalogue(self.paths.testdb, self.scratch / "catalogue.db")
        catalogue.publish(PROGRAM, "Сборка 2", EXE, large, id_version=2)
        self.folder.install("DozevedAzovu.exe", self.paths.updater)
        saved = self.scratch / "saved.exe"

        rows = []
        with database.serving(self.paths.testdb, catalogue, self.scratch / "testdb.log", ["--quiet"]):
            rows.append(("empty Wine process (probe)", self.median_of(
                lambda: None, lambda: timed(lambda: self.probe.registry()))))
            rows.append(("native client: session + latest-build query", self.median_of(
                lambda: None, lambda: timed(lambda: self.native("session", str(database.PORT), "1")))))
            rows.append(("updater under Wine: nothing newer", self.median_of(
                lambda: self.install("2"), self.updater_run)))
            rows.append(("native client: save the 64 MiB BLOB", self.median_of(
                lambda: saved.unlink(missing_ok=True),
                lambda: timed(lambda: self.native("blob", str(database.PORT), str(saved))))))
            rows.append(("updater under Wine: install the 64 MiB build", self.median_of(
                lambda: self.install("1"), self.updater_run)))
            if sha256(self.folder.unix / EXE) != sha256(large):
                raise RuntimeError("the installed build differs from the published one")
        self.probe.kill(FOLDER + "\\")
        self.report(rows)

    def report(self, rows) -> None:
        medians = {name: statistics.median(samples) for name, samples in rows}
        peers = {
            "updater under Wine: nothing newer": "native client: session + latest-build query",
            "updater under Wine: install the 64 MiB build": "native client: save the 64 MiB BLOB",
        }
        print(f"\nUpdater end to end under Wine, median of {self.runs} runs (process start to exit):\n")
        print("| Run | median ms | min ms | max ms | × native peer | MB/s |")
        print("|---|---|---|---|---|---|")
        for name, samples in rows:
            peer = peers.get(name)
            ratio = f"{medians[name] / medians[peer]:.2f}" if peer else ""
            rate = f"{SIZE / 1e6 / medians[name]:.1f}" if "64 MiB" in name else ""
            print(f"| {name} | {medians[name] * 1000:.0f} | {min(samples) * 1000:.0f} | {max(samples) * 1000:.0f} "
                  f"| {ratio} | {rate} |")
        transfer = medians["updater under Wine: install the 64 MiB build"] - \
            medians["updater under Wine: nothing newer"]
        print(f"\nThe 64 MiB build adds {transfer * 1000:.0f} ms to a run ({SIZE / 1e6 / transfer:.1f} MB/s for "
              f"stopping, download, save and start).")


def main() -> None:
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    session_dir, native = Path(sys.argv[2]), Path(sys.argv[3])
    testdb, native_client = native / "testdb" / "testdb", native / "bench" / "client" / "oracle_client_bench"
    for needed in (testdb, native_client):
        if not needed.exists():
            sys.exit(f"{needed} is missing: cmake --preset native-release && "
                     "cmake --build --preset native-release --target testdb oracle_client_bench")
    runs = int(sys.argv[4]) if len(sys.argv) == 5 else 7
    root = Path(__file__).resolve().parents[2]
    session_dir.mkdir(parents=True, exist_ok=True)
    subprocess.run([str(root / "scripts" / "wine-session"), "start", str(session_dir)], check=True)
    try:
        with tempfile.TemporaryDirectory() as scratch:
            paths = dataclasses.replace(config.load(Path(sys.argv[1]), session_dir), testdb=testdb)
            Bench(paths, native_client, runs, Path(scratch)).main()
    finally:
        subprocess.run([str(root / "scripts" / "wine-session"), "stop", str(session_dir)], check=False)


if __name__ == "__main__":
    main()
