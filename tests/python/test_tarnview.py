"""The Python package against the simulated board: the values against the
data file's rows and the program's figures, and each way a run fails or is
cut short."""

import json
import os
import signal
import subprocess
import sys
import threading

import numpy
import pytest

import tarnview


def file_rows(path, binary):
    """The data file's values, read without the package: (channels, n)."""
    lines = open(path, encoding="utf-8").read().splitlines()[7:]
    rows = [[int(f, 16) if binary else float(f) for f in line.split(",")] for line in lines]
    return numpy.array(rows).T


@pytest.mark.parametrize("channels, fmt", [(0, "binary"), ("both", "binary"), (1, "mv"),
                                           ("both", "mv")])
def test_values_are_the_files_and_figures_the_programs(board, tmp_path, channels, fmt):
    b = board("--no-pacing", "--noise", "20")
    path = tmp_path / "run.csv"
    with tarnview.Board(b.device) as device:
        run = device.measure(count=300, channels=channels, format=fmt)
    run.save(path)
    back = tarnview.read(path)
    assert run.values.shape == (2 if channels == "both" else 1, 300)
    assert run.values.dtype == (numpy.int64 if fmt == "binary" else numpy.float64)
    numpy.testing.assert_array_equal(run.values, file_rows(path, fmt == "binary"))
    numpy.testing.assert_array_equal(back.values, run.values)
    assert (back.channels, back.format, back.rate_text) == (run.channels, run.format, run.rate_text)
    stats = subprocess.run([os.environ["TARNVIEW_CLI"], "stats", "--json", str(path)],
                           capture_output=True, check=True)
    assert tarnview.analyse(back) == tarnview.analyse(run) == json.loads(stats.stdout)["figures"]
    for runs, title in ((run, "<title>"), ([run, back], "run 2")):
        tarnview.report(runs, tmp_path / "report.html")
        assert title in (tmp_path / "report.html").read_text(encoding="utf-8")


def test_failures_give_the_programs_messages_and_keep_what_came(board):
    lost = board("--unplug-after", "30")
    with pytest.raises(tarnview.PortError) as e, tarnview.Board(lost.device) as device:
        device.measure(count=1000)
    assert "30" in str(e.value) and e.value.run.received == 30 and e.value.run.end == "port lost"
    assert e.value.run.values.shape == (1, 30)
    refusing = board("--refuse")
    with pytest.raises(tarnview.BoardError, match="測定開始エラー"), \
            tarnview.Board(refusing.device) as device:
        device.measure(count=10)
    with pytest.raises(tarnview.PortError, match="COM Open 失敗"):
        tarnview.Board("/nonexistent/tty")
    with pytest.raises(tarnview.ArgumentError):
        tarnview.Board("COM17")
    with pytest.raises(tarnview.DataFileError, match="cannot read"):
        tarnview.read("/nonexistent.csv")
    with pytest.raises(tarnview.ArgumentError, match="no runs"):
        tarnview.report([], "/tmp/never.html")


def test_stops_from_the_callback_another_thread_and_ctrl_c(board):
    b = board("--no-pacing")
    with tarnview.Board(b.device) as device:
        calls = []
        run = device.measure(count=60000, progress=lambda n, total: calls.append(total) or n >= 20)
        assert run.end == "stopped" and 20 <= run.received < 60000 and calls[0] == 60000
        assert device.measure(count=5).received == 5  # the stopped stream's tail is no reply
    # The library waits without the GIL: another thread's stop is seen.
    with tarnview.Board(board().device) as device:
        threading.Timer(0.3, device.stop).start()
        assert device.measure(count=0).end == "stopped"
    # Ctrl-C: the stop command (the sixth line: ?, S?, F?, F7, start, stop),
    # then KeyboardInterrupt.
    paced = board("--unplug-at-command", "6")
    with tarnview.Board(paced.device) as device:
        threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT)).start()
        with pytest.raises(KeyboardInterrupt):
            device.measure(count=60000)
    assert "at command 6" in paced.stop()


def test_example_prints_the_noise_at_each_rate(board):
    b = board("--no-pacing")
    example = os.path.join(os.path.dirname(__file__), "../../examples/noise_vs_rate.py")
    out = subprocess.run([sys.executable, example, b.device, "--rates", "5sps,8", "--count", "200"],
                         capture_output=True, text=True, check=True).stdout
    assert [line.split()[0] for line in out.splitlines()[1:]] == ["5sps", "100.2sps"], out


def test_sweep_saves_each_rate_and_keeps_what_came_when_the_board_leaves(board, tmp_path):
    with tarnview.Board(board("--no-pacing").device) as device:
        sweep = device.sweep(tmp_path, rates=[2, "10sps"], count=40, channels="both")
    assert [(r.end, r.run.rate_text) for r in sweep.runs] == [("finished", "5sps"),
                                                            ("finished", "10sps")]
    for r in sweep.runs:
        numpy.testing.assert_array_equal(tarnview.read(r.file).values, r.run.values)
    assert "10sps" in open(sweep.report, encoding="utf-8").read()
    # The board leaves at the third rate's command: the first two are kept.
    (tmp_path / "lost").mkdir()
    with pytest.raises(tarnview.PortError) as e, \
            tarnview.Board(board("--no-pacing", "--unplug-at-command", "8").device) as device:
        device.sweep(tmp_path / "lost", rates=[2, 3, 4], count=30)
    assert [r.end for r in e.value.sweep.runs] == ["finished", "finished", "port lost"]
