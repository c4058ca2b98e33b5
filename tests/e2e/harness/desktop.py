"""Windows and message boxes on the session's display, read and answered through the dialog helper."""
import json
import re
import subprocess
from pathlib import Path
from typing import List, Optional

from .wine import Wine

MESSAGE_BOX_CLASS = "#32770"


def _filter(cls: Optional[str], title: Optional[str], timeout: Optional[float]) -> list:
    args = ["--visible"]
    if cls:
        args += ["--class", cls]
    if title:
        args += ["--title", title]
    if timeout is not None:
        args += ["--timeout", f"{timeout:g}"]
    return args


class Desktop:
    def __init__(self, wine: Wine, wintool, artifacts: Path):
        self._wine = wine
        self._wintool = wintool
        self._artifacts = artifacts
        artifacts.mkdir(parents=True, exist_ok=True)

    def _tool(self, *args, timeout: float) -> List[dict]:
        output = self._wine.run(self._wintool, *args, timeout=timeout + 15)
        return [json.loads(line) for line in output.splitlines() if line.strip()]

    def windows(self, cls: Optional[str] = None) -> List[dict]:
        """The visible top-level windows (of class `cls`), with their child controls."""
        return self._tool("list", *_filter(cls, None, None), timeout=0)

    def wait_window(self, cls: Optional[str] = None, title: Optional[str] = None, timeout: float = 20) -> dict:
        return self._tool("wait-window", *_filter(cls, title, timeout), timeout=timeout)[0]

    def message_box(self, timeout: float = 20, shot: Optional[str] = None) -> dict:
        """The next message box: caption, text, buttons and icon; saved as a screenshot named `shot`."""
        window = self.wait_window(MESSAGE_BOX_CLASS, timeout=timeout)
        if shot:
            self.screenshot(window, shot)
        return self._tool("messagebox", *_filter(MESSAGE_BOX_CLASS, None, 5), timeout=5)[0]

    def press(self, caption: str) -> None:
        self._tool("press", caption, *_filter(MESSAGE_BOX_CLASS, None, 5), timeout=5)

    def click(self, button: str, cls: str) -> None:
        self._tool("click", "--button", button, *_filter(cls, None, 5), timeout=5)

    def close(self, cls: str) -> None:
        self._tool("close", *_filter(cls, None, 5), timeout=5)

    def screenshot(self, window: dict, name: str) -> Path:
        """Grabs the screen area of `window` (as the dialog helper describes it) into the artifacts."""
        left, top, right, bottom = window["rect"]
        target = self._artifacts / f"{re.sub(r'[^A-Za-z0-9_.-]+', '_', name)}.png"
        subprocess.run(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                        str(target)], env=self._wine.env, check=True, timeout=30)
        return target
