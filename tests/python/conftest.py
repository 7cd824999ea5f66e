"""The simulated board for the package's tests, and the programs they use.

ctest sets TARNBOARD (the simulated board), TARNVIEW_CLI, TARNVIEW_LIBRARY
and PYTHONPATH (the package's folder)."""

import os
import subprocess

import pytest


class Board:
    """tarnboard on a pseudo-terminal of its own; its messages in `log`."""

    def __init__(self, args, log):
        self.log = log
        self.process = subprocess.Popen([os.environ["TARNBOARD"], *args], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=open(log, "w"), text=True)
        self.device = self.process.stdout.readline().strip()

    def stop(self):
        self.process.terminate()
        self.process.wait()
        return open(self.log, encoding="utf-8").read()


@pytest.fixture
def board(tmp_path):
    """A function that starts a board with tarnboard's arguments."""
    boards = []

    def start(*args):
        boards.append(Board(args, tmp_path / f"board{len(boards)}.txt"))
        return boards[-1]

    # A loaded machine may keep replies from coming within 100 ms.
    os.environ.setdefault("TARNVIEW_REPLY_MS", "10000")
    yield start
    for b in boards:
        b.stop()
