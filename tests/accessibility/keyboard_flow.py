#!/usr/bin/python3
"""The window as a screen reader and a keyboard-only user meet it.

Starts PROGRAM under its own Xvfb and D-Bus session against the simulated
board, reads the window through AT-SPI and checks that every control has a
name, a description and its role, that Tab visits the controls in the
designed order, and that connecting, measuring and saving work from the
keyboard alone (Space and Enter on buttons, arrows on option buttons and
combo boxes).

    keyboard_flow.py PROGRAM TARNBOARD MODEL
"""

import ctypes
import os
import signal
import subprocess
import sys
import tempfile
import time

# Roles of the window's controls, by the kind in the control table.
CONTROL_ROLES = {"text", "label", "push button", "combo box", "chart", "panel", "radio button"}
CONTROL_COUNT = {"tarnview": 25, "tarnview_solo": 21}

KEY_TAB, KEY_SPACE, KEY_RETURN, KEY_DOWN = 0xFF09, 0x20, 0xFF0D, 0xFF54


def main():
    program, board, model = sys.argv[1:4]
    for path in (program, board):
        if not os.access(path, os.X_OK):
            sys.exit(path + " is not built")
    # A stop by the test runner still runs the clean-up below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))
    children = []
    scratch = tempfile.TemporaryDirectory(prefix="tarnview-a11y-")
    try:
        # The accessibility bus puts its socket in the runtime folder: one of
        # our own, so that no other session's bus is met.
        os.environ["XDG_RUNTIME_DIR"] = scratch.name
        home = os.path.join(scratch.name, "home")
        os.mkdir(home)
        # Xvfb first, then a D-Bus session that knows the display: the AT-SPI
        # registry it starts on demand synthesises the keys there. Without
        # -noreset the server restarts whenever its last client leaves, and a
        # program connecting just then fails.
        os.environ["DISPLAY"] = ":" + read_line_from(
            children, ["Xvfb", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
                       "-displayfd"])
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = read_line_from(
            children, ["dbus-daemon", "--session", "--nofork", "--print-address"])
        return Session(program, board, model, children, home).run()
    finally:
        for child in reversed(children):
            child.terminate()
            try:
                child.wait(timeout=10)
            except subprocess.TimeoutExpired:
                child.kill()
        scratch.cleanup()


def read_line_from(children, args):
    """Starts a server that prints one line on the descriptor it is given."""
    read_fd, write_fd = os.pipe()
    children.append(spawn(args + [str(write_fd)], pass_fds=(write_fd,),
                          stderr=subprocess.DEVNULL))
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


def focus_x_window(title):
    """Gives the window the input focus, as a window manager would on start."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    window_list = ctypes.POINTER(ctypes.c_ulong)
    x11.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, window_list, window_list,
                               ctypes.POINTER(window_list), ctypes.POINTER(ctypes.c_uint)]
    x11.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
    x11.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
    for f in ("XFlush", "XCloseDisplay"):
        getattr(x11, f).argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    try:
        root, parent, count = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_uint()
        children = window_list()
        x11.XQueryTree(display, x11.XDefaultRootWindow(display), ctypes.byref(root),
                       ctypes.byref(parent), ctypes.byref(children), ctypes.byref(count))
        for i in range(count.value):
            name = ctypes.c_char_p()
            if x11.XFetchName(display, children[i], ctypes.byref(name)) and \
                    name.value and name.value.decode("utf-8", "replace") == title:
                x11.XSetInputFocus(display, children[i], 2, 0)  # RevertToParent, CurrentTime
                x11.XFlush(display)
                return True
        return False
    finally:
        x11.XCloseDisplay(display)


class Session:
    def __init__(self, program, board, model, children, home):
        import pyatspi  # once the session bus is there
        self.at = pyatspi
        self.name = os.path.basename(program)
        self.program, self.board, self.model = program, board, model
        self.children = children
        self.home = home  # the save dialog opens here

    def run(self):
        # The board serves until its standard input, held here, closes.
        board = spawn([self.board, "--model", self.model], stdin=subprocess.PIPE,
                      stdout=subprocess.PIPE, text=True)
        self.children.append(board)
        device = board.stdout.readline().strip()
        env = dict(os.environ, TARNVIEW_COM4=device, HOME=self.home, QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        program = spawn([self.program], env=env)
        self.children.append(program)
        self.app = wait_for("the program on the accessibility bus", self.find_app)
        self.frame = wait_for("its window", lambda: self.app.childCount and self.app[0])
        self.check_controls()
        wait_for("the window to take the focus", lambda: focus_x_window(self.frame.name))
        self.check_tab_order()
        self.connect_measure_save()
        # Back from the dialog, the window manager would give the window
        # the focus again.
        wait_for("the window to take the focus", lambda: focus_x_window(self.frame.name))
        self.tab_to("終了")
        self.press(KEY_SPACE)
        assert program.wait(timeout=20) == 0, "the program did not end cleanly"
        print(self.name + ": names, roles, tab order and the keyboard flow hold")
        return 0

    def find_app(self):
        for app in self.at.Registry.getDesktop(0):
            if app is not None and app.name == self.name:
                return app
        return None

    # The window's controls: every object below the window, without the
    # parts inside a combo box (its list and edit field).
    def controls(self, window=None, into_combo_boxes=False):
        found = []

        def walk(node):
            for child in node:
                found.append(child)
                if into_combo_boxes or child.getRoleName() != "combo box":
                    walk(child)
        walk(window or self.frame)
        return found

    def find(self, name_prefix):
        matches = [c for c in self.controls() if c.name.startswith(name_prefix)]
        return matches[0] if len(matches) == 1 else None

    def control(self, name_prefix):
        found = self.find(name_prefix)
        assert found is not None, f"no single control named {name_prefix!r}"
        return found

    def has(self, node, state):
        return node.getState().contains(state)

    def focused(self):
        focused = [c for c in self.controls() if self.has(c, self.at.STATE_FOCUSED)]
        return focused[0] if len(focused) == 1 else None

    def press(self, key, times=1):
        for _ in range(times):
            self.at.Registry.generateKeyboardEvent(key, None, self.at.KEY_SYM)

    def type(self, text):
        self.at.Registry.generateKeyboardEvent(0, text, self.at.KEY_STRING)

    def tab_to(self, name_prefix):
        for _ in range(30):
            now = self.focused()
            if now is not None and now.name.startswith(name_prefix):
                return now
            before = now
            self.press(KEY_TAB)
            wait_for("the focus to move", lambda: self.focused() not in (None, before))
        raise AssertionError("Tab never reaches " + name_prefix)

    def text_of(self, name_prefix):
        node = self.control(name_prefix)
        return node.queryText().getText(0, -1)

    def check_controls(self):
        controls = self.controls()
        assert len(controls) == CONTROL_COUNT[self.name], [c.name for c in controls]
        for c in controls:
            assert c.getRoleName() in CONTROL_ROLES, (c.getRoleName(), c.name)
            assert c.name and c.description, (c.getRoleName(), c.name, c.description)
            for part in c if c.getRoleName() == "combo box" else []:
                if part.getRoleName() == "text":
                    assert part.name, "the edit field of " + c.name
        names = [c.name for c in controls]
        assert len(set(names)) == len(names), names

    def check_tab_order(self):
        # The window lists its controls in the designed tab order; only one
        # option of a group (the checked one) is a tab stop.
        def stop(c):
            role = c.getRoleName()
            return role in ("text", "push button", "combo box") or (
                role == "radio button" and self.has(c, self.at.STATE_CHECKED))
        expected = [c.name for c in self.controls() if stop(c)]
        seen = [wait_for("the first control to have the focus", self.focused).name]
        for _ in expected:
            self.press(KEY_TAB)
            wait_for("the focus to move on",
                     lambda: self.focused() is not None and self.focused().name != seen[-1])
            seen.append(self.focused().name)
        assert seen == expected + expected[:1], seen

    def connect_measure_save(self):
        self.tab_to("接続確認")
        self.press(KEY_SPACE)
        wait_for("the connection", lambda: self.find("閉じる"))
        wait_for("the rate list", lambda: not self.control("出力データレート").name.endswith("---"))

        self.tab_to("データ個数 (")  # Tab selects the whole text, typing replaces it
        self.type("300")
        wait_for("the typed count", lambda: self.text_of("データ個数 (") == "300")

        self.tab_to("バイナリデータ")
        self.press(KEY_DOWN)
        wait_for("the arrow to check mV data",
                 lambda: self.has(self.control("mV データ"), self.at.STATE_CHECKED))

        self.tab_to("チャンネル")
        self.press(KEY_DOWN, 2)
        wait_for("the arrows to choose both channels",
                 lambda: self.control("チャンネル").name.endswith("CH0 / CH1"))

        self.tab_to("測定開始")
        self.press(KEY_RETURN)
        status = wait_for("the finished summary", lambda: self.text_of("状態").startswith(
            "測定終了... ") and self.text_of("状態"))
        assert "[mV pp] : CH0=" in status and ", CH1=" in status, status
        assert not self.control("目盛り 上端").name.endswith("---"), "the scale was not spoken"

        self.tab_to("データ保存")
        self.press(KEY_SPACE)
        # The save dialog opens with the focus in its file name field.
        def file_name_field():
            for window in list(self.app)[1:]:
                for node in self.controls(window, into_combo_boxes=True):
                    if node.getRoleName() == "text" and self.has(node, self.at.STATE_FOCUSED):
                        return node
            return None
        wait_for("the save dialog's file name field", file_name_field)
        path = os.path.join(self.home, "keyboard.csv")
        self.type(path)
        self.press(KEY_RETURN)
        wait_for("the saved file", lambda: os.path.exists(path) and os.path.getsize(path) > 0)
        with open(path, "rb") as saved:
            rows = saved.read().split(b"\r\n")
        assert len(rows) >= 300, f"{len(rows)} lines in the saved file"


if __name__ == "__main__":
    sys.exit(main())
