"""The tarnview data-acquisition board from Python.

A thin layer over libtarnview (the same core, messages and data files as the
tarnview window and tarnview-cli)::

    import tarnview
    with tarnview.Board("COM4", model="pellan2") as board:
        info = board.check()
        board.set_rate("100.2sps")
        run = board.measure(count=1000, channels="both", format="binary")
        run.values          # numpy array (channels, n): int64 codes or float64 mV
        run.save("run.csv")
    figures = tarnview.analyse(tarnview.read("run.csv"))

The library is the one beside this package, or the one TARNVIEW_LIBRARY
names. While it waits on the board other Python threads run.
"""

from __future__ import annotations

import ctypes
import os
import signal
import threading
from typing import TYPE_CHECKING, Any, Callable, NamedTuple, Sequence, Union

from . import _library as _c

if TYPE_CHECKING:
    import numpy

__all__ = ["Board", "BoardInfo", "Run", "Sweep", "SweepRun", "read", "analyse", "report", "Error", "ArgumentError",
           "PortError", "BoardError", "DataFileError", "ReportError", "__version__"]

_lib = _c.load()


def _version() -> str:
    numbers = [ctypes.c_int() for _ in range(3)]
    _lib.tarn_version(*(ctypes.byref(n) for n in numbers))
    return ".".join(str(n.value) for n in numbers)


__version__: str = _version()

PathLike = Union[str, "os.PathLike[str]"]


class Error(Exception):
    """A failure the library reports; str() is the program's own message.

    A sweep that ran but failed is in its `sweep`; otherwise that is None.
    """

    sweep: Sweep | None = None


class ArgumentError(Error, ValueError):
    """A port name, model, rate, count or channel the board cannot take."""


class PortError(Error):
    """The port could not be opened, or it went away.

    When it went away during measure(), `run` holds the records that came
    (`run.end == "port lost"`); otherwise it is None.
    """

    def __init__(self, message: str, run: Run | None = None) -> None:
        super().__init__(message)
        self.run = run


class BoardError(Error):
    """The board did not answer as it should, or refused the start."""


class DataFileError(Error):
    """A data file could not be read or written, or is no data file."""


class ReportError(Error):
    """The runs give no report, or cannot be compared."""


_ERRORS: dict[int, type[Error]] = {_c.ARGUMENT: ArgumentError, _c.PORT: PortError,
                                   _c.BOARD: BoardError, _c.FILE: DataFileError,
                                   _c.REPORT: ReportError}


def _message() -> str:
    message = ctypes.c_char_p()
    _lib.tarn_last_error(ctypes.byref(message))
    return _c.text(message.value)


def _check(status: int) -> None:
    if status != _c.OK:
        raise _ERRORS.get(status, Error)(_message())


def _path(path: PathLike) -> bytes:
    return os.fsencode(path) if os.name != "nt" else os.fspath(path).encode("mbcs")


_ENDS = {1: "finished", 2: "table full", 4: "stopped", 5: "port lost"}
_CHANNELS = {0: 0, 1: 1, "both": 2, "0": 0, "1": 1}
_FORMATS = {"binary": 0, "mv": 1}


class BoardInfo(NamedTuple):
    """What the connection check tells."""

    ident: str  #: the board's answer to "?"
    settings: str  #: "±2.5V / IntRef / Sinc5+Sinc1"
    rate: int  #: the current rate code
    rate_text: str  #: its text, "1007sps"
    rates: tuple[str, ...]  #: the filter's rates, each at its code


class Run:
    """One measurement, or a data file read back.

    Attributes: `format` ("binary" or "mv"), `channels` (the channel numbers
    measured), `requested`, `received`, `discarded`, `end` ("finished",
    "table full", "stopped" or "port lost"), `status` (the window's status
    text at the end), `rate_code`, `rate_text` and `board_settings`.
    """

    def __init__(self, handle: int, owner: Sweep | None = None) -> None:
        self._handle = ctypes.c_void_p(handle)
        self._owner = owner  # a sweep's run is the sweep's to free
        fmt, channels, code, end = (ctypes.c_int() for _ in range(4))
        requested, received, discarded = (ctypes.c_int32() for _ in range(3))
        rate_text, settings, status = (ctypes.c_char_p() for _ in range(3))
        _check(_lib.tarn_run_settings(self._handle, ctypes.byref(fmt), ctypes.byref(channels),
                                      ctypes.byref(requested), ctypes.byref(code),
                                      ctypes.byref(rate_text), ctypes.byref(settings)))
        _check(_lib.tarn_run_counts(self._handle, ctypes.byref(received), ctypes.byref(discarded),
                                    ctypes.byref(end), ctypes.byref(status)))
        self.format: str = "binary" if fmt.value == 0 else "mv"
        self.channels: tuple[int, ...] = (0, 1) if channels.value == 2 else (channels.value,)
        self.requested: int = requested.value
        self.received: int = received.value
        self.discarded: int = discarded.value
        self.end: str = _ENDS.get(end.value, "finished")
        self.status: str = _c.text(status.value)
        self.rate_code: int = code.value
        self.rate_text: str = _c.text(rate_text.value)
        self.board_settings: str = _c.text(settings.value)
        self._values: numpy.ndarray | None = None

    def __del__(self) -> None:
        handle = getattr(self, "_handle", None)
        if handle and getattr(self, "_owner", None) is None:
            _lib.tarn_run_free(handle)

    def __repr__(self) -> str:
        return (f"<tarnview.Run {self.received} records, channels {self.channels}, "
                f"{self.format}, {self.rate_text}, {self.end}>")

    @property
    def values(self) -> numpy.ndarray:
        """The values, shape (channels, received): int64 codes for binary
        data, float64 mV for mV data; row i is channel self.channels[i]."""
        if self._values is None:
            import numpy

            binary = self.format == "binary"
            values = numpy.empty((len(self.channels), self.received),
                                 dtype=numpy.int64 if binary else numpy.float64)
            call = _lib.tarn_run_codes if binary else _lib.tarn_run_millivolts
            for row, channel in enumerate(self.channels):
                _check(call(self._handle, channel, values[row].ctypes.data, self.received, None))
            values.flags.writeable = False
            self._values = values
        return self._values

    def save(self, path: PathLike) -> None:
        """Saves the run as the window saves it, replacing `path` in one step."""
        _check(_lib.tarn_run_save(self._handle, _path(path)))

    def figures(self) -> list[dict[str, Any]]:
        """The noise figures, one dict per channel: see analyse()."""
        return analyse(self)


class Board:
    """A board on a serial port, opened and checked as the window connects.

    `port` is "COM4" as tarnview-cli takes it, or a device path; `model` is
    "pellan2", "quorin2" or "pellan". Use it from one thread at a time;
    stop() may be called from any. Close it, or use it in a `with` block.
    """

    def __init__(self, port: str, model: str = "pellan2") -> None:
        handle = ctypes.c_void_p()
        _check(_lib.tarn_board_open(port.encode(), model.encode(), ctypes.byref(handle)))
        self._handle: ctypes.c_void_p | None = handle

    def __enter__(self) -> Board:
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __del__(self) -> None:
        if getattr(self, "_handle", None):
            self.close()

    def close(self) -> None:
        """Leaves the board at an empty command line and closes the port."""
        handle, self._handle = self._handle, None
        if handle:
            _lib.tarn_board_close(handle)

    def _open(self) -> ctypes.c_void_p:
        if not self._handle:
            raise ArgumentError("the board is closed")
        return self._handle

    def _text(self, call: Callable[..., int], *args: Any) -> str:
        value = ctypes.c_char_p()
        _check(call(self._open(), *args, ctypes.byref(value)))
        return _c.text(value.value)

    def check(self) -> BoardInfo:
        """The connection check: ident, settings, the rate and the rate list."""
        handle = self._open()
        _check(_lib.tarn_board_check(handle))
        count, code = ctypes.c_int(), ctypes.c_int()
        _check(_lib.tarn_board_rate_count(handle, ctypes.byref(count)))
        _check(_lib.tarn_board_rate(handle, ctypes.byref(code)))
        rates = tuple(self._text(_lib.tarn_board_rate_text, i) for i in range(count.value))
        return BoardInfo(self._text(_lib.tarn_board_ident), self._text(_lib.tarn_board_settings),
                         code.value, rates[code.value], rates)

    def set_rate(self, rate: str | int) -> int:
        """Sets the rate, a code (3) or a rate text ("100.2sps"); its code."""
        code = ctypes.c_int()
        _check(_lib.tarn_board_set_rate(self._open(), str(rate).encode(), ctypes.byref(code)))
        return code.value

    def stop(self) -> None:
        """Stops a measure() running on another thread."""
        if self._handle:
            _lib.tarn_board_stop(self._handle)

    def measure(self, count: int, channels: int | str = 0, format: str = "binary",
                progress: Callable[[int, int], object] | None = None) -> Run:
        """Measures `count` records (1 to 65535; 0 until stopped) of
        `channels` (0, 1 or "both") in `format` ("binary" or "mv"), at the
        board's rate, as the window does.

        `progress(received, total)` is called on this thread after each batch
        of records and at least every 200 ms; a true result stops the run
        (the board is sent its stop; the run ends "stopped"). Ctrl-C on the
        main thread sends the stop as well, then raises KeyboardInterrupt.
        A port lost during the run raises PortError with the records that
        came in its `run`.
        """
        _check_choices(channels, format)
        run = ctypes.c_void_p()
        status, message = self._blocking(progress, lambda callback: _lib.tarn_board_measure(
            self._open(), count, _CHANNELS[channels], _FORMATS[format], callback, None,
            ctypes.byref(run)))
        result = Run(run.value) if run.value else None
        if status == _c.PORT and result is not None:
            raise PortError(message, result)
        if status != _c.OK:
            raise _ERRORS.get(status, Error)(message)
        assert result is not None
        return result

    def sweep(self, folder: PathLike, rates: Sequence[str | int] | None = None, count: int = 0,
              seconds: float = 0, channels: int | str = 0, format: str = "binary",
              note: str = "", progress: Callable[[int, int], object] | None = None) -> Sweep:
        """The sweep, as `tarnview-cli sweep`: at each of `rates` (codes or
        rate texts; None for every rate of the filter) `count` records, or as
        many as `seconds` take, each run saved in the existing `folder` as it
        ends, then `folder`/report.html and the board back at its rate.

        `progress(ended, planned)` counts the runs; a true result, or Ctrl-C
        (then KeyboardInterrupt), stops the sweep. When a rate did not finish,
        the rate was not set back or the port went away, BoardError or
        PortError says so, with the sweep in its `sweep`.
        """
        _check_choices(channels, format)
        handle = ctypes.c_void_p()
        listed = None if rates is None else ",".join(str(r) for r in rates).encode()
        status, message = self._blocking(progress, lambda callback: _lib.tarn_board_sweep(
            self._open(), listed, count, seconds, _CHANNELS[channels], _FORMATS[format],
            _path(folder), note.encode(), callback, None, ctypes.byref(handle)))
        result = Sweep(handle.value) if handle.value else None
        if status != _c.OK:
            error = _ERRORS.get(status, Error)(message)
            error.sweep = result
            raise error
        assert result is not None
        return result

    def _blocking(self, progress: Callable[[int, int], object] | None,
                  call: Callable[[Any], int]) -> tuple[int, str]:
        """Runs a call that waits on the board with a progress callback that
        can stop it, and Ctrl-C on the main thread as a stop: its status and
        message. Raises what `progress` raised, or KeyboardInterrupt."""
        handle = self._open()
        interrupted: list[bool] = []
        failure: list[BaseException] = []

        def on_progress(done: int, total: int, _user: object) -> int:
            if interrupted or failure:
                return 1
            if progress is None:
                return 0
            try:
                return 1 if progress(done, total) else 0
            except BaseException as e:  # raised again once the board has stopped
                failure.append(e)
                return 1

        def on_interrupt(_signum: int, _frame: object) -> None:
            interrupted.append(True)
            _lib.tarn_board_stop(handle)

        catch = (threading.current_thread() is threading.main_thread()
                 and signal.getsignal(signal.SIGINT) is signal.default_int_handler)
        previous = signal.signal(signal.SIGINT, on_interrupt) if catch else None
        try:
            status = call(_c.PROGRESS(on_progress))
        finally:
            if catch:
                signal.signal(signal.SIGINT, previous)
        message = _message()  # before the results' own calls clear it
        if failure:
            raise failure[0]
        if interrupted:
            raise KeyboardInterrupt
        return status, message


class SweepRun(NamedTuple):
    """One planned run of a sweep."""

    run: Run | None  #: None when nothing was measured
    file: str  #: its data file, "" when none was written
    end: str  #: "finished", "stopped", "refused", "rate not set", "silent", ...


class Sweep:
    """A sweep's runs, one per planned rate, and its report's path."""

    def __init__(self, handle: int) -> None:
        self._handle = ctypes.c_void_p(handle)
        count, report = ctypes.c_size_t(), ctypes.c_char_p()
        _check(_lib.tarn_sweep_runs(self._handle, ctypes.byref(count), ctypes.byref(report)))
        self.report: str = _c.text(report.value)
        self.runs: list[SweepRun] = []
        for i in range(count.value):
            run, file, end = ctypes.c_void_p(), ctypes.c_char_p(), ctypes.c_char_p()
            _check(_lib.tarn_sweep_run(self._handle, i, ctypes.byref(run), ctypes.byref(file),
                                       ctypes.byref(end)))
            self.runs.append(SweepRun(Run(run.value, owner=self) if run.value else None,
                                      _c.text(file.value), _c.text(end.value)))

    def __del__(self) -> None:
        handle = getattr(self, "_handle", None)
        if handle:
            _lib.tarn_sweep_free(handle)


def _check_choices(channels: int | str, format: str) -> None:
    if channels not in _CHANNELS or format not in _FORMATS:
        raise ArgumentError(f"channels {channels!r} or format {format!r}: channels are "
                            "0, 1 or 'both', formats 'binary' or 'mv'")


def read(path: PathLike) -> Run:
    """Reads a data file as the window saves it (UTF-8, the user's character
    set or code page 932) into a run."""
    handle = ctypes.c_void_p()
    _check(_lib.tarn_read(_path(path), ctypes.byref(handle)))
    return Run(handle.value or 0)


def analyse(run: Run) -> list[dict[str, Any]]:
    """The noise figures of each channel: the dicts of the "figures" array
    of `tarnview-cli stats --json` (count, mean, sd, pp, noiseFreeBits, the
    sd's 95 % interval, the Allan deviation, the spectrum ...)."""
    import json

    figures = ctypes.c_char_p()
    _check(_lib.tarn_run_figures(run._handle, ctypes.byref(figures)))
    result: list[dict[str, Any]] = json.loads(_c.text(figures.value))
    return result


def report(runs: Run | Sequence[Run], path: PathLike) -> None:
    """Writes the HTML noise report of one run, or the page comparing
    several, at `path`."""
    runs = [runs] if isinstance(runs, Run) else list(runs)
    handles = (ctypes.c_void_p * len(runs))(*(r._handle.value for r in runs))
    _check(_lib.tarn_report(handles, len(runs), _path(path)))
