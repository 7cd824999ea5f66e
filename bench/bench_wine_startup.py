#!/usr/bin/env python3
"""The Windows window's start-up under wine, as bench_program times the Linux one.

    bench/bench_wine_startup.py build/windows/src/ui/win32/tarnview.exe [RUNS]

Launches tarnview.exe with TARNVIEW_STARTUP_PROBE=1 on a screen of its own
(Xvfb) in a wine prefix of its own (WINEPREFIX, else perf-wineprefix beside
the program's build folder), once to warm the caches and then RUNS times (20):
the time from the launch of wine to the printed line, and the time the
program prints, from its process's creation to the end of its first paint.
Each launch waits for a moment of idle cores first (five minutes in all at
most). With TARNVIEW_BENCH_TSV naming a file, the figures are appended there
as bench_program's are.
"""

import math
import os
import re
import statistics
import subprocess
import sys
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


def figure(name, value, unit):
    path = os.environ.get("TARNVIEW_BENCH_TSV")
    if path:
        # At least four significant digits, never in exponent form.
        decimals = max(0, 3 - math.floor(math.log10(abs(value)))) if value else 3
        with open(path, "a", encoding="utf-8") as out:
            out.write(f"{name}\t{value:.{decimals}f}\t{unit}\n")


def machine_ticks():
    """All CPU ticks since boot and the idle ones (/proc/stat)."""
    with open("/proc/stat", encoding="ascii") as stat:
        values = [int(v) for v in stat.readline().split()[1:9]]
    return sum(values), values[3] + values[4]


def wait_for_quiet(until):
    """Waits until `until` at most for 300 ms in which the cores are idle:
    other engineers' builds on a shared machine make the figures worthless."""
    while time.monotonic() < until:
        before = machine_ticks()
        time.sleep(0.3)
        after = machine_ticks()
        if after[0] > before[0] and after[1] - before[1] >= 0.97 * (after[0] - before[0]):
            return True
    return False


def main():
    exe = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    build = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(exe))))
    prefix = os.environ.get("WINEPREFIX") or os.path.join(build, "perf-wineprefix")
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    quiet = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL,
             "stderr": subprocess.DEVNULL}
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        subprocess.run([WINE, "wineboot", "-i"], env=env, check=True, **quiet)
        subprocess.run([WINESERVER, "-w"], env=env, check=True, **quiet)
    screen = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24",
                               "-nolisten", "tcp"], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL)
    launch, inProgram = [], []
    try:
        env["DISPLAY"] = ":" + screen.stdout.readline().decode().strip()
        env["TARNVIEW_STARTUP_PROBE"] = "1"
        # One server for every launch, as on a desktop where wine already runs.
        subprocess.run([WINESERVER, "-p"], env=env, check=True, **quiet)
        patience = time.monotonic() + 300
        calm = 0
        for run in range(runs + 1):
            calm += wait_for_quiet(patience) and run > 0
            start = time.perf_counter()
            program = subprocess.Popen([WINE, exe], env=env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            line = program.stdout.readline().decode()
            took = (time.perf_counter() - start) * 1e3
            program.wait()
            found = re.match(r"first paint ([0-9.]+) ms after launch", line)
            if not found:
                sys.exit(f"{exe} printed no first paint: {line!r}")
            if run > 0:  # the first warms the page cache and wine's own
                launch.append(took)
                inProgram.append(float(found.group(1)))
    finally:
        subprocess.run([WINESERVER, "-k"], env=env, **quiet)
        screen.kill()
    print(f"tarnview.exe under wine: {calm} of {runs} launches after a moment of idle cores")
    figure("tarnview.exe under wine, launches after a moment of idle cores", calm, f"of {runs}")
    for what, values in (("launch to first paint", launch),
                         ("process creation to first paint", inProgram)):
        best, median = min(values), statistics.median(values)
        print(f"tarnview.exe under wine, {what} ({runs} runs): median {median:.1f} ms, "
              f"best {best:.1f} ms")
        figure(f"tarnview.exe under wine, {what}: median", median, "ms")
        figure(f"tarnview.exe under wine, {what}: best", best, "ms")


if __name__ == "__main__":
    main()
