"""The updater's main job, shown step by step in a Wine prefix of its own (scripts/demo runs it).

A catalogue with two builds of the sample program is served by the test database; build 1 is
installed and running in C:\\Demo; the first updater run replaces it with build 2 and starts it,
the second finds nothing newer. Prints versions, settings, files with their SHA-256 and timings.
Usage: demo.py DEMO_BUILD_DIR PATHS_JSON   (DEMO_BUILD_DIR holds the demo's Wine session)"""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))

from harness import config, database  # noqa: E402
from harness.desktop import Desktop  # noqa: E402
from harness.folder import ProgramFolder, sha256  # noqa: E402
from harness.probe import Probe  # noqa: E402
from harness.updater import UpdaterRun  # noqa: E402
from harness.wine import Wine  # noqa: E402

FOLDER = "C:\\Demo"
EXE = "demo.exe"
PROGRAM = 1
BUILDS = {1: "Демо 1.0", 2: "Демо 2.0 (весна)"}


def step(title: str) -> None:
    print(f"\n== {title}", flush=True)


class Demo:
    def __init__(self, demo_dir: Path, paths_file: Path):
        self.dir = demo_dir
        self.paths = config.load(paths_file, demo_dir)
        self.wine = Wine(self.paths)
        self.probe = Probe(self.wine, self.paths.probe)
        self.desktop = Desktop(self.wine, self.paths.wintool, demo_dir / "artifacts")
        self.folder = ProgramFolder(self.wine, FOLDER)
        self.catalogue = database.Catalogue(self.paths.testdb, demo_dir / "catalogue.db")
        self.failures = []

    def check(self, ok: bool, what: str) -> None:
        print(f"  [{'ok' if ok else 'FAILED'}] {what}")
        if not ok:
            self.failures.append(what)

    def show_state(self) -> None:
        registry = self.probe.registry() or {}
        print("  registry HKCU\\SOFTWARE\\RAVER:" + ("" if registry else " (no key)"))
        for name, value in registry.items():
            print(f"    {name:<12} {value['type']:<10} {value['data']}")
        print(f"  files in {FOLDER}:")
        for name, digest in self.folder.snapshot().items():
            size = (self.folder.unix / name).stat().st_size
            print(f"    {name:<22} {size:>9} bytes  sha256 {digest}")
        print("  running from there: " +
              (", ".join(f"{p['path']} (pid {p['pid']})" for p in self.probe.processes(FOLDER + "\\")) or "nothing"))

    def run_updater(self, label: str) -> int:
        run = UpdaterRun(self.wine, self.folder.win("DozevedAzovu.exe"), cwd=self.wine.drive_c)
        status = run.wait(60)
        print(f"  {label}: exit status {status}, {run.seconds * 1000:.0f} ms from process start to exit")
        return status

    def main(self) -> int:
        step("Publishing two builds of the sample program in the test database")
        self.catalogue.path.unlink(missing_ok=True)
        for build, name in BUILDS.items():
            self.catalogue.publish(PROGRAM, name, EXE, self.paths.sample(build), id_version=build)
        for row in self.catalogue.rows():
            print("  LIST_VERSION: ID_VERSION={} ID_PROGRAM={} NAME_FILE={} NAME_VERSION={}".format(*row))
        for build in BUILDS:
            print(f"  build {build}: sha256 {sha256(self.paths.sample(build))}")

        step(f"Installing build 1 into {FOLDER} and starting it")
        self.probe.kill(FOLDER + "\\")
        self.probe.reset_registry({"ID_PROGRAM": str(PROGRAM), f"Version_{PROGRAM}": "1", "NameVersion": BUILDS[1]})
        self.folder.install(EXE, self.paths.sample(1))
        self.folder.install("DozevedAzovu.exe", self.paths.updater)
        self.wine.start(self.folder.win(EXE), cwd=self.folder.unix)
        self.desktop.wait_window(title="Sample program, build 1")
        self.show_state()

        log = self.dir / "testdb.log"
        with database.serving(self.paths.testdb, self.catalogue, log):
            print(f"  test database listening on 127.0.0.1:{database.PORT} (log: {log})")

            step("First updater run: build 2 is newer")
            status = self.run_updater("run 1")
            window = self.desktop.wait_window(title="Sample program, build 2")
            shot = self.desktop.screenshot(window, "build-2-window")
            print(f"  build 2 shows its window \"{window['title']}\" (screenshot: {shot})")
            self.show_state()
            started = self.folder.started(EXE)
            for record in started:
                print(f"  start record: build {record.build}, {record.path}, working folder {record.cwd}")
            registry = self.probe.registry() or {}
            self.check(status == 0, "the run ended with status 0")
            self.check(self.folder.snapshot().get(EXE) == sha256(self.paths.sample(2)),
                       f"{EXE} is build 2 byte for byte")
            self.check(registry.get(f"Version_{PROGRAM}", {}).get("data") == "2" and
                       registry.get("NameVersion", {}).get("data") == BUILDS[2], "the registry records build 2")
            self.check(len(started) == 2 and started[-1].build == 2 and started[-1].cwd.lower() == FOLDER.lower(),
                       "build 2 was started from the program folder")
            self.check(len(self.probe.processes(FOLDER + "\\")) == 1, "build 1 was stopped, one copy runs")

            step("Second updater run: nothing newer")
            before = (self.folder.snapshot(), self.probe.registry(), self.probe.processes(FOLDER + "\\"))
            status = self.run_updater("run 2")
            self.show_state()
            after = (self.folder.snapshot(), self.probe.registry(), self.probe.processes(FOLDER + "\\"))
            self.check(status == 0, "the run ended with status 0")
            self.check(after == before, "nothing was touched: files, registry and the running build are as they were")

        step("Stopping what the demo started")
        self.probe.kill(FOLDER + "\\")
        print("  sample program stopped, test database stopped; the Wine session stops next")
        print("\nDemo " + ("succeeded." if not self.failures else f"FAILED: {'; '.join(self.failures)}"))
        return 0 if not self.failures else 1


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    started = time.monotonic()
    code = Demo(Path(sys.argv[1]), Path(sys.argv[2])).main()
    print(f"(demo steps took {time.monotonic() - started:.1f} s)")
    sys.exit(code)
