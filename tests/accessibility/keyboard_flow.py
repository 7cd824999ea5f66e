#!/usr/bin/python3
"""keyboard_flow.py PROGRAM TARNBOARD MODEL: the window as a screen reader and a keyboard-only
user meet it, against the simulated board under an Xvfb and D-Bus session of its own: each
control's role, name and description, the tab order, and connecting, measuring and saving from
the keyboard, the count set as a screen reader sets it."""

import ctypes
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

CONTROL_ROLES = {"text", "label", "push button", "combo box", "chart", "panel", "radio button"}
CONTROL_COUNT = {"tarnview": 25, "tarnview_solo": 21}
GLOSS = re.compile(r"[(（][^)）]*[A-Za-z]")  # "状態 (Status)": an English gloss in brackets
KEY_TAB, KEY_SPACE, KEY_RETURN, KEY_DOWN = 0xFF09, 0x20, 0xFF0D, 0xFF54


def main():
    program, board, model = sys.argv[1:4]
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))  # still clean up
    children = []
    scratch = tempfile.TemporaryDirectory(prefix="tarnview-a11y-")
    try:
        # Our own runtime folder: no other session's accessibility bus is met.
        os.environ["XDG_RUNTIME_DIR"] = scratch.name
        home = os.path.join(scratch.name, "home")  # where the save dialog opens
        os.mkdir(home)
        # Without -noreset Xvfb restarts whenever its last client leaves.
        os.environ["DISPLAY"] = ":" + read_line_from(children, [
            "Xvfb", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset", "-displayfd"])
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = read_line_from(
            children, ["dbus-daemon", "--session", "--nofork", "--print-address"])
        # The board serves until its standard input, held here, closes.
        children.append(spawn([board, "--model", model], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, text=True))
        # However loaded the machine, the board's replies are waited for.
        env = dict(os.environ, TARNVIEW_COM4=children[-1].stdout.readline().strip(), HOME=home,
                   QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   TARNVIEW_REPLY_MS="10000")
        children.append(spawn([program], env=env))
        return Session(os.path.basename(program), home).run(children[-1])
    finally:
        for child in reversed(children):
            child.kill()
            child.wait()
        scratch.cleanup()


def read_line_from(children, args):
    """Starts a server that prints one line on the descriptor it is given."""
    read_fd, write_fd = os.pipe()
    children.append(spawn(args + [str(write_fd)], pass_fds=(write_fd,), stderr=subprocess.DEVNULL))
    os.close(write_fd)
    with os.fdopen(read_fd) as line:
        return line.readline().strip()


def spawn(args, **options):
    """Starts a child that is killed when this process ends, however it ends."""
    libc = ctypes.CDLL(None, use_errno=True)
    return subprocess.Popen(args, preexec_fn=lambda: libc.prctl(1, signal.SIGKILL), **options)


def wait_for(what, condition, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


class Session:
    def __init__(self, name, home):
        import pyatspi  # once the session bus is there
        self.at, self.name, self.home = pyatspi, name, home

    def run(self, program):
        self.app = wait_for("the program on the accessibility bus", lambda: next(
            (a for a in self.at.Registry.getDesktop(0) if a and a.name == self.name), None))
        self.frame = wait_for("its window", lambda: self.app.childCount and self.app[0])
        self.check_controls()
        self.activate()
        self.check_tab_order()
        self.connect_measure_save()
        self.activate()  # back from the dialog
        self.tab_to("終了")
        self.key(KEY_SPACE)
        assert program.wait(timeout=20) == 0, "the program did not end cleanly"
        print(self.name + ": names, roles, tab order and the keyboard flow hold")
        return 0

    def activate(self):
        """Clicks an empty corner of the window: with no window manager, Qt takes the focus."""
        x, y = self.frame.queryComponent().getPosition(self.at.DESKTOP_COORDS)
        self.at.Registry.generateMouseEvent(x + 4, y + 4, "b1c")
        wait_for("the window to take the focus", lambda: self.has(self.frame, self.at.STATE_ACTIVE))

    def controls(self, node=None):
        """Every object below the window in order, without the parts of a combo box."""
        return [d for k in (self.frame if node is None else node) for d in
                [k] + ([] if k.getRoleName() == "combo box" else self.controls(k))]

    def control(self, name_prefix, role=None):
        found = [c for c in self.controls()
                 if c.name.startswith(name_prefix) and role in (None, c.getRoleName())]
        assert len(found) == 1, f"no single control named {name_prefix!r}"
        return found[0]

    def has(self, node, state):
        return node.getState().contains(state)

    def focused(self):
        focused = [c for c in self.controls() if self.has(c, self.at.STATE_FOCUSED)]
        return focused[0] if len(focused) == 1 else None

    def key(self, sym, times=1, text=None):
        for _ in range(times):
            self.at.Registry.generateKeyboardEvent(sym, text, self.at.KEY_STRING if text else
                                                   self.at.KEY_SYM)

    def tab_to(self, name_prefix):
        for _ in range(30):
            now = self.focused()
            if now is not None and now.name.startswith(name_prefix):
                return
            self.key(KEY_TAB)
            wait_for("the focus to move", lambda: self.focused() not in (None, now))
        raise AssertionError("Tab never reaches " + name_prefix)

    def text_of(self, name_prefix, role=None):
        return self.control(name_prefix, role).queryText().getText(0, -1)

    def check_controls(self):
        controls = self.controls()
        assert len(controls) == CONTROL_COUNT[self.name], [c.name for c in controls]
        for c in controls:
            assert c.getRoleName() in CONTROL_ROLES, (c.getRoleName(), c.name)
            edits = [e for e in c if e.getRoleName() == "text" and c.getRoleName() == "combo box"]
            for node in [c] + edits:
                assert node.name and node.description, (node.getRoleName(), node.name)
                assert not GLOSS.search(node.name + node.description), (node.name, node.description)
        spoken = [(c.getRoleName(), c.name) for c in controls]
        assert len(set(spoken)) == len(spoken), spoken

    def check_tab_order(self):
        # Tab visits the controls in the order the window lists them; of a group of options
        # only the checked one is a tab stop.
        stops = [c.name for c in self.controls() if self.has(c, self.at.STATE_CHECKED) or
                 c.getRoleName() in ("text", "push button", "combo box")]
        seen = [wait_for("the first control to have the focus", self.focused).name]
        while len(seen) <= len(stops):
            self.key(KEY_TAB)
            seen.append(wait_for("the focus to move on", lambda: (
                f := self.focused()) is not None and f.name != seen[-1] and f).name)
        assert seen == stops + stops[:1], seen

    def connect_measure_save(self):
        self.tab_to("接続確認")
        self.key(KEY_SPACE)
        wait_for("the rate list", lambda: not self.control("出力データレート").name.endswith("---"))
        self.tab_to("データ個数")  # Tab selects the whole text, typing replaces it
        self.key(0, text="300")
        wait_for("the typed count", lambda: self.text_of("データ個数", "text") == "300")
        # Then as a screen reader or voice control sets it: the measurement follows that.
        self.control("データ個数", "text").queryEditableText().setTextContents("5")
        wait_for("the count set", lambda: self.text_of("データ個数", "text") == "5")
        self.tab_to("バイナリデータ")
        self.key(KEY_DOWN)
        wait_for("the arrow to check mV data",
                 lambda: self.has(self.control("mV データ"), self.at.STATE_CHECKED))
        self.tab_to("チャンネル")
        self.key(KEY_DOWN, 2)
        wait_for("the arrows to choose both channels",
                 lambda: self.control("チャンネル").name.endswith("CH0 / CH1"))
        self.tab_to("測定開始")
        self.key(KEY_RETURN)
        status = wait_for("the summary", lambda: self.text_of("状態").startswith(
            "測定終了... ") and self.text_of("状態"))
        assert "[mV pp] : CH0=" in status and ", CH1=" in status, status
        assert not self.control("目盛り 上端").name.endswith("---"), "the scale was not spoken"
        self.tab_to("データ保存")
        self.key(KEY_SPACE)  # the save dialog opens with the focus in its file name field
        wait_for("the save dialog's file name field", lambda: any(
            n.getRoleName() == "text" and self.has(n, self.at.STATE_FOCUSED)
            for w in list(self.app)[1:] for n in self.controls(w)))
        path = os.path.join(self.home, "keyboard.csv")
        self.key(0, text=path)
        self.key(KEY_RETURN)
        saved = wait_for("the saved file", lambda: os.path.exists(path) and Path(path).read_bytes())
        # Seven heading lines, then the records: as many as the count set.
        assert saved.count(b"\r\n") == 7 + 5 and saved.endswith(b"\r\n"), saved


if __name__ == "__main__":
    sys.exit(main())
