#!/usr/bin/env python3
"""Starts test database servers on request, for client tests that run under Wine.

A Windows test cannot start the native test database itself, so this native helper does it:
  testdb_launcher.py start STATE_DIR TESTDB_EXE   (background; writes STATE_DIR/launcher.port)
  testdb_launcher.py stop STATE_DIR
Each request is one line on its own connection, fields separated by tabs:
  run <args...>    runs testdb with the arguments, answers "ok" or "failed <code>"
  serve <args...>  starts "testdb serve <args> --port 0", answers its port; the server stops
                   when the requesting connection closes
"""
import os
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time


def handle(conn, exe):
    with conn:
        line = conn.makefile("r", encoding="utf-8").readline().rstrip("\n")
        command, *args = line.split("\t")
        if command == "run":
            code = subprocess.call([exe] + args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            conn.sendall(b"ok\n" if code == 0 else f"failed {code}\n".encode())
        elif command == "serve":
            with tempfile.TemporaryDirectory() as tmp:
                port_file = os.path.join(tmp, "port")
                server = subprocess.Popen([exe, "serve"] + args + ["--port", "0", "--port-file", port_file, "--quiet"])
                try:
                    deadline = time.time() + 20
                    while time.time() < deadline and not (os.path.exists(port_file) and open(port_file).read().strip()):
                        time.sleep(0.01)
                    conn.sendall((open(port_file).read().strip() if os.path.exists(port_file) else "0").encode() + b"\n")
                    while conn.recv(1024):
                        pass
                finally:
                    server.terminate()
                    server.wait()
        else:
            conn.sendall(b"failed unknown-command\n")


def serve(state, exe):
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    with open(os.path.join(state, "launcher.port.tmp"), "w") as f:
        f.write(f"{listener.getsockname()[1]}\n")
    os.replace(os.path.join(state, "launcher.port.tmp"), os.path.join(state, "launcher.port"))
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=handle, args=(conn, exe), daemon=True).start()


def main():
    action, state = sys.argv[1], sys.argv[2]
    os.makedirs(state, exist_ok=True)
    pid_file = os.path.join(state, "launcher.pid")
    if action == "start":
        exe = sys.argv[3]
        if not os.access(exe, os.X_OK):
            print(f"testdb launcher: {exe} not built; client tests will be skipped")
            return 0
        for name in ("launcher.port", pid_file):
            if os.path.exists(os.path.join(state, name)):
                os.remove(os.path.join(state, name))
        child = subprocess.Popen([sys.executable, __file__, "serve", state, exe], start_new_session=True,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(pid_file, "w") as f:
            f.write(str(child.pid))
        for _ in range(500):
            if os.path.exists(os.path.join(state, "launcher.port")):
                return 0
            time.sleep(0.01)
        print("testdb launcher did not start", file=sys.stderr)
        return 1
    if action == "serve":
        serve(state, sys.argv[3])
    if action == "stop" and os.path.exists(pid_file):
        try:
            os.killpg(int(open(pid_file).read()), signal.SIGTERM)
        except ProcessLookupError:
            pass
        os.remove(pid_file)
    return 0


if __name__ == "__main__":
    sys.exit(main())
