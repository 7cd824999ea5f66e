#!/usr/bin/python3
"""drive_qt.py PROGRAM RECORDS: for scripts/screenshots, drives the running Qt window PROGRAM
through AT-SPI as a user would: connects to the board on COM4, chooses both channels and 65535
records, starts the measurement and waits until RECORDS have arrived. Then prints the window's
place on the screen, "WIDTHxHEIGHT+X+Y", and leaves the measurement running."""

import sys
import time

import pyatspi

KEY_DOWN = 0xFF54


def wait_for(what, condition, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    sys.exit("drive_qt.py: timed out waiting for " + what)


def main():
    program, records = sys.argv[1], int(sys.argv[2])
    app = wait_for("the program on the accessibility bus", lambda: next(
        (a for a in pyatspi.Registry.getDesktop(0) if a and a.name == program), None))
    frame = wait_for("its window", lambda: app.childCount and app[0])

    def controls(node):
        return [d for k in node for d in
                [k] + ([] if k.getRoleName() == "combo box" else controls(k))]

    def control(name_prefix, role=None):
        found = [c for c in controls(frame)
                 if c.name.startswith(name_prefix) and role in (None, c.getRoleName())]
        assert len(found) == 1, f"no single control named {name_prefix!r}"
        return found[0]

    def text_of(name_prefix, role=None):
        return control(name_prefix, role).queryText().getText(0, -1)

    def press(name_prefix):
        control(name_prefix, "push button").queryAction().doAction(0)

    press("接続確認")
    wait_for("the board's rate", lambda: not control("出力データレート").name.endswith("---"))
    # A list takes its choice from the keyboard; with no window manager, Qt
    # takes the focus on a click into the window.
    x, y = frame.queryComponent().getPosition(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + 4, y + 4, "b1c")
    wait_for("the window to take the focus", lambda: frame.getState().contains(pyatspi.STATE_ACTIVE))
    channels = control("チャンネル")
    action = channels.queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index("SetFocus"))
    wait_for("the channel list's focus", lambda: channels.getState().contains(pyatspi.STATE_FOCUSED))
    for _ in range(2):
        pyatspi.Registry.generateKeyboardEvent(KEY_DOWN, None, pyatspi.KEY_SYM)
    wait_for("both channels", lambda: control("チャンネル").name.endswith("CH0 / CH1"))
    control("データ個数", "text").queryEditableText().setTextContents("65535")
    wait_for("the count", lambda: text_of("データ個数", "text") == "65535")
    press("測定開始")

    def received():
        status = text_of("状態")
        return int(status.split("/")[0]) if status.split("/")[0].isdigit() else 0

    wait_for(f"{records} records", lambda: received() >= records, seconds=120)
    extents = frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    print(f"{extents.width}x{extents.height}+{extents.x}+{extents.y}")


if __name__ == "__main__":
    main()
