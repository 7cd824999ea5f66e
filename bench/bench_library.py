#!/usr/bin/env python3
"""The Python package's costs: `import tarnview`, and the end of a full
measurement through it.

    TARNVIEW_LIBRARY=build/release/src/capi/libtarnview.so.0 \\
    PYTHONPATH=src/python bench/bench_library.py build/release/tools/boardsim/tarnboard [RUNS]

1. `import tarnview` in a fresh Debian python3, RUNS times (20): its own
   time, measured in the process around the import.
2. measure(65535, "both", "binary") against the unpaced simulated board, RUNS
   times: the time from the last record's arrival to measure()'s return, and
   to the values as a numpy array. A relay process stands between the board's
   pseudo-terminal and one the library opens, and notes (CLOCK_MONOTONIC, as
   time.monotonic() here) when it wrote the last record's end.

With TARNVIEW_BENCH_TSV naming a file, the figures are appended there, one
"name<TAB>value<TAB>unit" line each, as the other benchmarks do.
"""

import os
import select
import statistics
import subprocess
import sys
import time
import tty

COUNT = 65535
RECORD = 14  # two values of six digits, a comma and CR


def figure(name, value, unit):
    print(f"  {name}: {value:.3f} {unit}")
    path = os.environ.get("TARNVIEW_BENCH_TSV")
    if path:
        with open(path, "a") as out:
            out.write(f"{name}\t{value:.4g}\t{unit}\n")


def summary(name, values, unit):
    values = sorted(values)
    figure(f"{name} median", statistics.median(values), unit)
    figure(f"{name} max", values[-1], unit)


def import_times(runs):
    code = "import time; t = time.perf_counter(); import tarnview; " \
           "print((time.perf_counter() - t) * 1000)"
    return [float(subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                                 check=True).stdout) for _ in range(runs)]


def relay(board_device, library_fd, report_fd):
    """Copies bytes both ways; after the start command, writes to report_fd
    the monotonic time at which the last record's end was passed on."""
    board = os.open(board_device, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(board)
    to_board, streamed, started = b"", 0, False
    while True:
        ready, _, _ = select.select([board, library_fd], [], [])
        if library_fd in ready:
            try:
                chunk = os.read(library_fd, 65536)
            except OSError:
                return
            to_board += chunk
            started = started or b"\rA" in b"\r" + to_board
            os.write(board, chunk)
        if board in ready:
            chunk = os.read(board, 65536)
            view = memoryview(chunk)
            while view:
                view = view[os.write(library_fd, view):]
            if started:
                streamed += chunk.count(b"\r")
                if streamed >= COUNT:
                    os.write(report_fd, f"{time.monotonic()}\n".encode())
                    started, streamed, to_board = False, 0, b""


def measure_tail(tarnboard, runs):
    import numpy  # noqa: F401  (its first import, some 100 ms, is not the values' cost)

    import tarnview

    board = subprocess.Popen([tarnboard, "--no-pacing", "--ignore-stdin"],
                             stdout=subprocess.PIPE, text=True)
    device = board.stdout.readline().strip()
    master, slave = os.openpty()
    report_read, report_write = os.pipe()
    pid = os.fork()
    if pid == 0:
        relay(device, master, report_write)
        os._exit(0)
    os.close(report_write)
    os.close(master)
    returned, with_values = [], []
    reports = os.fdopen(report_read)
    with tarnview.Board(os.ttyname(slave)) as device_board:
        for _ in range(runs):
            run = device_board.measure(count=COUNT, channels="both", format="binary")
            back = time.monotonic()
            run.values
            done = time.monotonic()
            last = float(reports.readline())
            assert run.received == COUNT, run
            returned.append((back - last) * 1000)
            with_values.append((done - last) * 1000)
    os.kill(pid, 9)
    os.waitpid(pid, 0)
    board.terminate()
    board.wait()
    return returned, with_values


def main():
    tarnboard = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    print(f"import tarnview, {runs} fresh interpreters:")
    summary("python import tarnview", import_times(runs), "ms")
    print(f"measure() of {COUNT} x 2 binary records, unpaced, {runs} runs:")
    returned, with_values = measure_tail(tarnboard, runs)
    summary("python measure return after the last record", returned, "ms")
    summary("python measure values after the last record", with_values, "ms")


if __name__ == "__main__":
    main()
